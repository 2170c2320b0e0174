// The committed cards, read as files and decoded the way the show decodes
// them (SDL_image).
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files.h"

namespace {

const std::string k_assets = KRELAN_ASSET_DIR;

struct CardPixels {
    int width = 0, height = 0;
    uint32_t format = 0;
    std::vector<uint8_t> rgb;  // top-down rows, 3 bytes a pixel
    const uint8_t* at(int x, int y) const
    {
        return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    }
};

CardPixels decode_card(const std::string& path)
{
    CardPixels card;
    SDL_Surface* s = IMG_LoadPNG_RW(SDL_RWFromFile(path.c_str(), "rb"));
    if (!s) return card;
    card.width = s->w;
    card.height = s->h;
    card.format = s->format->format;
    if (card.format == SDL_PIXELFORMAT_RGB24) {
        card.rgb.resize(size_t(s->w) * size_t(s->h) * 3);
        for (int y = 0; y < s->h; ++y)
            std::copy_n(static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch),
                        size_t(s->w) * 3, card.rgb.begin() + long(size_t(y) * size_t(s->w) * 3));
    }
    SDL_FreeSurface(s);
    return card;
}

bool is_white(const uint8_t* p) { return p[0] > 230 && p[1] > 230 && p[2] > 230; }
bool is_blue(const uint8_t* p) { return p[2] > 200 && p[0] < 120 && p[2] > p[1] + 40; }
bool is_black(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

// Rows that are white across most of the middle of the card: the rules.
int count_rules(const CardPixels& card)
{
    int rules = 0;
    bool in_rule = false;
    for (int y = 0; y < card.height; ++y) {
        int white = 0;
        for (int x = 0; x < card.width; ++x) white += is_white(card.at(x, y));
        bool rule = white > card.width / 2;
        if (rule && !in_rule) ++rules;
        in_rule = rule;
    }
    return rules;
}

class Card : public ::testing::TestWithParam<const char*> {};

TEST_P(Card, IsAPlain8BitRgbPngWithoutInterlace)
{
    std::string file;
    ASSERT_TRUE(read_file(k_assets + "/" + GetParam(), &file));
    ASSERT_GT(file.size(), 33u);
    ASSERT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
    ASSERT_EQ(file.substr(12, 4), "IHDR");
    const auto byte = [&](size_t at) { return uint32_t(uint8_t(file[at])); };
    const auto be32 = [&](size_t at) {
        return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
    };
    EXPECT_EQ(be32(16), 1920u);
    EXPECT_EQ(be32(20), 1080u);
    EXPECT_EQ(byte(24), 8u) << "bit depth";
    EXPECT_EQ(byte(25), 2u) << "colour type (RGB)";
    EXPECT_EQ(byte(28), 0u) << "interlace";
}

TEST_P(Card, DecodesThroughSdlImageAsBlackWithWhiteAndBlueLettering)
{
    CardPixels card = decode_card(k_assets + "/" + GetParam());
    ASSERT_EQ(card.width, 1920);
    ASSERT_EQ(card.height, 1080);
    ASSERT_EQ(card.format, uint32_t(SDL_PIXELFORMAT_RGB24)) << SDL_GetPixelFormatName(card.format);

    size_t black = 0, white = 0, blue = 0;
    for (int y = 0; y < card.height; ++y)
        for (int x = 0; x < card.width; ++x) {
            const uint8_t* p = card.at(x, y);
            black += is_black(p);
            white += is_white(p);
            blue += is_blue(p);
        }
    const size_t total = size_t(card.width) * size_t(card.height);
    EXPECT_GT(black, total * 8 / 10);
    EXPECT_GT(white, 5000u);
    EXPECT_GT(blue, 2000u);
    for (auto [x, y] : {std::pair{0, 0}, {1919, 0}, {0, 1079}, {1919, 1079}})
        EXPECT_TRUE(is_black(card.at(x, y)));
    // Both cards frame their main text between two horizontal rules.
    EXPECT_EQ(count_rules(card), 2);
}

INSTANTIATE_TEST_SUITE_P(BothCards, Card, ::testing::Values("warning.png", "end.png"));

TEST(WarningCard, ShowsTheSmileyBelowTheBottomRow)
{
    CardPixels card = decode_card(k_assets + "/warning.png");
    ASSERT_EQ(card.width, 1920);
    // The emblem is blue and centred in the lowest band of the card.
    size_t blue_centre = 0, blue_edges = 0;
    for (int y = 880; y < 1060; ++y)
        for (int x = 0; x < card.width; ++x) {
            if (!is_blue(card.at(x, y))) continue;
            (x > 800 && x < 1120 ? blue_centre : blue_edges)++;
        }
    EXPECT_GT(blue_centre, 1000u);
    EXPECT_EQ(blue_edges, 0u);
}

}  // namespace
