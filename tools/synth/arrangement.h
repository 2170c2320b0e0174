// The composition: which notes play when, and how the mix moves, for the
// whole 528-beat show.
#pragma once

#include "song.h"

// Seed of the published track; any other seed gives a sibling track with the
// same structure and different details (noise, ghost notes, mutations).
constexpr uint64_t k_default_seed = 0x4B52454C414E31ull;

Song compose(uint64_t seed);

// Mix automation of the composed track, a pure function of the beat.
MixState track_mix(double beat);
