// The scroll text's rules: reading the scroller's token table, tokenizing
// and writing the greetings line, and the form the show's line must have.
#include "scrolltext.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

namespace {

bool parse_tenths(const std::string& literal, int* tenths)
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

int total_tenths(const std::vector<std::string>& tokens, const ScrollTokenTable& table)
{
    int sum = 0;
    for (const std::string& t : tokens) sum += table.at(t).tenths;
    return sum;
}

std::string escape_comment(const std::string& line)
{
    std::string r;
    for (char c : line) r += (c == '\\') ? '/' : c;  // no line splicing in a comment
    return r;
}

// --- The form of the show's greetings line -----------------------------

struct KindCount {
    const char* kind;
    int expected;
};

std::string token_kind(const std::string& t)
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

bool is_lower_word(const std::string& w)
{
    return !w.empty() &&
           std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::vector<std::string> split(const std::string& s, const std::string& sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + sep.size())
        parts.push_back(s.substr(start, at - start));
    parts.push_back(s.substr(start));
    return parts;
}

}  // namespace

// Reads "#define TOKEN ch(GLYPH, ADVANCE)" and "#define _ cp = cp + ADVANCE;"
// from the text of scroller.glsl.
bool read_scroll_tokens(const std::string& scroller, ScrollTokenTable* table, std::string* error)
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
        ScrollToken def;
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
std::string scroll_token_for_char(char c)
{
    if (c >= 'a' && c <= 'z') return std::string(1, c) + "_";
    if (c >= 'A' && c <= 'Z') return std::string(1, c) + "_";
    if (c >= '0' && c <= '9') return "_" + std::string(1, c);
    static const std::map<char, std::string> symbols = {
        {' ', "_"},      {'.', "_dot"},    {',', "_comma"},  {'!', "_exclam"},   {'?', "_question"},
        {'(', "_open1"}, {')', "_close1"}, {':', "_dotdot"}, {';', "_dotcomma"}, {'=', "_equal"},
        {'+', "_add"},   {'-', "_sub"},    {'*', "_mul"},    {'/', "_div"},      {'<', "_lt"},
        {'>', "_gt"},    {'#', "_hash"},   {'&', "_and"},    {'|', "_or"},       {'_', "_und"},
        {'[', "_open2"}, {']', "_close2"}, {'{', "_open3"},  {'}', "_close3"}};
    auto it = symbols.find(c);
    return it == symbols.end() ? "" : it->second;
}

bool tokenize_scroll_line(const std::string& line, const ScrollTokenTable& table,
                          std::vector<std::string>* tokens, std::string* error)
{
    tokens->clear();
    for (size_t i = 0; i < line.size(); ++i) {
        std::string token = scroll_token_for_char(line[i]);
        if (token.empty() || !table.count(token)) {
            *error = "character '" + std::string(1, line[i]) + "' at column " +
                     std::to_string(i + 1) + " has no glyph in the font";
            return false;
        }
        tokens->push_back(token);
    }
    return true;
}

// The GLSL piece for a tokenized line.
std::string scroll_text_piece(const std::string& line, const std::vector<std::string>& tokens,
                              const ScrollTokenTable& table, const std::string& source_name)
{
    const int tenths = total_tenths(tokens, table);
    std::ostringstream g;
    g << "// Generated from " << source_name << " by tools/scrolltext. Do not edit.\n"
      << "// " << escape_comment(line) << "\n"
      << "// " << tokens.size() << " tokens, total advance " << tenths / 10 << "." << tenths % 10
      << " units.\n"
      << "#define scrolltext";
    for (const std::string& t : tokens) g << " " << t;
    g << "\n";
    return g.str();
}

bool check_greetings(const std::string& line, const std::vector<std::string>& tokens,
                     const ScrollTokenTable& table, std::string* error)
{
    std::ostringstream why;
    const KindCount expected[] = {{"lowercase letters", 237},
                                  {"capitals", 56},
                                  {"spaces", 44},
                                  {"commas", 35},
                                  {"hyphens", 2},
                                  {"asterisks", 1},
                                  {"digits", 1}};
    std::map<std::string, int> counts;
    for (const std::string& t : tokens) ++counts[token_kind(t)];
    for (const KindCount& k : expected) {
        if (counts[k.kind] != k.expected)
            why << "  " << counts[k.kind] << " " << k.kind << ", the line needs " << k.expected
                << "\n";
        counts.erase(k.kind);
    }
    for (const auto& other : counts)
        if (other.second)
            why << "  " << other.second << " " << other.first << ", the line has none\n";
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
        if (group.size() != 4 ||
            !std::all_of(group.begin(), group.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
            why << "  the opening clause must start with a name of four capitals\n";
        for (int i = 1; i < 5; ++i)
            if (!is_lower_word(words[size_t(i)]))
                why << "  opening word '" << words[size_t(i)] << "' is not a lowercase word\n";
        size_t list_start = 0;
        for (int i = 0; i < 5; ++i) list_start += words[size_t(i)].size() + 1;
        std::vector<std::string> names = split(line.substr(list_start), ", ");
        int inner_names = 0, inner_spaces = 0, hyphened = 0, starred = 0, digit_led = 0;
        for (const std::string& n : names) {
            if (n.empty() || n.front() == ' ' || n.back() == ' ' ||
                n.find(',') != std::string::npos)
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
        if (digit_led != 1)
            why << "  " << digit_led << " names begin with the digit, the line needs 1\n";
    }
    if (!line.empty() && !std::isalnum(static_cast<unsigned char>(line.back())))
        why << "  the line must not end in punctuation or a space\n";

    *error = why.str();
    return error->empty();
}
