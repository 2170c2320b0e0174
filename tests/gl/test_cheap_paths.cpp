// The show's particle sprites and sparse glow against the per-pixel particle
// program and the straight glow program they replace: the same pictures,
// compared over whole 1080p frames in 8-bit levels.
#include "gl_harness.h"
#include "gpu.h"
#include "particle_sprites.h"
#include "program_table.h"
#include "show.h"
#include "sparse_glow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t k_pixels = size_t(1920) * 1080;

// The show's programs and targets, loaded once for the process.
bool show_loaded()
{
    if (table_program(PROG_PARTICLE_STATE)) return true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return start_show() == SHOW_READY;
}

int level(float v) { return int(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)); }

// How two float frames differ in 8-bit levels, over the colour channels.
struct LevelDiff {
    size_t off_by_more_than_one = 0;
    int largest = 0;
};

LevelDiff level_diff(const std::vector<float>& a, const std::vector<float>& b)
{
    LevelDiff d;
    for (size_t p = 0; p < k_pixels; ++p) {
        int worst = 0;
        for (int c = 0; c < 4; ++c)
            worst = std::max(worst, std::abs(level(a[p * 4 + c]) - level(b[p * 4 + c])));
        d.off_by_more_than_one += worst > 1;
        d.largest = std::max(d.largest, worst);
    }
    return d;
}

// At most 0.01 % of the pixels more than one level apart, none more than two.
void expect_same_picture(const LevelDiff& d)
{
    EXPECT_LE(d.off_by_more_than_one, k_pixels / 10000);
    EXPECT_LE(d.largest, 2);
}

size_t count_lit(const std::vector<float>& image)
{
    size_t lit = 0;
    for (size_t i = 0; i < image.size(); i += 4) lit += image[i] > 0;
    return lit;
}

size_t count_not_opaque_black(const std::vector<float>& image)
{
    size_t wrong = 0;
    for (size_t i = 0; i < image.size(); i += 4)
        wrong += image[i] != 0 || image[i + 1] != 0 || image[i + 2] != 0 || image[i + 3] != 1;
    return wrong;
}

}  // namespace

TEST(ParticleSprites, DrawTheScenesPictureAcrossItsBeatsAndLevels)
{
    ASSERT_TRUE(show_loaded());
    const GLuint reference = shipped_program("particles");
    Target expected = make_target(1920, 1080, true);
    Target drawn = make_target(1920, 1080, true);
    // In the scene's own stretch and in the recap (434 mod 4 = 2); each
    // reference frame costs seconds on a software rasteriser.
    for (float beat : {262.37f, 434.5f}) {
        // Silence: black; 800: faint, cut to rings; 8000 and 32768: loud, saturating.
        for (int sound : {0, 800, 8000, 32768}) {
            SCOPED_TRACE(testing::Message() << "beat " << beat << " sound " << sound);
            draw_particle_scene(drawn.framebuffer, show_particle_passes(), beat, sound);
            const std::vector<float> image = read_floats(drawn);
            if (sound == 0) {
                // The per-pixel scene is black in silence (its own test says so).
                EXPECT_EQ(count_not_opaque_black(image), 0u);
                continue;
            }
            draw_to(expected, reference, beat, sound);
            expect_same_picture(level_diff(read_floats(expected), image));
            EXPECT_GT(count_lit(image), 100u) << "a picture with particles in it";
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(gl_error_text(), nullptr);
}

namespace {

class SparseGlow : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(show_loaded()); }
    // The straight glow and the sparse one of `image`, as floats.
    static void both(GLuint image, std::vector<float>* want, std::vector<float>* got)
    {
        Target out = make_target(1920, 1080, true);
        draw_to(out, shipped_program("glow"), 460.0f, 0, image);
        *want = read_floats(out);
        draw_sparse_glow(out.framebuffer, image, show_glow_passes(), 460.0f, 0);
        *got = read_floats(out);
        glDeleteTextures(1, &out.texture);
        glDeleteFramebuffers(1, &out.framebuffer);
    }
};

GLuint host_texture(const std::vector<unsigned char>& pixels)
{
    return create_texture(1920, 1080, pixels.data(), GL_CLAMP);
}

}  // namespace

TEST_F(SparseGlow, UniformImagesAndLonePixelsAtTheCentreEdgesAndCorners)
{
    std::vector<float> want, got;
    for (int v : {64, 128, 255}) {
        GLuint image = host_texture(std::vector<unsigned char>(k_frame_bytes, (unsigned char)v));
        both(image, &want, &got);
        EXPECT_TRUE(want == got) << "uniform " << v;
        glDeleteTextures(1, &image);
    }
    // Lone pixels: in the middle, and at the edges and corners, where taps
    // past the border read the clamped edge.
    std::vector<unsigned char> pixels(k_frame_bytes, 0);
    const int spots[][2] = {{960, 540}, {0, 0}, {1919, 1079}, {700, 3}, {1916, 800}, {5, 1070}};
    for (auto [x, y] : spots) {
        unsigned char* p = &pixels[(size_t(y) * 1920 + x) * 4];
        p[0] = p[1] = p[2] = p[3] = 255;
    }
    GLuint image = host_texture(pixels);
    both(image, &want, &got);
    glDeleteTextures(1, &image);
    EXPECT_TRUE(want == got) << "lone pixels";
    EXPECT_NEAR(got[(size_t(540) * 1920 + 960) * 4 + 1], 0.6f, 1e-4f);
    EXPECT_NEAR(got[(size_t(540) * 1920 + 963) * 4 + 1], std::sqrt(0.8f) / 10, 1e-4f);
    EXPECT_EQ(got[(size_t(540) * 1920 + 1000) * 4 + 1], 0.0f) << "black beyond the reach";
}

// The glow of the show's own zoom images, from the seed to late in the chain.
TEST_F(SparseGlow, MatchesTheStraightGlowOnThePostChainsImages)
{
    std::vector<float> want, got;
    float beat = 449.0f;
    for (float until : {449.0f, 458.0f, 480.0f, 505.0f}) {
        // Four generations a beat: a thinner automaton than at 60 fps, as wide.
        for (; beat < until; beat += 0.25f) step_life(beat, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        draw_frame(until, 0);  // the zoom image of this frame
        both(zoom_texture(), &want, &got);
        EXPECT_TRUE(want == got) << "beat " << until;
        expect_same_picture(level_diff(want, got));
    }
    EXPECT_EQ(gl_error_text(), nullptr);
}
