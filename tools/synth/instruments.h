// The voices of the track. Each instrument adds its output into a stereo
// block; triggers arrive exactly at their onset sample, between blocks.
#pragma once

#include <memory>

#include "dsp.h"
#include "song.h"

class Instrument {
public:
    virtual ~Instrument() = default;
    // Starts a note now. `gate` is the note length in samples.
    virtual void trigger(const Note& note, int gate) = 0;
    // Adds n samples into l and r.
    virtual void render(float* l, float* r, int n, const MixState& mix) = 0;
    // Cuts a sounding note short (a closed hat chokes the open hat).
    virtual void choke() {}
};

// Builds the instrument that plays a part; `seed` feeds its noise and the
// start phases of its oscillators.
std::unique_ptr<Instrument> make_instrument(Part part, uint64_t seed);
