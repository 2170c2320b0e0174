#include "track_wav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp.h"
#include "files.h"
#include "song.h"
#include "wav.h"

std::vector<int16_t> to_pcm16(const std::vector<float>& stereo, uint64_t dither_seed)
{
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

bool write_wav(const std::string& path, const std::vector<int16_t>& pcm)
{
    return write_file(path, wav_bytes(pcm.data(), pcm.size(), k_sample_rate, 2));
}

namespace {
uint32_t get_u32(const unsigned char* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
uint16_t get_u16(const unsigned char* b) { return uint16_t(b[0] | b[1] << 8); }
}  // namespace

bool read_wav(const std::string& path, std::vector<float>& stereo)
{
    std::string bytes;
    if (!read_file(path, &bytes)) return false;
    const std::vector<unsigned char> file(bytes.begin(), bytes.end());
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) ||
        std::memcmp(file.data() + 8, "WAVE", 4))
        return false;
    bool format_ok = false;
    // Chunks are padded to an even length; a decoder's "data" size may run
    // past the end when it could not seek back to fix it, so clamp it.
    for (size_t pos = 12; pos + 8 <= file.size();) {
        const unsigned char* chunk = file.data() + pos;
        size_t size = get_u32(chunk + 4), body = pos + 8;
        if (!std::memcmp(chunk, "fmt ", 4) && size >= 16 && body + 16 <= file.size()) {
            const unsigned char* fmt = file.data() + body;
            format_ok = get_u16(fmt) == 1 && get_u16(fmt + 2) == 2 &&
                        get_u32(fmt + 4) == uint32_t(k_sample_rate) && get_u16(fmt + 14) == 16;
        } else if (!std::memcmp(chunk, "data", 4)) {
            if (!format_ok) return false;
            size_t n = std::min(size, file.size() - body) / 4 * 2;
            stereo.resize(n);
            for (size_t i = 0; i < n; ++i)
                stereo[i] = float(int16_t(get_u16(file.data() + body + 2 * i))) / 32768.0f;
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}
