// Text over the frame: every character the font has inks its own cell, the
// others leave it blank, nothing outside the line's box changes, and no
// blending is left on for the passes drawn after it.
#include "gl_harness.h"
#include "live_overlay.h"
#include "overlay_text.h"
#include "program_table.h"
#include "show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int k_width = 1920, k_height = 1080;

bool show_loaded()
{
    if (table_program(PROG_OVERLAY_TEXT)) return true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return start_show() == SHOW_READY;
}

// A frame of flat grey (64) with `text` drawn at (x, y), `height` tall.
std::vector<unsigned char> drawn(const Target& target, const std::string& text, float x, float y,
                                 float height)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, target.width, target.height);
    glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    draw_overlay_text(text.c_str(), x, y, height);
    return read_bytes(target);
}

// The pixels of the cell of character `i` of a line at (x, y), as a string
// of "ink" marks: '#' bright, '.' dark rim, ' ' untouched.
std::string cell_pattern(const std::vector<unsigned char>& image, int i, float x, float y,
                         float height)
{
    const float cell = overlay_text_width("x", height);
    std::string pattern;
    for (int py = int(y); py < int(y + height); ++py) {
        for (int px = int(x + i * cell); px < int(x + (i + 1) * cell); ++px) {
            const unsigned char v = image[(size_t(py) * k_width + px) * 4];
            pattern += v > 160 ? '#' : v < 40 ? '.' : ' ';
        }
    }
    return pattern;
}

}  // namespace

TEST(OverlayText, EveryGlyphInksItsCellAndTheRestStayBlank)
{
    ASSERT_TRUE(show_loaded());
    const Target target = make_target(k_width, k_height, false);
    // All 85 characters with a glyph, two lines, and three without one.
    const std::string with_glyphs =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,!?():;=+-*/<>#&|_[]{}";
    ASSERT_EQ(with_glyphs.size(), 85u);
    const float height = 40, x = 10, y = 500;
    std::set<std::string> patterns;
    for (size_t from = 0; from < with_glyphs.size(); from += k_overlay_max_chars) {
        const std::string line = with_glyphs.substr(from, k_overlay_max_chars);
        const std::vector<unsigned char> image = drawn(target, line, x, y, height);
        for (size_t i = 0; i < line.size(); ++i) {
            const std::string pattern = cell_pattern(image, int(i), x, y, height);
            EXPECT_NE(pattern.find('#'), std::string::npos) << "no ink for '" << line[i] << "'";
            EXPECT_NE(pattern.find('.'), std::string::npos) << "no rim for '" << line[i] << "'";
            patterns.insert(pattern);
        }
    }
    // A dispatch stuck on one glyph would draw the same cell every time.
    EXPECT_GE(patterns.size(), 80u);

    const std::vector<unsigned char> blanks = drawn(target, "@ %~", x, y, height);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cell_pattern(blanks, i, x, y, height).find_first_not_of(' '), std::string::npos)
            << "character " << i << " of '@ %~' drew something";
}

TEST(OverlayText, ChangesNothingOutsideItsBoxAndLeavesNoBlendingOn)
{
    ASSERT_TRUE(show_loaded());
    const Target target = make_target(k_width, k_height, false);
    const std::string text = "--av-offset -25";
    const float x = 300, y = 200, height = 64;
    const std::vector<unsigned char> image = drawn(target, text, x, y, height);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending left on";

    const float width = overlay_text_width(text.c_str(), height);
    EXPECT_FLOAT_EQ(width, text.size() * 0.9f * height / 1.6f);
    size_t changed_inside = 0;
    for (int py = 0; py < k_height; ++py) {
        for (int px = 0; px < k_width; ++px) {
            const unsigned char* p = &image[(size_t(py) * k_width + px) * 4];
            const bool changed = p[0] != 64 || p[1] != 64 || p[2] != 64;
            const bool inside = px >= x && px < x + width && py >= y && py < y + height;
            if (!inside) {
                ASSERT_FALSE(changed) << "pixel " << px << "," << py << " outside the box";
            }
            changed_inside += changed;
        }
    }
    EXPECT_GT(changed_inside, 1000u);
}

// krelan-demo --live's display keeps its lines in a cache and draws only the
// cells that changed: after lines that change, grow, shrink, move and go,
// the frame shows what the same lines drawn straight over it show (at most
// one step of rounding off: the cache holds 8-bit colour and coverage).
TEST(LiveOverlay, TheCacheAfterChangesShowsTheLinesAsDrawnStraight)
{
    ASSERT_TRUE(show_loaded());
    const Target target = make_target(k_width, k_height, false);
    auto frame = [&target] {
        glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        glViewport(0, 0, k_width, k_height);
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
    };
    const std::vector<std::vector<std::string>> displays = {
        {"beat 101.25  bar 26.2  0:47.0", "dotted sphere", "16.7 ms  60.0 fps  level 8000"},
        {"beat 101.27  bar 26.2  0:47.1", "dotted sphere", "16.7 ms  60.0 fps  level 8000"},
        {"beat 99.00  bar 25.4  0:45.9", "dotted sphere and more", "paused"},
        {"beat 99.00  bar 25.4  0:45.9"},
        {},
        {"beat 160.00  bar 41.1  1:13.6", "sphere field"},
    };
    const std::vector<std::vector<std::string>> errors = {
        {},
        {"sphere.glsl:61: error: syntax error"},
        {"sphere.glsl:61: error: syntax error"},
        {},
        {"schedule.txt:35: this row overlaps the scene 'sphere' of line 34"},
        {},
    };
    for (size_t i = 0; i < displays.size(); ++i) {
        frame();
        draw_live_overlay(displays[i], errors[i]);
        const std::vector<unsigned char> cached = read_bytes(target);
        frame();
        for (size_t l = 0; l < displays[i].size(); ++l)
            draw_overlay_text(displays[i][l].c_str(), 24, 1026 - 37.5f * l, k_live_text_height);
        std::vector<std::string> lines;
        for (const std::string& error : errors[i])
            for (const std::string& line : overlay_lines(error)) lines.push_back(line);
        for (size_t l = 0; l < lines.size(); ++l)
            draw_overlay_text(lines[l].c_str(), 24, 24 + 37.5f * (lines.size() - 1 - l),
                              k_live_text_height);
        const std::vector<unsigned char> straight = read_bytes(target);
        int worst = 0;
        size_t text = 0;
        for (size_t b = 0; b < cached.size(); b += 4)
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(cached[b + c] - straight[b + c]));
                text += c == 0 && straight[b] != 64;
            }
        EXPECT_LE(worst, 2) << "step " << i;
        if (!displays[i].empty() || !lines.empty()) {
            EXPECT_GT(text, 1000u) << "step " << i;
        }
    }
    release_live_overlay();
}
