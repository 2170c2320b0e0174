// The beat clock: music time in beats from the milliseconds since the music
// started. The show's tempo and its beat formula live here and nowhere else.
// Pure functions, no SDL.
#pragma once

#include <cstdint>

// Tempo of the soundtrack, beats per minute.
constexpr float k_bpm = 130.0f;

// The show ends on the first pass whose previous beat exceeds this.
constexpr float k_end_beat = 528.0f;

// Elapsed time from the start time, as an unsigned 32-bit difference (so a
// start time moved back past zero by the skip key still gives the right span).
inline uint32_t elapsed_ms(uint32_t now_ms, uint32_t start_ms) { return now_ms - start_ms; }

// beat = ms * bpm / 60000 - 0.5, in single precision in that order: -0.5
// when the music starts, 0 at the first beat of the track. An offline render
// at a frame rate whose frames fall between whole milliseconds uses it too.
float beat_at_ms(float ms, float bpm = k_bpm);

// The clock as the show runs it, on whole milliseconds.
float beat_from_elapsed(uint32_t elapsed, float bpm = k_bpm);

// The inverse in double precision: milliseconds after the music's start at
// which the clock shows `beat`.
double ms_at_beat(double beat);

// The first whole millisecond after the music's start at which the clock
// shows `beat` or more: how far a start at that beat moves the clock ahead.
uint32_t ms_to_reach_beat(float beat);
