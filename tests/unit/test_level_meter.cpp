#include "level_meter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void mix(std::vector<int16_t> samples)
{
    on_post_mix(-2, samples.data(), static_cast<int>(samples.size() * 2), nullptr);
}

std::vector<int16_t> chunk(int16_t first100, int16_t rest = 0)
{
    std::vector<int16_t> c(4096, rest);  // 2048 stereo frames
    for (int i = 0; i < 100; ++i) c[i] = first100;
    return c;
}

}  // namespace

TEST(LevelMeter, SilenceBeforeAnyChunk)
{
    level_reset();
    EXPECT_EQ(level_average(), 0);
    EXPECT_EQ(level_last_sample(), 0);
}

TEST(LevelMeter, FullScaleChunksGiveTheirMagnitude)
{
    level_reset();
    mix(chunk(32767));
    EXPECT_EQ(level_average(), 32767);
    mix(chunk(-32768));
    EXPECT_EQ(level_average(), 32768);
    EXPECT_EQ(level_last_sample(), -32768);
    mix(chunk(0));
    EXPECT_EQ(level_average(), 0);
}

TEST(LevelMeter, OnlyTheFirstHundredSamplesCount)
{
    level_reset();
    mix(chunk(0, 30000));
    EXPECT_EQ(level_average(), 0);
    std::vector<int16_t> c(4096, 0);
    for (int i = 0; i < 100; ++i) c[i] = static_cast<int16_t>(i % 2 ? -i : i);
    mix(c);
    EXPECT_EQ(level_average(), 4950 / 100);  // mean of 0..99, truncated
    EXPECT_EQ(level_last_sample(), 0);
}

TEST(LevelMeter, ShortChunkPushesOnlyWhatItHasAndTheRingWraps)
{
    level_reset();
    mix(chunk(1000));
    mix(std::vector<int16_t>(30, 2000));  // 30 samples replace 30 slots
    EXPECT_EQ(level_average(), (70 * 1000 + 30 * 2000) / 100);
    EXPECT_EQ(level_last_sample(), 2000);
    mix(std::vector<int16_t>(80, 3000));  // slots 30-99, then wraps to 0-9
    EXPECT_EQ(level_average(), (80 * 3000 + 20 * 2000) / 100);
    on_post_mix(-2, nullptr, 0, nullptr);  // an empty chunk changes nothing
    EXPECT_EQ(level_average(), (80 * 3000 + 20 * 2000) / 100);
}
