// 16-bit PCM WAV files of a rendered track: writing, and reading one back
// (a decoded MP3) for the mix report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Converts interleaved stereo floats (full scale = 1.0) to 16-bit samples
// with triangular dither. Exact zeros stay zero, so silence stays digital
// silence; values beyond full scale saturate.
std::vector<int16_t> to_pcm16(const std::vector<float>& stereo, uint64_t dither_seed);

// Writes a canonical 44-byte-header WAV file, stereo at k_sample_rate.
bool write_wav(const std::string& path, const std::vector<int16_t>& pcm);

// Reads a 16-bit PCM stereo WAV file at k_sample_rate into interleaved floats
// (full scale = 1.0). Skips chunks other than "fmt " and "data"; false if
// the file is missing, truncated or in another format.
bool read_wav(const std::string& path, std::vector<float>& stereo);
