#include "beat_clock.h"
#include "mixer_format.h"

#include <gtest/gtest.h>

TEST(BeatClock, StartsHalfABeatEarlySoTheFirstBeatLandsAfter231ms)
{
    EXPECT_FLOAT_EQ(beat_from_elapsed(0, 130.0f), -0.5f);
    EXPECT_NEAR(beat_from_elapsed(231, 130.0f), 0.0f, 0.002f);
    EXPECT_NEAR(beat_from_elapsed(60000, 130.0f), 129.5f, 1e-4f);
}

TEST(BeatClock, ShowEndsJustAfter243923ms)
{
    EXPECT_LE(beat_from_elapsed(243923, 130.0f), k_end_beat);
    EXPECT_GT(beat_from_elapsed(243924, 130.0f), k_end_beat);
}

TEST(BeatClock, SkipMovesTheBeatByTwentyOneAndTwoThirds)
{
    const uint32_t now = 100000, start = 20000;
    float before = beat_from_elapsed(elapsed_ms(now, start), 130.0f);
    float after = beat_from_elapsed(elapsed_ms(now, start - k_skip_ms), 130.0f);
    EXPECT_NEAR(after - before, 21.6667f, 1e-3f);
}

TEST(BeatClock, StartTimeMovedBackPastZeroStillCountsForward)
{
    // Skipping in the first 10 s of the process moves the start time below 0.
    const uint32_t start = uint32_t(5000) - k_skip_ms;
    EXPECT_EQ(elapsed_ms(6000, start), 11000u);
}

TEST(BeatClock, StartingAtABeatMovesTheClockToItsFirstMillisecond)
{
    for (float beat : {0.0f, 1.0f, 16.0f, 100.0f, 447.99f, 448.0f, 460.25f, 512.0f, 528.0f}) {
        const uint32_t ms = ms_to_reach_beat(beat);
        EXPECT_GE(beat_from_elapsed(ms), beat) << beat;
        EXPECT_LT(beat_from_elapsed(ms - 1), beat) << beat;
    }
    EXPECT_EQ(ms_to_reach_beat(-0.5f), 0u);
    EXPECT_NEAR(double(ms_to_reach_beat(448.0f)), 207000.0, 1.0);  // 448.5 * 60000 / 130
}
