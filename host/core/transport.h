// The transport: where the music is for the listener, taken from the audio
// stream that plays it rather than from a clock started beside it. The
// mixer's callbacks say when each chunk of music was handed to the device
// (stamps); a robust fit of their times against the music's position, shifted
// by the device path's latency and the user's offset, gives the position
// heard at any moment. When no audio flows (before the first callback,
// while a device is gone) the position runs on the monotonic clock from where
// it stands. During play it never runs backwards; seeks, pauses and a music
// placed again after a lost device are its own operations. Pure, no SDL: the
// caller feeds it the stamps and the clock.
#pragma once

#include <cstdint>

// One mixer callback: when it ran and where the music was at the start of
// the chunk it filled.
struct TransportStamp {
    int64_t time_ns;  // monotonic clock
    int64_t chunk;    // chunks handed over since the music was placed
    double music_ms;  // the music's position at the chunk's first frame
    uint32_t epoch;   // the placement of the music (transport_seek) it belongs to
};

// The fit's window: the latest stamps of one steady run (about 2.7 s).
constexpr int k_transport_window = 64;
// Stamps a run needs before the fit is trusted.
constexpr int k_transport_min_run = 3;
// More than this without a callback and the audio counts as quiet: over four
// chunks, far beyond the callbacks' jitter.
constexpr double k_transport_stall_ms = 200;
// Callbacks this far apart (over two chunks) mean the audio thread stood
// still long enough for the device to run dry: a new run starts.
constexpr double k_transport_gap_ms = 100;
// A callback this soon after the previous one was not paced by the device:
// it refills a buffer (a stream that starts, or catches up), and says
// nothing about when its chunk is heard. It is left out of the fit.
constexpr double k_transport_refill_ms = 10;
// The latest stamps, whose median shows where the stream is now: when it
// lies further than k_transport_move_ms from the fit, and most of them
// agree with it within k_transport_agree_ms, the stream itself moved (the
// device ran dry and plays the rest later, or skipped ahead) and a new run
// starts from those. Steady callbacks keep the median within a millisecond
// or two of the fit; late ones that catch up (45, 30, 15 ms late) spread
// too wide to count as a move.
constexpr int k_transport_recent = 8;
constexpr double k_transport_move_ms = 5;
constexpr double k_transport_agree_ms = 12;

// The device path's latency as a sound server reports it wanders by a
// millisecond or two around its true value (its readings fall into the
// sink's blocks in proportions that change as the stream's phase against
// them does), and a picture that followed it would wander as much against
// the sound. A report further than k_transport_latency_jump_ms from the
// latency in use is a real change (another device, a buffer the server
// grew) and is taken at once; a nearer one is followed at no more than
// k_transport_latency_slew_ms a minute.
constexpr double k_transport_latency_jump_ms = 5;
constexpr double k_transport_latency_slew_ms = 0.25;

enum TransportMode {
    TRANSPORT_STOPPED,    // nothing placed yet: the position stays 0
    TRANSPORT_COASTING,   // no audio to follow: the monotonic clock carries it
    TRANSPORT_FOLLOWING,  // the fit of the latest stamps gives it
};

struct Transport {
    // Set by the caller at any time.
    double latency_ms = 0;  // from a callback filling a frame to the listener hearing it
                            // (set it, or follow reports with transport_follow_latency)
    double offset_ms = 0;   // the user's: positive shows the picture later

    // The rest is the transport's own state.
    int64_t latency_followed_ns = -1;  // when transport_follow_latency last ran
    TransportMode mode = TRANSPORT_STOPPED;
    bool paused = false;
    uint32_t epoch = 0;
    int64_t base_ns = 0;  // clock origin of the times below

    // The run: each stamp's lead (its time minus the music time it
    // carries, ms), a ring of the latest; their trimmed mean is the fit.
    double lead[k_transport_window] = {};
    int lead_count = 0;
    int lead_next = 0;
    double fit_lead = 0;
    double recent[k_transport_recent] = {};  // the latest leads, a ring
    int recent_count = 0;
    int recent_next = 0;
    int64_t last_stamp_ns = 0;
    int64_t last_chunk = 0;
    bool heard = false;  // a callback of the current placement has come

    // Coasting: the position heard at coast_ns, carried on by the clock.
    double coast_ms = 0;
    int64_t coast_ns = 0;
    int64_t quiet_from_ns = 0;  // since when callbacks are awaited (a seek, a process woken)

    // The latest answer and what arrived since it.
    double picture_ms = 0;
    int64_t query_ns = 0;
    int stamps_since_query = 0;
    int64_t first_stamp_since_query_ns = 0;
};

// Takes the device path's latency from a report (the sound server's, or a
// fixed guess), steadily: see k_transport_latency_jump_ms.
void transport_follow_latency(Transport* t, double reported_ms, int64_t now_ns);

// Places the music: its frame at `music_ms` (ms from the track's start) is
// the next the mixer hands over. The picture jumps to where the listener
// will hear it (less the latency and the offset), forward or back, and
// coasts until the new stamps arrive. Returns the epoch those carry. Also
// starts the transport, and resumes it after a pause.
uint32_t transport_seek(Transport* t, int64_t now_ns, double music_ms);

// Where to place the music now so that the sound goes on from the picture
// without a jump (after a pause, or when a lost device is back).
double transport_resume_point(Transport* t, int64_t now_ns);

// One callback's stamp; stamps of another epoch, or while paused, are ignored.
void transport_add_stamp(Transport* t, const TransportStamp& stamp);

// The audio device is gone: the stamps it may still send no longer count, and
// the picture runs on the clock from where it stands.
void transport_lose_audio(Transport* t, int64_t now_ns);

// Holds the picture where it is; transport_seek at transport_resume_point
// resumes it.
void transport_pause(Transport* t, int64_t now_ns);

// The picture's position now, in ms of music (the beat clock's elapsed ms).
// Never smaller than the previous answer unless a seek came in between.
double transport_position_ms(Transport* t, int64_t now_ns);

// How long no callback of the current placement has come, in ms, as judged
// at the latest answer: the time a process stood still does not count. 0
// before the music is placed and while paused.
double transport_quiet_ms(const Transport* t, int64_t now_ns);

// The mean of the middle half of `count` values (a quarter left out at each
// end): the transport's robust average, also that of the sound server's
// latency readings.
double mean_of_middle_half(const double* values, int count);

// Whether any callback of the current placement has come (a device that has
// just opened may take a while to start).
bool transport_heard(const Transport* t);
