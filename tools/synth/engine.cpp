#include "engine.h"

#include <algorithm>
#include <memory>

#include "clipper.h"
#include "dsp.h"
#include "instruments.h"

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define KRELAN_HAVE_MXCSR 1
#endif

namespace {

// Reverb tails and filter states decay into denormal numbers, which are
// extremely slow on x86; flush them to zero for the duration of a render.
class DenormalGuard {
public:
    DenormalGuard()
    {
#ifdef KRELAN_HAVE_MXCSR
        saved_ = _mm_getcsr();
        _mm_setcsr(saved_ | 0x8040);  // flush-to-zero and denormals-are-zero
#endif
    }
    ~DenormalGuard()
    {
#ifdef KRELAN_HAVE_MXCSR
        _mm_setcsr(saved_);
#endif
    }

private:
    unsigned saved_ = 0;
};

// Where a channel goes before the master bus: straight there, or through
// the soft clipper of the drums or of the two mono lines (bass and acid).
enum Bus : uint8_t { BUS_DRY, BUS_DRUMS, BUS_LINES };

struct ChannelStrip {
    float gain_db;
    float duck;    // share of the sidechain depth applied to this channel
    float reverb;  // send levels
    float delay;
    Bus bus;
    bool long_duck;  // held down for the whole kick body, not just its attack
};

// Static balance of the mix; the arrangement's automation rides on top.
const ChannelStrip k_strips[k_part_count] = {
    {-12.5f, 0.0f, 0.0f, 0.0f, BUS_DRUMS, false},    // kick
    {-9.0f, 1.0f, 0.0f, 0.0f, BUS_LINES, true},      // bass
    {-4.0f, 0.55f, 0.12f, 0.28f, BUS_LINES, false},  // acid
    {-1.0f, 1.0f, 0.45f, 0.0f, BUS_DRY, false},      // pad
    {-4.0f, 0.7f, 0.35f, 0.45f, BUS_DRY, false},     // stab
    {-4.0f, 0.6f, 0.3f, 0.4f, BUS_DRY, false},       // arp
    {1.0f, 0.5f, 0.35f, 0.35f, BUS_DRY, false},      // lead
    {-4.0f, 0.3f, 0.4f, 0.5f, BUS_DRY, false},       // bleep
    {3.0f, 0.15f, 0.05f, 0.0f, BUS_DRUMS, false},    // closed hat
    {-1.0f, 0.25f, 0.1f, 0.0f, BUS_DRUMS, false},    // open hat
    {-3.0f, 0.2f, 0.15f, 0.0f, BUS_DRUMS, false},    // ride
    {0.0f, 0.5f, 0.4f, 0.0f, BUS_DRUMS, false},      // clap
    {-5.0f, 0.0f, 0.3f, 0.0f, BUS_DRUMS, false},     // snare
    {-12.0f, 0.0f, 0.25f, 0.1f, BUS_DRUMS, false},   // tom
    {-8.0f, 0.1f, 0.2f, 0.3f, BUS_DRUMS, false},     // perc
    {-9.0f, 0.0f, 0.3f, 0.0f, BUS_DRY, false},       // crash
    {-9.0f, 0.3f, 0.3f, 0.0f, BUS_DRY, false},       // riser
    {-9.0f, 0.0f, 0.2f, 0.0f, BUS_DRY, false},       // reverse
    {-11.0f, 0.5f, 0.4f, 0.0f, BUS_DRY, false},      // atmos
};

constexpr float k_reverb_return = 0.9f;
constexpr float k_delay_return = 0.6f;
constexpr float k_master_gain_db = 8.5f;
// The drum bus clipper rounds the tips of the hits that land together
// (kick, clap and hats on the same beat); each drum alone stays under it.
constexpr float k_drum_knee = 1.0f;
constexpr float k_drum_headroom = 0.1f;
// Bass and acid both speak on the offbeat; this clipper rounds the rare
// tips where their peaks meet (under 1% of the samples of any section).
constexpr float k_line_knee = 0.6f;
constexpr float k_line_headroom = 0.1f;
// Below this the reverb gets nothing: a sub tail only muddies the kick.
constexpr float k_reverb_low_cut = 250.0f;
constexpr int k_block = 64;
// The limiter's gain moves at most 1.4 dB within a beat, so the hits of a
// bar can't make it pump; it meets peaks up to 18 dB over the ceiling
// (13 beats, 6 s, of look-ahead), with 10 ms ramps.
constexpr float k_limiter_step = 1.4f;
const int k_limiter_window = int(std::ceil(60.0 * k_sample_rate / k_bpm));
constexpr float k_limiter_reach = 18.0f;
constexpr int k_limiter_smooth = k_sample_rate / 100;

// Sidechain shape after a kick: down within 3 ms, held briefly, then back
// up with the given time constant.
float duck_shape(int64_t since_kick, float release)
{
    float s = float(since_kick) / float(k_sample_rate);
    float attack = std::min(1.0f, s / 0.003f);
    float back = s < 0.015f ? 1.0f : std::exp(-(s - 0.015f) / release);
    return attack * back;
}

// Time constants of the ducks: the short one lets the offbeat through, the
// long one keeps the bass under the kick's body until it has died away.
constexpr float k_duck_release = 0.1f;
constexpr float k_long_duck_release = 0.17f;

// An exponential fade that snaps to its target once it is inaudibly close,
// so a fader that closes ends in exact zeros rather than creeping towards
// them forever.
void follow(float& value, float target, float coef)
{
    value += (target - value) * coef;
    if (std::fabs(target - value) < 1e-6f) value = target;
}

}  // namespace

TruePeakMeter::TruePeakMeter()
{
    // Tap j sits at offset j - (k_delay - 1) from the first sample of the
    // interval; cos^2 window over the whole span.
    const float half = float(k_taps) / 2.0f;
    for (int p = 0; p < 7; ++p) {
        float frac = float(p + 1) / 8.0f;
        float sum = 0.0f;
        for (int j = 0; j < k_taps; ++j) {
            float t = frac - float(j - (k_delay - 1));
            float sinc = std::fabs(t) < 1e-6f ? 1.0f : std::sin(k_pi * t) / (k_pi * t);
            float w = std::cos(k_pi * t / (2.0f * half));
            taps_[p][j] = sinc * w * w;
            sum += taps_[p][j];
        }
        for (float& tap : taps_[p]) tap /= sum;
    }
}

float TruePeakMeter::push(float x)
{
    history_[pos_] = x;
    history_[pos_ + k_taps] = x;
    pos_ = (pos_ + 1) % k_taps;
    const float* h = &history_[pos_];  // h[0] oldest .. h[k_taps - 1] newest (sample n)
    // h[k_delay - 1] is sample n - k_delay, the start of the interval being measured.
    float peak = std::fabs(h[k_delay - 1]);
    for (auto& taps : taps_) {
        float y = 0.0f;
        for (int j = 0; j < k_taps; ++j) y += taps[j] * h[j];
        peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

float RunningMin::push(int64_t index, float value)
{
    while (!rising_.empty() && rising_.back().second >= value) rising_.pop_back();
    rising_.emplace_back(index, value);
    while (rising_.front().first <= index - span_) rising_.pop_front();
    return rising_.front().second;
}

PeakLimiter::PeakLimiter(float ceiling_db, float step_db, int window, float reach_db, int smooth)
    : ceiling_(db_to_gain(ceiling_db)),
      ceiling_db_(ceiling_db),
      step_db_(step_db),
      window_(window),
      steps_(int(std::ceil(reach_db / step_db))),
      smooth_(smooth),
      delay_l_(size_t(latency()), 0.0f),
      delay_r_(size_t(latency()), 0.0f),
      need_(size_t(steps_) * size_t(window_) + 1, 0.0f),
      erode_(2 * smooth + 1),
      eroded_(size_t(2 * smooth + 1), 0.0f)
{
    for (int k = 1; k <= steps_; ++k) reach_.emplace_back(2 * int64_t(k) * window_ + 1);
}

void PeakLimiter::process(float in_l, float in_r, float& out_l, float& out_r)
{
    // The gain (dB) needed by the interval that starts k_delay samples back:
    // call it sample n. Its gain is decided steps_ windows later, at t.
    const int64_t n = count_++;
    const float peak = std::max(meter_l_.push(in_l), meter_r_.push(in_r));
    const size_t span = need_.size();
    // Never above 0 dB: the limiter only ever takes level off.
    need_[size_t(n) % span] = peak > ceiling_ ? ceiling_db_ - 20.0f * std::log10(peak) : 0.0f;
    auto need_at = [&](int64_t i) { return i < 0 ? 0.0f : need_[size_t(i) % span]; };

    const int64_t t = n - int64_t(steps_) * window_;
    float gain_db = need_at(t);
    for (int k = 1; k <= steps_; ++k) {
        // Window k ends k windows after t, which is (steps_ - k) windows back from n.
        const int64_t last = t + int64_t(k) * window_;
        float lowest = reach_[size_t(k - 1)].push(last, need_at(last));
        gain_db = std::min(gain_db, lowest + float(k) * step_db_);
    }

    // Erode (the lowest over smooth_ either side), then average over the
    // same span: the ramp ends on the peak and never lets it through.
    const size_t ring = eroded_.size();
    float eroded = erode_.push(t, gain_db);
    eroded_sum_ += double(eroded) - double(eroded_[size_t(n) % ring]);
    eroded_[size_t(n) % ring] = eroded;
    gain_ = db_to_gain(float(eroded_sum_ / double(ring)));

    size_t size = delay_l_.size();
    float dl = delay_l_[delay_pos_];
    float dr = delay_r_[delay_pos_];
    delay_l_[delay_pos_] = in_l;
    delay_r_[delay_pos_] = in_r;
    delay_pos_ = (delay_pos_ + 1) % size;

    out_l = std::max(-ceiling_, std::min(ceiling_, dl * gain_));
    out_r = std::max(-ceiling_, std::min(ceiling_, dr * gain_));
}

MasterBus::MasterBus()
    : limiter_(k_ceiling_db, k_limiter_step, k_limiter_window, k_limiter_reach, k_limiter_smooth)
{
    const float fs = float(k_sample_rate);
    for (int c = 0; c < 2; ++c) {
        dc_[c].set(16.0f, 0.7071f, fs);
        // Fourth-order Butterworth low pass at 18 kHz as two sections.
        air_a_[c].set(18000.0f, 0.5412f, fs);
        air_b_[c].set(18000.0f, 1.3066f, fs);
        drift_[c].set(0.2f, fs);
    }
    // Fourth-order Butterworth high pass on the side signal.
    side_a_.set(k_mono_below, 0.5412f, fs);
    side_b_.set(k_mono_below, 1.3066f, fs);
}

void MasterBus::process(float in_l, float in_r, float& out_l, float& out_r)
{
    // Everything under k_mono_below goes to the middle: the kick and bass
    // hit both speakers alike, and the mix folds down to mono intact.
    float mid = 0.5f * (in_l + in_r);
    side_a_.process(0.5f * (in_l - in_r));
    side_b_.process(side_a_.hp);
    float x[2] = {mid + side_b_.hp, mid - side_b_.hp};
    for (int c = 0; c < 2; ++c) {
        dc_[c].process(x[c]);
        air_a_[c].process(dc_[c].hp);
        air_b_[c].process(air_a_[c].lp);
        x[c] = air_b_[c].lp;
    }
    float y[2];
    limiter_.process(x[0], x[1], y[0], y[1]);
    // The high pass moves samples by a few thousandths at most; the clamp
    // keeps the ones right at the ceiling from poking over it.
    const float c = limiter_.ceiling();
    for (int k = 0; k < 2; ++k) y[k] = std::max(-c, std::min(c, drift_[k].highpass(y[k])));
    out_l = y[0];
    out_r = y[1];
}

std::vector<float> render(const Song& song, int64_t begin, int64_t end,
                          const RenderOptions& options)
{
    DenormalGuard guard;
    std::unique_ptr<Instrument> instruments[k_part_count];
    for (int p = 0; p < k_part_count; ++p) instruments[p] = make_instrument(Part(p), song.seed);

    Reverb reverb;
    PingPongDelay delay(int(std::lround(0.75 * 60.0 * k_sample_rate / k_bpm)), 0.42f);
    MasterBus bus;
    OversampledClipper drum_clip[2] = {{k_drum_knee, k_drum_headroom},
                                       {k_drum_knee, k_drum_headroom}};
    OversampledClipper line_clip[2] = {{k_line_knee, k_line_headroom},
                                       {k_line_knee, k_line_headroom}};
    // The rest of the mix waits for the clippers to catch up.
    const int clip_latency = drum_clip[0].latency();
    DelayLine wait_l(clip_latency + 1), wait_r(clip_latency + 1);
    Svf reverb_cut[2];
    for (Svf& f : reverb_cut) f.set(k_reverb_low_cut, 0.7071f, float(k_sample_rate));
    const int latency = bus.latency() + clip_latency;
    const int64_t start =
        std::max<int64_t>(0, begin - int64_t(options.preroll_seconds * k_sample_rate));
    const int64_t stop = end + latency;
    std::vector<float> out(size_t(2 * std::max<int64_t>(0, end - begin)), 0.0f);

    std::vector<int64_t> onsets(song.notes.size());
    for (size_t i = 0; i < song.notes.size(); ++i) onsets[i] = beat_to_sample(song.notes[i].beat);
    size_t next = size_t(std::lower_bound(onsets.begin(), onsets.end(), start) - onsets.begin());

    float strip_gain[k_part_count];
    for (int p = 0; p < k_part_count; ++p)
        strip_gain[p] = (options.parts >> p & 1u) ? db_to_gain(k_strips[p].gain_db) : 0.0f;
    const float master_gain = db_to_gain(k_master_gain_db);
    const float smooth = 1.0f - std::exp(-1.0f / (0.002f * float(k_sample_rate)));

    MixState first = song.mix(sample_to_beat(double(start)));
    float fader[k_part_count];
    for (int p = 0; p < k_part_count; ++p) fader[p] = first.gain[p];
    float master = first.master;
    // The master fader acts after the bus (fades and gaps end in true digital
    // silence, and the limiter sees the music at full level), so its value is
    // delayed by the bus latency to meet the audio it belongs to.
    std::vector<float> master_delay(size_t(latency), master);
    size_t master_pos = 0;

    int64_t last_kick = INT64_MIN / 2;
    float kick_velocity = 0.0f;

    std::vector<float> buf_l(size_t(k_part_count) * k_block), buf_r(size_t(k_part_count) * k_block);
    if (options.trace) {
        options.trace->limiter_gain.assign(out.size() / 2, 1.0f);
        for (auto& over : options.trace->over_knee) over.assign(out.size() / 2, 0);
        options.trace->clip_samples_per_frame = 2 * OversampledClipper::k_factor;
    }

    for (int64_t t = start; t < stop;) {
        while (next < onsets.size() && onsets[next] <= t) {
            const Note& note = song.notes[next];
            int gate = int(beat_to_sample(note.beat + note.length) - onsets[next]);
            instruments[int(note.part)]->trigger(note, gate);
            if (note.part == PART_CLOSED_HAT) instruments[int(PART_OPEN_HAT)]->choke();
            if (note.part == PART_KICK) {
                last_kick = t;
                kick_velocity = note.velocity;
            }
            ++next;
        }
        int64_t block_end = std::min(t + k_block, stop);
        if (next < onsets.size()) block_end = std::min(block_end, onsets[next]);
        int n = int(block_end - t);

        MixState mix = song.mix(sample_to_beat(double(t)));
        std::fill(buf_l.begin(), buf_l.end(), 0.0f);
        std::fill(buf_r.begin(), buf_r.end(), 0.0f);
        for (int p = 0; p < k_part_count; ++p)
            instruments[p]->render(&buf_l[size_t(p) * k_block], &buf_r[size_t(p) * k_block], n,
                                   mix);

        for (int i = 0; i < n; ++i) {
            int64_t now = t + i;
            const float depth = mix.duck_depth * kick_velocity;
            float duck = depth * duck_shape(now - last_kick, k_duck_release);
            float long_duck = depth * duck_shape(now - last_kick, k_long_duck_release);
            float bus_l[3] = {}, bus_r[3] = {};
            float rev_l = 0.0f, rev_r = 0.0f, echo_l = 0.0f, echo_r = 0.0f;
            for (int p = 0; p < k_part_count; ++p) {
                follow(fader[p], mix.gain[p], smooth);
                const ChannelStrip& strip = k_strips[p];
                float g = strip_gain[p] * fader[p] *
                          (1.0f - strip.duck * (strip.long_duck ? long_duck : duck));
                float xl = buf_l[size_t(p) * k_block + size_t(i)] * g;
                float xr = buf_r[size_t(p) * k_block + size_t(i)] * g;
                bus_l[int(strip.bus)] += xl;
                bus_r[int(strip.bus)] += xr;
                rev_l += xl * strip.reverb;
                rev_r += xr * strip.reverb;
                echo_l += xl * strip.delay;
                echo_r += xr * strip.delay;
            }
            float wet_l, wet_r, dl, dr;
            reverb_cut[0].process(rev_l * mix.reverb_send);
            reverb_cut[1].process(rev_r * mix.reverb_send);
            reverb.process(reverb_cut[0].hp, reverb_cut[1].hp, wet_l, wet_r);
            delay.process(echo_l, echo_r, dl, dr);
            float wet_duck = 1.0f - 0.5f * duck;
            wait_l.push(bus_l[0] + (wet_l * k_reverb_return + dl * k_delay_return) * wet_duck);
            wait_r.push(bus_r[0] + (wet_r * k_reverb_return + dr * k_delay_return) * wet_duck);
            // The master gain comes before the clippers, so their knees sit
            // at a fixed distance under the limiter's ceiling.
            float sum_l = wait_l.tap(clip_latency + 1) +
                          drum_clip[0].process(bus_l[1] * master_gain) / master_gain +
                          line_clip[0].process(bus_l[2] * master_gain) / master_gain;
            float sum_r = wait_r.tap(clip_latency + 1) +
                          drum_clip[1].process(bus_r[1] * master_gain) / master_gain +
                          line_clip[1].process(bus_r[2] * master_gain) / master_gain;

            float yl, yr;
            bus.process(sum_l * master_gain, sum_r * master_gain, yl, yr);
            follow(master, mix.master, smooth);
            float fader_out = master_delay[master_pos];
            master_delay[master_pos] = master;
            master_pos = (master_pos + 1) % master_delay.size();
            yl *= fader_out;
            yr *= fader_out;

            int64_t idx = now - latency;
            if (idx >= begin && idx < end) {
                out[size_t(2 * (idx - begin))] = yl;
                out[size_t(2 * (idx - begin) + 1)] = yr;
                if (options.trace)
                    options.trace->limiter_gain[size_t(idx - begin)] = bus.limiter_gain();
            }
            if (options.trace && now >= begin && now < end) {
                auto& over = options.trace->over_knee;
                size_t i = size_t(now - begin);
                over[0][i] = uint8_t(drum_clip[0].over_knee() + drum_clip[1].over_knee());
                over[1][i] = uint8_t(line_clip[0].over_knee() + line_clip[1].over_knee());
            }
        }
        t = block_end;
    }
    return out;
}
