// A level meter is shared by the mixer's audio thread and the main thread
// without a lock. Run under ThreadSanitizer, this drives the post-mix effect
// from one thread while another reads, as the show does.
#include "level_meter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(LevelMeterThreads, MixerAndMainThreadShareTheMeterWithoutRaces)
{
    LevelMeter meter;
    std::atomic<bool> done{false};
    std::thread mixer([&] {
        std::vector<int16_t> chunk(k_mix_chunk_samples);
        for (int n = 0; n < 2000; ++n) {
            const int16_t value = static_cast<int16_t>(n % 2 ? 1000 : -3000);
            for (auto& s : chunk) s = value;
            on_post_mix(-2, chunk.data(), static_cast<int>(chunk.size() * 2), &meter);
        }
        done = true;
    });
    int32_t lowest = 1 << 30, highest = -1;
    while (!done) {
        int32_t level = level_average(meter);
        int16_t sample = level_last_sample(meter);
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
        ASSERT_TRUE(sample == 0 || sample == 1000 || sample == -3000) << sample;
    }
    mixer.join();
    // A read may mix two chunks, but never leaves the range they span.
    EXPECT_GE(lowest, 0);
    EXPECT_LE(highest, 3000);
    EXPECT_EQ(level_average(meter), 1000);  // the last chunk was +1000 throughout
}
