#include "beat_clock.h"

#include <cmath>

float beat_at_ms(float ms, float bpm)
{
    float beat = ms * bpm;
    beat = beat / 60000.0f;
    return beat - 0.5f;
}

float beat_from_elapsed(uint32_t elapsed, float bpm)
{
    return beat_at_ms(static_cast<float>(elapsed), bpm);
}

double ms_at_beat(double beat) { return (beat + 0.5) * 60000.0 / k_bpm; }

uint32_t ms_to_reach_beat(float beat)
{
    if (!(beat > beat_from_elapsed(0))) return 0;
    // The double-precision inverse lands within a millisecond or two of the
    // single-precision clock; step to the first millisecond that reaches it.
    uint32_t ms = static_cast<uint32_t>(std::ceil(ms_at_beat(beat)));
    while (beat_from_elapsed(ms) < beat) ++ms;
    while (ms > 0 && beat_from_elapsed(ms - 1) >= beat) --ms;
    return ms;
}
