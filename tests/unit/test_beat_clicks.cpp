// Calibration clicks land on the exact sample of each beat, whatever the
// chunking, and never wrap around at full scale.
#include "beat_clicks.h"
#include "mixer_format.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

namespace {

// `frames` mixed frames from music frame `first_frame` on, with clicks,
// mixed chunk by chunk.
std::vector<int16_t> clicked(int64_t first_frame, int frames, int chunk, int16_t music = 0)
{
    std::vector<int16_t> samples(size_t(frames) * k_mix_channels, music);
    for (int done = 0; done < frames; done += chunk)
        add_beat_clicks(&samples[size_t(done) * k_mix_channels], std::min(chunk, frames - done),
                        first_frame + done);
    return samples;
}

}  // namespace

TEST(BeatClicks, StartOnTheBeatsOwnSampleInEveryChunking)
{
    // Beat 10 is heard (10 + 0.5) * 60 / 130 s into the track.
    const int64_t beat10 = beat_frame(10);
    EXPECT_EQ(beat10, 232615);  // 10.5 * 60 * 48000 / 130 = 232615.38
    const int64_t from = beat10 - 3000;
    const std::vector<int16_t> whole = clicked(from, 8000, 8000);
    for (int chunk : {k_mix_chunk_frames, 1, 777, 2999})
        EXPECT_EQ(clicked(from, 8000, chunk), whole) << chunk;
    for (int f = 0; f < 3000; ++f)
        ASSERT_EQ(whole[2 * f], 0) << "a click before the beat, frame " << f;
    EXPECT_EQ(whole[2 * 3000], click_sample(0));
    EXPECT_EQ(whole[2 * 3000 + 1], click_sample(0));
    EXPECT_GT(click_sample(0), 10000);
    for (int f = 3000 + k_click_frames; f < 8000; ++f) ASSERT_EQ(whole[2 * f], 0) << f;
}

TEST(BeatClicks, EveryBeatOnceAndSaturatingOnLoudMusic)
{
    // Ten seconds: beats 0 to 21 each start one click, where its loudest
    // sample is.
    const std::vector<int16_t> quiet = clicked(0, 10 * k_mix_rate, k_mix_chunk_frames);
    std::vector<int64_t> starts;
    for (size_t f = 0; f < quiet.size() / 2; ++f)
        if (quiet[2 * f] == click_sample(0)) starts.push_back(int64_t(f));
    ASSERT_EQ(starts.size(), 22u);
    for (int b = 0; b < 22; ++b) EXPECT_EQ(starts[b], beat_frame(b));

    const std::vector<int16_t> loud = clicked(beat_frame(3), 100, 100, 32000);
    EXPECT_EQ(loud[0], 32767) << "clipped, not wrapped";
}
