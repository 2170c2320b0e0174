#include "transport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double ms_since(const Transport* t, int64_t ns) { return (ns - t->base_ns) / 1e6; }

// The mean of the middle half of the run's leads, so that a late callback,
// or the quick ones that refill a server's buffer, barely move it.
void update_fit(Transport* t) { t->fit_lead = mean_of_middle_half(t->lead, t->lead_count); }

void push_lead(Transport* t, double lead)
{
    t->lead[t->lead_next] = lead;
    t->lead_next = (t->lead_next + 1) % k_transport_window;
    t->lead_count = std::min(t->lead_count + 1, k_transport_window);
    update_fit(t);
    t->recent[t->recent_next] = lead;
    t->recent_next = (t->recent_next + 1) % k_transport_recent;
    t->recent_count = std::min(t->recent_count + 1, k_transport_recent);
}

void start_run(Transport* t)
{
    t->lead_count = 0;
    t->lead_next = 0;
    t->recent_count = 0;
    t->recent_next = 0;
}

// When the latest stamps say the stream moved, a new run from those that
// moved with it.
void follow_a_move(Transport* t)
{
    if (t->recent_count < k_transport_recent) return;
    double sorted[k_transport_recent];
    std::copy(t->recent, t->recent + k_transport_recent, sorted);
    std::sort(sorted, sorted + k_transport_recent);
    const double now = 0.5 * (sorted[k_transport_recent / 2 - 1] + sorted[k_transport_recent / 2]);
    if (std::abs(now - t->fit_lead) <= k_transport_move_ms) return;
    double moved[k_transport_recent];
    int count = 0;
    for (int i = 0; i < k_transport_recent; ++i) {
        const double lead = t->recent[(t->recent_next + i) % k_transport_recent];
        if (std::abs(lead - now) < std::abs(lead - t->fit_lead)) moved[count++] = lead;
    }
    // A move is most of the latest stamps, agreeing with each other.
    if (count <= k_transport_recent / 2) return;
    const auto [low, high] = std::minmax_element(moved, moved + count);
    if (*high - *low > k_transport_agree_ms) return;
    start_run(t);
    for (int i = 0; i < count; ++i) push_lead(t, moved[i]);
}

bool following(const Transport* t, int64_t now_ns)
{
    return t->lead_count >= k_transport_min_run &&
           (now_ns - t->last_stamp_ns) / 1e6 <= k_transport_stall_ms;
}

// The position heard now by the fit (extrapolated past the latest stamp).
double fitted_ms(const Transport* t, int64_t now_ns)
{
    return ms_since(t, now_ns) - t->fit_lead - t->latency_ms;
}

void coast_from(Transport* t, double heard_ms, int64_t ns)
{
    t->mode = TRANSPORT_COASTING;
    t->coast_ms = heard_ms;
    t->coast_ns = ns;
}

}  // namespace

double mean_of_middle_half(const double* values, int count)
{
    if (count <= 0) return 0;
    std::vector<double> sorted(values, values + count);
    std::sort(sorted.begin(), sorted.end());
    const int trim = count / 4;
    double sum = 0;
    for (int i = trim; i < count - trim; ++i) sum += sorted[i];
    return sum / (count - 2 * trim);
}

void transport_follow_latency(Transport* t, double reported_ms, int64_t now_ns)
{
    const double change = reported_ms - t->latency_ms;
    const bool first = t->latency_followed_ns < 0;
    const double step =
        first ? 0 : k_transport_latency_slew_ms * (now_ns - t->latency_followed_ns) / 60e9;
    t->latency_followed_ns = now_ns;
    if (first || std::abs(change) > k_transport_latency_jump_ms)
        t->latency_ms = reported_ms;
    else
        t->latency_ms += std::clamp(change, -step, step);
}

uint32_t transport_seek(Transport* t, int64_t now_ns, double music_ms)
{
    if (t->mode == TRANSPORT_STOPPED) t->base_ns = now_ns;
    ++t->epoch;
    t->paused = false;
    t->heard = false;
    start_run(t);
    coast_from(t, music_ms - t->latency_ms, now_ns);
    t->quiet_from_ns = now_ns;
    t->picture_ms = t->coast_ms - t->offset_ms;
    t->query_ns = now_ns;
    t->stamps_since_query = 0;
    return t->epoch;
}

double transport_resume_point(Transport* t, int64_t now_ns)
{
    return transport_position_ms(t, now_ns) + t->offset_ms + t->latency_ms;
}

void transport_add_stamp(Transport* t, const TransportStamp& stamp)
{
    if (t->mode == TRANSPORT_STOPPED || t->paused || stamp.epoch != t->epoch) return;
    if (t->stamps_since_query++ == 0) t->first_stamp_since_query_ns = stamp.time_ns;
    const double lead = ms_since(t, stamp.time_ns) - stamp.music_ms;
    const double since_ms = (stamp.time_ns - t->last_stamp_ns) / 1e6;
    const bool gap = !t->heard || since_ms > k_transport_gap_ms || stamp.chunk != t->last_chunk + 1;
    t->last_stamp_ns = stamp.time_ns;
    t->last_chunk = stamp.chunk;
    t->heard = true;
    if (gap) {
        start_run(t);
    } else if (since_ms < k_transport_refill_ms) {
        return;
    }
    push_lead(t, lead);
    follow_a_move(t);
}

void transport_lose_audio(Transport* t, int64_t now_ns)
{
    if (t->mode == TRANSPORT_STOPPED) return;
    const double picture = transport_position_ms(t, now_ns);
    ++t->epoch;
    t->heard = false;
    start_run(t);
    coast_from(t, picture + t->offset_ms, now_ns);
}

void transport_pause(Transport* t, int64_t now_ns)
{
    transport_position_ms(t, now_ns);
    t->paused = true;
}

double transport_position_ms(Transport* t, int64_t now_ns)
{
    if (t->mode == TRANSPORT_STOPPED || t->paused) {
        t->query_ns = now_ns;
        return t->picture_ms;
    }
    // The audio flowed at the previous answer, and then nothing at all
    // happened for a while, not even a callback: the whole process stood
    // still (stopped by a signal, a debugger, a starved machine), and the
    // audio with it. That time is not the music's; the picture goes on from
    // where it stood.
    const int64_t woke_ns = t->stamps_since_query ? t->first_stamp_since_query_ns : now_ns;
    if (t->mode == TRANSPORT_FOLLOWING && (woke_ns - t->query_ns) / 1e6 > k_transport_stall_ms) {
        coast_from(t, t->picture_ms + t->offset_ms, woke_ns);
        t->quiet_from_ns = woke_ns;
    }
    double heard;
    if (following(t, now_ns)) {
        heard = fitted_ms(t, now_ns);
        t->mode = TRANSPORT_FOLLOWING;
    } else {
        if (t->mode == TRANSPORT_FOLLOWING) coast_from(t, fitted_ms(t, now_ns), now_ns);
        heard = t->coast_ms + (now_ns - t->coast_ns) / 1e6;
    }
    t->picture_ms = std::max(t->picture_ms, heard - t->offset_ms);
    t->query_ns = now_ns;
    t->stamps_since_query = 0;
    return t->picture_ms;
}

double transport_quiet_ms(const Transport* t, int64_t now_ns)
{
    if (t->mode == TRANSPORT_STOPPED || t->paused) return 0;
    const int64_t heard_ns =
        t->heard ? std::max(t->quiet_from_ns, t->last_stamp_ns) : t->quiet_from_ns;
    return std::max(0.0, (now_ns - heard_ns) / 1e6);
}

bool transport_heard(const Transport* t) { return t->heard; }
