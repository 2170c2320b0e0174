// Hostile inputs to krelan-render: crafted PNGs, endless files and extreme
// numbers are refused quickly, with a message, before any work is done.
#include "commands.h"
#include "render_harness.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

bool mentions(const RunResult& r, const std::string& text)
{
    return r.output.find(text) != std::string::npos;
}

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string chunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
    return be32(uint32_t(data.size())) + body + be32(uint32_t(crc));
}

// An RGBA PNG whose header claims width x height, with `pixels` bytes of
// zeros compressed as its image data (far fewer than the header promises).
std::string claimed_png(uint32_t width, uint32_t height, size_t pixels)
{
    std::string raw(pixels, '\0');
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size,
             reinterpret_cast<const Bytef*>(raw.data()), raw.size());
    packed.resize(size);
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           chunk("IHDR", be32(width) + be32(height) + std::string("\x08\x06\0\0\0", 5)) +
           chunk("IDAT", packed) + chunk("IEND", "");
}

}  // namespace

TEST(RenderInputs, PngClaimingAHugeSizeIsRefusedFromItsHeader)
{
    ScratchDir dir;
    const std::string out = dir.file("out.png");
    const struct {
        uint32_t w, h;
    } sizes[] = {{1000000, 1000}, {1920, 1000000}, {1921, 1080}};
    for (const auto& s : sizes) {
        put_file(dir.file("in.png"), claimed_png(s.w, s.h, 12 << 20));
        const double start = now_seconds();
        RunResult r = run_render(
            {"pass", "life", "--beat", "460", "--input", dir.file("in.png"), "--out", out});
        EXPECT_EQ(r.status, 1) << r.output;
        const std::string size = std::to_string(s.w) + "x" + std::to_string(s.h);
        EXPECT_TRUE(mentions(r, size + ", not 1920x1080")) << r.output;
        EXPECT_LT(now_seconds() - start, 5.0) << size;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.png"});
}

TEST(RenderInputs, InputThatNeverEndsIsBounded)
{
    ScratchDir dir;
    for (const char* pass : {"life", "card"}) {
        RunResult r = run_render(
            {"pass", pass, "--beat", "460", "--input", "/dev/zero", "--out", dir.file("out.png")});
        EXPECT_EQ(r.status, 1) << pass;
        EXPECT_TRUE(mentions(r, "/dev/zero is larger than 64 MiB")) << r.output;
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(RenderInputs, TruncatedPngIsNotReadable)
{
    ScratchDir dir;
    const std::string png = claimed_png(1920, 1080, 1000);
    put_file(dir.file("in.png"), png.substr(0, png.size() - 20));
    RunResult r = run_render({"pass", "zoom", "--beat", "1", "--input", dir.file("in.png"), "--out",
                              dir.file("out.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "not a readable PNG")) << r.output;
}

TEST(RenderInputs, ExtremeBeatsAndRatesAreRefusedAtOnce)
{
    ScratchDir dir;
    const std::string frames = dir.file("frames"), video = dir.file("v.mp4");
    const std::vector<std::vector<std::string>> cases = {
        {"show", "--from", "1e9", "--frames", frames},
        {"show", "--from", "100", "--to", "3e38", "--video", video},
        {"show", "--to", "-1e30", "--frames", frames},
        {"show", "--fps", "1e-300", "--to", "10", "--frames", frames},
        {"show", "--fps", "1001", "--frames", frames},
        {"frame", "--beat", "1e30", "--out", dir.file("f.png")},
        {"frame", "--beat", "-2000", "--out", dir.file("f.png")},
    };
    for (const auto& args : cases) {
        const double start = now_seconds();
        RunResult r = run_render(args);
        EXPECT_EQ(r.status, 2) << args[1] << " " << args[2] << ": " << r.output;
        EXPECT_TRUE(mentions(r, "must be from")) << r.output;
        EXPECT_LT(now_seconds() - start, 5.0) << args[1] << " " << args[2];
    }
    EXPECT_TRUE(dir.entries().empty());
}
