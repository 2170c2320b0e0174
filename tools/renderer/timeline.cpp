#include "timeline.h"

#include "beat_clock.h"
#include "mixer_format.h"

#include <cmath>

namespace {

bool is_whole(double v) { return v == std::floor(v); }

}  // namespace

float frame_beat(int64_t n, double fps)
{
    const double ms = static_cast<double>(n) * 1000.0 / fps;
    if (is_whole(fps) && n * 1000 % static_cast<int64_t>(fps) == 0 && ms <= UINT32_MAX)
        return beat_from_elapsed(static_cast<uint32_t>(ms));
    // The clock's own formula, on milliseconds that are not whole.
    return beat_at_ms(static_cast<float>(ms));
}

int64_t frame_sample(int64_t n, double fps)
{
    if (is_whole(fps)) return n * k_mix_rate / static_cast<int64_t>(fps);
    return static_cast<int64_t>(std::floor(static_cast<double>(n) * k_mix_rate / fps));
}

int64_t first_frame_at_or_after(float beat, double fps)
{
    const double ms = ms_at_beat(beat);
    int64_t n = static_cast<int64_t>(std::floor(ms * fps / 1000.0)) - 2;
    if (n < 0) n = 0;
    while (n > 0 && frame_beat(n - 1, fps) >= beat) --n;
    while (frame_beat(n, fps) < beat) ++n;
    return n;
}

int64_t beat_sample(float beat)
{
    const double ms = ms_at_beat(beat);
    return static_cast<int64_t>(std::floor(ms * k_mix_rate / 1000.0));
}

int64_t show_last_frame(double fps)
{
    return first_frame_at_or_after(std::nextafter(k_end_beat, 1e9f), fps) + 1;
}

FrameRange frames_between(float from, const float* to, double fps)
{
    FrameRange range;
    range.fps = fps;
    range.first = first_frame_at_or_after(from, fps);
    range.last =
        to ? first_frame_at_or_after(std::nextafter(*to, 1e30f), fps) - 1 : show_last_frame(fps);
    return range;
}
