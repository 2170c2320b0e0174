// The music's pace in the mixer's frames, and the rate read from an MP3.
#include "music_pace.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MusicPace, A44kTrackRuns52PpmAheadOfTheMixersFrames)
{
    // 2048 frames at 44.1 kHz are 2229.116 at 48 kHz; 2229 are handed over.
    EXPECT_NEAR(music_frames_per_mixed_frame(44100), 2229.1156462585 / 2229, 1e-12);
    EXPECT_NEAR((music_frames_per_mixed_frame(44100) - 1) * 1e6, 51.9, 0.1);
    EXPECT_EQ(music_frames_per_mixed_frame(48000), 1.0);
    EXPECT_EQ(music_frames_per_mixed_frame(0), 1.0);
}

TEST(MusicPace, RateOfTheFirstFrameAfterAnId3Tag)
{
    // A 20-byte ID3v2 tag (10 of header, 10 of body), junk, then an MPEG-1
    // Layer III header at 44.1 kHz; an MPEG-2 one at 24 kHz; none at all.
    std::vector<unsigned char> file = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 10};
    // The tag's body may look like a frame (here one at 48 kHz).
    file.insert(file.end(), {0xFF, 0xFB, 0xB4, 0x00, 0, 0, 0, 0, 0, 0});
    file.insert(file.end(), {0x00, 0xFF, 0xFB, 0xB0, 0x44});
    EXPECT_EQ(mp3_sample_rate(file.data(), file.size()), 44100);
    const unsigned char mpeg2[] = {0xFF, 0xF3, 0x64, 0x00};
    EXPECT_EQ(mp3_sample_rate(mpeg2, sizeof mpeg2), 24000);
    const unsigned char none[] = {0x00, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(mp3_sample_rate(none, sizeof none), 0);
}
