// The sound level offline: the pure level function on known signals, and the
// soundtrack mixed through the show's mixer set-up, where the level meter's
// own readings must agree with it.
#include "soundtrack.h"
#include "timeline.h"
#include "beat_clock.h"
#include "beat_clock.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>

TEST(ChunkLevels, FollowTheMeterOverKnownSignals)
{
    std::vector<int16_t> signal;
    // Chunk 0: the first 100 samples alternate +-1000, the rest is loud and ignored.
    for (int i = 0; i < k_chunk_samples; ++i)
        signal.push_back(static_cast<int16_t>(i < 100 ? (i % 2 ? -1000 : 1000) : 30000));
    // Chunk 1: a full-scale negative start measures 32768.
    for (int i = 0; i < k_chunk_samples; ++i) signal.push_back(i < 100 ? -32768 : 0);
    // Chunk 2: a ramp 0..99 in magnitude, mean 49.5, truncated.
    for (int i = 0; i < k_chunk_samples; ++i)
        signal.push_back(static_cast<int16_t>(i < 100 ? (i % 2 ? -i : i) : 0));
    // Chunk 3: silence.
    signal.insert(signal.end(), k_chunk_samples, 0);
    // A short last chunk of 30 samples replaces 30 of the ring's 100 slots.
    signal.insert(signal.end(), 30, 2000);

    const std::vector<int32_t> levels = chunk_levels(signal.data(), signal.size());
    EXPECT_EQ(levels, (std::vector<int32_t>{1000, 32768, 49, 0, 600}));
    EXPECT_TRUE(chunk_levels(nullptr, 0).empty());
}

TEST(ChunkLevels, SineChunkGivesItsMeanMagnitude)
{
    // A 480 Hz sine at amplitude 16000, both channels alike: the first 50
    // stereo frames are a half period, whose mean magnitude is 2/pi of the peak.
    std::vector<int16_t> signal;
    for (int frame = 0; frame < k_chunk_frames; ++frame) {
        const int16_t s = static_cast<int16_t>(
            std::lround(16000 * std::sin(2 * M_PI * 480 * frame / double(k_mix_rate))));
        signal.push_back(s);
        signal.push_back(s);
    }
    const std::vector<int32_t> levels = chunk_levels(signal.data(), signal.size());
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_NEAR(levels[0], 16000 * 2 / M_PI, 200);
}

TEST(Soundtrack, MixIsRepeatableAndTheMeterAgreesWithTheLevelFunction)
{
    // mix_soundtrack fails when the level meter's readings after each chunk
    // differ from chunk_levels over the recorded stream.
    Soundtrack first, second;
    std::string error;
    ASSERT_TRUE(mix_soundtrack(-1, &first, &error)) << error;
    ASSERT_TRUE(mix_soundtrack(k_mix_rate * 2, &second, &error)) << error;
    EXPECT_TRUE(first.music_ended);
    EXPECT_EQ(first.samples.size() % k_chunk_samples, 0u);
    ASSERT_GE(second.samples.size(), size_t(k_mix_rate) * 2 * k_mix_channels);
    EXPECT_TRUE(std::equal(second.samples.begin(), second.samples.end(), first.samples.begin()));
    // The music is not silent, and a level is read from the chunk holding the moment.
    int32_t loudest = 0;
    for (int32_t level : first.levels) loudest = std::max(loudest, level);
    EXPECT_GT(loudest, 0);
    EXPECT_EQ(soundtrack_level(first, 3 * k_chunk_frames + 5), first.levels[3]);
    EXPECT_EQ(soundtrack_level(first, -1), 0);
    EXPECT_EQ(soundtrack_level(first, int64_t(first.levels.size()) * k_chunk_frames), 0);
    SDL_Quit();
}

TEST(FrameTiming, FramesFollowTheBeatClock)
{
    // Whole milliseconds go through the show's own clock.
    EXPECT_EQ(frame_beat(3, 30), beat_from_elapsed(100));
    EXPECT_EQ(frame_beat(0, 60), -0.5f);
    // At 60 fps the milliseconds are not whole, and the clock's float formula holds.
    EXPECT_NEAR(frame_beat(1, 60), 1000.0 / 60 * 130 / 60000 - 0.5, 1e-6);
    for (double fps : {24.0, 30.0, 60.0, 29.97}) {
        for (float beat : {-0.5f, 0.0f, 16.0f, 448.0f, 449.99f}) {
            const int64_t n = first_frame_at_or_after(beat, fps);
            EXPECT_GE(frame_beat(n, fps), beat);
            if (n > 0) {
                EXPECT_LT(frame_beat(n - 1, fps), beat);
            }
        }
        // The show draws one frame after the first past the end beat.
        const int64_t last = show_last_frame(fps);
        EXPECT_GT(frame_beat(last - 1, fps), k_end_beat);
        EXPECT_LE(frame_beat(last - 2, fps), k_end_beat);
    }
    EXPECT_EQ(frame_sample(7, 30), 7 * 1600);
    EXPECT_EQ(beat_sample(-0.5f), 0);
}
