// The two title cards of the show: the flashing-lights warning shown first
// and the end card shown last. Both are 1920 x 1080, black, with white and
// blue lettering in the show's own font, laid out here as a list of marks
// (one glyph or emblem part each) and rules that the renderer draws.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lettering.h"

constexpr int k_card_width = 1920;
constexpr int k_card_height = 1080;

struct Color {
    float r, g, b;  // 0..1
};
constexpr Color k_white{1.0f, 1.0f, 1.0f};
constexpr Color k_blue{0.22f, 0.5f, 1.0f};

// The shapes that are not letters: the warning card's emblem, a blue face
// outline with white eyes and smile. They are drawn like glyphs, by these
// functions of card_lettering.glsl, in units of the face's radius.
constexpr const char* k_emblem_ring = "emblem_ring";
constexpr const char* k_emblem_face = "emblem_face";

// One glyph (or emblem part) over its cell.
struct Mark {
    std::string shape;  // glyph function of font.glsl, or an emblem part
    float x, y;         // cell origin in pixels from the card's top-left, y down:
                        // the cell's horizontal centre on the row's centre line
    float scale;        // pixels per glyph unit
    Color ink;
};

// A white horizontal rule over whole pixels, [x0, x1) x [y0, y1), y down.
struct Rule {
    int x0, y0, x1, y1;
};

struct Drawing {
    std::vector<Rule> rules;
    std::vector<Mark> marks;
};

struct TextStyle {
    float scale;         // pixels per glyph unit: the cap height in pixels
    float tracking = 0;  // glyph units added between neighbouring characters
};

// A piece of a line in one colour.
struct Run {
    std::string text;
    Color ink;
};

// Sets the runs one after another as a line centred on `centre_x` with its
// baseline at `baseline` (pixels, y down). False, naming the character, when
// the font cannot set one.
bool set_line(const Font& font, const std::vector<Run>& runs, float centre_x, float baseline,
              const TextStyle& style, Drawing* drawing, std::string* error);

// "Warning" in four languages, shown in a row above and below the text.
const std::vector<std::string>& warning_words();
// The three paragraphs of the disclaimer, in capitals.
const std::vector<std::string>& warning_paragraphs();

struct EndCardText {
    std::string label;                                         // release label above the title
    std::string title;                                         // the production's name
    std::string event;                                         // event and year below the title
    std::vector<std::pair<std::string, std::string>> credits;  // role, handle
};
const EndCardText& end_card_text();

// The separator between the words of a row, and between credits.
extern const char* const k_separator;

bool draw_warning_card(const Font& font, Drawing* drawing, std::string* error);
bool draw_end_card(const Font& font, Drawing* drawing, std::string* error);
