// The soundtrack as the show's mixer delivers it, rendered offline: the same
// mixer (mixer_format.h) with a level meter on its post-mix effect, run
// unpaced through SDL's disk audio driver, and the meter's sound level after
// every mixed chunk.
#pragma once

#include "mixer_format.h"

#include <cstdint>
#include <string>
#include <vector>

struct Soundtrack {
    std::vector<int16_t> samples;  // interleaved L R, from the first chunk the music plays in
    std::vector<int32_t> levels;   // the meter's level after each chunk of `samples`
    bool music_ended = false;      // the track ended within `samples`
};

// Plays the embedded music once through the show's mixer set-up, unpaced,
// and keeps the mixed stream from the chunk in which the music starts, until
// at least `frames` stereo frames are kept or the music has ended (negative:
// the whole track). Sets SDL's audio driver to the disk driver writing to a
// scratch file in TMPDIR (removed at exit and on signals); SDL's audio
// subsystem must not be running. False with a message on failure, a failed
// write to the scratch file included.
bool mix_soundtrack(int64_t frames, Soundtrack* out, std::string* error);

// The level the show's `sound` uniform has at stereo frame `frame` after the
// music starts: the level of the chunk holding it; 0 (silence) before the
// music and after the kept stream.
int32_t soundtrack_level(const Soundtrack& track, int64_t frame);
