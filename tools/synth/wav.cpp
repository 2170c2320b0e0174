#include "wav.hpp"

#include <cmath>
#include <cstdio>

#include "dsp.hpp"
#include "song.hpp"

namespace krelan::synth {

std::vector<int16_t> to_pcm16(const std::vector<float>& stereo, uint64_t dither_seed) {
    Rng rng(dither_seed);
    std::vector<int16_t> pcm(stereo.size());
    for (size_t i = 0; i < stereo.size(); ++i) {
        float x = stereo[i];
        if (x == 0.0f) {
            pcm[i] = 0;
            continue;
        }
        float dither = rng.uniform() - rng.uniform();  // triangular, +-1 LSB
        float v = std::round(x * 32767.0f + dither);
        if (v > 32767.0f) v = 32767.0f;
        if (v < -32768.0f) v = -32768.0f;
        pcm[i] = int16_t(v);
    }
    return pcm;
}

namespace {
void put_u32(std::FILE* f, uint32_t v) {
    unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void put_u16(std::FILE* f, uint16_t v) {
    unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}
}  // namespace

bool write_wav(const std::string& path, const std::vector<int16_t>& pcm) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t data_bytes = uint32_t(pcm.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put_u32(f, 36 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put_u32(f, 16);
    put_u16(f, 1);  // PCM
    put_u16(f, 2);
    put_u32(f, uint32_t(kSampleRate));
    put_u32(f, uint32_t(kSampleRate) * 4);
    put_u16(f, 4);
    put_u16(f, 16);
    std::fwrite("data", 1, 4, f);
    put_u32(f, data_bytes);
    for (int16_t s : pcm) put_u16(f, uint16_t(s));
    bool ok = std::ferror(f) == 0;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace krelan::synth
