// The soundtrack mixed offline through the show's mixer, with the level
// meter on the post-mix effect as the show has it, and the frames' timing.
#include "beat_clock.h"
#include "level_meter.h"
#include "soundtrack.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>

TEST(Soundtrack, MixIsRepeatableAndEachLevelIsThatOfItsOwnChunk)
{
    Soundtrack first, second;
    std::string error;
    ASSERT_TRUE(mix_soundtrack(-1, &first, &error)) << error;
    ASSERT_TRUE(mix_soundtrack(k_mix_rate * 2, &second, &error)) << error;
    EXPECT_TRUE(first.music_ended);
    EXPECT_EQ(first.samples.size() % k_mix_chunk_samples, 0u);
    ASSERT_EQ(first.levels.size(), first.samples.size() / k_mix_chunk_samples);
    ASSERT_GE(second.samples.size(), size_t(k_mix_rate) * 2 * k_mix_channels);
    EXPECT_TRUE(std::equal(second.samples.begin(), second.samples.end(), first.samples.begin()));
    // The level after each chunk is the meter's rule on that very chunk: the
    // meter saw the chunks the recorder kept, in step, none early or late.
    size_t out_of_step = 0;
    for (size_t c = 0; c < first.levels.size(); ++c) {
        LevelMeter meter;
        level_take_chunk(&meter, &first.samples[c * k_mix_chunk_samples], k_level_slots);
        out_of_step += level_average(meter) != first.levels[c];
    }
    EXPECT_EQ(out_of_step, 0u);
    // The music is not silent, and a level is read from the chunk holding the moment.
    EXPECT_GT(*std::max_element(first.levels.begin(), first.levels.end()), 0);
    EXPECT_EQ(soundtrack_level(first, 3 * k_mix_chunk_frames + 5), first.levels[3]);
    EXPECT_EQ(soundtrack_level(first, -1), 0);
    EXPECT_EQ(soundtrack_level(first, int64_t(first.levels.size()) * k_mix_chunk_frames), 0);
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
