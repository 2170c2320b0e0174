// The scroll text: a plain line of greetings turned into the scroller's
// token sequence, checked, and written as the GLSL piece scrolltext.glsl,
// which defines the macro `scrolltext` that Scroller expands in place. The
// generator (scrolltext.cpp), the card drawer and the GL tests use these
// rules (the krelan_scrolltext library).
#pragma once

#include <map>
#include <string>
#include <vector>

// A token as scroller.glsl defines it.
struct ScrollToken {
    std::string glyph;    // glyph function; empty for the space
    std::string advance;  // the advance literal as written there, e.g. "0.7"
    int tenths = 0;       // the advance in tenths of a unit
};
using ScrollTokenTable = std::map<std::string, ScrollToken>;

// Reads "#define TOKEN ch(GLYPH, ADVANCE)" and "#define _ cp = cp + ADVANCE;"
// from the text of scroller.glsl.
bool read_scroll_tokens(const std::string& scroller, ScrollTokenTable* table, std::string* error);

// The token that draws character c, or "" if the font has none.
std::string scroll_token_for_char(char c);

// The tokens of `line`; false, naming the character and its column, when one
// has no glyph in the font.
bool tokenize_scroll_line(const std::string& line, const ScrollTokenTable& table,
                          std::vector<std::string>* tokens, std::string* error);

// The GLSL piece for a tokenized line.
std::string scroll_text_piece(const std::string& line, const std::vector<std::string>& tokens,
                              const ScrollTokenTable& table, const std::string& source_name);

// The greetings line of the show: an opening clause (a name of four
// capitals and four lowercase words), then 36 names separated by ", ";
// 376 tokens of set kinds and counts, total advance 228.9 units (so
// the last ink leaves the screen shortly before beat 219), and exactly the
// 47 glyphs listed. Every fault found is reported, one per line.
bool check_greetings(const std::string& line, const std::vector<std::string>& tokens,
                     const ScrollTokenTable& table, std::string* error);
