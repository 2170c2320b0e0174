// The music's pace in the mixer's frames. SDL_mixer hands what the MP3
// decoder gives to SDL's converter a mixer chunk (2048 frames at the
// track's own rate) at a time, and SDL 2.26 turns each piece into a whole
// number of frames at the mixer's rate, dropping the fraction: a 44.1 kHz
// track gives 2229 frames for 2229.116 frames' worth of music, so the music
// runs 52 ppm ahead of the frames the mixer counts (12.7 ms by the show's
// end). The transport counts the music by this pace, not by the frames.
// Pure, no SDL.
#pragma once

#include <cstddef>

// Music frames (k_mix_rate a second of the track) per frame the mixer
// hands over, for a track decoded at `track_rate`; 1 at the mixer's rate.
double music_frames_per_mixed_frame(int track_rate);

// The sample rate of the first MPEG audio frame of an MP3 (after an ID3v2
// tag, if any); 0 when none is found.
int mp3_sample_rate(const unsigned char* bytes, size_t length);
