// The transport against a simulated audio path: callbacks that hand over
// 2048-frame chunks at the device's pace with jitter, late ones, an
// underrun, a process that stands still, a device that goes away, seeks and
// pauses. The truth is the position the simulated listener hears.
#include "mixer_format.h"
#include "transport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr int64_t k_ms = 1000000;  // nanoseconds
constexpr double k_delay_ms = 35;  // the simulated path's latency

// A device playing the music from `music_ms` on, its callbacks starting at
// `start_ns`: chunk k is handed over at start + k chunks (plus the time the
// device stood still, plus jitter) and heard k_delay_ms later.
struct Path {
    int64_t start_ns;
    double music0_ms;
    uint32_t epoch;
    double jitter_ms = 0;
    double late_share = 0;   // chance of a callback a further 15-30 ms late, after an on-time one
    double burst_share = 0;  // chance of three late ones catching up: 45, 30, 15 ms late
    bool was_late = false;
    int burst_left = 0;
    int64_t shift_ns = 0;   // stood-still time so far
    int refill_chunks = 0;  // the first chunks all taken at once (a stream filling its buffer)
    int64_t next_chunk = 0;
    std::mt19937 rng{7};

    Path(int64_t start, double music_ms, uint32_t e)
        : start_ns(start), music0_ms(music_ms), epoch(e)
    {
    }

    int64_t chunk_ns(int64_t k) const
    {
        if (k < refill_chunks) return start_ns + k * k_ms;
        return start_ns + shift_ns + int64_t(k * k_mix_chunk_ms * k_ms);
    }

    // Hands the transport every chunk whose callback has run by `now`.
    void feed(Transport* t, int64_t now)
    {
        std::uniform_real_distribution<double> jitter(-jitter_ms, jitter_ms);
        std::uniform_real_distribution<double> chance(0, 1), late(15, 30);
        while (chunk_ns(next_chunk) <= now) {
            double extra = jitter(rng);
            if (burst_left > 0) {
                extra += 15 * burst_left--;
            } else {
                was_late = !was_late && chance(rng) < late_share;
                if (was_late) extra += late(rng);
                if (!was_late && chance(rng) < burst_share) burst_left = 3;
            }
            transport_add_stamp(t, {chunk_ns(next_chunk) + int64_t(extra * k_ms), next_chunk,
                                    music0_ms + next_chunk * k_mix_chunk_ms, epoch});
            ++next_chunk;
        }
    }

    // The music position the listener hears at `now`.
    double heard_ms(int64_t now) const
    {
        return music0_ms + (now - start_ns - shift_ns) / 1e6 - k_delay_ms;
    }
};

Transport make_transport()
{
    Transport t;
    t.latency_ms = k_delay_ms;
    return t;
}

// Runs from `from` to `to` answering every `step_ms`, feeding the path
// first; checks that the answers never go back and (once `settle_ms` past
// `from`) stay within `tolerance_ms` of what is heard. Returns the last answer.
double play(Transport* t, Path* path, int64_t from, int64_t to, double step_ms, double settle_ms,
            double tolerance_ms)
{
    double previous = transport_position_ms(t, from);
    for (int64_t now = from; now <= to; now += int64_t(step_ms * k_ms)) {
        path->feed(t, now);
        const double position = transport_position_ms(t, now);
        EXPECT_GE(position, previous) << "ran backwards at " << (now - from) / k_ms << " ms";
        if (now - from >= settle_ms * k_ms) {
            EXPECT_NEAR(position, path->heard_ms(now), tolerance_ms)
                << "at " << (now - from) / k_ms << " ms";
        }
        previous = position;
    }
    return previous;
}

}  // namespace

TEST(Transport, FollowsJitteredCallbacksSmoothly)
{
    Transport t = make_transport();
    const int64_t start = 1000 * k_ms;
    const uint32_t epoch = transport_seek(&t, start, 20000);
    Path path(start + 5 * k_ms, 20000, epoch);
    path.jitter_ms = 4;
    path.late_share = 0.05;
    // Answers every 16.7 ms (a 60 Hz display): within 1.5 ms of the heard
    // position once a second of stamps is in, and no answer jumps by a
    // chunk: each moves on by about the time between them.
    double previous = transport_position_ms(&t, start);
    for (int64_t now = start; now < start + 30000 * k_ms; now += 16666667) {
        path.feed(&t, now);
        const double position = transport_position_ms(&t, now);
        ASSERT_GE(position, previous);
        if (now > start + 1000 * k_ms) {
            ASSERT_NEAR(position, path.heard_ms(now), 1.5) << (now - start) / k_ms;
            ASSERT_NEAR(position - previous, 16.67, 3.0) << (now - start) / k_ms;
        }
        previous = position;
    }
    EXPECT_EQ(t.mode, TRANSPORT_FOLLOWING);
}

TEST(Transport, PositionIsTheHeardOneLessTheUsersOffset)
{
    Transport t = make_transport();
    t.offset_ms = 120;
    const uint32_t epoch = transport_seek(&t, 0, 5000);
    EXPECT_DOUBLE_EQ(transport_position_ms(&t, 0), 5000 - k_delay_ms - 120);
    Path path(2 * k_ms, 5000, epoch);
    path.feed(&t, 2000 * k_ms);
    EXPECT_NEAR(transport_position_ms(&t, 2000 * k_ms), path.heard_ms(2000 * k_ms) - 120, 0.01);
}

TEST(Transport, AnUnderrunDelaysThePictureWithTheSoundNeverBackwards)
{
    Transport t = make_transport();
    const uint32_t epoch = transport_seek(&t, 0, 0);
    Path path(0, 0, epoch);
    path.jitter_ms = 2;
    play(&t, &path, 0, 5000 * k_ms, 10, 500, 1.0);
    // The device runs dry for 150 ms: every later chunk comes that much later.
    path.shift_ns += 150 * k_ms;
    play(&t, &path, 5010 * k_ms, 5400 * k_ms, 10, 1e9, 0);  // holds, never back
    play(&t, &path, 5410 * k_ms, 9000 * k_ms, 10, 400, 1.0);
    // A short one, 15 ms, is followed as quickly.
    path.shift_ns += 15 * k_ms;
    play(&t, &path, 9010 * k_ms, 12000 * k_ms, 10, 300, 1.5);
}

TEST(Transport, LateCallbacksAloneDoNotMoveIt)
{
    Transport t = make_transport();
    const uint32_t epoch = transport_seek(&t, 0, 0);
    Path path(0, 0, epoch);
    path.jitter_ms = 1;
    path.late_share = 0.2;    // one callback in six late
    path.burst_share = 0.02;  // and a starved thread now and then
    play(&t, &path, 0, 20000 * k_ms, 7, 1000, 2.5);
}

TEST(Transport, AStreamFillingItsBufferAtTheStartDoesNotPushThePictureAhead)
{
    // The device starts 20 ms after the music is placed and takes six chunks
    // within 6 ms before its pace sets in.
    Transport t = make_transport();
    const uint32_t epoch = transport_seek(&t, 0, 1000);
    Path path(20 * k_ms, 1000, epoch);
    path.refill_chunks = 6;
    for (int64_t now = 0; now <= 3000 * k_ms; now += 5 * k_ms) {
        path.feed(&t, now);
        const double position = transport_position_ms(&t, now);
        // Coasting, it is ahead by the device's late start alone.
        ASSERT_LE(position, path.heard_ms(now) + 20.5) << now / k_ms;
        if (now > 500 * k_ms) {
            ASSERT_NEAR(position, path.heard_ms(now), 0.5) << now / k_ms;
        }
    }
}

TEST(Transport, AProcessThatStoodStillResumesWithTheMusic)
{
    // Stopped for 2 s (SIGSTOP): no callback and no answer meanwhile. The
    // device played out what it held and waits; the music goes on from
    // there, 2 s later. Whichever comes first after SIGCONT, the answer or
    // the callbacks, the picture goes on from where it stood.
    for (bool answer_first : {true, false}) {
        Transport t = make_transport();
        const uint32_t epoch = transport_seek(&t, 0, 30000);
        Path path(0, 30000, epoch);
        path.jitter_ms = 2;
        const double before = play(&t, &path, 0, 4000 * k_ms, 16, 500, 1.0);
        path.shift_ns += 2000 * k_ms;
        const int64_t woke = 6000 * k_ms;
        if (!answer_first) path.feed(&t, woke + 30 * k_ms);
        const double after = transport_position_ms(&t, woke + 30 * k_ms);
        EXPECT_GE(after, before);
        EXPECT_LT(after, before + 100) << "the 2 s stop counted as music";
        EXPECT_LT(transport_quiet_ms(&t, woke + 30 * k_ms), 100) << "the stop counted as silence";
        play(&t, &path, woke + 40 * k_ms, woke + 1000 * k_ms, 16, 400, 1.0);
    }
}

TEST(Transport, SlowFramesWithTheAudioFlowingAreNoStop)
{
    // Answers 1.5 s apart (a heavy scene on a software rasteriser) while the
    // callbacks go on: the position keeps up with the music.
    Transport t = make_transport();
    const uint32_t epoch = transport_seek(&t, 0, 0);
    Path path(0, 0, epoch);
    path.jitter_ms = 2;
    play(&t, &path, 0, 20000 * k_ms, 1500, 1000, 1.0);
}

TEST(Transport, RunsOnTheClockWhenTheAudioGoesAndTakesTheMusicBackWithoutAJump)
{
    Transport t = make_transport();
    uint32_t epoch = transport_seek(&t, 0, 10000);
    Path path(0, 10000, epoch);
    play(&t, &path, 0, 3000 * k_ms, 10, 300, 0.5);

    // The callbacks stop while the frames go on: the position coasts at the
    // clock's pace and the quiet is counted from the last callback.
    const double at_loss = transport_position_ms(&t, 3050 * k_ms);
    for (int64_t now = 3060 * k_ms; now < 3600 * k_ms; now += 10 * k_ms)
        transport_position_ms(&t, now);
    EXPECT_NEAR(transport_position_ms(&t, 3600 * k_ms), at_loss + 550, 0.5);
    EXPECT_EQ(t.mode, TRANSPORT_COASTING);
    EXPECT_NEAR(transport_quiet_ms(&t, 3600 * k_ms), 600, k_mix_chunk_ms);

    // The device is given up; its stray callbacks no longer count.
    transport_lose_audio(&t, 3700 * k_ms);
    path.feed(&t, 3800 * k_ms);
    EXPECT_NEAR(transport_position_ms(&t, 4700 * k_ms), at_loss + 1650, 0.5);

    // A new device: the music placed at the resume point, the picture goes
    // on without a step, then follows the new device's callbacks.
    const int64_t back = 5000 * k_ms;
    const double picture = transport_position_ms(&t, back);
    const double music = transport_resume_point(&t, back);
    epoch = transport_seek(&t, back, music);
    EXPECT_NEAR(transport_position_ms(&t, back), picture, 1e-9);
    Path reopened(back + 20 * k_ms, music, epoch);
    play(&t, &reopened, back, back + 3000 * k_ms, 10, 200, 1.0);
}

TEST(Transport, SeeksJumpBothWaysAndIgnoreTheOldPlacementsCallbacks)
{
    Transport t = make_transport();
    const uint32_t first = transport_seek(&t, 0, 50000);
    Path old_path(0, 50000, first);
    play(&t, &old_path, 0, 2000 * k_ms, 10, 300, 0.5);

    // Back to the start of the track: the picture jumps back at once.
    const int64_t seek = 2000 * k_ms + 5 * k_ms;
    const uint32_t second = transport_seek(&t, seek, 0);
    EXPECT_NE(second, first);
    EXPECT_DOUBLE_EQ(transport_position_ms(&t, seek), -k_delay_ms);
    // A callback of the old placement still in flight changes nothing.
    old_path.feed(&t, seek + 30 * k_ms);
    Path new_path(seek + 20 * k_ms, 0, second);
    play(&t, &new_path, seek, seek + 2000 * k_ms, 10, 200, 1.0);

    // And forward by 10 s.
    const int64_t skip = seek + 2005 * k_ms;
    const double target = transport_position_ms(&t, skip) + 10000 + k_delay_ms;
    const uint32_t third = transport_seek(&t, skip, target);
    Path skipped(skip + 30 * k_ms, target, third);
    play(&t, &skipped, skip, skip + 2000 * k_ms, 10, 200, 1.0);
}

TEST(Transport, PauseHoldsThePictureAndResumeGoesOnFromIt)
{
    Transport t = make_transport();
    const uint32_t epoch = transport_seek(&t, 0, 0);
    Path path(0, 0, epoch);
    play(&t, &path, 0, 2000 * k_ms, 10, 300, 0.5);
    transport_pause(&t, 2000 * k_ms);
    const double held = transport_position_ms(&t, 2000 * k_ms);
    path.feed(&t, 3000 * k_ms);  // the mixer may go on a little: ignored
    EXPECT_DOUBLE_EQ(transport_position_ms(&t, 4000 * k_ms), held);
    EXPECT_EQ(transport_quiet_ms(&t, 4000 * k_ms), 0);

    const double music = transport_resume_point(&t, 4000 * k_ms);
    EXPECT_DOUBLE_EQ(music, held + k_delay_ms);
    const uint32_t resumed = transport_seek(&t, 4000 * k_ms, music);
    EXPECT_NEAR(transport_position_ms(&t, 4000 * k_ms), held, 1e-9);
    Path again(4010 * k_ms, music, resumed);
    play(&t, &again, 4000 * k_ms, 6000 * k_ms, 10, 200, 1.0);
}

TEST(Transport, StandsAtZeroUntilTheMusicIsPlaced)
{
    Transport t = make_transport();
    EXPECT_EQ(transport_position_ms(&t, 123 * k_ms), 0);
    transport_add_stamp(&t, {100 * k_ms, 0, 0.0, 0});
    EXPECT_EQ(transport_position_ms(&t, 500 * k_ms), 0);
    EXPECT_EQ(transport_quiet_ms(&t, 500 * k_ms), 0);
}

TEST(Transport, AWanderingLatencyReportLeavesThePictureSteadyAndARealChangeIsTakenAtOnce)
{
    // The server reports the path's latency 1.5 ms off at first, then
    // wandering 2 ms either side of the truth over 20 s cycles: for a
    // minute the picture keeps its distance to the sound within half a ms.
    Transport t;
    const int64_t start = 1000 * k_ms;
    transport_follow_latency(&t, k_delay_ms + 1.5, start);
    const uint32_t epoch = transport_seek(&t, start, 20000);
    Path path(start + 5 * k_ms, 20000, epoch);
    double low = 1e9, high = -1e9;
    for (int64_t now = start; now < start + 60000 * k_ms; now += 16666667) {
        const double wander = 2 * std::sin(2 * M_PI * (now - start) / (20000.0 * k_ms));
        transport_follow_latency(&t, k_delay_ms + wander, now);
        path.feed(&t, now);
        const double error = transport_position_ms(&t, now) - path.heard_ms(now);
        if (now < start + 1000 * k_ms) continue;
        low = std::min(low, error);
        high = std::max(high, error);
    }
    EXPECT_LT(high - low, 0.5);
    EXPECT_NEAR(low, -1.5, 0.5);
    // Another device, 40 ms further: the latency in use at once.
    transport_follow_latency(&t, k_delay_ms + 40, start + 60000 * k_ms);
    EXPECT_DOUBLE_EQ(t.latency_ms, k_delay_ms + 40);
}
