#include "level_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One chunk through the post-mix effect, as the mixer hands it over.
void mix(LevelMeter* meter, std::vector<int16_t> samples)
{
    on_post_mix(-2, samples.data(), static_cast<int>(samples.size() * 2), meter);
}

std::vector<int16_t> chunk(int16_t first100, int16_t rest = 0)
{
    std::vector<int16_t> c(k_mix_chunk_samples, rest);
    for (int i = 0; i < 100; ++i) c[i] = first100;
    return c;
}

}  // namespace

TEST(LevelMeter, SilenceBeforeAnyChunk)
{
    LevelMeter meter;
    EXPECT_EQ(level_average(meter), 0);
    EXPECT_EQ(level_last_sample(meter), 0);
}

TEST(LevelMeter, FullScaleChunksGiveTheirMagnitude)
{
    LevelMeter meter;
    mix(&meter, chunk(32767));
    EXPECT_EQ(level_average(meter), 32767);
    mix(&meter, chunk(-32768));
    EXPECT_EQ(level_average(meter), 32768);
    EXPECT_EQ(level_last_sample(meter), -32768);
    mix(&meter, chunk(0));
    EXPECT_EQ(level_average(meter), 0);
    mix(&meter, chunk(500));
    level_reset(&meter);
    EXPECT_EQ(level_average(meter), 0);
    EXPECT_EQ(level_last_sample(meter), 0);
}

TEST(LevelMeter, OnlyTheFirstHundredSamplesCount)
{
    LevelMeter meter;
    mix(&meter, chunk(0, 30000));
    EXPECT_EQ(level_average(meter), 0);
    std::vector<int16_t> c(k_mix_chunk_samples, 0);
    for (int i = 0; i < 100; ++i) c[i] = static_cast<int16_t>(i % 2 ? -i : i);
    mix(&meter, c);
    EXPECT_EQ(level_average(meter), 4950 / 100);  // mean of 0..99, truncated
    EXPECT_EQ(level_last_sample(meter), 0);
}

TEST(LevelMeter, ShortChunkPushesOnlyWhatItHasAndTheRingWraps)
{
    LevelMeter meter;
    mix(&meter, chunk(1000));
    mix(&meter, std::vector<int16_t>(30, 2000));  // 30 samples replace 30 slots
    EXPECT_EQ(level_average(meter), (70 * 1000 + 30 * 2000) / 100);
    EXPECT_EQ(level_last_sample(meter), 2000);
    mix(&meter, std::vector<int16_t>(80, 3000));  // slots 30-99, then wraps to 0-9
    EXPECT_EQ(level_average(meter), (80 * 3000 + 20 * 2000) / 100);
    on_post_mix(-2, nullptr, 0, &meter);  // an empty chunk changes nothing
    EXPECT_EQ(level_average(meter), (80 * 3000 + 20 * 2000) / 100);
}

TEST(LevelMeter, SineChunkGivesItsMeanMagnitude)
{
    // A 480 Hz sine at amplitude 16000, both channels alike: the first 50
    // stereo frames are a half period, whose mean magnitude is 2/pi of the peak.
    std::vector<int16_t> signal;
    for (int frame = 0; frame < k_mix_chunk_frames; ++frame) {
        const int16_t s = static_cast<int16_t>(
            std::lround(16000 * std::sin(2 * M_PI * 480 * frame / double(k_mix_rate))));
        signal.push_back(s);
        signal.push_back(s);
    }
    LevelMeter meter;
    mix(&meter, signal);
    EXPECT_NEAR(level_average(meter), 16000 * 2 / M_PI, 200);
}

TEST(LevelMeter, EachMeterHearsOnlyTheChunksHandedToIt)
{
    // The show's meter and another one (the renderer's, the level table's)
    // side by side: the effect feeds the meter it was registered with.
    LevelMeter show, other;
    mix(&show, chunk(1200));
    mix(&other, chunk(-700));
    mix(&other, std::vector<int16_t>(50, 100));
    EXPECT_EQ(level_average(show), 1200);
    EXPECT_EQ(level_last_sample(show), 1200);
    EXPECT_EQ(level_average(other), (50 * 700 + 50 * 100) / 100);
    EXPECT_EQ(level_last_sample(other), 100);
}
