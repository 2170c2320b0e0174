// The committed music and cards, read as files and decoded the way the show
// decodes them (SDL_image for the cards, SDL_mixer for the music).
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "files.h"

namespace {

std::vector<uint8_t> file_bytes(const std::string& path)
{
    std::string bytes;
    EXPECT_TRUE(read_file(path, &bytes)) << path;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

const std::string k_assets = KRELAN_ASSET_DIR;

// ------------------------------------------------------------------ music file

struct Id3Tag {
    int major = 0, revision = 0, flags = 0;
    size_t size = 0;  // bytes after the 10-byte header
    std::map<std::string, std::vector<uint8_t>> frames;
};

Id3Tag parse_id3(const std::vector<uint8_t>& file)
{
    Id3Tag tag;
    if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return tag;
    tag.major = file[3];
    tag.revision = file[4];
    tag.flags = file[5];
    tag.size = size_t(file[6] & 0x7F) << 21 | size_t(file[7] & 0x7F) << 14 |
               size_t(file[8] & 0x7F) << 7 | size_t(file[9] & 0x7F);
    size_t pos = 10, end = 10 + tag.size;
    while (pos + 10 <= end && file[pos] != 0) {
        std::string id(file.begin() + long(pos), file.begin() + long(pos) + 4);
        size_t len = be32(&file[pos + 4]);  // plain 32-bit size in version 2.3
        if (pos + 10 + len > end) break;
        tag.frames[id] = std::vector<uint8_t>(file.begin() + long(pos) + 10,
                                              file.begin() + long(pos + 10 + len));
        pos += 10 + len;
    }
    return tag;
}

// Text of a Latin-1 text frame (encoding byte 0), without trailing NULs.
std::string frame_text(const std::vector<uint8_t>& frame)
{
    if (frame.empty() || frame[0] != 0) return "<not latin-1>";
    std::string s(frame.begin() + 1, frame.end());
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}

TEST(MusicFile, CarriesAnId3v23TagWithTheTrackDetails)
{
    std::vector<uint8_t> file = file_bytes(k_assets + "/music.mp3");
    ASSERT_GT(file.size(), 1000u);
    Id3Tag tag = parse_id3(file);
    EXPECT_EQ(tag.major, 3);
    EXPECT_EQ(tag.revision, 0);
    EXPECT_EQ(tag.flags, 0);
    for (const char* id : {"TIT2", "TPE1", "TYER", "TCON", "COMM", "WXXX", "TENC", "TBPM"})
        EXPECT_EQ(tag.frames.count(id), 1u) << "missing frame " << id;

    EXPECT_EQ(frame_text(tag.frames["TBPM"]), "130");
    EXPECT_EQ(frame_text(tag.frames["TCON"]), "Techno");
    EXPECT_FALSE(frame_text(tag.frames["TIT2"]).empty());
    EXPECT_FALSE(frame_text(tag.frames["TPE1"]).empty());
    std::string year = frame_text(tag.frames["TYER"]);
    EXPECT_EQ(year.size(), 4u);
    EXPECT_EQ(year.find_first_not_of("0123456789"), std::string::npos);
    // WXXX: encoding, description, NUL, then the link itself.
    const std::vector<uint8_t>& link = tag.frames["WXXX"];
    std::string after_description(std::find(link.begin() + 1, link.end(), 0) + 1, link.end());
    EXPECT_EQ(after_description.rfind("https://", 0), 0u) << after_description;
}

TEST(MusicFile, EveryFrameIsConstant192kJointStereoMpeg1Layer3)
{
    std::vector<uint8_t> file = file_bytes(k_assets + "/music.mp3");
    Id3Tag tag = parse_id3(file);
    size_t pos = 10 + tag.size;
    ASSERT_LT(pos + 4, file.size());

    size_t frames = 0;
    while (pos + 4 <= file.size()) {
        const uint8_t* h = &file[pos];
        ASSERT_EQ(h[0], 0xFF) << "lost sync at byte " << pos;
        ASSERT_EQ(h[1] & 0xE0, 0xE0) << "lost sync at byte " << pos;
        ASSERT_EQ((h[1] >> 3) & 3, 3) << "not MPEG-1, frame " << frames;
        ASSERT_EQ((h[1] >> 1) & 3, 1) << "not Layer III, frame " << frames;
        ASSERT_EQ(h[2] >> 4, 11) << "not 192 kbit/s, frame " << frames;
        ASSERT_EQ((h[2] >> 2) & 3, 0) << "not 44.1 kHz, frame " << frames;
        ASSERT_EQ(h[3] >> 6, 1) << "not joint stereo, frame " << frames;
        if (frames == 0) {
            // LAME's info frame for constant bit rate: "Info" after the
            // 32 bytes of stereo side information, then the encoder's tag.
            ASSERT_LT(pos + 200, file.size());
            EXPECT_EQ(std::string(file.begin() + long(pos) + 36, file.begin() + long(pos) + 40),
                      "Info");
            EXPECT_EQ(std::string(file.begin() + long(pos) + 156, file.begin() + long(pos) + 160),
                      "LAME");
        }
        size_t length = 144 * 192000 / 44100 + ((h[2] >> 1) & 1);
        pos += length;
        ++frames;
    }
    EXPECT_EQ(pos, file.size()) << "trailing bytes after the last frame";
    double seconds = double(frames - 1) * 1152.0 / 44100.0;  // the info frame holds no audio
    EXPECT_GE(seconds, 248.0);
    EXPECT_LT(file.size(), 10u * 1000 * 1000);
}

TEST(MusicFile, LoadsThroughSdlMixerFromMemoryAsAnMp3)
{
    std::vector<uint8_t> file = file_bytes(k_assets + "/music.mp3");
    setenv("SDL_AUDIODRIVER", "dummy", 1);  // no sound card needed, nothing written
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 2048), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS_RW(SDL_RWFromMem(file.data(), int(file.size())), 1);
    ASSERT_NE(music, nullptr) << Mix_GetError();
    EXPECT_EQ(Mix_GetMusicType(music), MUS_MP3);
    EXPECT_GE(Mix_MusicDuration(music), 248.0);
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

// ------------------------------------------------------------------ cards

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
    std::vector<uint8_t> file = file_bytes(k_assets + "/" + GetParam());
    ASSERT_GT(file.size(), 33u);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_TRUE(std::equal(signature, signature + 8, file.begin()));
    ASSERT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_EQ(be32(&file[16]), 1920u);
    EXPECT_EQ(be32(&file[20]), 1080u);
    EXPECT_EQ(file[24], 8) << "bit depth";
    EXPECT_EQ(file[25], 2) << "colour type (RGB)";
    EXPECT_EQ(file[28], 0) << "interlace";
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
