#include "instruments.h"

#include <algorithm>
#include <array>

namespace {

constexpr float k_fs = float(k_sample_rate);
constexpr float k_inv_fs = 1.0f / k_fs;
// Filters whose cutoff moves are re-tuned every this many samples.
constexpr int k_control_rate = 16;

// Per-sample coefficient of an exponential approach with time constant `seconds`.
float approach_coef(float seconds) { return 1.0f - std::exp(-1.0f / (seconds * k_fs)); }

void pan_gains(float pan, float& gl, float& gr)
{
    // Constant-power pan, -1 (left) .. +1 (right).
    float a = (pan + 1.0f) * 0.25f * k_pi;
    gl = std::cos(a) * 1.41421356f;
    gr = std::sin(a) * 1.41421356f;
}

// ---------------------------------------------------------------- kick
// Sine body with a fast falling pitch (the punch), a short noise click for
// the attack, and a little tanh drive to square off the body.
class KickDrum : public Instrument {
public:
    explicit KickDrum(uint64_t seed) : rng_(seed) { click_hp_.set(2500.0f, k_fs); }

    void trigger(const Note& note, int) override
    {
        voices_[current_].release = true;
        current_ ^= 1;
        Voice& v = voices_[current_];
        v = Voice{};
        v.on = true;
        v.velocity = note.velocity;
        v.tune = midi_to_hz(note.pitch) / midi_to_hz(31.0f);  // pitch 31 (G1): a 49 Hz body
    }

    void render(float* l, float* r, int n, const MixState& mix) override
    {
        float tone = clamp01(mix.kick_tone);
        tone_lp_.set(90.0f + 9000.0f * tone * tone, k_fs);
        for (int i = 0; i < n; ++i) {
            float y = 0.0f;
            for (Voice& v : voices_) {
                if (!v.on) continue;
                float s = float(v.t) * k_inv_fs;
                float f = 49.0f * v.tune + 125.0f * std::exp(-s / 0.024f) +
                          330.0f * std::exp(-s / 0.0035f);
                v.phase += f * k_inv_fs;
                v.phase -= std::floor(v.phase);
                // A short body, gone by 0.3 s: it leaves the offbeat bass room.
                float amp = std::exp(-s / 0.15f) * (1.0f - smoothstep(0.17f, 0.30f, s));
                float body = std::sin(k_two_pi * v.phase) * amp;
                float click = click_hp_.highpass(rng_.bipolar()) * std::exp(-s / 0.0011f) * 0.35f;
                float x = std::tanh(1.9f * (body + click)) * (1.0f / 0.956f);
                if (v.release) {
                    v.fade -= 1.0f / (0.002f * k_fs);
                    if (v.fade <= 0.0f) v.on = false;
                }
                y += x * v.velocity * std::max(v.fade, 0.0f);
                if (++v.t > int(0.31f * k_fs)) v.on = false;
            }
            if (tone < 0.999f) y = tone_lp_.lowpass(y);
            l[i] += y;
            r[i] += y;
        }
    }

private:
    struct Voice {
        bool on = false, release = false;
        int t = 0;
        float phase = 0.0f, velocity = 0.0f, tune = 1.0f, fade = 1.0f;
    };
    Voice voices_[2];
    int current_ = 0;
    Rng rng_;
    OnePole click_hp_, tone_lp_;
};

// ---------------------------------------------------------------- mono bass lines
// Shared skeleton of the two monophonic lines: gate, glide and a decaying
// filter envelope that restarts on every note that does not slide.
class MonoLine : public Instrument {
public:
    void trigger(const Note& note, int gate) override
    {
        target_ = midi_to_hz(note.pitch);
        bool glide = note.slide && amp_ > 0.01f;
        if (!glide) {
            freq_ = target_;
            env_t_ = 0;
            accent_ = note.accent;
            velocity_ = note.velocity;
        }
        gate_ = gate;
    }

protected:
    void step_common(float glide_coef)
    {
        freq_ += (target_ - freq_) * glide_coef;
        float want = gate_ > 0 ? 1.0f : 0.0f;
        amp_ += (want - amp_) * (want > amp_ ? attack_coef_ : release_coef_);
        if (gate_ > 0) --gate_;
        ++env_t_;
    }
    float target_ = 110.0f, freq_ = 110.0f, amp_ = 0.0f, velocity_ = 1.0f;
    float attack_coef_ = approach_coef(0.0012f), release_coef_ = approach_coef(0.012f);
    int gate_ = 0, env_t_ = 0;
    bool accent_ = false;
};

// Saw plus sine fundamental through a low pass with a short pluck envelope.
class Bass : public MonoLine {
public:
    void render(float* l, float* r, int n, const MixState& mix) override
    {
        const float glide = approach_coef(0.03f);
        for (int i = 0; i < n; ++i) {
            if (amp_ < 1e-5f && gate_ == 0) {
                amp_ = 0.0f;
                continue;
            }
            if (ctl_-- <= 0) {
                float env = std::exp(-float(env_t_) * k_inv_fs / 0.07f);
                filter_.set(mix.bass_cutoff * (1.0f + 3.5f * env * velocity_), 1.0f, k_fs);
                ctl_ = k_control_rate;
            }
            float dt = freq_ * k_inv_fs;
            float p = osc_.tick(dt);
            float x = 0.55f * saw_blep(p, dt) + 0.8f * std::sin(k_two_pi * p);
            filter_.process(x);
            // High pass under the kick's body: the bass's weight sits above
            // it. The saturation comes after the high pass, whose ringing
            // would otherwise put the peaks back that the tanh rounded off.
            low_cut_a_.process(filter_.lp);
            low_cut_b_.process(low_cut_a_.hp);
            float y = std::tanh(1.5f * low_cut_b_.hp) * amp_ * velocity_ * 0.55f;
            l[i] += y;
            r[i] += y;
            step_common(glide);
        }
    }

public:
    Bass()
    {
        low_cut_a_.set(k_low_cut, 0.5412f, k_fs);
        low_cut_b_.set(k_low_cut, 1.3066f, k_fs);
    }

private:
    static constexpr float k_low_cut = 45.0f;
    Phasor osc_;
    Svf filter_, low_cut_a_, low_cut_b_;
    int ctl_ = 0;
};

// The acid line: a saw into the resonant ladder; accents open the filter
// wider and decay faster, slides glide without restarting the envelope.
class Acid : public MonoLine {
public:
    Acid() { release_coef_ = approach_coef(0.008f); }
    void render(float* l, float* r, int n, const MixState& mix) override
    {
        const float glide = approach_coef(0.045f);
        for (int i = 0; i < n; ++i) {
            if (amp_ < 1e-5f && gate_ == 0) {
                amp_ = 0.0f;
                ladder_.process(0.0f, 200.0f, 0.0f, k_fs);
                continue;
            }
            float decay = accent_ ? 0.11f : 0.22f;
            float env = std::exp(-float(env_t_) * k_inv_fs / decay);
            float depth = mix.acid_env * (accent_ ? 1.25f : 0.75f);
            float cutoff = mix.acid_cutoff * std::exp2(depth * env);
            float dt = freq_ * k_inv_fs;
            float p = osc_.tick(dt);
            float x = saw_blep(p, dt);
            float y = ladder_.process(x * 0.9f, cutoff, mix.acid_resonance, k_fs);
            float level = velocity_ * (accent_ ? 1.35f : 0.9f);
            y = std::tanh(2.0f * y) * amp_ * level * 0.32f;
            l[i] += y;
            r[i] += y;
            step_common(glide);
        }
    }

private:
    Phasor osc_;
    Ladder ladder_;
};

// ---------------------------------------------------------------- polyphonic saws
struct PolyPatch {
    int oscillators;
    float detune_cents;
    float attack, decay, sustain, release;  // seconds, level
    float cutoff_scale;                     // times the mix cutoff
    float env_octaves, env_decay;           // filter envelope
    float q;
    float level;
    float spread;  // stereo spread of the oscillators
    bool use_arp_cutoff;
};

// Detuned-saw voices ("supersaw") for pads, chord stabs and the lead.
class PolySaw : public Instrument {
public:
    PolySaw(const PolyPatch& patch, uint64_t seed) : patch_(patch), rng_(seed) {}

    void trigger(const Note& note, int gate) override
    {
        Voice* v = nullptr;
        for (Voice& c : voices_)
            if (!c.on) {
                v = &c;
                break;
            }
        if (!v) {  // steal the oldest voice
            v = &voices_[0];
            for (Voice& c : voices_)
                if (c.age > v->age) v = &c;
        }
        *v = Voice{};
        v->on = true;
        v->gate = gate;
        v->velocity = note.velocity;
        float base = midi_to_hz(note.pitch);
        for (int k = 0; k < patch_.oscillators; ++k) {
            float spread = patch_.oscillators > 1
                               ? float(k) / float(patch_.oscillators - 1) * 2.0f - 1.0f
                               : 0.0f;
            v->freq[k] = base * std::exp2(spread * patch_.detune_cents / 1200.0f);
            v->osc[k].phase = rng_.uniform();
            pan_gains(spread * patch_.spread * (k % 2 ? -1.0f : 1.0f), v->gl[k], v->gr[k]);
        }
    }

    void render(float* l, float* r, int n, const MixState& mix) override
    {
        const float a_coef = approach_coef(std::max(patch_.attack, 0.0005f) / 3.0f);
        const float d_coef = approach_coef(patch_.decay / 3.0f);
        const float r_coef = approach_coef(patch_.release / 3.0f);
        const float base_cut =
            (patch_.use_arp_cutoff ? mix.arp_cutoff : mix.pad_cutoff) * patch_.cutoff_scale;
        const float norm = patch_.level / std::sqrt(float(patch_.oscillators));
        for (Voice& v : voices_) {
            if (!v.on) continue;
            ++v.age;
            for (int i = 0; i < n; ++i) {
                if (v.ctl-- <= 0) {
                    float env = std::exp(-float(v.t) * k_inv_fs / patch_.env_decay);
                    float cut = base_cut * std::exp2(patch_.env_octaves * env * v.velocity);
                    v.filter_l.set(cut, patch_.q, k_fs);
                    v.filter_r.set(cut, patch_.q, k_fs);
                    v.ctl = k_control_rate;
                }
                // Envelope: attack towards a slight overshoot, then decay to sustain.
                if (v.gate > 0) {
                    if (v.attacking) {
                        v.level += (1.2f - v.level) * a_coef;
                        if (v.level >= 1.0f) {
                            v.level = 1.0f;
                            v.attacking = false;
                        }
                    } else {
                        v.level += (patch_.sustain - v.level) * d_coef;
                    }
                    --v.gate;
                } else {
                    v.level -= v.level * r_coef;
                    if (v.level < 1e-4f) {
                        v.on = false;
                        break;
                    }
                }
                float sl = 0.0f, sr = 0.0f;
                for (int k = 0; k < patch_.oscillators; ++k) {
                    float dt = v.freq[k] * k_inv_fs;
                    float s = saw_blep(v.osc[k].tick(dt), dt);
                    sl += s * v.gl[k];
                    sr += s * v.gr[k];
                }
                v.filter_l.process(sl);
                v.filter_r.process(sr);
                float g = v.level * v.velocity * norm;
                l[i] += v.filter_l.lp * g;
                r[i] += v.filter_r.lp * g;
                ++v.t;
            }
        }
    }

private:
    static constexpr int k_max_osc = 7;
    struct Voice {
        bool on = false, attacking = true;
        int gate = 0, t = 0, ctl = 0, age = 0;
        float velocity = 1.0f, level = 0.0f;
        float freq[k_max_osc] = {};
        float gl[k_max_osc] = {}, gr[k_max_osc] = {};
        Phasor osc[k_max_osc];
        Svf filter_l, filter_r;
    };
    PolyPatch patch_;
    Rng rng_;
    std::array<Voice, 24> voices_;
};

// ---------------------------------------------------------------- plucks and bleeps
// Short plucked notes: the arpeggio (saw and square through a snappy low
// pass) or the bleeps (two-operator FM with a bright, fast-falling index).
class Pluck : public Instrument {
public:
    Pluck(bool fm, uint64_t seed) : fm_(fm), rng_(seed) {}

    void trigger(const Note& note, int gate) override
    {
        Voice& v = voices_[next_];
        next_ = (next_ + 1) % voices_.size();
        v = Voice{};
        v.on = true;
        v.gate = gate;
        v.freq = midi_to_hz(note.pitch);
        v.velocity = note.velocity;
        v.accent = note.accent;
        float pan =
            fm_ ? (std::fmod(note.pitch, 7.0f) / 3.0f - 1.0f) * 0.6f : (flip_ ? 0.55f : -0.55f);
        flip_ = !flip_;
        pan_gains(pan, v.gl, v.gr);
        // The bleep's modulator starts at zero so its first sample is no jump;
        // the arp's second oscillator starts anywhere, for a livelier beat.
        v.osc2.phase = fm_ ? 0.0f : rng_.uniform();
    }

    void render(float* l, float* r, int n, const MixState& mix) override
    {
        for (Voice& v : voices_) {
            if (!v.on) continue;
            for (int i = 0; i < n; ++i) {
                float s = float(v.t) * k_inv_fs;
                float amp;
                float y;
                if (fm_) {
                    amp = std::exp(-s / (v.accent ? 0.22f : 0.12f));
                    float index = 2.6f * std::exp(-s / 0.035f);
                    float mod = std::sin(k_two_pi * v.osc2.tick(v.freq * 2.0f * k_inv_fs)) * index;
                    y = std::sin(k_two_pi * v.osc.tick(v.freq * k_inv_fs) + mod) * 0.5f;
                } else {
                    amp = std::exp(-s / 0.16f);
                    if (v.ctl-- <= 0) {
                        float env = std::exp(-s / 0.05f);
                        v.filter.set(mix.arp_cutoff * std::exp2(2.2f * env * v.velocity), 1.4f,
                                     k_fs);
                        v.ctl = k_control_rate;
                    }
                    float dt = v.freq * k_inv_fs;
                    float dt2 = v.freq * 1.004f * k_inv_fs;
                    float x = 0.6f * saw_blep(v.osc.tick(dt), dt) +
                              0.4f * square_blep(v.osc2.tick(dt2), dt2);
                    v.filter.process(x);
                    y = v.filter.lp * 0.5f;
                }
                if (v.gate > 0) {
                    --v.gate;
                } else {
                    v.release *= 0.9985f;
                }
                amp *= v.release * v.velocity;
                l[i] += y * amp * v.gl;
                r[i] += y * amp * v.gr;
                ++v.t;
                if (amp < 1e-4f && s > 0.01f) {
                    v.on = false;
                    break;
                }
            }
        }
    }

private:
    struct Voice {
        bool on = false, accent = false;
        int gate = 0, t = 0, ctl = 0;
        float freq = 440.0f, velocity = 1.0f, release = 1.0f, gl = 1.0f, gr = 1.0f;
        Phasor osc, osc2;
        Svf filter;
    };
    bool fm_;
    bool flip_ = false;
    Rng rng_;
    std::array<Voice, 10> voices_;
    size_t next_ = 0;
};

// ---------------------------------------------------------------- cymbals
// Six band-limited square waves (inharmonic ratios) plus noise through a band
// pass and a high pass: the metallic body of every hat and cymbal.
struct MetalPatch {
    float base_hz;
    float band_hz, band_q, high_hz;
    float decay;  // seconds
    float noise_mix;
    float pan;
    float swing;  // successive hits alternate this far either side of pan
    float level;
    bool stereo_noise;  // independent noise per side (a wide crash)
    bool boom;          // accented hits add a sub drop (impacts)
    // Saturation of each hit (0: none) and the level it takes off, given
    // back after it.
    float drive = 0.0f;
    float makeup = 1.0f;
};

class Metal : public Instrument {
public:
    Metal(const MetalPatch& patch, uint64_t seed) : patch_(patch), rng_(seed)
    {
        static const float k_ratios[6] = {2.0f, 3.0f, 4.16f, 5.43f, 6.79f, 8.21f};
        for (int k = 0; k < 6; ++k) freq_[k] = patch.base_hz * k_ratios[k];
    }

    void trigger(const Note& note, int gate) override
    {
        // A new hit takes a free voice, so the last one rings on under it;
        // only choke() cuts a ring short.
        Voice& v = voices_[next_];
        next_ = (next_ + 1) % voices_.size();
        v = Voice{};
        v.on = true;
        v.velocity = note.velocity;
        v.boom = patch_.boom && note.accent;
        v.decay = patch_.decay * (0.6f + 0.4f * note.velocity);
        // A long gate on a hat means "let it ring", a short one closes it.
        v.gate = std::max(gate, 1);
        for (Svf* f : {&v.band_l, &v.band_r}) f->set(patch_.band_hz, patch_.band_q, k_fs);
        for (Svf* f : {&v.high_l, &v.high_r}) f->set(patch_.high_hz, 0.7f, k_fs);
        // Successive hits sit a little either side of the patch's place.
        float pan =
            std::max(-1.0f, std::min(1.0f, patch_.pan + (flip_ ? patch_.swing : -patch_.swing)));
        flip_ = !flip_;
        pan_gains(pan, v.gl, v.gr);
    }
    void choke() override
    {
        for (Voice& v : voices_) v.choking = true;
    }

    void render(float* l, float* r, int n, const MixState&) override
    {
        for (Voice& v : voices_)
            if (v.on) render_voice(v, l, r, n);
    }

private:
    struct Voice {
        bool on = false, choking = false, boom = false;
        int t = 0, gate = 0;
        float velocity = 1.0f, fade = 1.0f, decay = 0.1f, boom_phase = 0.0f, gl = 1.0f, gr = 1.0f;
        Phasor phase[6];
        Svf band_l, band_r, high_l, high_r;
    };

    void render_voice(Voice& v, float* l, float* r, int n)
    {
        for (int i = 0; i < n; ++i) {
            float s = float(v.t) * k_inv_fs;
            float metal = 0.0f;
            for (int k = 0; k < 6; ++k) {
                float dt = freq_[k] * k_inv_fs;
                metal += square_blep(v.phase[k].tick(dt), dt);
            }
            metal *= 1.0f / 6.0f;
            float nl = rng_.bipolar();
            float nr = patch_.stereo_noise ? rng_.bipolar() : nl;
            float xl = metal * (1.0f - patch_.noise_mix) + nl * patch_.noise_mix;
            float xr = metal * (1.0f - patch_.noise_mix) + nr * patch_.noise_mix;
            v.band_l.process(xl);
            v.band_r.process(xr);
            v.high_l.process(v.band_l.bp + 0.3f * xl);
            v.high_r.process(v.band_r.bp + 0.3f * xr);
            float env = std::exp(-s / v.decay) * std::min(1.0f, s * 2000.0f + 0.2f);
            if (v.choking || --v.gate <= 0) v.fade *= 0.996f;
            float g = env * v.fade * v.velocity * patch_.level;
            l[i] += shape(v.high_l.hp * g) * v.gl;
            r[i] += shape(v.high_r.hp * g) * v.gr;
            if (v.boom) {
                float f = 36.0f + 30.0f * std::exp(-s / 0.12f);
                v.boom_phase += f * k_inv_fs;
                float b = std::sin(k_two_pi * v.boom_phase) * std::exp(-s / 0.45f) *
                          std::min(1.0f, s * 400.0f) * 0.35f * v.velocity;
                l[i] += b;
                r[i] += b;
            }
            ++v.t;
            if (g < 1e-5f && (!v.boom || s > 2.5f)) {
                v.on = false;
                break;
            }
        }
    }

    // Filtered noise peaks at several times its RMS, and a hat on the beat
    // lands on top of the kick; squared off here, as the clap is, a hat
    // keeps its loudness with two thirds of its highest peak.
    float shape(float x) const
    {
        if (patch_.drive <= 0.0f) return x;
        return patch_.makeup / patch_.drive * std::tanh(patch_.drive * x);
    }

    MetalPatch patch_;
    Rng rng_;
    float freq_[6] = {};
    std::array<Voice, 4> voices_;
    size_t next_ = 0;
    bool flip_ = false;
};

// ---------------------------------------------------------------- clap, snare, toms, percussion
// Hand clap: band-passed noise fired three times in quick succession, then
// a longer diffuse tail. Each side gets its own noise so it sounds wide.
class Clap : public Instrument {
public:
    explicit Clap(uint64_t seed) : rng_(seed)
    {
        band_l_.set(1500.0f, 1.2f, k_fs);
        band_r_.set(1650.0f, 1.2f, k_fs);
        // The crack of the clap, where the ear is most sensitive.
        crack_l_.set(3400.0f, 1.5f, k_fs);
        crack_r_.set(3800.0f, 1.5f, k_fs);
    }
    void trigger(const Note& note, int) override
    {
        on_ = true;
        t_ = 0;
        velocity_ = note.velocity;
    }
    void render(float* l, float* r, int n, const MixState&) override
    {
        if (!on_) return;
        for (int i = 0; i < n; ++i) {
            float s = float(t_) * k_inv_fs;
            float env;
            if (s < 0.027f) {
                float burst = std::fmod(s, 0.009f);
                env = std::exp(-burst / 0.0025f);
            } else {
                env = 0.85f * std::exp(-(s - 0.027f) / 0.075f);
            }
            // Two thirds of each side's noise is its own: wide, but not so
            // wide that the clap thins out in mono.
            float common = rng_.bipolar();
            float nl = common + k_width * (rng_.bipolar() - common),
                  nr = common + k_width * (rng_.bipolar() - common);
            band_l_.process(nl);
            band_r_.process(nr);
            crack_l_.process(nl);
            crack_r_.process(nr);
            // Noise peaks at four times its RMS; saturating the clap here
            // squares it off, so it is as loud with a quarter of the peak and
            // the drum bus clipper does not have to flatten it.
            float g = env * velocity_;
            l[i] += k_level / k_drive * std::tanh(k_drive * (band_l_.bp + 0.5f * crack_l_.bp) * g);
            r[i] += k_level / k_drive * std::tanh(k_drive * (band_r_.bp + 0.5f * crack_r_.bp) * g);
            if (++t_ > int(0.6f * k_fs)) {
                on_ = false;
                break;
            }
        }
    }

private:
    static constexpr float k_drive = 8.0f, k_level = 2.2f, k_width = 0.65f;
    Rng rng_;
    Svf band_l_, band_r_, crack_l_, crack_r_;
    bool on_ = false;
    int t_ = 0;
    float velocity_ = 1.0f;
};

// Drum-machine style voice: a sine with a falling pitch plus filtered noise.
// The snare leans on the noise, the toms and the rim-like percussion on the tone.
struct DrumPatch {
    float pitch_drop;  // start frequency as a multiple of the note
    float drop_time;
    float tone_decay, noise_decay;
    float tone_level, noise_level;
    float noise_band_hz, noise_q;
    float pan_per_semitone;
    int max_voices;
    // Drive of the soft saturation on the voices' sum; 0 leaves it clean.
    float drive = 0.0f;
};

class ToneDrum : public Instrument {
public:
    ToneDrum(const DrumPatch& patch, uint64_t seed) : patch_(patch), rng_(seed) {}
    void trigger(const Note& note, int) override
    {
        Voice& v = voices_[next_];
        next_ = (next_ + 1) % patch_.max_voices;
        v = Voice{};
        v.on = true;
        v.freq = midi_to_hz(note.pitch);
        v.velocity = note.velocity;
        v.band.set(patch_.noise_band_hz, patch_.noise_q, k_fs);
        float pan = std::max(-0.7f, std::min(0.7f, (note.pitch - 60.0f) * patch_.pan_per_semitone));
        pan_gains(pan, v.gl, v.gr);
    }
    void render(float* l, float* r, int n, const MixState&) override
    {
        if (patch_.drive <= 0.0f) {
            render_voices(l, r, n);
            return;
        }
        // A roll stacks its hits; saturating their sum keeps its peaks near
        // one hit's, so a roll is no longer a spike for the master limiter.
        std::fill(mix_l_.begin(), mix_l_.begin() + n, 0.0f);
        std::fill(mix_r_.begin(), mix_r_.begin() + n, 0.0f);
        render_voices(mix_l_.data(), mix_r_.data(), n);
        const float d = patch_.drive;
        for (int i = 0; i < n; ++i) {
            l[i] += std::tanh(d * mix_l_[size_t(i)]) / d;
            r[i] += std::tanh(d * mix_r_[size_t(i)]) / d;
        }
    }

private:
    void render_voices(float* l, float* r, int n)
    {
        for (int vi = 0; vi < patch_.max_voices; ++vi) {
            Voice& v = voices_[size_t(vi)];
            if (!v.on) continue;
            for (int i = 0; i < n; ++i) {
                float s = float(v.t) * k_inv_fs;
                float f =
                    v.freq * (1.0f + (patch_.pitch_drop - 1.0f) * std::exp(-s / patch_.drop_time));
                v.phase += f * k_inv_fs;
                v.phase -= std::floor(v.phase);
                float tone = std::sin(k_two_pi * v.phase) * std::exp(-s / patch_.tone_decay) *
                             patch_.tone_level;
                v.band.process(rng_.bipolar());
                float noise = v.band.bp * std::exp(-s / patch_.noise_decay) * patch_.noise_level;
                float y = (tone + noise) * v.velocity * std::min(1.0f, s * 8000.0f + 0.1f);
                l[i] += y * v.gl;
                r[i] += y * v.gr;
                if (++v.t > int(7.0f * std::max(patch_.tone_decay, patch_.noise_decay) * k_fs)) {
                    v.on = false;
                    break;
                }
            }
        }
    }

    struct Voice {
        bool on = false;
        int t = 0;
        float freq = 200.0f, phase = 0.0f, velocity = 1.0f, gl = 1.0f, gr = 1.0f;
        Svf band;
    };
    DrumPatch patch_;
    std::array<float, 4096> mix_l_{}, mix_r_{};  // one render call's worth
    Rng rng_;
    std::array<Voice, 16> voices_;
    int next_ = 0;
};

// ---------------------------------------------------------------- transitions
// Noise sweeps that last exactly their gate: the riser climbs in pitch and
// level into the next section, the reverse cymbal swells into its hit, and
// the atmosphere is a slow, breathing wind under quiet passages.
enum SweepKind { SWEEP_RISER, SWEEP_REVERSE, SWEEP_ATMOS };

class Sweep : public Instrument {
public:
    Sweep(SweepKind kind, uint64_t seed) : kind_(kind), rng_(seed) {}
    static constexpr float k_riser_drive = 2.5f;
    void trigger(const Note& note, int gate) override
    {
        Voice& v = voices_[next_];
        next_ = (next_ + 1) % voices_.size();
        v = Voice{};
        v.on = true;
        v.length = std::max(gate, 1);
        v.freq = midi_to_hz(note.pitch);
        v.velocity = note.velocity;
        v.tone_phase[1].phase = 0.37f;
    }
    void render(float* l, float* r, int n, const MixState&) override
    {
        for (Voice& v : voices_) {
            if (!v.on) continue;
            for (int i = 0; i < n; ++i) {
                float p = float(v.t) / float(v.length);
                float s = float(v.t) * k_inv_fs;
                float amp, centre, q, tone_amp = 0.0f;
                switch (kind_) {
                case SWEEP_RISER:
                    amp = p * p;
                    centre = 350.0f * std::exp2(4.8f * p);
                    q = 2.2f;
                    tone_amp = 0.18f * p * p * p;
                    break;
                case SWEEP_REVERSE:
                    amp = p * p * p * p;
                    centre = 6000.0f;
                    q = 0.6f;
                    break;
                default:  // atmosphere
                    amp = smoothstep(0.0f, 0.25f, p) * (1.0f - smoothstep(0.7f, 1.0f, p));
                    centre = 900.0f * std::exp2(1.2f * std::sin(k_two_pi * s / 9.0f));
                    q = 1.4f;
                    break;
                }
                // End exactly at the gate with a 3 ms ramp so nothing clicks.
                float tail = float(v.length - v.t) / (0.003f * k_fs);
                if (tail < 1.0f) amp *= std::max(tail, 0.0f);
                if (v.ctl-- <= 0) {
                    v.band_l.set(centre, q, k_fs);
                    v.band_r.set(centre * 1.06f, q, k_fs);
                    v.ctl = k_control_rate;
                }
                v.band_l.process(rng_.bipolar());
                v.band_r.process(rng_.bipolar());
                float yl = v.band_l.bp, yr = v.band_r.bp;
                if (kind_ == SWEEP_REVERSE) {
                    yl = v.band_l.hp * 0.5f;
                    yr = v.band_r.hp * 0.5f;
                }
                if (tone_amp > 0.0f) {
                    float f = v.freq * std::exp2(2.0f * p);
                    for (int k = 0; k < 2; ++k) {
                        float dt = f * (k ? 1.007f : 0.993f) * k_inv_fs;
                        float sw = saw_blep(v.tone_phase[k].tick(dt), dt) * tone_amp;
                        (k ? yr : yl) += sw;
                    }
                }
                float g = amp * v.velocity;
                if (kind_ == SWEEP_RISER) {
                    // Noise peaks at four times its RMS; rounding the riser's
                    // tips keeps its climb from dipping the master limiter.
                    l[i] += std::tanh(k_riser_drive * yl * g) / k_riser_drive;
                    r[i] += std::tanh(k_riser_drive * yr * g) / k_riser_drive;
                } else {
                    l[i] += yl * g;
                    r[i] += yr * g;
                }
                if (++v.t >= v.length) {
                    v.on = false;
                    break;
                }
            }
        }
    }

private:
    struct Voice {
        bool on = false;
        int t = 0, length = 1, ctl = 0;
        float freq = 220.0f, velocity = 1.0f;
        Svf band_l, band_r;
        Phasor tone_phase[2];
    };
    SweepKind kind_;
    Rng rng_;
    std::array<Voice, 3> voices_;
    size_t next_ = 0;
};

}  // namespace

const char* part_name(Part p)
{
    static const char* k_names[k_part_count] = {
        "kick",  "bass",       "acid",     "pad",     "stab", "arp",   "lead",
        "bleep", "closed-hat", "open-hat", "ride",    "clap", "snare", "tom",
        "perc",  "crash",      "riser",    "reverse", "atmos"};
    return k_names[int(p)];
}

std::unique_ptr<Instrument> make_instrument(Part part, uint64_t seed)
{
    uint64_t s = mix_seed(seed ^ (uint64_t(part) * 0x9E3779B97F4A7C15ull));
    switch (part) {
    case PART_KICK: return std::make_unique<KickDrum>(s);
    case PART_BASS: return std::make_unique<Bass>();
    case PART_ACID: return std::make_unique<Acid>();
    case PART_PAD:
        return std::make_unique<PolySaw>(PolyPatch{5, 16.0f, 0.9f, 1.0f, 1.0f, 1.6f, 1.0f, 0.7f,
                                                   1.2f, 0.7f, 0.075f, 0.8f, false},
                                         s);
    case PART_STAB:
        return std::make_unique<PolySaw>(PolyPatch{3, 11.0f, 0.002f, 0.22f, 0.0f, 0.09f, 1.3f, 2.2f,
                                                   0.07f, 1.6f, 0.16f, 0.6f, false},
                                         s);
    case PART_LEAD:
        return std::make_unique<PolySaw>(PolyPatch{3, 9.0f, 0.012f, 0.35f, 0.7f, 0.18f, 1.25f, 1.2f,
                                                   0.12f, 1.0f, 0.13f, 0.4f, true},
                                         s);
    case PART_ARP: return std::make_unique<Pluck>(false, s);
    case PART_BLEEP: return std::make_unique<Pluck>(true, s);
    case PART_CLOSED_HAT:
        return std::make_unique<Metal>(MetalPatch{80.0f, 9000.0f, 1.0f, 6000.0f, 0.035f, 0.5f, 0.1f,
                                                  0.5f, 0.8f, false, false, 16.0f, 1.36f},
                                       s);
    case PART_OPEN_HAT:
        return std::make_unique<Metal>(MetalPatch{80.0f, 8500.0f, 1.0f, 6000.0f, 0.24f, 0.5f, -0.3f,
                                                  0.2f, 0.65f, false, false, 16.0f, 1.66f},
                                       s);
    case PART_RIDE:
        return std::make_unique<Metal>(MetalPatch{117.0f, 6200.0f, 0.8f, 3800.0f, 0.65f, 0.3f,
                                                  0.35f, 0.0f, 0.45f, false, false},
                                       s);
    case PART_CRASH:
        return std::make_unique<Metal>(
            MetalPatch{97.0f, 7000.0f, 0.5f, 3000.0f, 1.5f, 0.6f, 0.0f, 0.0f, 0.8f, true, true}, s);
    case PART_CLAP: return std::make_unique<Clap>(s);
    case PART_SNARE:
        return std::make_unique<ToneDrum>(
            DrumPatch{1.35f, 0.02f, 0.06f, 0.13f, 0.55f, 0.9f, 3500.0f, 0.5f, 0.0f, 16, 1.5f}, s);
    case PART_TOM:
        return std::make_unique<ToneDrum>(
            DrumPatch{1.6f, 0.035f, 0.22f, 0.03f, 0.9f, 0.2f, 900.0f, 1.0f, 0.03f, 8, 1.0f}, s);
    case PART_PERC:
        return std::make_unique<ToneDrum>(
            DrumPatch{1.15f, 0.004f, 0.025f, 0.012f, 0.5f, 0.5f, 2500.0f, 2.0f, 0.06f, 8}, s);
    case PART_RISER: return std::make_unique<Sweep>(SWEEP_RISER, s);
    case PART_REVERSE: return std::make_unique<Sweep>(SWEEP_REVERSE, s);
    case PART_ATMOS: return std::make_unique<Sweep>(SWEEP_ATMOS, s);
    case PART_COUNT: break;
    }
    return nullptr;
}
