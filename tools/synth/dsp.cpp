#include "dsp.h"

namespace {
// Line lengths in samples at 44.1 kHz (mutually prime-ish so the echoes do
// not line up into a metallic ring).
constexpr int k_comb_tuning[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int k_allpass_tuning[4] = {556, 441, 341, 225};
constexpr int k_stereo_spread = 23;
}  // namespace

Reverb::Reverb(float room, float damp) : feedback_(room * 0.28f + 0.7f), damp_(damp * 0.4f)
{
    for (int i = 0; i < 8; ++i) {
        comb_l_[i].buf.assign(size_t(k_comb_tuning[i]), 0.0f);
        comb_r_[i].buf.assign(size_t(k_comb_tuning[i] + k_stereo_spread), 0.0f);
    }
    for (int i = 0; i < 4; ++i) {
        ap_l_[i].buf.assign(size_t(k_allpass_tuning[i]), 0.0f);
        ap_r_[i].buf.assign(size_t(k_allpass_tuning[i] + k_stereo_spread), 0.0f);
    }
}

void Reverb::process(float in_l, float in_r, float& out_l, float& out_r)
{
    float input = (in_l + in_r) * 0.015f;
    float l = 0.0f, r = 0.0f;
    for (int i = 0; i < 8; ++i) {
        l += comb_l_[i].run(input, feedback_, damp_);
        r += comb_r_[i].run(input, feedback_, damp_);
    }
    for (int i = 0; i < 4; ++i) {
        l = ap_l_[i].run(l);
        r = ap_r_[i].run(r);
    }
    out_l = l;
    out_r = r;
}

PingPongDelay::PingPongDelay(int delay_samples, float feedback)
    : left_(delay_samples), right_(delay_samples), delay_(delay_samples), feedback_(feedback)
{
    tone_l_.set(5200.0f, 44100.0f);
    tone_r_.set(5200.0f, 44100.0f);
    low_l_.set(180.0f, 44100.0f);
    low_r_.set(180.0f, 44100.0f);
}

void PingPongDelay::process(float in_l, float in_r, float& out_l, float& out_r)
{
    float dl = left_.tap(delay_);
    float dr = right_.tap(delay_);
    // The mono sum enters on the left; each repeat crosses to the other side.
    float fl = low_l_.highpass(tone_l_.lowpass(dr * feedback_));
    float fr = low_r_.highpass(tone_r_.lowpass(dl * feedback_));
    left_.push(0.5f * (in_l + in_r) + fl);
    right_.push(fr);
    out_l = dl;
    out_r = dr;
}
