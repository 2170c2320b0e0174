// A show drawn at a fixed frame rate F shows, in its frame n, the beat clock
// at n * 1000 / F ms after the music starts. The offline renderer draws such
// frames, and the post chain's automaton is brought to a beat along them.
// Pure, no SDL or GL.
#pragma once

#include <cstdint>

// Beat of frame n at `fps`: the show's beat clock at n * 1000 / fps ms, in
// single precision like the clock (beat_from_elapsed) even when the
// milliseconds are not whole.
float frame_beat(int64_t n, double fps);

// The first frame whose beat is at or after `beat` (0 for beats before the
// music starts).
int64_t first_frame_at_or_after(float beat, double fps);
