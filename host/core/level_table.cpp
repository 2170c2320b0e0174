#include "level_table.h"

#include "level_meter.h"

#include <cmath>

LevelTable measure_levels(const int16_t* heads, size_t sample_count)
{
    LevelTable table;
    level_reset();
    const size_t chunks = (sample_count + k_chunk_samples - 1) / k_chunk_samples;
    for (size_t c = 0; c < chunks; ++c) {
        const size_t left = sample_count - c * k_chunk_samples;
        const size_t measured = left < size_t(k_level_slots) ? left : size_t(k_level_slots);
        // The meter reads the chunk's bytes; only its head is ever measured.
        on_post_mix(0, const_cast<int16_t*>(heads + c * k_level_slots),
                    static_cast<int>(measured * sizeof(int16_t)), nullptr);
        table.levels.push_back(level_average());
        table.first_sample.push_back(level_last_sample());
    }
    level_reset();
    return table;
}

int64_t chunk_at(double seconds)
{
    const double frame = std::floor(seconds * k_mix_rate);
    return static_cast<int64_t>(std::floor(frame / k_chunk_frames));
}

int32_t level_at(const LevelTable& table, double seconds)
{
    const int64_t chunk = chunk_at(seconds);
    if (chunk < 0 || chunk >= static_cast<int64_t>(table.levels.size())) return 0;
    return table.levels[chunk];
}
