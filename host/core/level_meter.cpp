#include "level_meter.h"

#include <cstring>

void level_take_chunk(LevelMeter* meter, const void* samples, int sample_count)
{
    if (sample_count <= 0) return;
    const unsigned char* bytes = static_cast<const unsigned char*>(samples);
    // The mixer's buffer carries no alignment promise: read each sample by copy.
    auto sample = [bytes](int i) {
        int16_t s;
        std::memcpy(&s, bytes + k_mix_sample_bytes * i, sizeof s);
        return s;
    };
    meter->last_sample.store(sample(0), std::memory_order_relaxed);
    for (int i = 0; i < k_level_slots && i < sample_count; ++i)
        level_push(meter, sample_magnitude(sample(i)));
}

void on_post_mix(int, void* stream, int length_bytes, void* user_data)
{
    level_take_chunk(static_cast<LevelMeter*>(user_data), stream,
                     length_bytes / k_mix_sample_bytes);
}

void level_push(LevelMeter* meter, int32_t magnitude)
{
    // Only one thread writes, so a plain load-then-store advance is safe.
    const int pos = meter->write_position.load(std::memory_order_relaxed);
    meter->slots[pos].store(magnitude, std::memory_order_relaxed);
    meter->write_position.store(pos + 1 == k_level_slots ? 0 : pos + 1, std::memory_order_relaxed);
}

int32_t level_average(const LevelMeter& meter)
{
    int32_t sum = 0;
    for (const auto& slot : meter.slots) sum += slot.load(std::memory_order_relaxed);
    return sum / k_level_slots;
}

int16_t level_last_sample(const LevelMeter& meter)
{
    return meter.last_sample.load(std::memory_order_relaxed);
}

void level_reset(LevelMeter* meter)
{
    for (auto& slot : meter->slots) slot.store(0, std::memory_order_relaxed);
    meter->write_position.store(0, std::memory_order_relaxed);
    meter->last_sample.store(0, std::memory_order_relaxed);
}
