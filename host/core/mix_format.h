// The show's mixer format: what the desktop show opens the audio device
// with, what the offline renderer mixes the soundtrack in and what the level
// meter and the transport count in. 48 kHz interleaved stereo, signed 16-bit
// little-endian samples, handed over in chunks of 2048 frames.
#pragma once

constexpr int k_mix_rate = 48000;
constexpr int k_mix_channels = 2;
constexpr int k_mix_sample_bytes = 2;
constexpr int k_chunk_frames = 2048;
constexpr int k_chunk_samples = k_chunk_frames * k_mix_channels;
constexpr int k_chunk_bytes = k_chunk_samples * k_mix_sample_bytes;

// One chunk's length in milliseconds (about 42.7).
constexpr double k_chunk_ms = k_chunk_frames * 1000.0 / k_mix_rate;
