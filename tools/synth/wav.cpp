#include "wav.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

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

namespace {
uint32_t get_u32(const unsigned char* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
uint16_t get_u16(const unsigned char* b) { return uint16_t(b[0] | b[1] << 8); }

std::vector<unsigned char> slurp(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}
}  // namespace

bool read_wav(const std::string& path, std::vector<float>& stereo) {
    const std::vector<unsigned char> file = slurp(path);
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) || std::memcmp(file.data() + 8, "WAVE", 4)) return false;
    bool format_ok = false;
    // Chunks are padded to an even length; a decoder's "data" size may run
    // past the end when it could not seek back to fix it, so clamp it.
    for (size_t pos = 12; pos + 8 <= file.size();) {
        const unsigned char* chunk = file.data() + pos;
        size_t size = get_u32(chunk + 4), body = pos + 8;
        if (!std::memcmp(chunk, "fmt ", 4) && size >= 16 && body + 16 <= file.size()) {
            const unsigned char* fmt = file.data() + body;
            format_ok = get_u16(fmt) == 1 && get_u16(fmt + 2) == 2 && get_u32(fmt + 4) == uint32_t(kSampleRate) &&
                        get_u16(fmt + 14) == 16;
        } else if (!std::memcmp(chunk, "data", 4)) {
            if (!format_ok) return false;
            size_t n = std::min(size, file.size() - body) / 4 * 2;
            stereo.resize(n);
            for (size_t i = 0; i < n; ++i) stereo[i] = float(int16_t(get_u16(file.data() + body + 2 * i))) / 32768.0f;
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

}  // namespace krelan::synth
