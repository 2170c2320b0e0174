// Measurements of a rendered or decoded track for the mix report: the
// spectrum in third octaves, how alike the two channels are, crest factor
// and where the onsets are. All of them work on interleaved stereo floats
// at k_sample_rate over a range of frames [begin, end).
#pragma once

#include <cstddef>
#include <vector>

// Third-octave bands from 25 Hz to 16 kHz; band k_one_kilohertz is 1 kHz.
constexpr int k_third_octaves = 29;
constexpr int k_one_kilohertz = 16;
double third_octave_centre(int band);
const char* third_octave_label(int band);

// Below this the mix should be mono.
constexpr double k_mono_below_hz = 150.0;

struct Spectrum {
    double band[k_third_octaves] = {};                // power, both channels summed
    double low_lr = 0.0, low_ll = 0.0, low_rr = 0.0;  // cross and auto power below k_mono_below_hz
    // Level of a band relative to 1 kHz, dB.
    double relative_db(int b) const;
    // Left/right correlation below k_mono_below_hz (1 for silence).
    double low_correlation() const;
};

Spectrum measure_spectrum(const std::vector<float>& stereo, size_t begin, size_t end);

// Pearson correlation of left and right (1 for silence).
double correlation(const std::vector<float>& stereo, size_t begin, size_t end);

// Sample peak over RMS, dB.
double crest_factor_db(const std::vector<float>& stereo, size_t begin, size_t end);

// Frames where a new sound starts: peaks of the spectral flux (the rise of
// the log spectrum from one 11.6 ms hop to the next) that stand out from
// their surroundings. Sorted.
std::vector<size_t> find_onsets(const std::vector<float>& stereo);
