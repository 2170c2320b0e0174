// The synthesizer core: grid timing, the master bus ceiling, determinism and
// the arrangement's contract with the picture's schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <set>
#include <vector>

#include "arrangement.h"
#include "dsp.h"
#include "engine.h"
#include "scenes.h"

namespace {

float scene_start(const char* name) { return find_scene(embedded_schedule(), name)->start; }

float ceiling_gain() { return std::pow(10.0f, k_ceiling_db / 20.0f); }

// Peak of a signal between its samples: 8x oversampling with a long
// Blackman-windowed sinc, independent of the limiter's own meter.
double oversampled_peak(const std::vector<float>& x, size_t stride, size_t channel)
{
    constexpr int k_taps = 64, k_factor = 8;
    static const std::vector<double> weights = [] {
        std::vector<double> w;
        for (int p = 0; p < k_factor; ++p)
            for (int j = -k_taps + 1; j <= k_taps; ++j) {
                double t = double(p) / k_factor - j;
                double sinc = std::fabs(t) < 1e-9 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
                w.push_back(sinc * (0.42 + 0.5 * std::cos(M_PI * t / k_taps) +
                                    0.08 * std::cos(2 * M_PI * t / k_taps)));
            }
        return w;
    }();
    double peak = 0.0;
    const size_t n = x.size() / stride;
    for (size_t i = size_t(k_taps); i + size_t(k_taps) < n; ++i)
        for (int p = 0; p < k_factor; ++p) {
            const double* w = &weights[size_t(p) * 2 * k_taps];
            double y = 0.0;
            for (int j = -k_taps + 1; j <= k_taps; ++j)
                y += w[j + k_taps - 1] * x[(i + size_t(j)) * stride + channel];
            peak = std::max(peak, std::fabs(y));
        }
    return peak;
}

// Largest change within any `span` consecutive values.
float largest_swing(const std::vector<float>& v, size_t span)
{
    std::deque<size_t> lo, hi;  // indices of rising minima and falling maxima
    float worst = 0.0f;
    for (size_t i = 0; i < v.size(); ++i) {
        while (!lo.empty() && v[lo.back()] >= v[i]) lo.pop_back();
        while (!hi.empty() && v[hi.back()] <= v[i]) hi.pop_back();
        lo.push_back(i);
        hi.push_back(i);
        if (lo.front() + span <= i) lo.pop_front();
        if (hi.front() + span <= i) hi.pop_front();
        worst = std::max(worst, v[hi.front()] - v[lo.front()]);
    }
    return worst;
}

Song single_note_song(Part part, double beat)
{
    Song song;
    song.seed = 7;
    Note n;
    n.beat = beat;
    n.length = 0.25;
    n.part = part;
    n.pitch = part == PART_KICK ? 31.0f : 60.0f;
    n.velocity = 1.0f;
    song.notes = {n};
    song.mix = [](double) { return MixState(); };
    return song;
}

// ------------------------------------------------------------------ timing

TEST(BeatGrid, EveryGridPositionRoundsToItsNearestSample)
{
    // Exact time of a position p (in sixteenths from beat 0) in samples:
    // (p / 4 + 1/2) * 60 * 44100 / 130 = (p + 2) * 2646000 / 520. Integer
    // arithmetic here, so an error that builds up along the track shows.
    for (int64_t p = 0; p <= 528 * 4; ++p) {
        int64_t s = beat_to_sample(double(p) / 4.0);
        int64_t exact_times_520 = (p + 2) * 2646000;
        EXPECT_LE(std::llabs(s * 520 - exact_times_520), 260) << "sixteenth " << p;
    }
    // The first beat of the show: 0.5 beat after the start, about 230.8 ms.
    EXPECT_NEAR(double(beat_to_sample(0.0)) / k_sample_rate, 0.2308, 0.0001);
}

TEST(Engine, NotesStartOnTheirGridSampleThroughTheWholeChain)
{
    // Percussion with an instant attack, rendered through the mix, effects
    // and limiter: the sound starts on the note's own sample.
    for (auto [part, beat] :
         {std::pair{PART_KICK, 3.0}, {PART_CLOSED_HAT, 5.25}, {PART_CLAP, 6.5}}) {
        Song song = single_note_song(part, beat);
        const int64_t onset = beat_to_sample(beat);
        std::vector<float> out = render(song, onset - 2000, onset + 2000);
        size_t first = 0;
        while (first < out.size() && out[first] == 0.0f) ++first;
        ASSERT_LT(first, out.size()) << part_name(part) << " made no sound";
        // A hit that goes straight into the drum clipper's knee may lead by
        // the half-length of its linear-phase down-sampling filter (4 samples,
        // 0.09 ms): what the clipper takes off the tip is spread both ways.
        EXPECT_LE(int64_t(first / 2) + onset - 2000, onset) << part_name(part);
        EXPECT_GE(int64_t(first / 2) + onset - 2000, onset - 4) << part_name(part);
    }
}

// ------------------------------------------------------------------ master bus

TEST(MasterBus, OverdrivenInputStaysUnderTheCeilingBetweenSamplesToo)
{
    MasterBus bus;
    Rng rng(3);
    std::vector<float> out;
    // Bursts up to +12 dBFS of white noise (the worst case for peaks between
    // samples), a low sine and a tone near the top of the band.
    for (int i = 0; i < k_sample_rate * 3 / 2; ++i) {
        float t = float(i) / k_sample_rate;
        float burst = (i / 11025) % 2 ? 4.0f : 0.3f;
        float x = burst * (0.6f * std::sin(2 * k_pi * 55.0f * t) + 0.3f * rng.bipolar() +
                           0.3f * std::sin(2 * k_pi * 17000.0f * t));
        float l, r;
        bus.process(x, -x * 0.8f, l, r);
        out.push_back(l);
        out.push_back(r);
    }
    float peak = 0.0f;
    for (float v : out) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, ceiling_gain());
    // Between samples the level may poke out by a hair (0.1 dB) at most.
    EXPECT_LE(oversampled_peak(out, 2, 0), ceiling_gain() * 1.0116);
    EXPECT_LE(oversampled_peak(out, 2, 1), ceiling_gain() * 1.0116);
}

TEST(MasterBus, QuietSignalPassesUnchangedAfterTheLatency)
{
    // A short window and reach keep the look-ahead to 136 samples.
    PeakLimiter limiter(k_ceiling_db, 1.4f, 100, 0.5f, 10);
    ASSERT_LT(limiter.latency(), 1000);
    std::vector<float> in, out;
    for (int i = 0; i < 4000; ++i) {
        in.push_back(0.25f * std::sin(0.05f * float(i)));
        float l, r;
        limiter.process(in.back(), in.back(), l, r);
        out.push_back(l);
    }
    for (size_t i = size_t(limiter.latency()); i < out.size(); ++i)
        ASSERT_EQ(out[i], in[i - size_t(limiter.latency())]) << "sample " << i;
}

TEST(MasterBus, LimiterMeetsALonePeakInStepsOfOneWindow)
{
    // A steady tone at the ceiling's level less 6 dB, and at 5 s a 30 ms
    // burst 9 dB over the ceiling: the gain must take those 9 dB off the
    // burst and change by at most one step within any window.
    const float step = 1.5f;
    const int window = k_sample_rate / 2;
    PeakLimiter limiter(k_ceiling_db, step, window, 12.0f, k_sample_rate / 100);
    const float base = ceiling_gain() * 0.5f;
    const int burst_at = 5 * k_sample_rate, burst_len = k_sample_rate * 3 / 100;
    std::vector<float> gains_db, out;
    for (int i = 0; i < 10 * k_sample_rate + limiter.latency(); ++i) {
        float x = base * std::sin(2 * k_pi * 220.0f * float(i) / k_sample_rate);
        if (i >= burst_at && i < burst_at + burst_len) x *= 5.6f;  // +15 dB: 9 dB over
        float l, r;
        limiter.process(x, x, l, r);
        out.push_back(l);
        gains_db.push_back(20.0f * std::log10(limiter.gain()));
    }
    EXPECT_LE(largest_swing(gains_db, size_t(window)), step + 1e-3f);
    // Output sample i is input sample i - latency: the burst comes out
    // under the ceiling, with about 9 dB taken off.
    const size_t burst_out = size_t(burst_at + limiter.latency());
    float lowest = *std::min_element(gains_db.begin(), gains_db.end());
    EXPECT_NEAR(lowest, -9.0f, 0.3f);
    for (float v : out) ASSERT_LE(std::fabs(v), ceiling_gain());
    // The tone around the burst comes down in steps: one step less within
    // a window of it, two steps less a window further out, either side;
    // far from it the tone is untouched.
    const size_t tenth = size_t(k_sample_rate / 10), end = burst_out + size_t(burst_len);
    EXPECT_NEAR(gains_db[burst_out - tenth], lowest + step, 0.2f);
    EXPECT_NEAR(gains_db[end + tenth], lowest + step, 0.2f);
    EXPECT_NEAR(gains_db[burst_out - size_t(window) - tenth], lowest + 2 * step, 0.2f);
    EXPECT_NEAR(gains_db[end + size_t(window) + tenth], lowest + 2 * step, 0.2f);
    EXPECT_EQ(gains_db[size_t(limiter.latency() + k_sample_rate)], 0.0f);
    EXPECT_EQ(gains_db.back(), 0.0f);
}

TEST(Render, LoudestPartOfTheTrackStaysUnderTheCeiling)
{
    Song song = compose(k_default_seed);
    // The recap, the densest stretch of the arrangement.
    std::vector<float> out = render(song, beat_to_sample(424.0), beat_to_sample(432.0));
    double peak = 0.0, sum = 0.0, mean = 0.0;
    for (float v : out) {
        peak = std::max(peak, double(std::fabs(v)));
        sum += double(v) * v;
        mean += v;
    }
    EXPECT_LE(peak, ceiling_gain());
    EXPECT_GT(10.0 * std::log10(sum / double(out.size())), -16.0) << "suspiciously quiet";
    EXPECT_LT(std::fabs(mean / double(out.size())), 1e-3) << "DC offset";
}

TEST(Render, SameSeedGivesTheSameSamplesAndAnotherSeedDoesNot)
{
    const int64_t from = beat_to_sample(100.0), to = beat_to_sample(104.0);
    RenderOptions quick;
    quick.preroll_seconds = 0.5;
    std::vector<float> a = render(compose(k_default_seed), from, to, quick);
    std::vector<float> b = render(compose(k_default_seed), from, to, quick);
    std::vector<float> c = render(compose(k_default_seed + 1), from, to, quick);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

// ------------------------------------------------------------------ arrangement

TEST(Arrangement, KickFollowsThePictureSchedule)
{
    Song song = compose(k_default_seed);
    std::set<double> kicks;
    for (const Note& n : song.notes)
        if (n.part == PART_KICK) kicks.insert(n.beat);
    for (double k : kicks) EXPECT_EQ(k, std::floor(k)) << "kick off the beat at " << k;
    // Quiet intro and the first half of the build: no kick.
    EXPECT_EQ(std::count_if(kicks.begin(), kicks.end(), [](double b) { return b < 24; }), 0);
    // Full energy from beat 32, a four-beat break at 64, back in at 68.
    for (int b = 32; b < 64; ++b) EXPECT_TRUE(kicks.count(b)) << "beat " << b;
    for (int b = 64; b < 68; ++b) EXPECT_FALSE(kicks.count(b)) << "beat " << b;
    for (int b = 68; b < 100; ++b) EXPECT_TRUE(kicks.count(b)) << "beat " << b;
    // Every beat of the recap, where the picture cuts on each one.
    const Recap& recap = embedded_schedule().recaps.at(0);
    for (int b = int(recap.start); b < int(recap.end); ++b)
        EXPECT_TRUE(kicks.count(b)) << "beat " << b;
    // The greetings, the rings and the recap each land after a phrase
    // without kick, so the change of scene is heard as well as seen.
    for (int scene : {int(scene_start("field")), int(scene_start("particles")), int(recap.start)}) {
        for (int b = scene - 16; b < scene; ++b) EXPECT_FALSE(kicks.count(b)) << "beat " << b;
        EXPECT_TRUE(kicks.count(scene)) << "beat " << scene;
    }
}

TEST(Arrangement, NotesSitOnTheGridAndEndWithTheShow)
{
    Song song = compose(k_default_seed);
    for (const Note& n : song.notes) {
        if (n.beat < 0.0) {
            // Only the opening chord may start before the first beat, at the file's first sample.
            EXPECT_EQ(beat_to_sample(n.beat), 0) << part_name(n.part);
            continue;
        }
        double steps = n.beat * 8.0;  // thirty-second notes at the finest
        EXPECT_EQ(steps, std::round(steps)) << part_name(n.part) << " at " << n.beat;
        EXPECT_LE(n.beat + n.length, k_end_beat) << part_name(n.part) << " at " << n.beat;
    }
    // The outro fades steadily from full level to nothing before beat 528.
    EXPECT_GT(song.mix(511.9).master, 0.5f);
    for (double b = 512.0; b < k_end_beat; b += 0.25)
        EXPECT_LE(song.mix(b + 0.25).master, song.mix(b).master) << "beat " << b;
    EXPECT_EQ(song.mix(k_end_beat - 0.5).master, 0.0f);
}

TEST(Arrangement, SectionsChangeWhereThePictureDoes)
{
    Song song = compose(k_default_seed);
    std::set<int> starts;
    int expected_begin = 0;
    for (const Section& s : song.sections) {
        EXPECT_EQ(s.begin_beat, expected_begin) << s.name;  // contiguous
        expected_begin = s.end_beat;
        starts.insert(s.begin_beat);
    }
    EXPECT_EQ(expected_begin, int(k_end_beat));
    // Every scene's start in the show's scene table, and the recap's.
    std::vector<int> scene_changes;
    for (const ShowPart& part : show_parts(embedded_schedule()))
        if (part.start > 0) scene_changes.push_back(int(part.start));
    for (int scene_change : scene_changes) EXPECT_TRUE(starts.count(scene_change)) << scene_change;
    EXPECT_GE(song.seconds, 248.0);
}

}  // namespace
