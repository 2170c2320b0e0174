// Plays a Song: triggers every note on its exact sample, runs the channel
// strips (faders, sidechain ducking, effect sends), the shared reverb and
// delay, and the master bus with its peak limiter.
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "dsp.h"
#include "song.h"

// Highest level the master bus lets through, in dBFS, both on the samples
// and between them. The headroom below -1 dBFS absorbs the overshoot that
// MP3 encoding adds: 0.65 to 1 dB at 192 kbit/s in most sections of this
// track, 1.5 dB in the rings (which the arrangement keeps 0.9 dB lower for
// it), and more as the ceiling rises (the whole file measured -0.85 dBTP
// with the ceiling at -1.7).
constexpr float k_ceiling_db = -1.85f;

// The master bus sums the two channels below this frequency.
constexpr float k_mono_below = 150.0f;

// Estimates the true peak of one channel: the largest magnitude on the
// samples and at seven points between each pair of samples, interpolated
// with a 32-tap windowed sinc (8x oversampling). Accurate for content below
// about 18 kHz, which the master bus makes sure of. Runs k_delay samples behind.
class TruePeakMeter {
public:
    static constexpr int k_taps = 32;
    static constexpr int k_delay = k_taps / 2;
    TruePeakMeter();
    // Feeds sample n; returns the peak of the interval starting at sample n - k_delay.
    float push(float x);

private:
    // Each sample stored twice, so the newest k_taps are contiguous.
    float history_[2 * k_taps] = {};
    int pos_ = 0;
    float taps_[7][k_taps];  // phase p: position (p + 1) / 8 between two samples
};

// Sliding minimum over the last `span` values pushed (a monotonic deque:
// amortised constant time per value).
class RunningMin {
public:
    explicit RunningMin(int64_t span) : span_(span) {}
    // Pushes value number `index` (indices count up by one); returns the
    // lowest of values index - span + 1 .. index.
    float push(int64_t index, float value);

private:
    int64_t span_;
    std::deque<std::pair<int64_t, float>> rising_;
};

// Look-ahead limiter whose gain changes by at most `step` dB within any
// `window` samples (one beat in the mix), down as well as up. It starts
// from the highest of all gains that keep every peak under the ceiling and
// obey that rule: at each moment the lowest of "the gain a peak needs, plus
// one step for every window (or part of one) between it and now", over the
// peaks within the look-ahead behind and ahead. So a hit is met by a dip of
// at most one step inside its beat, and a hit that needs more than the bar
// around it is met by steps a window apart that start well before it. The
// gain is then eroded and averaged over `smooth` samples either side, which
// turns each step into a ramp without breaking either rule. The look-ahead
// (`reach` dB in steps) bounds how deep a peak it can meet this way; the
// output clamp takes anything beyond.
class PeakLimiter {
public:
    PeakLimiter(float ceiling_db, float step_db, int window, float reach_db, int smooth);
    int latency() const { return TruePeakMeter::k_delay + steps_ * window_ + 2 * smooth_; }
    void process(float in_l, float in_r, float& out_l, float& out_r);
    float ceiling() const { return ceiling_; }
    // Gain applied to the frame that process() returned last.
    float gain() const { return gain_; }

private:
    float ceiling_, ceiling_db_, step_db_;
    int window_, steps_, smooth_;
    TruePeakMeter meter_l_, meter_r_;
    std::vector<float> delay_l_, delay_r_;  // latency() samples
    size_t delay_pos_ = 0;
    // Needed gain (dB) of the last steps_ * window_ + 1 samples.
    std::vector<float> need_;
    // reach_[k - 1]: lowest need within k windows either side of the sample
    // whose gain is being decided.
    std::vector<RunningMin> reach_;
    RunningMin erode_;
    std::vector<float> eroded_;  // the last 2 * smooth_ + 1 eroded gains (dB)
    double eroded_sum_ = 0.0;
    float gain_ = 1.0f;
    int64_t count_ = 0;
};

// The end of the mix: the stereo image made mono below k_mono_below, a high
// pass against rumble, a low pass that keeps the top octave from
// crowding the Nyquist frequency (where peaks between samples are hardest to
// see), the look-ahead limiter, and a last, very low high pass for the bit of
// DC that the limiter's gain riding on the lopsided kick leaves behind.
class MasterBus {
public:
    MasterBus();
    int latency() const { return limiter_.latency(); }
    // Feeds one frame; returns the frame from latency() frames ago.
    void process(float in_l, float in_r, float& out_l, float& out_r);
    // Limiter gain on the frame returned last, linear.
    float limiter_gain() const { return limiter_.gain(); }

private:
    Svf dc_[2], air_a_[2], air_b_[2];
    PeakLimiter limiter_;
    Svf side_a_, side_b_;
    OnePole drift_[2];
};

// What the master bus did, frame by frame, on the score's time line (frame
// i belongs to sample begin + i of the render): for the mix report.
struct BusTrace {
    std::vector<float> limiter_gain;  // linear
    // Per clipper (drums, lines): how many of its oversampled
    // samples of the frame, both channels, went over its knee.
    static constexpr int k_clippers = 2;
    std::vector<uint8_t> over_knee[k_clippers];
    int clip_samples_per_frame = 2;  // how many samples a clipper has in one frame
};

struct RenderOptions {
    // Bit i set: part i sounds. Muted parts still drive the sidechain.
    uint32_t parts = 0xFFFFFFFFu;
    // Extra seconds rendered (and discarded) before `begin` so that effects
    // and long notes have settled when the requested range starts.
    double preroll_seconds = 4.0;
    // When set, filled with the master bus's behaviour over [begin, end).
    BusTrace* trace = nullptr;
};

// Renders samples [begin, end) of the song at k_sample_rate as interleaved
// stereo floats. The master bus latency is compensated: a note at sample s
// of the score starts at sample s of the result.
std::vector<float> render(const Song& song, int64_t begin, int64_t end,
                          const RenderOptions& options = {});
