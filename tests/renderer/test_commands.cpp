// krelan-render's command line: bad input is refused with a clear message, a
// non-zero status and no output left behind; frames come out the same for
// the same arguments and agree with the show rendered at the same frame rate.
#include "render_harness.h"
#include "scenes.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

bool mentions(const RunResult& r, const std::string& text)
{
    return r.output.find(text) != std::string::npos;
}

std::string beat_text(float beat)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(beat));
    return text;
}

// Colour type in a PNG's header: 2 RGB, 6 RGBA.
int png_colour_type(const std::string& png) { return png.size() > 25 ? png[25] : -1; }

}  // namespace

TEST(RenderCommandLine, UnknownCommandProgramOrOptionIsAUsageError)
{
    ScratchDir dir;
    const std::string out = dir.file("out.png");
    RunResult r = run_render({"render", "--out", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(mentions(r, "unknown command 'render'")) << r.output;

    r = run_render({"pass", "plasma", "--beat", "1", "--out", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(mentions(r, "unknown program 'plasma'")) << r.output;

    r = run_render({"frame", "--beat", "1", "--colour", "red", "--out", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(mentions(r, "--colour")) << r.output;

    r = run_render({"pass", "zoom", "--beat", "1", "--steps", "2", "--out", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(mentions(r, "life")) << r.output;
    EXPECT_TRUE(dir.entries().empty());
}

TEST(RenderCommandLine, VersionIsTheProjectsOwn)
{
    const RunResult r = run_render({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "krelan-render " KRELAN_VERSION "\n");
}

TEST(RenderCommandLine, BeatThatIsNotANumberIsRefused)
{
    ScratchDir dir;
    const std::string out = dir.file("out.png");
    for (const char* beat : {"ten", "12abc", "", "nan", "inf"}) {
        RunResult r = run_render({"frame", "--beat", beat, "--out", out});
        EXPECT_EQ(r.status, 2) << beat;
        EXPECT_TRUE(mentions(r, "--beat must be a number")) << r.output;
        r = run_render({"pass", "life", "--beat", beat, "--out", out});
        EXPECT_EQ(r.status, 2) << beat;
    }
    RunResult r = run_render({"frame", "--beat", "100", "--sound", "40000", "--out", out});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(mentions(r, "--sound")) << r.output;
    r = run_render({"frame", "--out", out});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(mentions(r, "--beat is required")) << r.output;
    EXPECT_TRUE(dir.entries().empty());
}

TEST(RenderCommandLine, MissingUnreadableOrWrongSizedInputLeavesNoOutput)
{
    ScratchDir dir;
    const std::string out = dir.file("out.png");
    RunResult r =
        run_render({"pass", "zoom", "--beat", "1", "--input", dir.file("none.png"), "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "none.png")) << r.output;

    put_file(dir.file("text.png"), "this is not an image");
    r = run_render({"pass", "card", "--beat", "1", "--input", dir.file("text.png"), "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "not a readable PNG")) << r.output;

    Image small;
    small.width = 640;
    small.height = 360;
    small.channels = 3;
    small.pixels.assign(size_t(640) * 360 * 3, 0);
    put_file(dir.file("small.png"), png_bytes(small));
    r = run_render(
        {"pass", "life", "--beat", "460", "--input", dir.file("small.png"), "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "640x360, not 1920x1080")) << r.output;

    EXPECT_FALSE(file_exists(out));
    EXPECT_EQ(dir.entries().size(), 2u);  // the two inputs, nothing else
}

TEST(RenderCommandLine, OutputThatCannotBeWrittenIsReportedAndLeavesNothing)
{
    ScratchDir dir;
    RunResult r = run_render({"pass", "card", "--beat", "0", "--out", dir.file("no/such/out.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "cannot write")) << r.output;

    // An existing folder in the output's place: nothing may be left beside it.
    const std::string folder = dir.file("taken.png");
    ASSERT_EQ(system(("mkdir " + folder).c_str()), 0);
    r = run_render({"audio", "--out", folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "cannot write")) << r.output;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"taken.png"});

    r = run_render({"show", "--from", "100", "--to", "101", "--frames", dir.file("taken.png/x/y")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "frame folder")) << r.output;
}

TEST(RenderCommandLine, VideoWithoutFfmpegIsRefusedBeforeRendering)
{
    ScratchDir dir;
    const std::string out = dir.file("show.mp4");
    RunResult r =
        run_render({"show", "--from", "100", "--to", "101", "--video", out}, "PATH=/nonexistent");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "ffmpeg")) << r.output;
    EXPECT_TRUE(dir.entries().empty());
}

TEST(RenderFrame, SameArgumentsGiveTheSameBytes)
{
    // In the post chain, so the automaton's run from beat 448 is part of it.
    ScratchDir dir;
    const std::vector<std::string> args = {"frame", "--beat", "451.5", "--fps", "20", "--out"};
    std::vector<std::string> first = args, second = args;
    first.push_back(dir.file("a.png"));
    second.push_back(dir.file("b.png"));
    ASSERT_EQ(run_render(first).status, 0);
    ASSERT_EQ(run_render(second).status, 0);
    const std::string a = file_bytes(dir.file("a.png")), b = file_bytes(dir.file("b.png"));
    EXPECT_EQ(png_colour_type(a), 2);  // 8-bit RGB
    EXPECT_TRUE(a == b);
    Image image = read_png(dir.file("a.png"));
    EXPECT_EQ(image.width, 1920);
    EXPECT_EQ(image.height, 1080);
}

TEST(RenderFrame, AgreesWithTheShowAtTheSameFrameRate)
{
    // The show's frames in the post chain, and the frame command at the beat
    // of the last of them: the same picture, automaton included.
    ScratchDir dir;
    const double fps = 20;
    RunResult r = run_render(
        {"show", "--from", "450", "--to", "450.5", "--fps", "20", "--frames", dir.file("frames")});
    ASSERT_EQ(r.status, 0) << r.output;
    const int64_t last = first_frame_at_or_after(std::nextafter(450.5f, 1e9f), fps) - 1;
    char name[64];
    std::snprintf(name, sizeof name, "frames/frame-%06lld.png", static_cast<long long>(last));
    ASSERT_TRUE(file_exists(dir.file(name))) << name;
    EXPECT_TRUE(mentions(r, "frames/s")) << r.output;  // the progress bar

    r = run_render({"frame", "--beat", beat_text(frame_beat(last, fps)), "--fps", "20", "--out",
                    dir.file("frame.png")});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(file_bytes(dir.file(name)) == file_bytes(dir.file("frame.png")));
}

TEST(RenderAudio, WritesTheMixAsA48kHzStereoWav)
{
    ScratchDir dir;
    ASSERT_EQ(run_render({"audio", "--out", dir.file("track.wav")}).status, 0);
    const std::string wav = file_bytes(dir.file("track.wav"));
    ASSERT_GT(wav.size(), 44u);
    auto u16 = [&wav](size_t at) { return uint8_t(wav[at]) | uint8_t(wav[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(u16(22), 2);       // channels
    EXPECT_EQ(u32(24), 48000u);  // rate
    EXPECT_EQ(u16(34), 16);      // bits
    EXPECT_EQ(u32(40), wav.size() - 44);
    EXPECT_GT(wav.size() - 44, size_t(48000) * 4);  // more than a second of music
}

TEST(RenderBench, ReportSaysInPlainWordsWhetherTheShowCanRunHere)
{
    RunResult r = run_render({"bench", "--report", "--frames", "1"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(mentions(r, "GL renderer: ") && mentions(r, "OpenGL version: ")) << r.output;
    EXPECT_FALSE(mentions(r, "NO ")) << r.output;
    for (const char* feature : {"GLSL programs", "fixed-function", "framebuffer objects",
                                "32-bit float render targets", "blending into a float", "start-up"})
        EXPECT_TRUE(mentions(r, "  yes  ") && mentions(r, feature)) << feature;
    // Every scene with its time and what that means on a 60 Hz and a 30 Hz screen.
    for (const Scene& scene : embedded_schedule().scenes) {
        const size_t at = r.output.find("  " + scene.title + " ");
        ASSERT_NE(at, std::string::npos) << scene.title << "\n" << r.output;
        const std::string line = r.output.substr(at, r.output.find('\n', at) - at);
        EXPECT_TRUE(line.find(" ms ") != std::string::npos &&
                    (line.find("smooth at 60 Hz") != std::string::npos ||
                     line.find("smooth at 30 Hz") != std::string::npos ||
                     line.find("too slow for 30 Hz") != std::string::npos))
            << line;
    }
    EXPECT_TRUE(mentions(r, "Verdict: Krelan runs")) << r.output;
    if (!mentions(r, "Mesa")) return;
    // Mesa told to hide float textures: their line says NO, and there is no verdict of speed.
    r = run_render({"bench", "--report", "--frames", "1"},
                   "MESA_GL_VERSION_OVERRIDE=2.1 "
                   "MESA_EXTENSION_OVERRIDE='-GL_ARB_texture_float -GL_ARB_texture_rg'");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(mentions(r, "  NO   32-bit float render targets")) << r.output;
    EXPECT_TRUE(mentions(r, "Verdict: Krelan cannot run on this machine")) << r.output;
    EXPECT_FALSE(mentions(r, "frames/s")) << r.output;
}
