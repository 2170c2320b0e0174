// The card drawer: the lettering in the show's font (glyphs and advances
// from the shader sources), the card layouts, and the cards as the renderer
// draws them through the show's GL code on the offscreen driver.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "card_renderer.h"
#include "cards.h"
#include "files.h"
#include "png_file.h"

namespace {

const ShaderDirs k_dirs{KRELAN_SHOW_SHADER_DIR, KRELAN_CARDS_SHADER_DIR};

Font show_font()
{
    Font font;
    std::string error;
    EXPECT_TRUE(load_font(k_dirs.show, &font, &error)) << error;
    return font;
}

std::vector<std::string> card_texts()
{
    std::vector<std::string> texts = warning_words();
    texts.insert(texts.end(), warning_paragraphs().begin(), warning_paragraphs().end());
    const EndCardText& end = end_card_text();
    texts.insert(texts.end(), {end.label, end.title, end.event, k_separator});
    for (const auto& [role, handle] : end.credits) texts.insert(texts.end(), {role, handle});
    return texts;
}

TEST(CardLettering, EveryCharacterOfTheCardTextsHasAGlyph)
{
    // A character without a glyph would leave a hole in a card.
    const Font font = show_font();
    std::vector<CharGlyph> glyphs;
    std::string error;
    for (const std::string& text : card_texts()) {
        ASSERT_TRUE(set_text(font, text, &glyphs, &error)) << error;
        // One glyph per character (UTF-8 continuation bytes excluded), and
        // only the spaces draw nothing.
        EXPECT_EQ(glyphs.size(), size_t(std::count_if(text.begin(), text.end(),
                                                      [](char c) { return (c & 0xC0) != 0x80; })));
        EXPECT_EQ(std::count_if(glyphs.begin(), glyphs.end(),
                                [](const CharGlyph& g) { return g.glyph.empty(); }),
                  std::count(text.begin(), text.end(), ' '))
            << text;
    }
    EXPECT_TRUE(set_text(font, "lower case too", &glyphs, &error)) << error;
    EXPECT_FALSE(set_text(font, "IT'S", &glyphs, &error));
    EXPECT_NE(error.find("byte 2"), std::string::npos) << error;
    EXPECT_FALSE(set_text(font, "\xC3\x89T\xC3\x89", &glyphs, &error));  // accented capitals
    Drawing drawing;
    EXPECT_FALSE(
        set_line(font, {{"\xC3\x89T\xC3\x89", k_white}}, 960, 500, {40}, &drawing, &error));
}

TEST(CardLettering, UsesTheFontsGlyphFunctionsAndTheScrollersAdvances)
{
    const Font font = show_font();
    // Every glyph the scroller's tokens name is a function of font.glsl.
    std::string source;
    ASSERT_TRUE(read_file(k_dirs.show + "/font.glsl", &source));
    const std::vector<std::string> names = glyph_names(font);
    EXPECT_EQ(names.size(), 85u);
    for (const std::string& name : names)
        EXPECT_NE(source.find("float " + name + "(vec2 p)"), std::string::npos) << name;

    // Advances as the font's metrics give them (capitals 0.7, I J L 0.5, M W
    // 0.9, X Y 0.8, space 0.5, full stop 0.3), tracking between characters.
    EXPECT_FLOAT_EQ(text_advance(font, "KRELAN"), 4.0f);
    EXPECT_FLOAT_EQ(text_advance(font, "MIX Y."), 0.9f + 0.5f + 0.8f + 0.5f + 0.8f + 0.3f);
    EXPECT_FLOAT_EQ(text_advance(font, "KRELAN", 0.15f), 4.75f);
    EXPECT_EQ(text_advance(font, "NO \xC3\x89"), 0.0f);
    // The middle dot is the full stop raised to the middle of a capital.
    std::vector<CharGlyph> glyphs;
    std::string error;
    ASSERT_TRUE(set_text(font, "\xC2\xB7", &glyphs, &error)) << error;
    ASSERT_EQ(glyphs.size(), 1u);
    EXPECT_EQ(glyphs[0].glyph, "ddot");
    EXPECT_FLOAT_EQ(glyphs[0].advance, 0.3f);
    EXPECT_FLOAT_EQ(glyphs[0].raise, 0.5f);
}

TEST(CardLettering, WrappingKeepsEveryWordAndTheWidthLimit)
{
    const Font font = show_font();
    const std::string& text = warning_paragraphs().front();
    const float limit = 25.0f;
    std::vector<std::string> lines = wrap_text(font, text, limit);
    ASSERT_GT(lines.size(), 1u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(text_advance(font, line), limit) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, text);
    // A single word longer than the limit stays whole on its own line.
    EXPECT_EQ(wrap_text(font, "ATTENZIONE", 1.0f), std::vector<std::string>{"ATTENZIONE"});
}

TEST(CardLayout, EveryMarkLiesOnTheCardAndClearOfTheRules)
{
    const Font font = show_font();
    for (auto lay_out : {draw_warning_card, draw_end_card}) {
        Drawing drawing;
        std::string error;
        ASSERT_TRUE(lay_out(font, &drawing, &error)) << error;
        ASSERT_EQ(drawing.rules.size(), 2u);
        for (const Mark& m : drawing.marks) {
            // Ink reach about the cell origin, stroke included: capitals and
            // digits 0.65 up, 0.45 down and 0.3 either side, a comma's tail
            // 0.6 down; the full stop a dot at 0.4 down; the emblem's circle
            // 1.05 all round.
            float up = 0.65f, down = 0.45f, side = 0.3f;
            if (m.shape == "comma") down = 0.6f;
            if (m.shape == "ddot") up = -0.34f, down = 0.46f, side = 0.06f;
            if (m.shape == k_emblem_ring || m.shape == k_emblem_face) up = down = side = 1.05f;
            const float top = m.y - up * m.scale, bottom = m.y + down * m.scale;
            EXPECT_GE(m.x - side * m.scale, 0.0f);
            EXPECT_LE(m.x + side * m.scale, float(k_card_width));
            EXPECT_GE(top, 0.0f);
            EXPECT_LE(bottom, float(k_card_height));
            for (const Rule& r : drawing.rules)
                EXPECT_TRUE(bottom < float(r.y0) || top > float(r.y1))
                    << m.shape << " at " << m.x << "," << m.y;
        }
    }
}

// ---------------------------------------------------------------- rendered

// One renderer for the whole process, left open at exit as the GL tests
// leave theirs: a context destroyed early leaves Mesa's own allocations
// unreachable, which the sanitizer build's leak check would report.
class CardRenderer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(load_font(k_dirs.show, &font_, &error)) << error;
        ASSERT_TRUE(start_renderer(font_, k_dirs, &error)) << error;
        started_ = true;
    }
    void SetUp() override { ASSERT_TRUE(started_); }

    static std::vector<uint8_t> render(bool (*lay_out)(const Font&, Drawing*, std::string*))
    {
        Drawing drawing;
        std::string error;
        EXPECT_TRUE(lay_out(font_, &drawing, &error)) << error;
        std::vector<uint8_t> rgb = render_card(drawing, &error);
        EXPECT_EQ(rgb.size(), size_t(k_card_width) * k_card_height * 3) << error;
        return rgb;
    }

    static Font font_;
    static bool started_;
};
Font CardRenderer::font_;
bool CardRenderer::started_ = false;

float segment_distance(float px, float py, float ax, float ay, float bx, float by)
{
    const float dx = bx - ax, dy = by - ay;
    const float h = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - ax - dx * h, py - ay - dy * h);
}

float smoothstep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

TEST_F(CardRenderer, AGlyphInksWithinTheStrokeHalfWidthOfItsCentreLines)
{
    // "L" in white and a middle dot in blue, set as a line: the L's stem at
    // x = -0.2 and its foot on the baseline, the dot half a cap height up.
    const float s = 90.0f, cx = 700.0f, baseline = 400.0f;
    Drawing drawing;
    std::string error;
    ASSERT_TRUE(set_line(font_, {{"L", k_white}, {"\xC2\xB7", k_blue}}, cx, baseline, {s}, &drawing,
                         &error));
    const std::vector<uint8_t> rgb = render_card(drawing, &error);
    ASSERT_FALSE(rgb.empty()) << error;

    // Line width 0.5 + 0.3: the L's cell centre is 0.15 left of cx, the dot's 0.25 right.
    const float l_x = cx - 0.15f * s, dot_x = cx + 0.25f * s, centre_y = baseline - 0.4f * s;
    int full = 0, mismatched = 0;
    for (int row = 0; row < k_card_height; ++row)
        for (int col = 0; col < k_card_width; ++col) {
            const float X = col + 0.5f, Y = row + 0.5f;
            const float lx = (X - l_x) / s, ly = (centre_y - Y) / s;
            const float l = std::min(segment_distance(lx, ly, -0.2f, -0.4f, -0.2f, 0.6f),
                                     segment_distance(lx, ly, -0.2f, -0.4f, 0.2f, -0.4f));
            const float dot = 0.97f * std::hypot((X - dot_x) / s, (baseline - 0.5f * s - Y) / s);
            const float px = 1.0f / s;
            const float white = 1.0f - smoothstep(0.05f - px, 0.05f + px, l);
            const float blue = 1.0f - smoothstep(0.05f - px, 0.05f + px, dot);
            const uint8_t* p = &rgb[(size_t(row) * k_card_width + col) * 3];
            const float expected[3] = {std::max(white, 0.22f * blue), std::max(white, 0.5f * blue),
                                       std::max(white, blue)};
            for (int c = 0; c < 3; ++c)
                if (std::abs(p[c] / 255.0f - expected[c]) > 2.0f / 255.0f) ++mismatched;
            full += p[0] == 255;
        }
    EXPECT_EQ(mismatched, 0);
    // Stroke 0.1 units wide, 1.4 units of centre-line: some 1,100 full pixels.
    EXPECT_GT(full, 900);
}

TEST_F(CardRenderer, CardsAreBlackWithWhiteAndBlueInkAndDrawTheSameEveryTime)
{
    for (auto lay_out : {draw_warning_card, draw_end_card}) {
        const std::vector<uint8_t> rgb = render(lay_out);
        ASSERT_FALSE(rgb.empty());
        size_t black = 0, white = 0, blue = 0, other = 0;
        for (size_t i = 0; i < rgb.size(); i += 3) {
            const int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
            // White ink and its edges are grey; blue ink and its edges keep
            // the blue's proportions.
            const bool grey = r == g && g == b;
            const bool bluish = std::abs(r - 0.22f * b) <= 1.0f && std::abs(g - 0.5f * b) <= 1.0f;
            black += r + g + b == 0;
            white += r == 255 && grey;
            blue += b == 255 && bluish;
            other += !grey && !bluish;
        }
        EXPECT_EQ(other, 0u);
        EXPECT_GT(black, rgb.size() / 3 * 8 / 10);
        EXPECT_GT(white, 5000u);
        EXPECT_GT(blue, 2000u);
        for (size_t corner :
             {size_t(0), size_t(k_card_width - 1), size_t(k_card_width) * (k_card_height - 1),
              size_t(k_card_width) * k_card_height - 1})
            EXPECT_EQ(rgb[corner * 3] + rgb[corner * 3 + 1] + rgb[corner * 3 + 2], 0);
        EXPECT_EQ(render(lay_out), rgb) << "a second drawing differs";
    }
}

TEST_F(CardRenderer, AnUnknownShapeIsAnErrorNotABlankCard)
{
    Drawing drawing;
    drawing.marks.push_back({"nonesuch", 100, 100, 40, k_white});
    std::string error;
    EXPECT_TRUE(render_card(drawing, &error).empty());
    EXPECT_NE(error.find("nonesuch"), std::string::npos) << error;
}

TEST_F(CardRenderer, WritesAPlain8BitRgbPngThatReadsBackTheSame)
{
    const std::vector<uint8_t> rgb = render(draw_end_card);
    const std::string path = ::testing::TempDir() + "krelan-cards-test.png";
    Image card;
    card.width = k_card_width;
    card.height = k_card_height;
    card.channels = 3;
    card.pixels = rgb;
    ASSERT_TRUE(write_file(path, png_bytes(card, 9)));

    std::string bytes;
    ASSERT_TRUE(read_file(path, &bytes));
    ASSERT_GE(bytes.size(), 33u);
    const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 33);
    ASSERT_EQ(std::string(header.begin() + 12, header.begin() + 16), "IHDR");
    auto be32 = [&](int at) {
        return uint32_t(header[at]) << 24 | header[at + 1] << 16 | header[at + 2] << 8 |
               header[at + 3];
    };
    EXPECT_EQ(be32(16), uint32_t(k_card_width));
    EXPECT_EQ(be32(20), uint32_t(k_card_height));
    EXPECT_EQ(header[24], 8) << "bit depth";
    EXPECT_EQ(header[25], 2) << "colour type (RGB)";
    EXPECT_EQ(header[28], 0) << "interlace";

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
    EXPECT_EQ(back, rgb);
    std::remove(path.c_str());
}

}  // namespace
