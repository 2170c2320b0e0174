#include "beat_clock.h"

float beat_from_elapsed(uint32_t elapsed, float bpm)
{
    float beat = static_cast<float>(elapsed) * bpm;
    beat = beat / 60000.0f;
    return beat - 0.5f;
}

double music_position_for(uint32_t elapsed) { return elapsed / 1000.0; }
