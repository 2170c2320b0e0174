#include "stamp_ring.h"

namespace {

// Stamp n of the ring, if its slot still holds it whole: the sequence reads
// 2n + 2 before and after the fields are read. The fields are read with
// acquire and written with release, so a field of a newer stamp brings
// that stamp's odd sequence with it, and the second read sees the change
// (no standalone fences: ThreadSanitizer follows every step).
bool read_slot(const StampSlot& slot, uint64_t n, TransportStamp* stamp)
{
    const uint64_t before = slot.sequence.load(std::memory_order_acquire);
    const TransportStamp read = {
        slot.time_ns.load(std::memory_order_acquire), slot.chunk.load(std::memory_order_acquire),
        slot.music_ms.load(std::memory_order_acquire), slot.epoch.load(std::memory_order_acquire)};
    if (before != 2 * n + 2 || slot.sequence.load(std::memory_order_relaxed) != before)
        return false;  // being overwritten by a newer stamp
    *stamp = read;
    return true;
}

}  // namespace

void stamp_ring_push(StampRing* ring, const TransportStamp& stamp)
{
    const uint64_t n = ring->written.load(std::memory_order_relaxed);
    StampSlot& slot = ring->slots[n % k_stamp_ring_slots];
    slot.sequence.store(2 * n + 1, std::memory_order_relaxed);
    slot.time_ns.store(stamp.time_ns, std::memory_order_release);
    slot.chunk.store(stamp.chunk, std::memory_order_release);
    slot.music_ms.store(stamp.music_ms, std::memory_order_release);
    slot.epoch.store(stamp.epoch, std::memory_order_release);
    slot.sequence.store(2 * n + 2, std::memory_order_release);
    ring->written.store(n + 1, std::memory_order_release);
}

bool stamp_ring_pop(StampRing* ring, TransportStamp* stamp)
{
    const uint64_t written = ring->written.load(std::memory_order_acquire);
    if (written - ring->read > k_stamp_ring_slots) ring->read = written - k_stamp_ring_slots;
    while (ring->read < written) {
        const uint64_t n = ring->read++;
        if (read_slot(ring->slots[n % k_stamp_ring_slots], n, stamp)) return true;
    }
    return false;
}
