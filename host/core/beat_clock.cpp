#include "beat_clock.h"

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

double music_position_for(uint32_t elapsed) { return elapsed / 1000.0; }
