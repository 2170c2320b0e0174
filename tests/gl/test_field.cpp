// The sphere-field scene: the field's geometry, whole 1920x1080 frames of the
// embedded text read back as the window would store them, and the scroller
// band's rows.
#include "gl_harness.h"
#include "glyph_probe.h"
#include "gpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

GLuint field_program()
{
    static GLuint program = shipped_program("field");
    return program;
}

// A whole frame at `beat`, bytes as the window would store them (with alpha).
std::vector<unsigned char> field_frame(float beat)
{
    static Target frame = make_target(1920, 1080, false);
    draw_to(frame, field_program(), beat, 0);
    return read_bytes(frame);
}

struct FrameKinds {
    size_t background = 0, hits = 0, ink = 0, other = 0;
    size_t hits_in_band = 0;
    int ink_low = 1080, ink_high = -1, ink_left = 1920;
};

// Sorts every pixel: opaque black, white hit (alpha 0), opaque white ink, or
// anything else.
FrameKinds classify(const std::vector<unsigned char>& rgba)
{
    FrameKinds k;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) {
            const unsigned char* p = &rgba[(size_t(y) * 1920 + size_t(x)) * 4];
            bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            if (black && p[3] == 255) {
                ++k.background;
            } else if (white && p[3] == 0) {
                ++k.hits;
                k.hits_in_band += y >= 454 && y <= 571;
            } else if (white && p[3] == 255) {
                ++k.ink;
                k.ink_low = std::min(k.ink_low, y);
                k.ink_high = std::max(k.ink_high, y);
                k.ink_left = std::min(k.ink_left, x);
            } else {
                ++k.other;
            }
        }
    return k;
}

}  // namespace

TEST(Field, BlackWhiteHitsAndOpaqueInk)
{
    // Beat 160: the text is already on screen, its first cell beginning at
    // column 372.4; spheres show in the band where no ink covers them.
    FrameKinds k = classify(field_frame(160.0f));
    EXPECT_EQ(k.other, 0u) << "colours other than black, white hits and white ink";
    EXPECT_GT(k.background, 0u);
    EXPECT_GT(k.hits, 0u);
    EXPECT_GT(k.hits_in_band, 0u);
    ASSERT_GT(k.ink, 0u);
    EXPECT_GE(k.ink_low, 454);
    EXPECT_LE(k.ink_high, 571);
    EXPECT_GE(k.ink_left, 372);
    EXPECT_LE(k.ink_left, 392);  // within the first half of the first cell
}

TEST(Field, BandEmptyOnceTheTextHasGone)
{
    // The last ink leaves the left edge at about beat 218.8.
    FrameKinds before = classify(field_frame(218.5f));
    EXPECT_GT(before.ink, 0u);
    EXPECT_LT(before.ink_left, 60);
    FrameKinds after = classify(field_frame(219.0f));
    EXPECT_EQ(after.ink, 0u);
    EXPECT_EQ(after.other, 0u);
    EXPECT_GT(after.hits, 0u);
}

TEST(Field, BandIsRows454To571)
{
    // With a scroller that inks everywhere, exactly the band's rows turn
    // opaque white: rows 453 and 572 (just outside 0.42 and 0.53) never do.
    std::string text = shader_piece("prelude.glsl") +
                       "vec3 Scroller(vec2 fc)\n{\n    return vec3(0.0, 0.0, 0.0);\n}\n";
    for (const char* piece :
         {"toolkit.glsl@shapes", "field.glsl@scene", "toolkit.glsl@marching", "field.glsl@image"})
        text += shader_piece(piece);
    GLuint program = build_program(text.c_str(), text.size(), "inked band");
    ASSERT_NE(program, 0u);
    Target frame = make_target(1920, 1080, false);
    glEnable(GL_SCISSOR_TEST);
    glScissor(900, 448, 16, 130);
    draw_to(frame, program, 175.0f, 0);
    glDisable(GL_SCISSOR_TEST);
    std::vector<unsigned char> rgba = read_bytes(frame);
    for (int y = 450; y < 576; ++y) {
        const unsigned char* p = &rgba[(size_t(y) * 1920 + 905) * 4];
        bool ink = p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255;
        EXPECT_EQ(ink, y >= 454 && y <= 571) << "row " << y;
    }
    glDeleteProgram(program);
}

TEST(Field, SpheresSitAtTheCellCentres)
{
    // In the field's frame (turned by beat / 2 about z, shifted by 32 beat
    // along z) the spheres of radius 0.1 sit at the centres of (2, 3, P)
    // cells: x, y and z - shift at odd multiples of 1, 1.5 and P / 2. The z
    // period P is 56 at beat 160 and 106 at beat 160 + 16 pi.
    std::string code =
        std::string(probe_input_glsl()) +
        "void main()\n{\n    gl_FragColor = vec4(scene(probe_input().xyz), 0.0, 0.0);\n}\n";
    GLuint program = test_program({"prelude.glsl", "toolkit.glsl@shapes", "field.glsl@scene"}, code,
                                  "field distance");
    struct Probe {
        float beat, period;
    };
    for (Probe b : {Probe{160.0f, 56.0f}, Probe{160.0f + 16.0f * 3.14159265f, 106.0f}}) {
        const double shift = 32.0 * double(b.beat), angle = double(b.beat) / 2.0;
        // A cell centre near the camera, and points 0.3 from it along each axis.
        const double cz =
            shift + b.period / 2.0 - b.period * std::floor((shift + b.period / 2.0) / b.period);
        const double centre[3] = {1.0, -1.5, cz};
        std::vector<float> in;
        std::vector<float> expected;
        for (int axis = -1; axis < 3; ++axis) {
            double q[3] = {centre[0], centre[1], centre[2]};
            if (axis >= 0) q[axis] += 0.3;
            // Back into the world: the inverse turn.
            double px = std::cos(angle) * q[0] + std::sin(angle) * q[1];
            double py = -std::sin(angle) * q[0] + std::cos(angle) * q[1];
            in.insert(in.end(), {float(px), float(py), float(q[2]), 0.0f});
            expected.push_back(axis < 0 ? -0.1f : 0.2f);
        }
        std::vector<float> out = run_cases(program, in, b.beat);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(out[4 * i], expected[i], 5e-3f) << "beat " << b.beat << " probe " << i;
            EXPECT_EQ(out[4 * i + 1], 1.0f);  // the material id
        }
    }
    glDeleteProgram(program);
}
