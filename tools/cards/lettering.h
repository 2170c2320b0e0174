// The card lettering's font: the show's glyph functions (font.glsl), chosen
// per character and spaced by the advances of the scroller's token macros
// (scroller.glsl), read from the shader sources themselves so that the cards
// and the scroller can never disagree about a glyph or its width.
#pragma once

#include <string>
#include <vector>

#include "scrolltext.h"

// One character as the font sets it.
struct CharGlyph {
    std::string glyph;  // glyph function of font.glsl; empty for a space
    float advance = 0;  // glyph units
    float raise = 0;    // glyph units the glyph is lifted above its usual place
};

struct Font {
    ScrollTokenTable tokens;  // the scroller's token macros
};

// Reads the token macros of scroller.glsl from `shader_dir`.
bool load_font(const std::string& shader_dir, Font* font, std::string* error);

// The glyph functions the font draws with, each once, in a fixed order.
std::vector<std::string> glyph_names(const Font& font);

// Splits UTF-8 text into characters and finds each one's glyph: the
// scroller's characters, and the middle dot (U+00B7), which is the full
// stop raised to the middle of a capital. False, with the character named
// in `error`, when the font has no glyph for one of them.
bool set_text(const Font& font, const std::string& text, std::vector<CharGlyph>* glyphs,
              std::string* error);

// Advance of the whole text in glyph units, with `tracking` units added
// between neighbouring characters; 0 for text the font cannot set.
float text_advance(const Font& font, const std::string& text, float tracking = 0);

// Breaks text at single spaces into lines of at most `max_units` advance.
// A word longer than that stands alone on its line.
std::vector<std::string> wrap_text(const Font& font, const std::string& text, float max_units);
