// The card pass, the life, zoom and glow passes, and the post chain that the
// schedule runs through framebuffer objects.
#include "chain_catch_up.h"
#include "frame_timeline.h"
#include "gl_harness.h"
#include "gpu.h"
#include "media_store.h"
#include "scenes.h"
#include "shaders.h"
#include "show.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace {

using Cells = std::set<std::pair<int, int>>;  // (column, row) from the bottom-left

// A frame-sized RGBA8 image with the host's texture parameters, drawable.
Target host_image(const void* pixels = nullptr)
{
    Target t;
    t.width = 1920;
    t.height = 1080;
    t.is_float = false;
    t.texture = create_texture(1920, 1080, pixels, GL_CLAMP);
    t.framebuffer = create_render_target(t.texture, "test image");
    return t;
}

std::vector<unsigned char> image_of(const Cells& cells)
{
    std::vector<unsigned char> pixels(k_frame_bytes, 0);
    for (auto [x, y] : cells) {
        unsigned char* p = &pixels[(size_t(y) * 1920 + x) * 4];
        p[0] = 0, p[1] = 255, p[2] = 255, p[3] = 255;
    }
    return pixels;
}

Cells live_cells(const std::vector<unsigned char>& rgba)
{
    Cells cells;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (rgba[i + 1] > 25) cells.insert({int(i / 4 % 1920), int(i / 4 / 1920)});
    return cells;
}

// Offsets from the reference cell (959, 539) to cells.
using Offsets = std::vector<std::pair<int, int>>;
Cells at_reference(const Offsets& offsets)
{
    Cells cells;
    for (auto [x, y] : offsets) cells.insert({959 + x, 539 + y});
    return cells;
}

const Offsets seed_offsets = {{2, 7}, {3, 7}, {4, 7},  {5, 5},  {5, 6},  {6, 5}, {8, 2},
                              {8, 3}, {9, 3}, {10, 3}, {10, 5}, {10, 6}, {10, 7}};
const Cells seed_cells = at_reference(seed_offsets);

class LifePass : public testing::Test {
protected:
    void SetUp() override
    {
        program = shipped_program("life");
        images[0] = host_image();
        images[1] = host_image();
    }
    // Writes `cells` as the previous generation, runs the pass once at `beat`.
    Cells step(const Cells& cells, float beat)
    {
        std::vector<unsigned char> pixels = image_of(cells);
        glBindTexture(GL_TEXTURE_2D, images[0].texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        draw_to(images[1], program, beat, 0, images[0].texture);
        return live_cells(read_bytes(images[1]));
    }
    GLuint program = 0;
    Target images[2];
};

}  // namespace

TEST(CardPass, ShowsEachCardUprightInItsTrueColours)
{
    GLuint card = shipped_program("card");
    struct Card {
        const EmbeddedAsset* asset;
        const char* file;
    };
    const Card cards[] = {{&asset_warning_card, KRELAN_ASSET_DIR "/warning.png"},
                          {&asset_end_card, KRELAN_ASSET_DIR "/end.png"}};
    Target window = make_target(1920, 1080, false);
    for (const Card& c : cards) {
        GLuint texture = load_card_texture(c.asset->bytes, c.asset->length, c.file);
        draw_to(window, card, 123.0f, 32768, texture);
        std::vector<unsigned char> shown = read_bytes(window);
        int w = 0, h = 0;
        std::vector<unsigned char> png = load_png_rgba(c.file, &w, &h);
        size_t mismatches = 0;
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 1920; ++x) {
                const unsigned char* s = &shown[(size_t(1079 - y) * 1920 + x) * 4];
                const unsigned char* p = &png[(size_t(y) * 1920 + x) * 4];
                if (s[0] != p[0] || s[1] != p[1] || s[2] != p[2] || s[3] != 255) ++mismatches;
            }
        EXPECT_EQ(mismatches, 0u) << c.file;
    }
}

TEST_F(LifePass, DrawsTheSeedBeforeBeat450WhateverItsInput)
{
    EXPECT_EQ(step({}, 448.0f), seed_cells);
    EXPECT_EQ(step({{100, 100}, {101, 100}, {102, 100}}, 449.99f), seed_cells);
}

TEST_F(LifePass, SeedEvolvesThroughItsKnownGenerations)
{
    Cells cells = step({}, 449.0f);
    const Offsets first_offsets = {{3, 6}, {3, 7}, {3, 8}, {4, 7}, {5, 5},  {5, 6},  {6, 5}, {6, 6},
                                   {8, 2}, {8, 3}, {9, 3}, {9, 6}, {10, 4}, {10, 6}, {11, 6}};
    const Cells first = at_reference(first_offsets);
    const size_t counts[] = {13, 15, 19, 20, 25, 27, 30, 26, 30, 39};
    for (int generation = 0; generation < 10; ++generation) {
        EXPECT_EQ(cells.size(), counts[generation]) << "generation " << generation;
        if (generation == 1) {
            EXPECT_EQ(cells, first);
        }
        cells = step(cells, 450.0f);
    }
}

TEST_F(LifePass, StillLivesOscillatorsAndLoneCells)
{
    const Cells block = {{500, 500}, {501, 500}, {500, 501}, {501, 501}};
    EXPECT_EQ(step(block, 460.0f), block);
    EXPECT_TRUE(step({{700, 700}}, 460.0f).empty());
    const Cells across = {{300, 300}, {301, 300}, {302, 300}};
    const Cells upright = {{301, 299}, {301, 300}, {301, 301}};
    EXPECT_EQ(step(across, 460.0f), upright);
    EXPECT_EQ(step(upright, 460.0f), across);
}

TEST_F(LifePass, FieldIsATorus)
{
    // A blinker across the left/right seam and one across the top/bottom seam.
    EXPECT_EQ(step({{1919, 10}, {0, 10}, {1, 10}}, 460.0f), Cells({{0, 9}, {0, 10}, {0, 11}}));
    EXPECT_EQ(step({{10, 1079}, {10, 0}, {10, 1}}, 460.0f), Cells({{9, 0}, {10, 0}, {11, 0}}));
    // A glider leaving through the bottom-left corner comes back at the top-right.
    const Cells moving_down_left = {{1, 2}, {0, 1}, {0, 0}, {1, 0}, {2, 0}};
    Cells cells = moving_down_left;
    for (int i = 0; i < 8; ++i) cells = step(cells, 460.0f);
    ASSERT_EQ(cells.size(), 5u);
    // Two full periods move it two cells left and two down, across both seams.
    Cells expected;
    for (auto [x, y] : moving_down_left) expected.insert({(x + 1918) % 1920, (y + 1078) % 1080});
    EXPECT_EQ(cells, expected);
}

TEST(ZoomPass, BlackStaysBlackAndAMarkTurnsAndScalesAsTheBeatSays)
{
    GLuint zoom = shipped_program("zoom");
    std::vector<unsigned char> pixels(k_frame_bytes, 0);
    Target input = host_image(pixels.data());
    Target output = make_target(1920, 1080, true);
    draw_to(output, zoom, 448.0f, 0, input.texture);
    std::vector<float> out = read_floats(output);
    float brightest = 0;
    for (size_t i = 0; i < out.size(); i += 4)
        brightest = std::max({brightest, out[i], out[i + 1], out[i + 2]});
    EXPECT_EQ(brightest, 0.0f);

    // One lit texel 100 px right of the frame centre (texel centre 1060.5, 540.5).
    unsigned char* mark = &pixels[(size_t(540) * 1920 + 1060) * 4];
    mark[0] = mark[1] = mark[2] = mark[3] = 255;
    glBindTexture(GL_TEXTURE_2D, input.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    const float beat = 448.0f;
    draw_to(output, zoom, beat, 0, input.texture);
    out = read_floats(output);
    double sx = 0, sy = 0, sw = 0;
    for (size_t i = 0; i < out.size(); i += 4) {
        double w = out[i + 1];
        sx += w * (i / 4 % 1920 + 0.5);
        sy += w * (i / 4 / 1920 + 0.5);
        sw += w;
    }
    ASSERT_GT(sw, 0.0);
    // Drawn at m times its offset, turned clockwise by beat / 4.
    const double m = 5 + 3 * std::sin(beat / 4.0), a = beat / 4.0;
    EXPECT_NEAR(m, 2.33, 0.01);
    const double qx = 100.5, qy = 0.5;
    const double ex = 960 + m * (qx * std::cos(a) + qy * std::sin(a));
    const double ey = 540 + m * (-qx * std::sin(a) + qy * std::cos(a));
    EXPECT_NEAR(sx / sw, ex, 1.0);
    EXPECT_NEAR(sy / sw, ey, 1.0);
}

TEST(GlowPass, UniformInputsAndTheBloomOfOnePixel)
{
    GLuint glow = shipped_program("glow");
    Target output = make_target(1920, 1080, true);
    for (int level : {64, 128, 255}) {
        std::vector<unsigned char> pixels(k_frame_bytes, static_cast<unsigned char>(level));
        Target input = host_image(pixels.data());
        draw_to(output, glow, 460.0f, 0, input.texture);
        std::vector<float> out = read_floats(output);
        const float v = level / 255.0f;
        const float* centre = &out[(size_t(540) * 1920 + 960) * 4];
        EXPECT_NEAR(centre[1], (std::sqrt(1.0629f * v) + v) / 2, 2e-3f) << "level " << level;
    }
    EXPECT_NEAR((std::sqrt(1.0629f * 0.25f) + 0.25f) / 2, 0.3827f, 1e-3f);

    std::vector<unsigned char> pixels(k_frame_bytes, 0);
    unsigned char* lit = &pixels[(size_t(540) * 1920 + 960) * 4];
    lit[0] = lit[1] = lit[2] = lit[3] = 255;
    Target input = host_image(pixels.data());
    draw_to(output, glow, 460.0f, 0, input.texture);
    std::vector<float> out = read_floats(output);
    auto at = [&](int dx, int dy) { return out[(size_t(540 + dy) * 1920 + 960 + dx) * 4 + 1]; };
    EXPECT_NEAR(at(0, 0), 0.6f, 1e-4f);
    EXPECT_NEAR(at(3, 0), std::sqrt(0.8f) / 10, 1e-4f);
    EXPECT_NEAR(at(-15, 15), std::sqrt(0.01f) / 10, 1e-4f);
    EXPECT_EQ(at(1, 0), 0.0f);
    EXPECT_EQ(at(3, 1), 0.0f);
    EXPECT_EQ(at(18, 0), 0.0f);
}

// The whole chain as the schedule draws it: needs every program and target.
TEST(PostChain, EvolvesOneGenerationPerFrameAndShowsCyanOnBlack)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    ASSERT_EQ(start_show(), SHOW_READY);

    // The automaton starts from its seed, even before any chain frame.
    EXPECT_EQ(live_cells(read_texture(life_state_texture(), 1920, 1080)), seed_cells);

    const float beats[] = {448.0f, 449.0f, 449.99f, 450.0f, 450.5f, 451.0f, 451.5f, 452.0f};
    const size_t counts[] = {13, 13, 13, 15, 19, 20, 25, 27};
    for (int i = 0; i < 8; ++i) {
        draw_frame(beats[i], 0);
        EXPECT_EQ(live_cells(read_texture(life_state_texture(), 1920, 1080)).size(), counts[i])
            << "beat " << beats[i];
    }
    std::vector<unsigned char> screen(k_frame_bytes);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
    size_t red = 0, lit = 0;
    for (size_t i = 0; i < screen.size(); i += 4) {
        red += screen[i] != 0;
        lit += screen[i + 1] != 0;
    }
    EXPECT_EQ(red, 0u);
    EXPECT_GT(lit, 0u);
    EXPECT_EQ(gl_error_text(), nullptr);
}

namespace {

// The automaton of a 60 fps show that draws every frame with the whole life
// pass, read at the frames in `reads` (ascending): the seed, then one
// generation a frame from the seed's end.
std::vector<std::vector<unsigned char>> stepped_every_frame(const std::vector<int64_t>& reads)
{
    std::vector<std::vector<unsigned char>> images;
    seed_life();
    int64_t n = first_frame_at_or_after(k_life_seed_end, 60.0);
    for (int64_t read : reads) {
        for (; n < read; ++n) step_life(frame_beat(n, 60.0), 0);
        images.push_back(read_texture(life_state_texture(), 1920, 1080));
    }
    return images;
}

}  // namespace

TEST(PostChain, CatchingUpGivesTheAutomatonOfEveryFrameDrawn)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    ASSERT_EQ(start_show(), SHOW_READY);

    // Past the first checkpoint; back to just after it; back before it.
    const float beats[] = {455.0f, 454.9f, 451.0f};
    std::vector<int64_t> frames;
    for (float beat : beats) frames.push_back(first_frame_at_or_after(beat, 60.0));
    const int64_t seed_end = first_frame_at_or_after(k_life_seed_end, 60.0);
    ASSERT_GT(frames[0] - seed_end, k_chain_checkpoint_frames);
    ASSERT_GT(frames[1] - seed_end, k_chain_checkpoint_frames);
    ASSERT_LT(frames[2] - seed_end, k_chain_checkpoint_frames);
    const auto expected = stepped_every_frame({frames[2], frames[1], frames[0]});

    ChainCatchUp chain;
    chain.keep_checkpoints = true;
    EXPECT_EQ(chain_steps_left(chain, beats[0]), frames[0] - seed_end);
    // In pieces, as the web player runs it between two animation frames.
    int64_t left = chain_steps_left(chain, beats[0]);
    while (left > 0) {
        const int64_t now = catch_up_chain(&chain, beats[0], 16, nullptr);
        ASSERT_LT(now, left);
        left = now;
    }
    EXPECT_EQ(read_texture(life_state_texture(), 1920, 1080), expected[2]);
    ASSERT_EQ(chain.checkpoints.size(), 1u);

    // Back: from the checkpoint, then from the seed.
    EXPECT_EQ(chain_steps_left(chain, beats[1]), frames[1] - seed_end - k_chain_checkpoint_frames);
    EXPECT_EQ(catch_up_chain(&chain, beats[1], -1, nullptr), 0);
    EXPECT_EQ(read_texture(life_state_texture(), 1920, 1080), expected[1]);
    EXPECT_EQ(chain_steps_left(chain, beats[2]), frames[2] - seed_end);
    EXPECT_EQ(catch_up_chain(&chain, beats[2], -1, nullptr), 0);
    EXPECT_EQ(read_texture(life_state_texture(), 1920, 1080), expected[0]);

    // Outside the chain and before the seed's end nothing is needed.
    for (float beat : {447.9f, 449.9f, 512.0f}) EXPECT_EQ(chain_steps_left(chain, beat), 0);
    EXPECT_EQ(gl_error_text(), nullptr);
}
