// The audio thread's stamps on their way to the frame loop: a ring that the
// post-mix effect writes and the main thread reads, without a lock (the
// audio thread must never wait for the picture). One writer, one reader.
// Each slot carries a sequence number, odd while it is written, so the
// reader never takes a stamp half overwritten; a reader more than a ring
// behind goes on from the oldest stamp still there.
#pragma once

#include "transport.h"

#include <atomic>
#include <cstdint>

constexpr uint64_t k_stamp_ring_slots = 256;  // about 11 s of mixer chunks

struct StampSlot {
    std::atomic<uint64_t> sequence{0};
    std::atomic<int64_t> time_ns{0};
    std::atomic<int64_t> chunk{0};
    std::atomic<double> music_ms{0};
    std::atomic<uint32_t> epoch{0};
};

struct StampRing {
    StampSlot slots[k_stamp_ring_slots];
    std::atomic<uint64_t> written{0};  // stamps pushed so far
    uint64_t read = 0;                 // the reader's own: stamps taken or passed over
};

// The writer: one callback's stamp, over the oldest when the ring is full.
void stamp_ring_push(StampRing* ring, const TransportStamp& stamp);

// The reader: the oldest stamp not yet taken that is still whole in the
// ring, or false when there is none.
bool stamp_ring_pop(StampRing* ring, TransportStamp* stamp);
