#include "beat_clicks.h"

#include "beat_clock.h"
#include "mixer_format.h"

#include <algorithm>
#include <cmath>

namespace {

// A 3 kHz tone that starts at its peak and dies away within a few ms: it
// cuts through the kick and its start is unmistakable.
constexpr double k_click_hz = 3000;
constexpr double k_click_decay_frames = 72;  // 1.5 ms
constexpr double k_click_peak = 16000;
constexpr double k_pi = 3.14159265358979323846;  // M_PI is not standard C++ (MinGW lacks it)

}  // namespace

int16_t click_sample(int n)
{
    if (n < 0 || n >= k_click_frames) return 0;
    const double tone = std::cos(2 * k_pi * k_click_hz * n / k_mix_rate);
    return static_cast<int16_t>(
        std::lround(k_click_peak * tone * std::exp(-n / k_click_decay_frames)));
}

int64_t beat_frame(int64_t beat)
{
    return std::llround(ms_at_beat(double(beat)) * k_mix_rate / 1000);
}

void add_beat_clicks(int16_t* samples, int frames, int64_t first_music_frame)
{
    // Beats are about 22,000 frames apart, so at most a click begun before
    // the chunk and one inside it touch it.
    const double frames_per_beat = 60.0 * k_mix_rate / k_bpm;
    const double first_reach = double(first_music_frame - k_click_frames);
    int64_t beat = static_cast<int64_t>(std::floor(first_reach / frames_per_beat - 0.5));
    for (;; ++beat) {
        // The chunk's frame on which the beat's click starts.
        const int64_t start = beat_frame(beat) - first_music_frame;
        if (start >= frames) break;
        for (int64_t f = std::max<int64_t>(start, 0);
             f < std::min<int64_t>(start + k_click_frames, frames); ++f) {
            const int click = click_sample(int(f - start));
            for (int c = 0; c < k_mix_channels; ++c) {
                int16_t& s = samples[f * k_mix_channels + c];
                s = static_cast<int16_t>(std::clamp(s + click, -32768, 32767));
            }
        }
    }
}
