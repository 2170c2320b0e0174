#include "level_meter.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<int32_t> slots[k_level_slots];
std::atomic<int> write_position{0};
std::atomic<int16_t> last_sample{0};

}  // namespace

void on_post_mix(int, void* stream, int length_bytes, void*)
{
    const int count = length_bytes / 2;  // signed 16-bit samples, interleaved L R
    if (count <= 0) return;
    const unsigned char* bytes = static_cast<const unsigned char*>(stream);
    auto sample = [bytes](int i) {
        int16_t s;
        std::memcpy(&s, bytes + 2 * i, sizeof s);
        return s;
    };
    last_sample.store(sample(0), std::memory_order_relaxed);
    for (int i = 0; i < k_level_slots && i < count; ++i) level_push(sample_magnitude(sample(i)));
}

void level_push(int32_t magnitude)
{
    // Only the audio thread writes, so a plain load-then-store advance is safe.
    int pos = write_position.load(std::memory_order_relaxed);
    slots[pos].store(magnitude, std::memory_order_relaxed);
    write_position.store(pos + 1 == k_level_slots ? 0 : pos + 1, std::memory_order_relaxed);
}

int32_t level_average()
{
    int32_t sum = 0;
    for (const auto& slot : slots) sum += slot.load(std::memory_order_relaxed);
    return sum / k_level_slots;
}

int16_t level_last_sample() { return last_sample.load(std::memory_order_relaxed); }

void level_reset()
{
    for (auto& slot : slots) slot.store(0, std::memory_order_relaxed);
    write_position.store(0, std::memory_order_relaxed);
    last_sample.store(0, std::memory_order_relaxed);
}
