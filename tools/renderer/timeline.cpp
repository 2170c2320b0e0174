#include "timeline.h"

#include "beat_clock.h"
#include "mixer_format.h"

#include <cmath>

namespace {

bool is_whole(double v) { return v == std::floor(v); }

}  // namespace

int64_t frame_sample(int64_t n, double fps)
{
    if (is_whole(fps)) return n * k_mix_rate / static_cast<int64_t>(fps);
    return static_cast<int64_t>(std::floor(static_cast<double>(n) * k_mix_rate / fps));
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
