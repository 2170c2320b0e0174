#include "music_pace.h"

#include "mix_format.h"

#include <cmath>

double music_frames_per_mixed_frame(int track_rate)
{
    if (track_rate <= 0 || track_rate == k_mix_rate) return 1.0;
    const double exact = double(k_chunk_frames) * k_mix_rate / track_rate;
    return exact / std::floor(exact);
}

int mp3_sample_rate(const unsigned char* bytes, size_t length)
{
    size_t pos = 0;
    // An ID3v2 tag: "ID3", version, flags, then a size of four 7-bit bytes.
    if (length >= 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3')
        pos = 10 + ((size_t(bytes[6] & 0x7F) << 21) | (size_t(bytes[7] & 0x7F) << 14) |
                    (size_t(bytes[8] & 0x7F) << 7) | size_t(bytes[9] & 0x7F));
    // The first frame header: an 11-bit sync, then the version (MPEG 1, 2 or
    // 2.5) and the rate index.
    static const int k_rates[3] = {44100, 48000, 32000};
    for (; pos + 4 <= length; ++pos) {
        if (bytes[pos] != 0xFF || (bytes[pos + 1] & 0xE0) != 0xE0) continue;
        const int version = (bytes[pos + 1] >> 3) & 3;  // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
        const int index = (bytes[pos + 2] >> 2) & 3;
        if (version == 1 || index == 3) continue;
        return k_rates[index] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    }
    return 0;
}
