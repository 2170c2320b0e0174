// The sound-level meter: a value that the mixer's audio thread feeds through
// the post-mix effect (the meter is the effect's user data) and the main
// thread reads for the `sound` uniform and the debug print. The show, the
// renderer's soundtrack, the level table and the web player each have their
// own. No lock: every field is read and written whole.
#pragma once

#include "mixer_format.h"

#include <atomic>
#include <cstdint>

struct LevelMeter {
    std::atomic<int32_t> slots[k_level_slots] = {};  // the latest magnitudes, a ring
    std::atomic<int> write_position{0};              // the next slot to write
    std::atomic<int16_t> last_sample{0};             // first sample of the latest chunk
};

// The meter's rule for one chunk of `sample_count` interleaved signed 16-bit
// samples: keeps the first sample and pushes the magnitudes of the first
// k_level_slots (fewer if the chunk is shorter; none if it is empty).
void level_take_chunk(LevelMeter* meter, const void* samples, int sample_count);

// The post-mix effect, registered with the meter as `user_data`: takes the
// mixer's chunk. Never changes the audio.
void on_post_mix(int channel, void* stream, int length_bytes, void* user_data);

void level_push(LevelMeter* meter, int32_t magnitude);  // store one magnitude and advance
int32_t level_average(const LevelMeter& meter);         // the `sound` value, 0..32768
int16_t level_last_sample(const LevelMeter& meter);     // first sample of the latest chunk
void level_reset(LevelMeter* meter);                    // back to silence

// Magnitude of one 16-bit sample: -32768 gives 32768.
inline int32_t sample_magnitude(int16_t s) { return s > 0 ? s : -static_cast<int32_t>(s); }
