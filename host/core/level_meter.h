// The sound-level meter. The mixer's audio thread feeds it through the
// post-mix effect; the main thread reads the level for the `sound` uniform and
// the kept sample for the debug print. No lock: every value is read and
// written whole.
#pragma once

#include <cstdint>

// The meter measures only the first 100 samples (50 stereo frames, about
// 1 ms) of each chunk: enough to follow the music's loudness at the chunk
// rate, and cheap on the audio thread. Each chunk fills the whole ring.
constexpr int k_level_slots = 100;

// Post-mix effect: keeps the chunk's first sample and pushes the magnitudes of
// its first 100 samples (fewer if the chunk is shorter). Never changes audio.
void on_post_mix(int channel, void* stream, int length_bytes, void* user_data);

void level_push(int32_t magnitude);  // store one magnitude and advance
int32_t level_average();             // the `sound` value, 0..32768
int16_t level_last_sample();         // first sample of the latest chunk
void level_reset();                  // back to silence (tests, offline render)

// Magnitude of one 16-bit sample: -32768 gives 32768.
inline int32_t sample_magnitude(int16_t s) { return s > 0 ? s : -static_cast<int32_t>(s); }
