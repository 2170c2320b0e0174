// The scroller from the shipped scroller.glsl, read back as floats: its
// colour away from and on the strokes, the stroke edge, the cursor and window
// of each character, the minimum over overlapping windows, and the mapping
// from pixels to text positions with its floor-based wrap.
#include "gl_harness.h"
#include "glyph_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

namespace {

// Pixel column of text position X at beat b (inverse of the mapping).
float column_of(float X, float beat)
{
    return 960.0f + (X - 10.1f - 4.0f * (beat - 160.0f)) * 1920.0f / 33.0f;
}

// The show's scroller over the real greetings line: case (fc.x, fc.y) ->
// Scroller's colour.
GLuint show_scroller()
{
    static GLuint program = scroller_program(
        shader_piece("scrolltext.glsl"),
        std::string(probe_input_glsl()) +
            "void main()\n{\n    gl_FragColor = vec4(Scroller(probe_input().xy), 0.0);\n}\n",
        "show scroller");
    return program;
}

// The scroller's steps over the line "i l", by case kind (last input):
//   0: (uv.x, uv.y) -> (layout minimum, i's glyph at its cell, l's glyph at its cell)
//   1: (uv.x, cp, w) -> (hit, cp after, clc with slant 0.15 at uv.y = 0.4)
//   2: (x) -> stroke colour with black ink
//   3: (fc.x, fc.y) -> scroll_uv
GLuint steps_program()
{
    static GLuint program =
        scroller_program(scrolltext_for("i l"), std::string(probe_input_glsl()) + R"(
// Step 9 alone: the token sequence laid out over a given text position.
float layout_min(vec2 uv)
{
    float px = 0.0171875;
    float x = 100.0;
    float cp = 0.0;
    vec4 cur = vec4(0.0, 0.0, 0.0, 0.5);
    vec4 us = cur;
    float ital = 0.0;
    scrolltext
    return x;
}

void main()
{
    vec4 c = probe_input();
    vec4 r = vec4(0.0);
    if (c.w == 0.0) {
        vec2 uv = c.xy;
        r = vec4(layout_min(uv), ii(clc(uv, 0.3, 0.3, 0.0)), ll(clc(uv, 1.1, 0.3, 0.0)), 0.0);
    } else if (c.w == 1.0) {
        float cp = c.y;
        vec2 uv = vec2(c.x, 0.4);
        bool inside = hit(uv, cp, c.z, 0.0171875);
        r = vec4(inside ? 1.0 : 0.0, cp, clc(uv, cp, c.z, 0.15));
    } else if (c.w == 2.0) {
        r = vec4(scroll_stroke(c.x, vec3(0.0, 0.0, 0.0), 0.0171875), 0.0);
    } else {
        r = vec4(scroll_uv(c.xy), 0.0, 0.0);
    }
    gl_FragColor = r;
}
)",
                         "scroller steps");
    return program;
}

std::vector<std::string> show_tokens()
{
    std::istringstream piece(shader_piece("scrolltext.glsl"));
    std::vector<std::string> tokens;
    for (std::string line; std::getline(piece, line);)
        if (line.rfind("#define scrolltext ", 0) == 0) {
            std::istringstream words(line.substr(19));
            for (std::string t; words >> t;) tokens.push_back(t);
        }
    return tokens;
}

}  // namespace

TEST(Scroller, ExactGreyAwayFromTheText)
{
    // Before the text (left of its start at beat 160), after it (beat 219.5),
    // and in the middle of the first space, at every row of the band.
    std::vector<std::string> tokens = show_tokens();
    ASSERT_FALSE(tokens.empty());
    float cp = 0.0f;
    size_t i = 0;
    for (; tokens[i] != "_"; ++i) cp += std::stof(token_table().at(tokens[i]).advance);
    const float space_middle = column_of(cp + 0.25f, 160.0f);

    struct Run {
        float beat, x;
    };
    for (Run run : {Run{160.0f, 100.5f}, Run{160.0f, 300.5f}, Run{160.0f, space_middle},
                    Run{219.5f, 0.5f}, Run{219.5f, 960.5f}, Run{219.5f, 1919.5f}}) {
        std::vector<float> in;
        for (int row = 454; row <= 571; ++row)
            in.insert(in.end(), {run.x, float(row) + 0.5f, 0, 0});
        std::vector<float> out = run_cases(show_scroller(), in, run.beat);
        for (size_t k = 0; k < out.size(); k += 4)
            ASSERT_TRUE(out[k] == 0.5f && out[k + 1] == 0.5f && out[k + 2] == 0.5f)
                << "beat " << run.beat << " at (" << in[k] << ", " << in[k + 1] << "): " << out[k];
    }
}

TEST(Scroller, BlackOnACentreLine)
{
    // The first character's left stem (a capital's, at x = -0.25 of its
    // cell) near the row's centre line, at beat 160.
    const float x = std::floor(column_of(0.1f, 160.0f)) + 0.5f;
    std::vector<float> out = run_cases(show_scroller(), {x, 513.5f, 0, 0}, 160.0f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
}

TEST(Scroller, StrokeEdge)
{
    const float px = 0.0171875f;
    std::vector<float> out = run_cases(
        steps_program(),
        {0.0f, 0, 0, 2, 0.05f - px, 0, 0, 2, 0.05f, 0, 0, 2, 0.05f + px, 0, 0, 2, 100.0f, 0, 0, 2});
    EXPECT_EQ(out[0], 0.0f);            // on the centre-line
    EXPECT_EQ(out[4], 0.0f);            // full ink up to 0.05 - px
    EXPECT_NEAR(out[8], 0.25f, 1e-6f);  // half way at 0.05
    EXPECT_EQ(out[12], 0.5f);           // exactly grey from 0.05 + px on
    EXPECT_EQ(out[16], 0.5f);
}

TEST(Scroller, CursorAndWindowOfOneCharacter)
{
    // A cell of width 0.5 after the cursor at 1.0: the cursor moves to 1.5,
    // the window spans (0.8, 2.2) open, and the cell is centred at 1.25.
    std::vector<float> in;
    for (float x : {0.79f, 0.81f, 1.25f, 2.19f, 2.21f}) in.insert(in.end(), {x, 1.0f, 0.5f, 1.0f});
    std::vector<float> out = run_cases(steps_program(), in);
    const float inside[] = {0, 1, 1, 1, 0};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(out[4 * k], inside[k]) << "x = " << in[4 * k];
        EXPECT_EQ(out[4 * k + 1], 1.5f);
        // Cell-local x with the slant 0.15 at y = 0.4: x - (1.25 + 0.06).
        EXPECT_NEAR(out[4 * k + 2], in[4 * k] - 1.31f, 1e-6f);
        EXPECT_EQ(out[4 * k + 3], 0.4f);
    }
}

TEST(Scroller, MinimumOverTheWindowsThatHoldThePoint)
{
    // "i l": i's window is (-0.2, 0.8); the space moves the cursor 0.5 with
    // no window; l's window is (0.6, 1.6). Outside every window the layout
    // keeps 100 even where a glyph is near; where windows overlap it takes
    // the nearer glyph.
    struct Case {
        float x;
        bool in_i, in_l;
    };
    const Case cases[] = {{-0.25f, false, false}, {0.0f, true, false},  {0.3f, true, false},
                          {0.7f, true, true},     {0.75f, true, true},  {1.0f, false, true},
                          {1.3f, false, true},    {1.65f, false, false}};
    for (float y : {-0.3f, 0.0f, 0.45f, 0.85f}) {
        std::vector<float> in;
        for (const Case& c : cases) in.insert(in.end(), {c.x, y, 0, 0});
        std::vector<float> out = run_cases(steps_program(), in);
        for (size_t k = 0; k < std::size(cases); ++k) {
            float expected = 100.0f;
            if (cases[k].in_i) expected = std::min(expected, out[4 * k + 1]);
            if (cases[k].in_l) expected = std::min(expected, out[4 * k + 2]);
            EXPECT_NEAR(out[4 * k], expected, 1e-6f) << "at (" << cases[k].x << ", " << y << ")";
        }
    }
}

TEST(Scroller, PixelsToTextPositions)
{
    struct Case {
        float beat, fx, fy, X, y;
    };
    const Case cases[] = {
        // At beat 160 the screen shows X from -6.39 to 26.59: the left part
        // is negative and wraps by the floor-based mod (truncation would
        // leave it at -1006.39).
        {160.0f, 0.5f, 513.5f, -6.3914f, -0.00546875f},
        {160.0f, 1919.5f, 513.5f, 26.5914f, -0.00546875f},
        // The recap: beat 417 shows X from 21.61 to 54.59.
        {417.0f, 0.5f, 513.5f, 21.6086f, -0.00546875f},
        {417.0f, 1919.5f, 513.5f, 54.5914f, -0.00546875f},
        // Rows repeat every 2 units: the two lowest band rows belong to the
        // row below, the next one is near the bottom of this row; the
        // baseline is at row 490.
        {190.0f, 960.5f, 454.5f, 130.1086f, 0.9804688f},
        {190.0f, 960.5f, 455.5f, 130.1086f, 0.9976562f},
        {190.0f, 960.5f, 456.5f, 130.1086f, -0.9851562f},
        {190.0f, 960.5f, 490.5f, 130.1086f, -0.4007812f},
    };
    for (const Case& c : cases) {
        std::vector<float> out = run_cases(steps_program(), {c.fx, c.fy, 0, 3}, c.beat);
        EXPECT_NEAR(out[0], c.X, 2e-3f) << "beat " << c.beat << " column " << c.fx;
        EXPECT_NEAR(out[1], c.y, 1e-5f) << "beat " << c.beat << " row " << c.fy;
    }
}
