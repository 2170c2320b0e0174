// The sound level over a whole decoded track, for a player that knows the
// music's position rather than mixing it: a level meter's value after each
// chunk of the mixer's format, measured by the meter's own rule, and the
// level at any moment. Pure, no SDL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct LevelTable {
    std::vector<int32_t> levels;        // the meter's level after each chunk
    std::vector<int16_t> first_sample;  // each chunk's first sample (the `p` print)
};

// `heads` holds, for each of the chunks of a stream of `sample_count`
// interleaved samples, the first k_level_slots samples of that chunk (fewer
// are measured in a short last chunk, as the meter does).
LevelTable measure_levels(const int16_t* heads, size_t sample_count);

// Index of the chunk that holds the stereo frame at `seconds` into the music;
// negative before the music starts.
int64_t chunk_at(double seconds);

// The level of that chunk; 0 (silence) outside the track.
int32_t level_at(const LevelTable& table, double seconds);
