// krelan-render pass: inputs and outputs are addressed like the window (top
// row on top), the output is what the program wrote, alpha included, and
// --steps feeds each life generation back in. Also short videos, as they come
// by default and with the party presets.
#include "render_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

using Cells = std::set<std::pair<int, int>>;

// Live cells (green set) of a life image, as (column, row from the top).
Cells live_cells(const Image& image)
{
    Cells cells;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (pixel(image, x, y)[1] > 25) cells.insert({x, y});
    return cells;
}

Image render_pass(const ScratchDir& dir, const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"pass"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("--out");
    all.push_back(dir.file("out.png"));
    RunResult r = run_render(all);
    EXPECT_EQ(r.status, 0) << r.output;
    const std::string png = file_bytes(dir.file("out.png"));
    EXPECT_EQ(png.size() > 25 ? png[25] : -1, 6) << "the output is 8-bit RGBA";
    return read_png(dir.file("out.png"));
}

}  // namespace

TEST(RenderPass, LifeStepsTurnABlinkerAndBringItBack)
{
    ScratchDir dir;
    Image input = solid_image(0, 0, 0, 255);
    for (int x = 500; x <= 502; ++x) set_pixel(&input, x, 300, 0, 255, 255, 255);
    put_file(dir.file("blinker.png"), png_bytes(input));
    const Cells horizontal = {{500, 300}, {501, 300}, {502, 300}};
    const Cells vertical = {{501, 299}, {501, 300}, {501, 301}};

    Image one = render_pass(
        dir, {"life", "--beat", "460", "--input", dir.file("blinker.png"), "--steps", "1"});
    EXPECT_EQ(live_cells(one), vertical);
    // Live cells are opaque cyan, dead ones transparent black.
    EXPECT_EQ(pixel(one, 501, 299), (std::vector<uint8_t>{0, 255, 255, 255}));
    EXPECT_EQ(pixel(one, 500, 300), (std::vector<uint8_t>{0, 0, 0, 0}));

    Image two = render_pass(
        dir, {"life", "--beat", "460", "--input", dir.file("blinker.png"), "--steps", "2"});
    EXPECT_EQ(live_cells(two), horizontal);
}

TEST(RenderPass, ZoomTurnsAMarkClockwiseAsTheWindowSeesIt)
{
    // At beat 2*pi the zoom pass turns a quarter turn clockwise and enlarges
    // 8 times about the frame centre: a mark left of and above the centre
    // lands right of and above it. A flipped input or output would put it
    // below, or on the left.
    ScratchDir dir;
    Image input = solid_image(0, 0, 0, 255);
    for (int y = 505; y <= 515; ++y)
        for (int x = 905; x <= 915; ++x) set_pixel(&input, x, y, 255, 0, 0, 255);
    put_file(dir.file("mark.png"), png_bytes(input));

    Image out = render_pass(dir, {"zoom", "--beat", "6.28318531", "--input", dir.file("mark.png")});
    // Mark centre (-50, +30) from the centre, y up; turned clockwise and
    // enlarged: (+240, +400), that is column 1200, row 140 from the top.
    EXPECT_GT(pixel(out, 1200, 140)[0], 200);
    EXPECT_EQ(pixel(out, 1200, 140)[3], 255);
    for (auto [x, y] : {std::pair{720, 140}, std::pair{1200, 940}, std::pair{720, 940}})
        EXPECT_EQ(pixel(out, x, y)[0], 0) << x << "," << y;
}

TEST(RenderPass, CardShowsItsInputUprightInItsTrueColours)
{
    ScratchDir dir;
    Image card;
    card.width = 1920;
    card.height = 1080;
    card.channels = 3;
    card.pixels.assign(size_t(1920) * 1080 * 3, 40);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            set_pixel(&card, x, y, 255, 0, 0, 0);         // top left red
            set_pixel(&card, 1919 - x, y, 0, 255, 0, 0);  // top right green
            set_pixel(&card, x, 1079 - y, 0, 0, 255, 0);  // bottom left blue
        }
    put_file(dir.file("card.png"), png_bytes(card));
    Image out = render_pass(dir, {"card", "--beat", "0", "--input", dir.file("card.png")});
    ASSERT_EQ(out.pixels.size(), size_t(1920) * 1080 * 4);
    size_t wrong = 0;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) {
            const std::vector<uint8_t> want = pixel(card, x, y);
            if (pixel(out, x, y) != want) ++wrong;
        }
    EXPECT_EQ(wrong, 0u);
}

TEST(RenderShow, ShortVideoIsH264WithAacAudio)
{
    if (system("command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    RunResult r = run_render(
        {"show", "--from", "20", "--to", "21", "--fps", "10", "--video", dir.file("clip.mp4")});
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string probe_out = dir.file("probe.txt");
    ASSERT_EQ(system(("ffprobe -v error -show_entries stream=codec_name,pix_fmt,width,height,"
                      "sample_rate -of compact " +
                      dir.file("clip.mp4") + " > " + probe_out)
                         .c_str()),
              0);
    const std::string probe = file_bytes(probe_out);
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NE(probe.find("width=1920|height=1080|pix_fmt=yuv420p"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=aac"), std::string::npos) << probe;
    EXPECT_NE(probe.find("sample_rate=48000"), std::string::npos) << probe;
    EXPECT_EQ(dir.entries().size(), 2u);  // the video and the probe: no temporary files
}

namespace {

// ffprobe's view of a video's streams, one "key=value|..." line a stream.
std::string probe_streams(const ScratchDir& dir, const std::string& video)
{
    const std::string out = dir.file("probe.txt");
    const std::string command =
        "ffprobe -v error -show_entries stream=codec_name,profile,level,width,height,pix_fmt,"
        "r_frame_rate,sample_rate,bit_rate -of compact '" +
        video + "' > '" + out + "'";
    EXPECT_EQ(system(command.c_str()), 0) << command;
    const std::string probe = file_bytes(out);
    std::remove(out.c_str());
    return probe;
}

// The audio stream's bit rate in bits a second, 0 if ffprobe gave none.
long audio_bit_rate(const std::string& probe)
{
    const size_t audio = probe.find("codec_name=aac");
    const size_t at = probe.find("bit_rate=", audio == std::string::npos ? probe.size() : audio);
    return at == std::string::npos ? 0 : std::atol(probe.c_str() + at + 9);
}

}  // namespace

TEST(RenderShow, PartyPresetsGiveTheFormatsTheRulesAskFor)
{
    if (system("command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir, tmp;
    struct Case {
        std::vector<std::string> options;
        const char* video;           // what ffprobe must report of the video stream
        const char* x264;            // x264's record of its settings, in the stream
        long audio_low, audio_high;  // the AAC stream's bit rate
    };
    const Case cases[] = {
        {{"--preset", "party-30"},
         "codec_name=h264|profile=Main|width=1920|height=1080|pix_fmt=yuv420p|level=41|"
         "r_frame_rate=30/1",
         "rc=2pass",
         150000,
         200000},
        {{"--preset", "party-60"},
         "codec_name=h264|profile=High|width=1920|height=1080|pix_fmt=yuv420p|level=42|"
         "r_frame_rate=60/1",
         "crf=16.0",
         250000,
         330000},
        // An explicit rate overrides the preset's; the rest of it stays.
        {{"--preset", "party-30", "--fps", "25"},
         "codec_name=h264|profile=Main|width=1920|height=1080|pix_fmt=yuv420p|level=41|"
         "r_frame_rate=25/1",
         "bitrate=8000",
         150000,
         200000},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string video = dir.file("clip" + std::to_string(n++) + ".mp4");
        std::vector<std::string> args = {"show", "--from", "0", "--to", "1", "--video", video};
        args.insert(args.end(), c.options.begin(), c.options.end());
        RunResult r = run_render(args, "TMPDIR=" + tmp.path);
        ASSERT_EQ(r.status, 0) << r.output;
        const std::string probe = probe_streams(dir, video);
        EXPECT_NE(probe.find(c.video), std::string::npos) << c.options[1] << "\n" << probe;
        EXPECT_NE(probe.find("codec_name=aac|profile=LC|sample_rate=48000"), std::string::npos)
            << probe;
        const long audio = audio_bit_rate(probe);
        EXPECT_TRUE(audio >= c.audio_low && audio <= c.audio_high) << audio << "\n" << probe;
        EXPECT_NE(file_bytes(video).find(c.x264), std::string::npos) << c.x264;
        // The pass log and the sound went with the run.
        EXPECT_TRUE(tmp.entries().empty()) << tmp.entries().size() << " scratch files left";
    }
    EXPECT_EQ(dir.entries().size(), 3u);
}
