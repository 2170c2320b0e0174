#include "frame_timeline.h"

#include "beat_clock.h"

#include <cmath>

float frame_beat(int64_t n, double fps)
{
    const double ms = static_cast<double>(n) * 1000.0 / fps;
    if (fps == std::floor(fps) && n * 1000 % static_cast<int64_t>(fps) == 0 && ms <= UINT32_MAX)
        return beat_from_elapsed(static_cast<uint32_t>(ms));
    // The clock's own formula, on milliseconds that are not whole.
    return beat_at_ms(static_cast<float>(ms));
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
