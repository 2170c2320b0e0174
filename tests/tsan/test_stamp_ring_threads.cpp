// The mixer's audio thread hands the frame loop a stamp for every chunk
// through a lock-free ring. Run under ThreadSanitizer, a writer pushes
// stamps as fast as it can while the reader takes them: the reader never
// sees a stamp with fields from two different chunks, takes them in order,
// and ends on the last one; a reader that fell behind goes on from the
// oldest stamp the ring still holds.
#include "stamp_ring.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Every field follows from the chunk, so a stamp made of two is seen.
TransportStamp stamp_of(int64_t chunk)
{
    return {chunk * 1000 + 7, chunk, chunk * 42.5, static_cast<uint32_t>(chunk % 5)};
}

void expect_whole(const TransportStamp& s)
{
    const TransportStamp expected = stamp_of(s.chunk);
    ASSERT_EQ(s.time_ns, expected.time_ns) << "chunk " << s.chunk;
    ASSERT_EQ(s.music_ms, expected.music_ms) << "chunk " << s.chunk;
    ASSERT_EQ(s.epoch, expected.epoch) << "chunk " << s.chunk;
}

}  // namespace

TEST(StampRingThreads, TheReaderTakesWholeStampsInOrderWhileTheWriterLapsIt)
{
    static StampRing ring;
    constexpr int64_t count = 200000;
    std::thread writer([] {
        for (int64_t n = 0; n < count; ++n) stamp_ring_push(&ring, stamp_of(n));
    });
    int64_t last = -1, taken = 0;
    TransportStamp s;
    while (last < count - 1) {
        if (!stamp_ring_pop(&ring, &s)) continue;
        expect_whole(s);
        ASSERT_GT(s.chunk, last) << "a stamp came again or out of order";
        last = s.chunk;
        ++taken;
    }
    writer.join();
    EXPECT_FALSE(stamp_ring_pop(&ring, &s)) << "a stamp after the last one";
    EXPECT_GT(taken, 1000);  // the reader kept up for much of the run
}

TEST(StampRingThreads, AReaderMoreThanARingBehindGoesOnFromTheOldestStampLeft)
{
    static StampRing ring;
    const int64_t pushed = k_stamp_ring_slots * 3 + 10;
    for (int64_t n = 0; n < pushed; ++n) stamp_ring_push(&ring, stamp_of(n));
    TransportStamp s;
    for (int64_t n = pushed - int64_t(k_stamp_ring_slots); n < pushed; ++n) {
        ASSERT_TRUE(stamp_ring_pop(&ring, &s));
        EXPECT_EQ(s.chunk, n);
        expect_whole(s);
    }
    EXPECT_FALSE(stamp_ring_pop(&ring, &s));
    stamp_ring_push(&ring, stamp_of(pushed));
    ASSERT_TRUE(stamp_ring_pop(&ring, &s));
    EXPECT_EQ(s.chunk, pushed);
}
