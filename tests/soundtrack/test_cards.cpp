// The card drawer: its stroke font and anti-aliased strokes, and the card
// texts it is given.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cards.hpp"
#include "font.hpp"

using namespace krelan::cards;

namespace {

TEST(StrokeFont, EveryCardTextHasAllItsGlyphs) {
    // A character without a glyph would silently leave a hole in a card.
    std::vector<std::string> texts = warning_words();
    texts.insert(texts.end(), warning_paragraphs().begin(), warning_paragraphs().end());
    const EndCardText& end = end_card_text();
    texts.insert(texts.end(), {end.label, end.title, end.event});
    for (const auto& [role, handle] : end.credits) texts.insert(texts.end(), {role, handle});
    for (const std::string& t : texts) EXPECT_TRUE(can_draw(t)) << t;
    EXPECT_FALSE(can_draw("lower case"));
    EXPECT_FALSE(can_draw("\xC9T\xC9"));
}

TEST(StrokeFont, InkStaysWithinTheAdvanceAndCapHeight) {
    const TextStyle style{40.0f, 4.0f};
    for (char c = ' '; c <= 'Z'; ++c) {
        const std::string s(1, c);
        if (!find_glyph(c)) continue;
        float width = text_width(s, style);
        for (const Polyline& stroke : layout_text(s, 100.0f, 200.0f, style))
            for (const Point& p : stroke) {
                EXPECT_GE(p.x, 100.0f - 0.2f * style.cap_height) << s;
                EXPECT_LE(p.x, 100.0f + width + 0.2f * style.cap_height) << s;
                EXPECT_GE(p.y, 200.0f - 1.1f * style.cap_height) << s;  // y grows downwards
                EXPECT_LE(p.y, 200.0f + 0.2f * style.cap_height) << s;
            }
    }
}

TEST(StrokeFont, WrappingKeepsEveryWordAndTheWidthLimit) {
    const TextStyle style{24.0f, 3.0f};
    const std::string& text = warning_paragraphs().front();
    const float limit = 700.0f;
    std::vector<std::string> lines = wrap_text(text, limit, style);
    ASSERT_GT(lines.size(), 1u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(text_width(line, style), limit) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, text);
    // A single word longer than the limit stays whole on its own line.
    EXPECT_EQ(wrap_text("ATTENZIONE", 10.0f, style), std::vector<std::string>{"ATTENZIONE"});
}

TEST(Strokes, CoverageIsFullInsideZeroOutsideAndHalfOnTheEdge) {
    EXPECT_EQ(stroke_coverage(0.0f, 4.0f), 1.0f);
    EXPECT_EQ(stroke_coverage(1.5f, 4.0f), 1.0f);
    EXPECT_FLOAT_EQ(stroke_coverage(2.0f, 4.0f), 0.5f);
    EXPECT_EQ(stroke_coverage(2.5f, 4.0f), 0.0f);
    // A hairline still covers its own pixel partly.
    EXPECT_GT(stroke_coverage(0.0f, 0.2f), 0.5f);
    EXPECT_FLOAT_EQ(segment_distance({5, 5}, {0, 0}, {10, 0}), 5.0f);
    EXPECT_FLOAT_EQ(segment_distance({-3, 4}, {0, 0}, {10, 0}), 5.0f);
    EXPECT_FLOAT_EQ(segment_distance({2, 2}, {1, 1}, {1, 1}), std::sqrt(2.0f));
}

TEST(Strokes, JoinsAndCrossingsDoNotBuildUpAtTheEdges) {
    // Two strokes meeting at a point in one shape: the antialiased fringe
    // around the joint must match a single stroke's fringe.
    Canvas joined(64, 64, kBlack), single(64, 64, kBlack);
    joined.stroke({{{10.0f, 32.0f}, {32.0f, 32.0f}}, {{32.0f, 32.0f}, {54.0f, 32.0f}}}, 6.0f, kWhite);
    single.stroke({{{10.0f, 32.0f}, {54.0f, 32.0f}}}, 6.0f, kWhite);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) EXPECT_FLOAT_EQ(joined.pixel(x, y).r, single.pixel(x, y).r) << x << "," << y;
}

}  // namespace
