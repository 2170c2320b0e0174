// EBU R128 loudness of a stretch of the track, measured by libebur128.
#pragma once

#include <cstddef>
#include <vector>

struct Loudness {
    double integrated = 0.0;      // LUFS, gated (-inf for silence)
    double short_term_max = 0.0;  // LUFS, loudest 3 s window
    double true_peak = 0.0;       // dBTP
    double mono_loss = 0.0;       // LU lost when both channels are summed to mono
};

Loudness measure_loudness(const std::vector<float>& stereo, size_t begin, size_t end);
