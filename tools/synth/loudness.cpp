#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

#include "song.h"

namespace {

constexpr size_t k_chunk = k_sample_rate / 10;  // short-term loudness is read every 100 ms

double gain_db(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -HUGE_VAL; }

double integrated(ebur128_state* state)
{
    double lufs = -HUGE_VAL;
    ebur128_loudness_global(state, &lufs);
    return lufs;
}

}  // namespace

Loudness measure_loudness(const std::vector<float>& stereo, size_t begin, size_t end)
{
    ebur128_state* state =
        ebur128_init(2, k_sample_rate, EBUR128_MODE_I | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK);
    // The mono fold-down as a mono listener hears it: the average of the two
    // channels on both speakers, so identical channels lose nothing.
    ebur128_state* mono = ebur128_init(2, k_sample_rate, EBUR128_MODE_I);
    Loudness result;
    result.short_term_max = -HUGE_VAL;
    std::vector<float> folded;
    for (size_t at = begin; at < end; at += k_chunk) {
        size_t n = std::min(k_chunk, end - at);
        ebur128_add_frames_float(state, &stereo[2 * at], n);
        folded.resize(2 * n);
        for (size_t i = 0; i < n; ++i)
            folded[2 * i] = folded[2 * i + 1] =
                0.5f * (stereo[2 * (at + i)] + stereo[2 * (at + i) + 1]);
        ebur128_add_frames_float(mono, folded.data(), n);
        double short_term = -HUGE_VAL;
        if (at + n - begin >= 3 * size_t(k_sample_rate) &&
            ebur128_loudness_shortterm(state, &short_term) == EBUR128_SUCCESS)
            result.short_term_max = std::max(result.short_term_max, short_term);
    }
    result.integrated = integrated(state);
    result.mono_loss = result.integrated - integrated(mono);
    double peak_l = 0.0, peak_r = 0.0;
    ebur128_true_peak(state, 0, &peak_l);
    ebur128_true_peak(state, 1, &peak_r);
    result.true_peak = gain_db(std::max(peak_l, peak_r));
    ebur128_destroy(&state);
    ebur128_destroy(&mono);
    return result;
}
