#include "wav.h"

#include <cstring>

std::string wav_bytes(const int16_t* samples, size_t count, int rate, int channels)
{
    const uint32_t data_bytes = static_cast<uint32_t>(count * 2);
    std::string wav;
    auto u32 = [&wav](uint32_t v) {
        for (int i = 0; i < 4; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&wav](uint32_t v) {
        wav += static_cast<char>(v & 0xFF);
        wav += static_cast<char>((v >> 8) & 0xFF);
    };
    wav += "RIFF";
    u32(36 + data_bytes);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(static_cast<uint32_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * channels * 2));  // bytes per second
    u16(static_cast<uint32_t>(channels * 2));         // bytes per frame
    u16(16);                                          // bits per sample
    wav += "data";
    u32(data_bytes);
    const size_t header = wav.size();
    wav.resize(header + data_bytes);
    // The host is little-endian (x86-64, ARM64), like the file.
    std::memcpy(&wav[header], samples, data_bytes);
    return wav;
}
