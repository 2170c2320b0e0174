// WAV files of 16-bit PCM, for the tools and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A canonical WAV file (44-byte header) of `count` interleaved samples,
// stored little-endian.
std::string wav_bytes(const int16_t* samples, size_t count, int rate, int channels);
