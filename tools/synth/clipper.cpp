#include "clipper.h"

#include <cmath>

#include "dsp.h"

OversampledClipper::OversampledClipper(float knee, float headroom)
    : knee_(knee),
      headroom_(headroom),
      input_(size_t(k_taps / k_factor + 2), 0.0f),
      excess_(size_t(k_taps + k_factor - 1), 0.0f),
      dry_(size_t(2 * k_half_taps / k_factor), 0.0f)
{
    // Blackman-windowed sinc, cutoff a little under the original Nyquist.
    const float cutoff = 0.45f / float(k_factor);
    float sum = 0.0f;
    for (int j = 0; j < k_taps; ++j) {
        float t = float(j - k_half_taps);
        float sinc = t == 0.0f ? 2.0f * cutoff : std::sin(2.0f * k_pi * cutoff * t) / (k_pi * t);
        float w = 0.42f + 0.5f * std::cos(k_pi * t / float(k_half_taps + 1)) +
                  0.08f * std::cos(2.0f * k_pi * t / float(k_half_taps + 1));
        taps_[j] = sinc * w;
        sum += taps_[j];
    }
    for (float& t : taps_) t /= sum;
}

float OversampledClipper::shape(float u) const
{
    float a = std::fabs(u);
    if (a <= knee_) return u;
    float y = knee_ + headroom_ * std::tanh((a - knee_) / headroom_);
    return u < 0.0f ? -y : y;
}

float OversampledClipper::process(float x)
{
    const size_t n_in = input_.size();
    input_[in_pos_] = x;
    in_pos_ = (in_pos_ + 1) % n_in;
    // Only what the clipper takes off is filtered back down: below the knee
    // the output is exactly the delayed input, so quiet notes keep their
    // first sample where it was.
    over_ = 0;
    for (int p = 0; p < k_factor; ++p) {
        // Interpolated point p/4 of the way past the input k_half_taps/4 samples back.
        float u = 0.0f;
        for (int j = p; j < k_taps; j += k_factor) {
            size_t back = size_t((j - p) / k_factor);
            u += float(k_factor) * taps_[j] * input_[(in_pos_ + n_in - 1 - back) % n_in];
        }
        float clipped = shape(u);
        over_ += clipped != u;
        excess_[ex_pos_] = clipped - u;
        ex_pos_ = (ex_pos_ + 1) % excess_.size();
    }
    // Decimate on the first of the four points (k_factor back from the newest),
    // which lines up with a whole input sample.
    const size_t n_ex = excess_.size();
    float removed = 0.0f;
    for (int k = 0; k < k_taps; ++k)
        removed += taps_[k] * excess_[(ex_pos_ + n_ex - size_t(k_factor) - size_t(k)) % n_ex];
    float delayed = dry_[dry_pos_];
    dry_[dry_pos_] = x;
    dry_pos_ = (dry_pos_ + 1) % dry_.size();
    return delayed + removed;
}
