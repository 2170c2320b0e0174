#include "level_table.h"

#include "level_meter.h"
#include "mixer_format.h"

#include <cmath>

LevelTable measure_levels(const int16_t* heads, size_t sample_count)
{
    LevelTable table;
    LevelMeter meter;
    const size_t chunks = (sample_count + k_mix_chunk_samples - 1) / k_mix_chunk_samples;
    for (size_t c = 0; c < chunks; ++c) {
        const size_t left = sample_count - c * k_mix_chunk_samples;
        const size_t measured = left < size_t(k_level_slots) ? left : size_t(k_level_slots);
        level_take_chunk(&meter, heads + c * k_level_slots, static_cast<int>(measured));
        table.levels.push_back(level_average(meter));
        table.first_sample.push_back(level_last_sample(meter));
    }
    return table;
}

int64_t chunk_at(double seconds)
{
    const double frame = std::floor(seconds * k_mix_rate);
    return static_cast<int64_t>(std::floor(frame / k_mix_chunk_frames));
}

int32_t level_at(const LevelTable& table, double seconds)
{
    const int64_t chunk = chunk_at(seconds);
    if (chunk < 0 || chunk >= static_cast<int64_t>(table.levels.size())) return 0;
    return table.levels[chunk];
}
