// The committed music, read as a file and decoded the way the show decodes
// it (SDL_mixer).
#include <SDL.h>
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

TEST(MusicFile, EveryFrameIsConstant192kJointStereoMpeg1Layer3At48kHz)
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
        ASSERT_EQ((h[2] >> 2) & 3, 1) << "not 48 kHz (the mixer's rate), frame " << frames;
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
        size_t length = 144 * 192000 / 48000 + ((h[2] >> 1) & 1);
        pos += length;
        ++frames;
    }
    EXPECT_EQ(pos, file.size()) << "trailing bytes after the last frame";
    double seconds = double(frames - 1) * 1152.0 / 48000.0;  // the info frame holds no audio
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

}  // namespace
