#include "lettering.h"

#include "files.h"

#include <set>
#include <sstream>

namespace {

const char k_middle_dot[] = "\xC2\xB7";
// The full stop sits on the baseline (-0.4); half a cap height up puts it at
// the capitals' middle (0.1).
constexpr float k_middle_dot_raise = 0.5f;

}  // namespace

bool load_font(const std::string& shader_dir, Font* font, std::string* error)
{
    const std::string path = shader_dir + "/scroller.glsl";
    std::string text;
    if (!read_file(path, &text)) {
        *error = "cannot read " + path;
        return false;
    }
    font->tokens.clear();
    return read_scroll_tokens(text, &font->tokens, error);
}

std::vector<std::string> glyph_names(const Font& font)
{
    std::set<std::string> names;
    for (const auto& entry : font.tokens)
        if (!entry.second.glyph.empty()) names.insert(entry.second.glyph);
    return {names.begin(), names.end()};
}

bool set_text(const Font& font, const std::string& text, std::vector<CharGlyph>* glyphs,
              std::string* error)
{
    glyphs->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        std::string token;
        float raise = 0;
        if (text.compare(i, 2, k_middle_dot) == 0) {
            token = "_dot";
            raise = k_middle_dot_raise;
            ++i;
        } else if (!(text[i] & 0x80)) {
            token = scroll_token_for_char(text[i]);
        }
        auto found = token.empty() ? font.tokens.end() : font.tokens.find(token);
        if (found == font.tokens.end()) {
            std::ostringstream why;
            why << "no glyph for the character at byte " << i << " of \"" << text << "\"";
            *error = why.str();
            return false;
        }
        glyphs->push_back({found->second.glyph, float(found->second.tenths) / 10.0f, raise});
    }
    return true;
}

float text_advance(const Font& font, const std::string& text, float tracking)
{
    std::vector<CharGlyph> glyphs;
    std::string error;
    if (!set_text(font, text, &glyphs, &error) || glyphs.empty()) return 0;
    float sum = tracking * float(glyphs.size() - 1);
    for (const CharGlyph& g : glyphs) sum += g.advance;
    return sum;
}

std::vector<std::string> wrap_text(const Font& font, const std::string& text, float max_units)
{
    std::vector<std::string> lines;
    std::istringstream words(text);
    std::string line;
    for (std::string word; words >> word;) {
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && text_advance(font, longer) > max_units) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}
