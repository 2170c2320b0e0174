// Calibration clicks: a short, sharp click mixed into the music so that it
// starts at the exact sample of every beat, where the beat clock puts the
// beat and the track its kick. Pure, no SDL.
#pragma once

#include <cstdint>

// The click: k_click_frames frames, loudest on its first.
constexpr int k_click_frames = 480;  // 10 ms

// The click's sample `n` frames after its start (0 outside the click).
int16_t click_sample(int n);

// The music frame (k_mix_rate a second from the track's start) at which
// beat `beat` (a whole beat) starts.
int64_t beat_frame(int64_t beat);

// Adds the clicks of every beat that sound within a chunk of `frames`
// interleaved stereo frames, a click begun in the chunk before included,
// saturating at the 16-bit limits. The chunk starts at music frame
// `first_music_frame`; the track is at the mixer's rate, so each of its
// frames is the music's next.
void add_beat_clicks(int16_t* samples, int frames, int64_t first_music_frame);
