// A monoline stroke font: capitals, digits and a little punctuation, drawn
// as lines and elliptic arcs on a grid where the cap height is 10 units.
#pragma once

#include <string>
#include <vector>

#include "canvas.hpp"

namespace krelan::cards {

constexpr float kCapHeight = 10.0f;

struct Glyph {
    float width = 0.0f;                // ink width in font units
    std::vector<Polyline> strokes;     // font units, y up, baseline at 0
};

// The glyph for a character, or nullptr when the font has none. Letters are
// upper case only; '*' is a centred dot used as a separator.
const Glyph* find_glyph(char c);

// True if every character of `text` can be drawn.
bool can_draw(const std::string& text);

struct TextStyle {
    float cap_height;  // pixels
    float stroke;      // stroke width in pixels
    float tracking = 2.6f;  // space between letters, in font units
};

// Advance width of `text` in pixels.
float text_width(const std::string& text, const TextStyle& style);

// Strokes of `text` in pixel space, with its baseline starting at (x, y).
std::vector<Polyline> layout_text(const std::string& text, float x, float y, const TextStyle& style);

// Breaks `text` into lines no wider than `max_width` pixels, at spaces.
std::vector<std::string> wrap_text(const std::string& text, float max_width, const TextStyle& style);

}  // namespace krelan::cards
