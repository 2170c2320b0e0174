// The level table: the meter's rule chunk by chunk, and the chunk a moment
// falls in.
#include "level_table.h"
#include "mixer_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The heads of `chunks` whole chunks, chunk c's samples all `value(c)`.
template <typename F>
std::vector<int16_t> heads_of(int chunks, F value)
{
    std::vector<int16_t> heads;
    for (int c = 0; c < chunks; ++c) heads.insert(heads.end(), k_level_slots, value(c));
    return heads;
}

}  // namespace

TEST(LevelTable, EachChunkGivesTheMeanMagnitudeOfItsHead)
{
    const std::vector<int16_t> heads =
        heads_of(3, [](int c) { return int16_t(c == 1 ? -32768 : 1000 * c); });
    const LevelTable table = measure_levels(heads.data(), 3 * size_t(k_mix_chunk_samples));
    EXPECT_EQ(table.levels, (std::vector<int32_t>{0, 32768, 2000}));
    EXPECT_EQ(table.first_sample, (std::vector<int16_t>{0, -32768, 2000}));
}

TEST(LevelTable, ShortLastChunkMeasuresOnlyItsSamples)
{
    std::vector<int16_t> heads = heads_of(2, [](int c) { return int16_t(c == 0 ? 100 : 300); });
    // The last chunk has 40 samples: 40 slots of 300, 60 left from the first.
    const LevelTable table = measure_levels(heads.data(), k_mix_chunk_samples + 40);
    ASSERT_EQ(table.levels.size(), 2u);
    EXPECT_EQ(table.levels[1], (40 * 300 + 60 * 100) / 100);
}

TEST(LevelTable, MomentsFallInTheChunkThatHoldsThem)
{
    const double chunk_seconds = double(k_mix_chunk_frames) / k_mix_rate;
    EXPECT_EQ(chunk_at(0.0), 0);
    EXPECT_EQ(chunk_at(chunk_seconds * 0.999), 0);
    EXPECT_EQ(chunk_at(chunk_seconds), 1);
    EXPECT_EQ(chunk_at(-0.001), -1);

    const std::vector<int16_t> heads = heads_of(2, [](int c) { return int16_t(10 + c); });
    const LevelTable table = measure_levels(heads.data(), 2 * size_t(k_mix_chunk_samples));
    EXPECT_EQ(level_at(table, -0.5), 0);
    EXPECT_EQ(level_at(table, chunk_seconds * 1.5), 11);
    EXPECT_EQ(level_at(table, chunk_seconds * 2.0), 0) << "past the track is silence";
}
