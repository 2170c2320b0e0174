// The build's check of the greetings line: a line that drifts from the form,
// the counts, the glyph set or the total advance is refused, and the reason
// names what is off. (No GL needed.)
#include "glyph_probe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string shipped_line()
{
    std::ifstream in(KRELAN_SOURCE_DIR "/shaders/greetings.txt");
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') return line;
    ADD_FAILURE() << "no line in greetings.txt";
    return "";
}

// The check's complaints about `line`, empty when it fits.
std::string complaints(const std::string& line)
{
    std::vector<std::string> tokens;
    std::string error;
    if (!tokenize_scroll_line(line, token_table(), &tokens, &error)) return error;
    check_greetings(line, tokens, token_table(), &error);
    return error;
}

std::string replaced(std::string line, const std::string& from, const std::string& to)
{
    size_t at = line.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? line : line.replace(at, from.size(), to);
}

}  // namespace

TEST(ScrollText, DriftingLinesAreRefusedWithTheReason)
{
    const std::string line = shipped_line();
    // Drop the last letter: one lowercase letter and 0.7 units short.
    std::string shorter = line.substr(0, line.size() - 1);
    std::string why = complaints(shorter);
    EXPECT_NE(why.find("236 lowercase letters"), std::string::npos) << why;
    EXPECT_NE(why.find("total advance"), std::string::npos) << why;

    // A capital the line must not use.
    why = complaints(replaced(line, "Murq", "Murq Eq"));
    EXPECT_NE(why.find("'E' is not one of the line's glyphs"), std::string::npos) << why;

    // A space before a comma, and a comma without its space.
    why = complaints(replaced(line, "Murq,", "Murq ,"));
    EXPECT_NE(why.find("padded"), std::string::npos) << why;
    why = complaints(replaced(line, "Murq, ", "Murq,"));
    EXPECT_NE(why.find("35 names"), std::string::npos) << why;

    // Punctuation at the end.
    why = complaints(line + "*");
    EXPECT_NE(why.find("must not end in punctuation"), std::string::npos) << why;

    // A character the font has no glyph for is named with its column.
    why = complaints(replaced(line, "Murq", "Mu@q"));
    EXPECT_NE(why.find("'@' at column"), std::string::npos) << why;
}

TEST(ScrollText, TokensAndAdvancesFollowTheScroller)
{
    // The generator takes its widths from the token macros that lay the
    // line out, and writes one token per character.
    EXPECT_EQ(token_table().size(), 86u);  // 85 characters and the space
    EXPECT_EQ(token_table().at("m_").tenths, 9);
    std::string piece = scrolltext_for("Kip-Hax, 3Dvolt");
    EXPECT_NE(piece.find("#define scrolltext K_ i_ p_ _sub H_ a_ x_ _comma _ _3 D_ v_ o_ l_ t_\n"),
              std::string::npos)
        << piece;
}
