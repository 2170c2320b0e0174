// The scroll text: a plain line of greetings turned into the scroller's
// token sequence, checked, and written as the GLSL piece scrolltext.glsl.
//
// The piece holds the same tokens twice: as the macro `scrolltext` (the
// token macros of scroller.glsl, expanded in place by the straight Scroller)
// and packed six bits a token, four tokens to a float, for the loop that the
// field's Scroller runs, with the glyph dispatch and the advances of exactly
// the glyphs the line uses.
//
// Header-only so that the GL tests can build pieces from lines of their own.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace scrolltext {

// A token as scroller.glsl defines it.
struct TokenDef {
    std::string glyph;    // glyph function; empty for the space
    std::string advance;  // the advance literal as written there, e.g. "0.7"
    int tenths = 0;       // the advance in tenths of a unit
};
using TokenTable = std::map<std::string, TokenDef>;

// Slots for the characters whose windows hold one pixel, as scroll_layout
// keeps them; a line whose windows overlap more deeply is refused.
constexpr int k_slots = 6;
// Packed codes: 0 pads the last word, 1 is the space, glyphs follow.
constexpr int k_space_code = 1;
constexpr int k_first_glyph_code = 2;
constexpr int k_bits = 6;
constexpr int k_tokens_per_word = 4;  // 24 bits: exact in a 32-bit float

inline bool parse_tenths(const std::string& literal, int* tenths)
{
    // "0.7", "1.0", "0.5": one decimal place is all the font uses.
    size_t dot = literal.find('.');
    if (dot == std::string::npos || dot == 0 || literal.size() != dot + 2) return false;
    int whole = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (literal[i] < '0' || literal[i] > '9') return false;
        whole = whole * 10 + (literal[i] - '0');
    }
    char d = literal[dot + 1];
    if (d < '0' || d > '9') return false;
    *tenths = whole * 10 + (d - '0');
    return true;
}

// Reads "#define TOKEN ch(GLYPH, ADVANCE)" and "#define _ cp = cp + ADVANCE;"
// from the text of scroller.glsl.
inline bool read_token_table(const std::string& scroller, TokenTable* table, std::string* error)
{
    std::istringstream in(scroller);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string define, token;
        if (!(words >> define >> token) || define != "#define") continue;
        std::string rest;
        std::getline(words, rest);
        rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());
        TokenDef def;
        if (rest.rfind("ch(", 0) == 0 && rest.back() == ')') {
            size_t comma = rest.find(',');
            if (comma == std::string::npos) continue;
            def.glyph = rest.substr(3, comma - 3);
            def.advance = rest.substr(comma + 1, rest.size() - comma - 2);
        } else if (token == "_" && rest.rfind("cp=cp+", 0) == 0 && rest.back() == ';') {
            def.advance = rest.substr(6, rest.size() - 7);
        } else {
            continue;
        }
        if (!parse_tenths(def.advance, &def.tenths)) {
            *error = "token " + token + " has an advance I cannot read: " + def.advance;
            return false;
        }
        (*table)[token] = def;
    }
    if (!table->count("_") || !table->count("a_")) {
        *error = "no token macros found in scroller.glsl";
        return false;
    }
    return true;
}

// The token that draws character c, or "" if the font has none.
inline std::string token_for_char(char c)
{
    if (c >= 'a' && c <= 'z') return std::string(1, c) + "_";
    if (c >= 'A' && c <= 'Z') return std::string(1, c) + "_";
    if (c >= '0' && c <= '9') return "_" + std::string(1, c);
    static const std::map<char, std::string> symbols = {
        {' ', "_"},          {'.', "_dot"},     {',', "_comma"},    {'!', "_exclam"},
        {'?', "_question"},  {'(', "_open1"},   {')', "_close1"},   {':', "_dotdot"},
        {';', "_dotcomma"},  {'=', "_equal"},   {'+', "_add"},      {'-', "_sub"},
        {'*', "_mul"},       {'/', "_div"},     {'<', "_lt"},       {'>', "_gt"},
        {'#', "_hash"},      {'&', "_and"},     {'|', "_or"},       {'_', "_und"},
        {'[', "_open2"},     {']', "_close2"},  {'{', "_open3"},    {'}', "_close3"}};
    auto it = symbols.find(c);
    return it == symbols.end() ? "" : it->second;
}

inline bool tokenize(const std::string& line, const TokenTable& table,
                     std::vector<std::string>* tokens, std::string* error)
{
    tokens->clear();
    for (size_t i = 0; i < line.size(); ++i) {
        std::string token = token_for_char(line[i]);
        if (token.empty() || !table.count(token)) {
            *error = "character '" + std::string(1, line[i]) + "' at column " +
                     std::to_string(i + 1) + " has no glyph in the font";
            return false;
        }
        tokens->push_back(token);
    }
    return true;
}

inline int total_tenths(const std::vector<std::string>& tokens, const TokenTable& table)
{
    int sum = 0;
    for (const std::string& t : tokens) sum += table.at(t).tenths;
    return sum;
}

// The deepest overlap of character windows along the line: the most glyphs
// that one pixel can have to evaluate. The cursor is summed in 32-bit float
// in text order, as the shader sums it; windows are widened a little, so the
// count is never less than the shader's.
inline int deepest_window_overlap(const std::vector<std::string>& tokens, const TokenTable& table)
{
    std::vector<std::pair<double, int>> edges;  // (position, +1 opens / -1 closes)
    float cp = 0.0f;
    for (const std::string& t : tokens) {
        const TokenDef& def = table.at(t);
        float w = std::stof(def.advance);
        float old = cp;
        cp = cp + w;
        if (def.glyph.empty()) continue;
        const double margin = 1e-3;
        edges.push_back({double(old) - 0.2 - margin, +1});
        edges.push_back({double(cp) + w + 0.2 + margin, -1});
    }
    std::sort(edges.begin(), edges.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (a.first == b.first && a.second > b.second);
    });
    int depth = 0, deepest = 0;
    for (const auto& e : edges) deepest = std::max(deepest, depth += e.second);
    return deepest;
}

// The glyph tokens the line uses, ordered by advance so that scroll_advance
// is a short chain of comparisons; their packed codes follow in this order.
inline std::vector<std::string> glyph_codes(const std::vector<std::string>& tokens,
                                            const TokenTable& table)
{
    std::set<std::string> used;
    for (const std::string& t : tokens)
        if (!table.at(t).glyph.empty()) used.insert(t);
    std::vector<std::string> order(used.begin(), used.end());
    std::stable_sort(order.begin(), order.end(), [&](const std::string& a, const std::string& b) {
        return table.at(a).tenths < table.at(b).tenths;
    });
    return order;
}

inline std::string escape_comment(const std::string& line)
{
    std::string r;
    for (char c : line) r += (c == '\\') ? '/' : c;  // no line splicing in a comment
    return r;
}

// The GLSL piece for a tokenized line (see the top of this file).
inline std::string glsl_piece(const std::string& line, const std::vector<std::string>& tokens,
                              const TokenTable& table, const std::string& source_name)
{
    std::vector<std::string> order = glyph_codes(tokens, table);
    std::map<std::string, int> code;
    code["_"] = k_space_code;
    for (size_t i = 0; i < order.size(); ++i) code[order[i]] = k_first_glyph_code + int(i);

    std::ostringstream g;
    g << "// Generated from " << source_name << " by tools/scrolltext. Do not edit.\n"
      << "// " << escape_comment(line) << "\n"
      << "// " << tokens.size() << " tokens, total advance " << total_tenths(tokens, table) / 10
      << "." << total_tenths(tokens, table) % 10 << " units.\n\n";

    g << "// The token sequence, expanded in place by the straight Scroller.\n#define scrolltext";
    for (const std::string& t : tokens) g << " " << t;
    g << "\n\n";

    const size_t words = (tokens.size() + k_tokens_per_word - 1) / k_tokens_per_word;
    g << "// The same tokens for the loop: codes of " << k_bits << " bits, "
      << k_tokens_per_word << " to a word, the first token in the lowest bits\n"
      << "// (0 pads, " << k_space_code << " is the space, glyphs from " << k_first_glyph_code
      << " on).\n"
      << "#define SCROLL_WORDS " << words << "\n"
      << "#define SCROLL_SLOTS " << k_slots << "\n"
      << "#define SCROLL_FIRST_GLYPH " << k_first_glyph_code << ".0\n"
      << "#define SCROLL_PACKED(t)";
    for (size_t w = 0; w < words; ++w) {
        long value = 0;
        for (int k = k_tokens_per_word - 1; k >= 0; --k) {
            size_t i = w * k_tokens_per_word + size_t(k);
            value = (value << k_bits) + (i < tokens.size() ? code.at(tokens[i]) : 0);
        }
        g << " t[" << w << "] = " << value << ".0;";
    }
    g << "\n\n";

    g << "// Advance of a packed code, with the literals of the token macros.\n"
      << "float scroll_advance(float id)\n{\n"
      << "    if (id < " << k_space_code << ".0) return 0.0;\n"
      << "    if (id < " << k_first_glyph_code << ".0) return " << table.at("_").advance << ";\n";
    for (size_t i = 0; i < order.size(); ++i) {
        bool last_of_width =
            i + 1 == order.size() || table.at(order[i + 1]).tenths != table.at(order[i]).tenths;
        if (last_of_width)
            g << "    if (id < " << k_first_glyph_code + int(i) + 1 << ".0) return "
              << table.at(order[i]).advance << ";\n";
    }
    g << "    return 0.0;\n}\n\n";

    g << "// Distance to the glyph of a packed code at cell-local point p.\n"
      << "float scroll_glyph(float id, vec2 p)\n{\n"
      << "    float d = 100.0;\n";
    for (size_t i = 0; i < order.size(); ++i)
        g << "    " << (i ? "else if" : "if") << " (id == " << k_first_glyph_code + int(i)
          << ".0) d = " << table.at(order[i]).glyph << "(p);\n";
    g << "    return d;\n}\n";
    return g.str();
}

// --- The form of the show's greetings line -----------------------------

struct KindCount {
    const char* kind;
    int expected;
};

inline std::string token_kind(const std::string& t)
{
    if (t.size() == 2 && t[1] == '_' && t[0] >= 'a' && t[0] <= 'z') return "lowercase letters";
    if (t.size() == 2 && t[1] == '_' && t[0] >= 'A' && t[0] <= 'Z') return "capitals";
    if (t == "_") return "spaces";
    if (t == "_comma") return "commas";
    if (t == "_sub") return "hyphens";
    if (t == "_mul") return "asterisks";
    if (t.size() == 2 && t[0] == '_' && t[1] >= '0' && t[1] <= '9') return "digits";
    return "other characters (" + t + ")";
}

inline bool is_lower_word(const std::string& w)
{
    return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

inline std::vector<std::string> split(const std::string& s, const std::string& sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + sep.size())
        parts.push_back(s.substr(start, at - start));
    parts.push_back(s.substr(start));
    return parts;
}

// The greetings line of the show: an opening clause (a name of four
// capitals and four lowercase words), then 36 names separated by ", ";
// 376 tokens of the kinds and counts below, total advance 228.9 units (so
// the last ink leaves the screen shortly before beat 219), and exactly the
// 47 glyphs listed. Every fault found is reported, one per line.
inline bool check_greetings(const std::string& line, const std::vector<std::string>& tokens,
                            const TokenTable& table, std::string* error)
{
    std::ostringstream why;
    const KindCount expected[] = {{"lowercase letters", 237}, {"capitals", 56}, {"spaces", 44},
                                  {"commas", 35},           {"hyphens", 2},   {"asterisks", 1},
                                  {"digits", 1}};
    std::map<std::string, int> counts;
    for (const std::string& t : tokens) ++counts[token_kind(t)];
    for (const KindCount& k : expected) {
        if (counts[k.kind] != k.expected)
            why << "  " << counts[k.kind] << " " << k.kind << ", the line needs " << k.expected << "\n";
        counts.erase(k.kind);
    }
    for (const auto& other : counts)
        if (other.second) why << "  " << other.second << " " << other.first << ", the line has none\n";
    if (tokens.size() != 376) why << "  " << tokens.size() << " tokens, the line needs 376\n";
    int tenths = total_tenths(tokens, table);
    if (tenths != 2289)
        why << "  total advance " << tenths / 10 << "." << tenths % 10
            << " units, the line needs 228.9 (the text must leave the screen before beat 219)\n";

    const std::string allowed_list = "abcdeghijklmnopqrstuvwxyzABDFGHIKLMNPRSTUWX3,-*";
    std::set<char> allowed(allowed_list.begin(), allowed_list.end()), seen;
    for (char c : line)
        if (c != ' ') seen.insert(c);
    for (char c : seen)
        if (!allowed.count(c)) why << "  '" << c << "' is not one of the line's glyphs\n";
    for (char c : allowed)
        if (!seen.count(c)) why << "  '" << c << "' is never used; the line uses all 47 glyphs\n";

    std::vector<std::string> words = split(line, " ");
    if (words.size() < 6) {
        why << "  the line needs an opening clause of five words and a list of names\n";
    } else {
        const std::string& group = words[0];
        if (group.size() != 4 || !std::all_of(group.begin(), group.end(),
                                              [](char c) { return c >= 'A' && c <= 'Z'; }))
            why << "  the opening clause must start with a name of four capitals\n";
        for (int i = 1; i < 5; ++i)
            if (!is_lower_word(words[size_t(i)]))
                why << "  opening word '" << words[size_t(i)] << "' is not a lowercase word\n";
        size_t list_start = 0;
        for (int i = 0; i < 5; ++i) list_start += words[size_t(i)].size() + 1;
        std::vector<std::string> names = split(line.substr(list_start), ", ");
        int inner_names = 0, inner_spaces = 0, hyphened = 0, starred = 0, digit_led = 0;
        for (const std::string& n : names) {
            if (n.empty() || n.front() == ' ' || n.back() == ' ' || n.find(',') != std::string::npos)
                why << "  name '" << n << "' is empty, padded, or holds a stray comma\n";
            int spaces = int(std::count(n.begin(), n.end(), ' '));
            inner_names += spaces > 0;
            inner_spaces += spaces;
            hyphened += n.find('-') != std::string::npos;
            starred += n.find('*') != std::string::npos;
            digit_led += !n.empty() && n[0] >= '0' && n[0] <= '9';
        }
        if (names.size() != 36) why << "  " << names.size() << " names, the line needs 36\n";
        if (inner_names != 3 || inner_spaces != 4)
            why << "  " << inner_names << " names hold " << inner_spaces
                << " inner spaces, the line needs 3 names holding 4\n";
        if (hyphened != 2) why << "  " << hyphened << " names with a hyphen, the line needs 2\n";
        if (starred != 1) why << "  " << starred << " names with an asterisk, the line needs 1\n";
        if (digit_led != 1) why << "  " << digit_led << " names begin with the digit, the line needs 1\n";
    }
    if (!line.empty() && !std::isalnum(static_cast<unsigned char>(line.back())))
        why << "  the line must not end in punctuation or a space\n";

    *error = why.str();
    return error->empty();
}

}  // namespace scrolltext
