// The beat clock: music time in beats from the milliseconds since the music
// started. Pure functions, no SDL.
#pragma once

#include <cstdint>

// The show ends on the first pass whose previous beat exceeds this.
constexpr float k_end_beat = 528.0f;

// Milliseconds the skip key moves the clock forward.
constexpr uint32_t k_skip_ms = 10000;

// Elapsed time from the start time, as an unsigned 32-bit difference (so a
// start time moved back past zero by the skip key still gives the right span).
inline uint32_t elapsed_ms(uint32_t now_ms, uint32_t start_ms) { return now_ms - start_ms; }

// beat = elapsed * bpm / 60000 - 0.5, in single precision in that order:
// -0.5 when the music starts, 0 at the first beat of the track.
float beat_from_elapsed(uint32_t elapsed, float bpm);

// The music position, in seconds, that matches an elapsed time on the clock.
double music_position_for(uint32_t elapsed);
