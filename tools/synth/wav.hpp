// 16-bit PCM output of a rendered track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace krelan::synth {

// Converts interleaved stereo floats (full scale = 1.0) to 16-bit samples
// with triangular dither. Exact zeros stay zero, so silence stays digital
// silence; values beyond full scale saturate.
std::vector<int16_t> to_pcm16(const std::vector<float>& stereo, uint64_t dither_seed);

// Writes a canonical 44-byte-header WAV file, stereo at kSampleRate.
bool write_wav(const std::string& path, const std::vector<int16_t>& pcm);

}  // namespace krelan::synth
