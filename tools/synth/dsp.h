// Small DSP building blocks shared by the instruments and the mix: a seeded
// noise source, band-limited oscillators, filters, delay lines and a stereo
// reverb. Everything is plain value state so that a render is reproducible
// from its seed alone.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

constexpr float k_pi = 3.14159265358979f;
constexpr float k_two_pi = 6.28318530717959f;

inline float db_to_gain(float db) { return std::pow(10.0f, db / 20.0f); }
inline float midi_to_hz(float note) { return 440.0f * std::exp2((note - 69.0f) / 12.0f); }
inline float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
inline float smoothstep(float e0, float e1, float x)
{
    float u = clamp01((x - e0) / (e1 - e0));
    return u * u * (3.0f - 2.0f * u);
}

// splitmix64 for seeding, xorshift64* for the stream: cheap, portable, and
// independent of the standard library's distribution implementations.
inline uint64_t mix_seed(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class Rng {
public:
    explicit Rng(uint64_t seed = 1) : state_(mix_seed(seed) | 1u) {}
    uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    float uniform() { return float(next() >> 40) * (1.0f / 16777216.0f); }
    // Uniform in [-1, 1).
    float bipolar() { return uniform() * 2.0f - 1.0f; }
    int below(int n) { return int((next() >> 33) % uint64_t(n)); }
    bool chance(float p) { return uniform() < p; }

private:
    uint64_t state_;
};

// Two-sample polynomial correction that removes most of the aliasing of a
// naive sawtooth or square step.
inline float poly_blep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

struct Phasor {
    float phase = 0.0f;
    // Advances by dt (cycles per sample) and returns the phase before the step.
    float tick(float dt)
    {
        float p = phase;
        phase += dt;
        phase -= std::floor(phase);
        return p;
    }
};

inline float saw_blep(float phase, float dt) { return 2.0f * phase - 1.0f - poly_blep(phase, dt); }
inline float square_blep(float phase, float dt)
{
    float half = phase + 0.5f;
    half -= std::floor(half);
    return saw_blep(phase, dt) - saw_blep(half, dt);
}

// Topology-preserving state-variable filter; one instance gives low, band
// and high pass at once and stays stable under fast cutoff modulation.
class Svf {
public:
    void set(float cutoff_hz, float q, float sample_rate)
    {
        float fc = cutoff_hz;
        float limit = sample_rate * 0.45f;
        if (fc > limit) fc = limit;
        if (fc < 10.0f) fc = 10.0f;
        g_ = std::tan(k_pi * fc / sample_rate);
        k_ = 1.0f / q;
        a1_ = 1.0f / (1.0f + g_ * (g_ + k_));
        a2_ = g_ * a1_;
        a3_ = g_ * a2_;
    }
    void process(float x)
    {
        float v3 = x - ic2_;
        float v1 = a1_ * ic1_ + a2_ * v3;
        float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2.0f * v1 - ic1_;
        ic2_ = 2.0f * v2 - ic2_;
        lp = v2;
        bp = v1;
        hp = x - k_ * v1 - v2;
    }
    float lp = 0.0f, bp = 0.0f, hp = 0.0f;

private:
    float g_ = 0.0f, k_ = 1.0f, a1_ = 0.0f, a2_ = 0.0f, a3_ = 0.0f;
    float ic1_ = 0.0f, ic2_ = 0.0f;
};

struct OnePole {
    float z = 0.0f;
    float a = 0.0f;
    void set(float cutoff_hz, float sample_rate)
    {
        a = 1.0f - std::exp(-k_two_pi * cutoff_hz / sample_rate);
    }
    float lowpass(float x) { return z += a * (x - z); }
    float highpass(float x) { return x - lowpass(x); }
};

// Four cascaded one-pole stages with saturated resonance feedback, run at
// twice the sample rate: the squelchy low pass of the acid line.
class Ladder {
public:
    float process(float x, float cutoff_hz, float resonance, float sample_rate)
    {
        float fc = cutoff_hz < 20.0f ? 20.0f : cutoff_hz;
        float fmax = sample_rate * 0.4f;
        if (fc > fmax) fc = fmax;
        float g = 1.0f - std::exp(-k_two_pi * fc / (2.0f * sample_rate));
        float k = 4.0f * resonance;
        float out = 0.0f;
        for (int i = 0; i < 2; ++i) {
            float in = 0.5f * (x + last_in_);
            if (i == 1) in = x;
            float u = std::tanh(in - k * s_[3]);
            s_[0] += g * (u - s_[0]);
            s_[1] += g * (s_[0] - s_[1]);
            s_[2] += g * (s_[1] - s_[2]);
            s_[3] += g * (s_[2] - s_[3]);
            out = s_[3];
        }
        last_in_ = x;
        return out * (1.0f + 0.9f * resonance);
    }

private:
    float s_[4] = {0, 0, 0, 0};
    float last_in_ = 0.0f;
};

class DelayLine {
public:
    explicit DelayLine(int max_samples = 1) : buf_(size_t(max_samples) + 1, 0.0f) {}
    void push(float x)
    {
        buf_[pos_] = x;
        pos_ = pos_ + 1 == buf_.size() ? 0 : pos_ + 1;
    }
    // Sample written `delay` pushes ago (1 = the most recent).
    float tap(int delay) const
    {
        size_t n = buf_.size();
        size_t idx = (pos_ + n - size_t(delay) % n) % n;
        return buf_[idx];
    }

private:
    std::vector<float> buf_;
    size_t pos_ = 0;
};

// Classic parallel-comb / series-allpass stereo reverb. The right channel
// uses slightly longer lines so the tail is wide and decorrelated.
class Reverb {
public:
    explicit Reverb(float room = 0.86f, float damp = 0.35f);
    void process(float in_l, float in_r, float& out_l, float& out_r);

private:
    struct Comb {
        std::vector<float> buf;
        size_t pos = 0;
        float store = 0.0f;
        float run(float x, float feedback, float damp)
        {
            float y = buf[pos];
            store = y * (1.0f - damp) + store * damp;
            buf[pos] = x + store * feedback;
            if (++pos == buf.size()) pos = 0;
            return y;
        }
    };
    struct Allpass {
        std::vector<float> buf;
        size_t pos = 0;
        float run(float x)
        {
            float b = buf[pos];
            buf[pos] = x + b * 0.5f;
            if (++pos == buf.size()) pos = 0;
            return b - x;
        }
    };
    Comb comb_l_[8], comb_r_[8];
    Allpass ap_l_[4], ap_r_[4];
    float feedback_, damp_;
};

// Stereo echo whose repeats alternate between the sides, darkened and
// thinned a little on every pass.
class PingPongDelay {
public:
    PingPongDelay(int delay_samples, float feedback);
    void process(float in_l, float in_r, float& out_l, float& out_r);

private:
    DelayLine left_, right_;
    int delay_;
    float feedback_;
    OnePole tone_l_, tone_r_, low_l_, low_r_;
};
