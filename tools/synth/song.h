// The score of the track: timing constants, the note list and the mix
// automation that the engine plays back.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "beat_clock.h"

constexpr int k_sample_rate = 44100;

// Beat k of the show sits half a beat after k beats from the start of the
// file: the picture's beat clock starts at -0.5 when the music starts.
constexpr double k_beat_offset = 0.5;

// The show ends after k_end_beat; the file runs on a little past it, silent.
constexpr double k_track_seconds = 250.0;

// Sample index (at k_sample_rate) of a show beat at the beat clock's tempo,
// k_bpm, rounded to the nearest sample, so every note on the grid starts on
// the sample nearest its exact time and errors never accumulate along the
// track.
inline int64_t beat_to_sample(double beat)
{
    return std::llround((beat + k_beat_offset) * 60.0 * k_sample_rate / k_bpm);
}
inline double sample_to_beat(double sample)
{
    return sample * k_bpm / (60.0 * k_sample_rate) - k_beat_offset;
}

enum Part : uint8_t {
    PART_KICK,
    PART_BASS,
    PART_ACID,
    PART_PAD,
    PART_STAB,
    PART_ARP,
    PART_LEAD,
    PART_BLEEP,
    PART_CLOSED_HAT,
    PART_OPEN_HAT,
    PART_RIDE,
    PART_CLAP,
    PART_SNARE,
    PART_TOM,
    PART_PERC,
    PART_CRASH,
    PART_RISER,
    PART_REVERSE,
    PART_ATMOS,
    PART_COUNT
};
constexpr int k_part_count = int(PART_COUNT);
const char* part_name(Part p);

struct Note {
    double beat = 0.0;     // onset, in show beats
    double length = 0.25;  // gate length in beats
    Part part = PART_KICK;
    float pitch = 60.0f;  // MIDI note number (drums: tuning)
    float velocity = 1.0f;
    bool accent = false;
    bool slide = false;  // glide into this note from the previous one, no retrigger
};

// Slowly varying settings of the mix, sampled by the engine every block.
struct MixState {
    float gain[k_part_count];  // channel faders, linear
    float duck_depth = 0.0f;   // how far the kick pushes the ducked channels down, 0..1
    float bass_cutoff = 400.0f;
    float acid_cutoff = 500.0f;
    float acid_resonance = 0.7f;
    float acid_env = 2.0f;  // filter envelope depth in octaves
    float pad_cutoff = 2000.0f;
    float arp_cutoff = 3000.0f;
    float kick_tone = 1.0f;    // 1 = full kick, lower values muffle it
    float reverb_send = 1.0f;  // scales every channel's reverb send
    float master = 1.0f;       // master fader (fades and silent gaps)
    MixState()
    {
        for (float& g : gain) g = 1.0f;
    }
};

struct Section {
    int begin_beat;
    int end_beat;
    std::string name;
    bool full = false;  // the whole kit plays throughout (what the mix is balanced for)
};

struct Song {
    uint64_t seed = 0;
    double seconds = k_track_seconds;
    std::vector<Note> notes;                   // sorted by onset
    std::function<MixState(double beat)> mix;  // automation, a pure function of the beat
    std::vector<Section> sections;
};
