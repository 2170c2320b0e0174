// The show's audio as every front-end handles it: the mixer's format (the
// show opens the device with it, the renderer mixes the soundtrack with it,
// the web player measures its levels at it, the transport counts the music
// in its frames), how much of each chunk the level meter reads, and how far
// the skip key moves. Pure constants, no SDL.
#pragma once

#include <cstdint>

// 48 kHz, interleaved stereo, signed 16-bit little-endian samples (SDL's
// AUDIO_S16LSB), mixed in chunks of 2048 frames. The track is encoded at
// this rate, so the mixer hands its decoded frames over one for one,
// unconverted: a mixed frame is a frame of the music.
constexpr int k_mix_rate = 48000;
constexpr int k_mix_channels = 2;
constexpr int k_mix_sample_bytes = 2;
constexpr int k_mix_chunk_frames = 2048;
constexpr int k_mix_chunk_samples = k_mix_chunk_frames * k_mix_channels;
// One chunk's length in milliseconds (about 42.7): the step of the mixer's
// callbacks, and the device path's latency where nothing better is known.
constexpr double k_mix_chunk_ms = k_mix_chunk_frames * 1000.0 / k_mix_rate;

// The level meter reads the first 100 samples (50 stereo frames, about 1 ms)
// of each chunk into its ring of as many slots: enough to follow the music's
// loudness at the chunk rate, and cheap on the audio thread.
constexpr int k_level_slots = 100;

// Milliseconds the skip key moves the show (the clock and the music) ahead.
constexpr uint32_t k_skip_ms = 10000;
