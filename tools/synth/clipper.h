// Soft clipper for the drum bus, run at four times the sample rate so the
// harmonics it makes above the Nyquist frequency are filtered off instead
// of folding back down as grit.
#pragma once

#include <cstddef>
#include <vector>

class OversampledClipper {
public:
    // Magnitudes up to `knee` pass untouched; above it they bend smoothly
    // towards `knee + headroom`.
    OversampledClipper(float knee, float headroom);
    // Whole samples between input and output.
    int latency() const { return 2 * k_half_taps / k_factor; }
    float process(float x);
    // How many of the four oversampled points of the last call went over the knee.
    int over_knee() const { return over_; }
    static constexpr int k_factor = 4;

private:
    // Linear-phase low pass at the original Nyquist frequency, 4M + 1 taps
    // at the high rate so that up- and down-sampling delay the signal by a
    // whole number (M) of original samples.
    static constexpr int k_half_taps = 16;
    static constexpr int k_taps = 2 * k_half_taps + 1;
    float shape(float u) const;
    float knee_, headroom_;
    float taps_[k_taps];
    std::vector<float> input_;   // recent input samples, for the interpolation
    std::vector<float> excess_;  // recent (clipped - unclipped) at the high rate, k_taps + 3
    std::vector<float> dry_;     // input delayed by latency()
    size_t in_pos_ = 0, ex_pos_ = 0, dry_pos_ = 0;
    int over_ = 0;
};
