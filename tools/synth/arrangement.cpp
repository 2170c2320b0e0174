#include "arrangement.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <sstream>

#include "dsp.h"

namespace {

// ---------------------------------------------------------------- harmony
// A minor throughout. `bass` is the root in the bass register (E1..D#2),
// `tones` the pad voicing around middle C, lowest first.
struct Chord {
    int bass;
    std::array<int, 5> tones;
};
constexpr Chord k_am9{33, {57, 60, 64, 67, 71}};
constexpr Chord k_fmaj9{29, {53, 57, 60, 64, 67}};
constexpr Chord k_dm9{38, {50, 53, 57, 60, 64}};
constexpr Chord k_em7{28, {52, 55, 59, 62, 67}};
constexpr Chord k_cmaj7{36, {55, 60, 64, 67, 71}};
constexpr Chord k_g6{31, {55, 59, 62, 64, 67}};
constexpr Chord k_bbmaj9{34, {58, 62, 65, 69, 72}};

const Chord& cycle(int beats_in, std::initializer_list<const Chord*> chords, int step)
{
    int idx = (beats_in / step) % int(chords.size());
    return **(chords.begin() + idx);
}

// The harmonic plan: one chord per 8 beats (16 in the post-chain section),
// a new progression for each part of the show.
const Chord& chord_at(double beat)
{
    int b = int(std::floor(beat));
    if (b < 16) return k_am9;
    if (b < 24) return k_fmaj9;
    if (b < 32) return k_g6;
    if (b < 128) return cycle(b - 32, {&k_am9, &k_fmaj9, &k_dm9, &k_em7}, 8);
    if (b < 160) return cycle(b - 128, {&k_dm9, &k_fmaj9, &k_am9, &k_g6}, 8);
    if (b < 224) return cycle(b - 160, {&k_fmaj9, &k_g6, &k_em7, &k_am9}, 8);
    if (b < 288) return cycle(b - 224, {&k_dm9, &k_bbmaj9, &k_am9, &k_em7}, 8);
    if (b < 320) return cycle(b - 288, {&k_fmaj9, &k_em7, &k_dm9, &k_em7}, 8);
    if (b < 352) return k_am9;
    if (b < 416) return cycle(b - 352, {&k_am9, &k_fmaj9, &k_cmaj7, &k_g6}, 8);
    if (b < 448) return cycle(b - 416, {&k_am9, &k_fmaj9, &k_cmaj7, &k_em7}, 8);
    if (b < 512) return cycle(b - 448, {&k_dm9, &k_am9}, 16);
    return k_am9;
}

// ---------------------------------------------------------------- patterns
// Acid lines, one bar of sixteenths each: semitones above the chord root,
// 'a' for an accent, 's' to slide into the step, '-' for a rest.
const char* const k_acid_patterns[] = {
    "0a 0 12s 0 - 3 0a 7s 0 12a - 10s 0 3a 0 15s",
    "0 0 0a - 0 12a 0 - 3s 5 0a - 7 7s 10a 0",
    "0a 12 0 12s 15 0 10a 0 - 0 3a 5s 7 0 12a -",
    "0 - 0a 3 0 - 12as 12 0 7 - 0a 10s 12 0 -",
};

struct AcidStep {
    bool rest = true, accent = false, slide = false;
    int semitones = 0;
};

std::array<AcidStep, 16> parse_acid(const char* text)
{
    std::array<AcidStep, 16> steps{};
    std::istringstream in(text);
    std::string tok;
    for (AcidStep& s : steps) {
        if (!(in >> tok)) break;
        if (tok == "-") continue;
        s.rest = false;
        s.semitones = std::atoi(tok.c_str());
        s.accent = tok.find('a') != std::string::npos;
        s.slide = tok.find('s') != std::string::npos;
    }
    return steps;
}

// Lead melodies, 32 beats each: (beat offset, length, MIDI note).
struct MelodyNote {
    double at, length;
    int pitch;
};
// Over Fmaj9 | G6 | Em7 | Am9.
const MelodyNote k_melody_a[] = {
    {0, 1.5, 76},  {1.5, 1, 72},  {2.5, 1.5, 69},  {4, 0.5, 72},  {4.5, 1, 76},  {5.5, 2.5, 79},
    {8, 1.5, 74},  {9.5, 1, 71},  {10.5, 1.5, 67}, {12, 0.5, 71}, {12.5, 1, 74}, {13.5, 2.5, 76},
    {16, 1.5, 79}, {17.5, 1, 76}, {18.5, 1.5, 71}, {20, 0.5, 74}, {20.5, 1, 76}, {21.5, 2.5, 74},
    {24, 1.5, 72}, {25.5, 1, 71}, {26.5, 1.5, 69}, {28, 0.5, 76}, {28.5, 1, 72}, {29.5, 2.5, 71},
};
// Over Fmaj9 | Em7, for the breakdown.
const MelodyNote k_melody_c[] = {
    {0, 1.5, 69}, {1.5, 1, 67}, {2.5, 1.5, 64},  {4.5, 0.5, 72},  {5, 3, 69},
    {8, 1.5, 67}, {9.5, 1, 71}, {10.5, 1.5, 64}, {12.5, 0.5, 74}, {13, 3, 71},
};
// Over Am9 | Fmaj9 | Cmaj7 | G6 (and Em7 in the recap).
const MelodyNote k_melody_b[] = {
    {0, 0.75, 76},  {0.75, 0.75, 72},  {1.5, 1, 69},  {2.5, 1.5, 71},  {4.5, 0.5, 72},  {5, 3, 76},
    {8, 0.75, 77},  {8.75, 0.75, 76},  {9.5, 1, 72},  {10.5, 1.5, 69}, {12.5, 0.5, 72}, {13, 3, 72},
    {16, 0.75, 79}, {16.75, 0.75, 76}, {17.5, 1, 72}, {18.5, 1.5, 71}, {20.5, 0.5, 72}, {21, 3, 76},
    {24, 0.75, 74}, {24.75, 0.75, 71}, {25.5, 1, 67}, {26.5, 1.5, 74}, {28.5, 0.5, 76}, {29, 3, 71},
};

// A minor pentatonic over two octaves: the rows of the bleep automaton.
constexpr int k_pentatonic[8] = {69, 72, 74, 76, 79, 81, 84, 86};

// The kick is tuned to the key: its body settles on A1.
constexpr float k_kick_pitch = 33.0f;

enum Hats { HATS_NONE, HATS_OFFBEATS, HATS_SIXTEENTHS, HATS_SIXTEENTHS_OPEN };
enum BassStyle { BASS_OFFBEAT, BASS_ROLLING, BASS_GALLOP, BASS_BOUNCE };

class Composer {
public:
    explicit Composer(uint64_t seed) : rng_(seed) {}
    std::vector<Note> notes;
    Rng& rng() { return rng_; }

    void add(Part p, double beat, double length, float pitch, float velocity, bool accent = false,
             bool slide = false)
    {
        Note n;
        n.beat = beat;
        n.length = length;
        n.part = p;
        n.pitch = pitch;
        n.velocity = std::max(0.0f, std::min(1.0f, velocity));
        n.accent = accent;
        n.slide = slide;
        notes.push_back(n);
    }

    void kicks(int from, int to, float v0 = 1.0f, float v1 = 1.0f)
    {
        for (int b = from; b < to; ++b) {
            float t = to - from > 1 ? float(b - from) / float(to - from - 1) : 0.0f;
            add(PART_KICK, b, 0.5, k_kick_pitch, v0 + (v1 - v0) * t);
        }
    }

    // Claps on the second and fourth beat of every bar.
    void claps(int from, int to, float velocity, bool with_snare = false)
    {
        for (int b = from; b < to; ++b) {
            if (b % 2 != 1) continue;
            add(PART_CLAP, b, 0.25, 60, velocity * (0.95f + 0.05f * rng_.uniform()));
            if (with_snare) add(PART_SNARE, b, 0.25, 55, velocity * 0.55f);
        }
    }

    void hats(int from, int to, Hats style, float velocity)
    {
        static const float k_accent[4] = {0.42f, 0.3f, 0.85f, 0.38f};
        for (int b = from; b < to; ++b) {
            for (int s = 0; s < 4; ++s) {
                double at = b + s * 0.25;
                float v = velocity * (k_accent[s] + 0.1f * rng_.bipolar());
                switch (style) {
                case HATS_NONE: break;
                case HATS_OFFBEATS:
                    if (s == 2) add(PART_CLOSED_HAT, at, 0.2, 60, velocity * 0.8f);
                    break;
                case HATS_SIXTEENTHS:
                    if (rng_.chance(0.06f) && s != 2) break;  // the odd dropped ghost note
                    add(PART_CLOSED_HAT, at, 0.2, 60, v);
                    break;
                case HATS_SIXTEENTHS_OPEN:
                    if (s == 2)
                        add(PART_OPEN_HAT, at, 0.5, 60, velocity * 0.75f);
                    else if (!(rng_.chance(0.06f) && s != 0))
                        add(PART_CLOSED_HAT, at, 0.2, 60, v);
                    break;
                }
            }
        }
    }

    void ride(int from, int to, float velocity)
    {
        for (int b = from; b < to; ++b) {
            add(PART_RIDE, b, 1.0, 60, velocity * 0.7f);
            add(PART_RIDE, b + 0.5, 1.0, 60, velocity * (0.45f + 0.1f * rng_.uniform()));
        }
    }

    // Syncopated rim clicks; the pattern shifts every bar of a four-bar cycle.
    void perc(int from, int to, float velocity)
    {
        static const int k_steps[4][4] = {
            {3, 6, 11, 14}, {3, 7, 10, 14}, {2, 6, 11, 13}, {3, 6, 9, 15}};
        for (int bar = from / 4; bar * 4 < to; ++bar) {
            const int* steps = k_steps[bar % 4];
            for (int k = 0; k < 4; ++k) {
                double at = bar * 4 + steps[k] * 0.25;
                if (at < from || at >= to) continue;
                add(PART_PERC, at, 0.1, float(86 + (k * 5) % 9),
                    velocity * (0.7f + 0.3f * rng_.uniform()));
            }
        }
    }

    void bass(int from, int to, BassStyle style, float velocity, bool pedal_a = false)
    {
        for (int b = from; b < to; ++b) {
            int root = pedal_a ? k_am9.bass : chord_at(b).bass;
            int phrase_pos = b % 8;
            switch (style) {
            case BASS_OFFBEAT: add(PART_BASS, b + 0.5, 0.24, float(root), velocity); break;
            case BASS_BOUNCE:
                add(PART_BASS, b + 0.5, 0.22, float(root + (phrase_pos % 4 == 3 ? 12 : 0)),
                    velocity);
                if (phrase_pos == 7)
                    add(PART_BASS, b + 0.75, 0.15, float(root + 7), velocity * 0.8f);
                break;
            case BASS_GALLOP:
                add(PART_BASS, b + 0.5, 0.2, float(root), velocity);
                add(PART_BASS, b + 0.75, 0.18, float(root + (phrase_pos == 3 ? 12 : 0)),
                    velocity * 0.85f);
                break;
            case BASS_ROLLING: {
                static const int k_octaves[8] = {0, 0, 12, 0, 0, 0, 12, 7};
                add(PART_BASS, b + 0.25, 0.18, float(root), velocity * 0.78f);
                add(PART_BASS, b + 0.5, 0.2, float(root), velocity);
                add(PART_BASS, b + 0.75, 0.18,
                    float(root + k_octaves[phrase_pos] * (b % 16 >= 8 ? 1 : 0)), velocity * 0.85f);
                break;
            }
            }
        }
    }

    // Sustained chords, restruck whenever the chord changes.
    void pad(int from, int to, float velocity, int step = 8)
    {
        for (int b = from; b < to; b += step) {
            int end = std::min(to, b + step);
            const Chord& c = chord_at(b);
            for (int t : c.tones) add(PART_PAD, b, end - b - 0.05, float(t), velocity);
        }
    }

    void stabs(int from, int to, int pattern, float velocity)
    {
        static const std::vector<int> k_patterns[3] = {
            {2, 6, 10, 14}, {3, 6, 11, 14}, {2, 5, 7, 10, 13, 15}};
        for (int bar = from / 4; bar * 4 < to; ++bar) {
            for (int step : k_patterns[pattern % 3]) {
                double at = bar * 4 + step * 0.25;
                if (at < from || at >= to) continue;
                const Chord& c = chord_at(at);
                float v = velocity * (step % 4 == 2 ? 1.0f : 0.8f);
                for (int k = 1; k < 4; ++k) add(PART_STAB, at, 0.15, float(c.tones[size_t(k)]), v);
                add(PART_STAB, at, 0.15, float(c.tones[1] + 12), v * 0.7f);
            }
        }
    }

    void arp(int from, int to, int shape, float velocity)
    {
        static const std::vector<int> k_shapes[4] = {{0, 1, 2, 3, 4},
                                                     {0, 1, 2, 3, 4, 3, 2, 1},
                                                     {0, 2, 1, 3, 2, 4, 3, 1},
                                                     {4, 2, 0, 2, 3, 1, 4, 0, 2}};
        const std::vector<int>& seq = k_shapes[shape % 4];
        int step = 0;
        for (int b = from; b < to; ++b) {
            const Chord& c = chord_at(b);
            for (int s = 0; s < 4; ++s, ++step) {
                int idx = seq[size_t(step) % seq.size()];
                int octave = (shape >= 2 && step % 3 == 2) ? 24 : 12;
                float v = velocity * (s == 0 ? 1.0f : (s == 2 ? 0.85f : 0.65f));
                add(PART_ARP, b + s * 0.25, 0.2, float(c.tones[size_t(idx)] + octave), v, s == 0);
            }
        }
    }

    // The acid line stays on the key's root (its patterns are A minor
    // pentatonic, which sits well over every chord of the track), with a
    // couple of seeded mutations per phrase so it keeps moving even when the
    // pattern repeats.
    void acid(int from, int to, int pattern, float velocity)
    {
        std::array<AcidStep, 16> base = parse_acid(k_acid_patterns[pattern % 4]);
        std::array<AcidStep, 16> steps = base;
        for (int bar = from / 4; bar * 4 < to; ++bar) {
            int bar_beat = bar * 4;
            if (bar_beat % 16 == 0 || bar_beat == from) {
                steps = base;
                for (int m = 0; m < 2; ++m) {
                    AcidStep& s = steps[size_t(rng_.below(16))];
                    if (s.rest) continue;
                    if (rng_.chance(0.5f))
                        s.accent = !s.accent;
                    else
                        s.semitones = s.semitones >= 12 ? s.semitones - 12 : s.semitones + 12;
                }
            }
            const int root = k_am9.bass + 12;
            for (int k = 0; k < 16; ++k) {
                const AcidStep& s = steps[size_t(k)];
                double at = bar_beat + k * 0.25;
                if (s.rest || at < from || at >= to) continue;
                bool tie = k < 15 && steps[size_t(k + 1)].slide && !steps[size_t(k + 1)].rest;
                add(PART_ACID, at, tie ? 0.3 : 0.13, float(root + s.semitones), velocity, s.accent,
                    s.slide);
            }
        }
    }

    void melody(int from, const MelodyNote* notes, size_t count, int transpose, float velocity,
                int to)
    {
        for (size_t i = 0; i < count; ++i) {
            double at = from + notes[i].at;
            if (at >= to) continue;
            add(PART_LEAD, at, notes[i].length * 0.92, float(notes[i].pitch + transpose), velocity);
        }
    }

    // Game of Life on a 16 x 8 torus: each bar plays one generation, column
    // by column as sixteenths, each live row a note of the pentatonic scale.
    void life_bleeps(int from, int to, float velocity)
    {
        bool grid[8][16] = {};
        auto seed_cells = [&]() {
            for (auto& row : grid)
                for (bool& c : row) c = rng_.chance(0.22f);
            // A glider keeps the pattern travelling.
            grid[1][2] = grid[2][3] = grid[3][1] = grid[3][2] = grid[3][3] = true;
        };
        seed_cells();
        for (int bar = from / 4; bar * 4 < to; ++bar) {
            for (int col = 0; col < 16; ++col) {
                double at = bar * 4 + col * 0.25;
                if (at < from || at >= to) continue;
                int low = -1, high = -1;
                for (int row = 0; row < 8; ++row)
                    if (grid[row][col]) {
                        if (low < 0) low = row;
                        high = row;
                    }
                if (low < 0) continue;
                float v = velocity * (col % 4 == 0 ? 1.0f : 0.7f);
                add(PART_BLEEP, at, 0.2, float(k_pentatonic[low]), v, col % 8 == 0);
                if (high != low && (col % 2 == 1))
                    add(PART_BLEEP, at, 0.2, float(k_pentatonic[high]), v * 0.6f);
            }
            bool next[8][16];
            int population = 0;
            for (int row = 0; row < 8; ++row)
                for (int col = 0; col < 16; ++col) {
                    int n = 0;
                    for (int dr = -1; dr <= 1; ++dr)
                        for (int dc = -1; dc <= 1; ++dc)
                            if (dr || dc) n += grid[(row + dr + 8) % 8][(col + dc + 16) % 16];
                    next[row][col] = n == 3 || (n == 2 && grid[row][col]);
                    population += next[row][col];
                }
            std::memcpy(grid, next, sizeof grid);
            if (population < 4) seed_cells();
        }
    }

    // Sparse, distant pentatonic notes for the quiet passages.
    void sparse_bleeps(int from, int to, float probability, float velocity)
    {
        for (int b = from; b < to; ++b)
            for (int s = 0; s < 2; ++s)
                if (rng_.chance(probability))
                    add(PART_BLEEP, b + s * 0.5, 0.2, float(k_pentatonic[rng_.below(8)]),
                        velocity * (0.6f + 0.4f * rng_.uniform()));
    }

    // ------------------------------------------------------------ fills
    // Snare roll over [from, to): eighths, then sixteenths, then thirty-seconds
    // for the last quarter, growing louder.
    void snare_roll(double from, double to, float v0, float v1)
    {
        double len = to - from;
        double at = from;
        while (at < to - 1e-9) {
            double pos = (at - from) / len;
            double step = pos < 0.5 ? 0.5 : (pos < 0.75 ? 0.25 : 0.125);
            if (len <= 2.0) step = pos < 0.5 ? 0.25 : 0.125;
            float v = v0 + (v1 - v0) * float(pos);
            add(PART_SNARE, at, 0.1, float(55 + 5 * pos), v);
            at += step;
        }
    }

    void tom_fill(double at)
    {
        static const double k_offsets[6] = {0, 0.25, 0.5, 0.75, 1.0, 1.25};
        static const int k_pitches[6] = {57, 55, 52, 50, 47, 45};
        for (int k = 0; k < 6; ++k)
            add(PART_TOM, at + k_offsets[k], 0.25, float(k_pitches[k]), 0.7f + 0.05f * k);
    }

    // A small fill in the last beat of a 16-beat phrase, varied by phrase.
    void phrase_fill(int beat, int variant)
    {
        switch (variant % 4) {
        case 0:
            for (int s = 0; s < 4; ++s)
                add(PART_SNARE, beat + s * 0.25, 0.1, 55, 0.35f + 0.15f * s);
            break;
        case 1: tom_fill(beat - 0.5); break;
        case 2:
            add(PART_CLAP, beat + 0.5, 0.25, 60, 0.6f);
            add(PART_CLAP, beat + 0.75, 0.25, 60, 0.8f);
            break;
        default:
            for (int s = 0; s < 4; ++s)
                add(PART_PERC, beat + s * 0.25, 0.1, float(84 + 3 * s), 0.5f + 0.15f * s);
            break;
        }
    }

    void fills(int from, int to, int skip_last = 0)
    {
        for (int p = from; p < to - skip_last; p += 16)
            if (p + 15 < to - skip_last) phrase_fill(p + 15, p / 16 + rng_.below(2));
    }

    void crash(double at, float velocity, bool impact)
    {
        add(PART_CRASH, at, 4.0, 60, velocity, impact);
    }
    void riser(double from, double to, float velocity)
    {
        add(PART_RISER, from, to - from, 57, velocity);
    }
    void reverse(double from, double to, float velocity)
    {
        add(PART_REVERSE, from, to - from, 60, velocity);
    }
    void atmos(double from, double to, float velocity)
    {
        add(PART_ATMOS, from, to - from, 60, velocity);
    }

private:
    Rng rng_;
};

// ---------------------------------------------------------------- the show
void intro(Composer& c)
{
    // From the very first sample: the chord fades up out of a wind.
    for (int t : k_am9.tones) c.add(PART_PAD, -0.5, 16.4, float(t), 0.55f);
    c.atmos(-0.5, 17.0, 0.7f);
    c.sparse_bleeps(4, 16, 0.25f, 0.35f);
    c.hats(8, 16, HATS_OFFBEATS, 0.35f);
    c.arp(8, 16, 1, 0.45f);
    c.reverse(12, 16, 0.6f);
}

void build(Composer& c)
{
    c.crash(16, 0.55f, false);
    c.pad(16, 32, 0.65f);
    c.arp(16, 32, 1, 0.55f);
    c.bass(16, 32, BASS_OFFBEAT, 0.8f);
    c.hats(16, 24, HATS_OFFBEATS, 0.6f);
    c.hats(24, 32, HATS_SIXTEENTHS, 0.7f);
    c.claps(24, 32, 0.7f);
    c.kicks(24, 32, 0.6f, 0.85f);  // muffled by the mix, opening up towards the drop
    c.riser(24, 32, 0.8f);
    c.snare_roll(28, 32, 0.2f, 0.9f);
}

void drop(Composer& c)
{
    c.crash(32, 1.0f, true);
    c.kicks(32, 64);
    c.bass(32, 48, BASS_OFFBEAT, 0.95f);
    c.bass(48, 64, BASS_ROLLING, 0.95f);
    c.hats(32, 64, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(32, 64, 0.9f);
    c.pad(32, 64, 0.45f);
    c.stabs(32, 48, 0, 0.7f);
    c.arp(32, 48, 1, 0.45f);
    c.acid(48, 64, 0, 0.85f);
    c.phrase_fill(47, 1);
    c.crash(48, 0.6f, false);
    c.riser(60, 64, 0.7f);
    c.snare_roll(62, 64, 0.3f, 0.8f);

    // The break: four beats without kick or bass, the acid keeps talking.
    c.pad(64, 68, 0.8f, 4);
    c.acid(64, 68, 0, 0.7f);
    c.reverse(64, 68, 0.8f);
    c.snare_roll(66, 68, 0.25f, 0.95f);
}

void groove(Composer& c)
{
    c.crash(68, 1.0f, true);
    c.kicks(68, 128);
    c.bass(68, 96, BASS_ROLLING, 0.95f);
    c.bass(96, 128, BASS_GALLOP, 0.95f);
    c.hats(68, 128, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(68, 128, 0.9f);
    c.pad(68, 128, 0.4f);
    c.acid(68, 96, 0, 0.9f);
    c.acid(96, 128, 1, 0.9f);
    c.perc(80, 128, 0.6f);
    c.crash(80, 0.6f, false);
    c.crash(96, 0.8f, false);
    c.arp(96, 128, 2, 0.42f);
    c.ride(96, 128, 0.55f);
    c.crash(112, 0.6f, false);
    c.stabs(112, 128, 1, 0.55f);
    c.fills(64, 128, 4);
    c.riser(120, 128, 0.7f);
    c.snare_roll(124, 128, 0.2f, 0.85f);
}

void shell(Composer& c)
{
    c.crash(128, 1.0f, true);
    c.kicks(128, 144);
    c.bass(128, 144, BASS_BOUNCE, 0.95f);
    c.hats(128, 144, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(128, 144, 0.9f);
    c.pad(128, 160, 0.45f);
    c.acid(128, 144, 2, 0.9f);
    c.stabs(128, 144, 0, 0.6f);
    c.ride(128, 144, 0.5f);
    c.perc(128, 144, 0.6f);
    c.phrase_fill(143, 3);

    // The rise into the greetings: kick, bass and acid drop out for a whole
    // phrase, the arpeggio climbs over the opening chords, and a roll leads
    // into the drop at 160.
    c.crash(144, 0.7f, false);
    c.hats(144, 152, HATS_OFFBEATS, 0.7f);
    c.hats(152, 160, HATS_SIXTEENTHS, 0.75f);
    c.arp(144, 160, 3, 0.5f);
    c.riser(148, 160, 0.9f);
    c.snare_roll(156, 160, 0.25f, 1.0f);
    c.reverse(158, 160, 0.7f);
}

void greetings(Composer& c)
{
    // The drop lands with the lead; the bounce bass is new here.
    c.crash(160, 1.0f, true);
    c.kicks(160, 208);
    c.bass(160, 208, BASS_BOUNCE, 0.95f);
    c.hats(160, 176, HATS_SIXTEENTHS, 0.85f);
    c.hats(176, 208, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(160, 208, 0.9f);
    c.pad(160, 224, 0.55f);
    c.melody(160, k_melody_a, std::size(k_melody_a), 0, 0.8f, 192);
    c.melody(192, k_melody_a, std::size(k_melody_a), 12, 0.7f, 222);
    c.arp(176, 224, 0, 0.38f);
    c.acid(192, 208, 3, 0.75f);
    c.crash(176, 0.6f, false);
    c.crash(192, 0.9f, false);
    c.fills(160, 208);

    // The lift into the rings: the lead sings on an octave up over chords,
    // arpeggio and hats without kick or bass, then a tom fill.
    c.crash(208, 0.6f, false);
    c.hats(208, 222, HATS_OFFBEATS, 0.75f);
    c.perc(208, 220, 0.55f);
    c.riser(212, 224, 0.9f);
    c.snare_roll(220, 222, 0.25f, 0.8f);
    c.tom_fill(222.5);
}

void rings(Composer& c)
{
    // Hard pumping so the particle rings breathe with the kick, and two
    // moments of total silence where they go dark.
    c.crash(224, 1.0f, true);
    c.kicks(224, 254);
    c.bass(224, 252, BASS_ROLLING, 0.95f);
    c.hats(224, 254, HATS_SIXTEENTHS, 0.85f);
    c.claps(224, 254, 0.9f);
    c.pad(240, 254, 0.75f);
    c.stabs(224, 240, 2, 0.5f);
    c.arp(224, 254, 2, 0.4f);
    c.acid(240, 254, 0, 0.85f);
    c.perc(240, 254, 0.6f);
    c.crash(240, 0.7f, false);
    c.phrase_fill(239, 2);
    c.snare_roll(252, 254, 0.3f, 0.9f);

    c.crash(256, 1.0f, true);
    c.kicks(256, 286);
    c.bass(256, 284, BASS_GALLOP, 0.95f);
    c.hats(256, 286, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(256, 286, 0.9f);
    c.pad(256, 286, 0.75f);
    c.acid(256, 272, 1, 0.85f);
    c.stabs(256, 272, 1, 0.55f);
    c.arp(272, 286, 3, 0.42f);
    c.ride(272, 286, 0.5f);
    c.crash(272, 0.7f, false);
    c.phrase_fill(271, 0);
    c.riser(280, 286, 0.9f);
    c.snare_roll(284, 286, 0.3f, 0.95f);
}

void lattice(Composer& c)
{
    // The lattice opens in the breakdown: no kick for 32 beats, the chords
    // open up, then a long build into the acid.
    c.crash(288, 0.8f, false);
    c.pad(288, 320, 0.85f);
    c.atmos(288, 308, 0.6f);
    c.arp(288, 320, 1, 0.5f);
    c.sparse_bleeps(288, 304, 0.3f, 0.45f);
    c.melody(288, k_melody_c, std::size(k_melody_c), 0, 0.5f, 304);
    c.bass(304, 320, BASS_OFFBEAT, 0.8f);
    c.hats(304, 312, HATS_OFFBEATS, 0.6f);
    c.hats(312, 320, HATS_SIXTEENTHS, 0.75f);
    c.claps(312, 320, 0.75f);
    c.kicks(312, 320, 0.75f, 0.9f);
    c.riser(304, 320, 0.9f);
    c.snare_roll(316, 320, 0.2f, 1.0f);

    // Hypnotic acid over a pedal.
    c.crash(320, 1.0f, true);
    c.kicks(320, 352);
    c.bass(320, 352, BASS_ROLLING, 0.95f, true);
    c.hats(320, 336, HATS_SIXTEENTHS, 0.85f);
    c.hats(336, 352, HATS_SIXTEENTHS_OPEN, 0.9f);
    c.claps(320, 352, 0.85f);
    c.acid(320, 352, 0, 0.95f);
    c.ride(320, 352, 0.5f);
    c.perc(320, 352, 0.65f);
    c.crash(336, 0.6f, false);
    c.fills(320, 352);

    // Peak.
    c.crash(352, 1.0f, true);
    c.kicks(352, 400);
    c.bass(352, 384, BASS_ROLLING, 1.0f);
    c.bass(384, 400, BASS_GALLOP, 1.0f);
    c.hats(352, 400, HATS_SIXTEENTHS_OPEN, 0.95f);
    c.claps(352, 400, 0.95f);
    c.pad(352, 416, 0.45f);
    c.acid(352, 384, 1, 0.95f);
    c.acid(384, 400, 2, 0.9f);
    c.stabs(352, 384, 0, 0.6f);
    c.arp(352, 384, 0, 0.4f);
    c.ride(352, 400, 0.55f);
    c.perc(368, 400, 0.6f);
    c.crash(368, 0.7f, false);
    c.crash(384, 0.9f, false);
    c.melody(384, k_melody_b, std::size(k_melody_b), 0, 0.75f, 412);
    c.fills(352, 400);

    // The climb into the recap: kick, bass and acid out for a phrase, the
    // lead carries on over the chords, the arpeggio returns and a riser and
    // a roll wind up into 416.
    c.crash(400, 0.7f, false);
    c.hats(400, 416, HATS_OFFBEATS, 0.8f);
    c.arp(400, 416, 3, 0.45f);
    c.riser(404, 416, 0.95f);
    c.snare_roll(412, 416, 0.25f, 1.0f);
}

void recap(Composer& c)
{
    // Everything at once: the picture cuts on every beat here.
    c.kicks(416, 448);
    c.bass(416, 448, BASS_ROLLING, 1.0f);
    c.hats(416, 448, HATS_SIXTEENTHS_OPEN, 1.0f);
    c.claps(416, 448, 0.8f, true);
    c.pad(416, 448, 0.5f);
    c.acid(416, 444, 2, 1.0f);
    c.stabs(416, 448, 2, 0.6f);
    c.arp(416, 448, 2, 0.45f);
    c.ride(416, 448, 0.6f);
    c.perc(416, 448, 0.65f);
    c.melody(416, k_melody_b, std::size(k_melody_b), 12, 0.7f, 448);
    for (int b = 416; b < 448; b += 8) c.crash(b, b == 416 ? 1.0f : 0.75f, b == 416 || b == 432);
    c.phrase_fill(431, 1);
    c.riser(440, 448, 1.0f);
    c.snare_roll(444, 448, 0.3f, 1.0f);
}

void post_chain(Composer& c)
{
    c.crash(448, 1.0f, true);
    c.kicks(448, 512);
    c.bass(448, 480, BASS_OFFBEAT, 0.95f);
    c.bass(480, 508, BASS_BOUNCE, 0.95f);
    c.life_bleeps(448, 508, 0.8f);
    c.hats(448, 464, HATS_OFFBEATS, 0.8f);
    c.hats(464, 504, HATS_SIXTEENTHS_OPEN, 0.85f);
    c.hats(504, 512, HATS_OFFBEATS, 0.7f);
    c.claps(456, 508, 0.85f);
    c.pad(448, 512, 0.5f, 16);
    c.perc(448, 504, 0.6f);
    c.ride(464, 480, 0.45f);
    c.crash(464, 0.6f, false);
    c.crash(480, 0.9f, false);
    c.acid(480, 504, 3, 0.8f);
    c.stabs(480, 496, 1, 0.5f);
    c.crash(496, 0.6f, false);
    c.fills(448, 512, 16);
    c.reverse(508, 512, 0.8f);
}

void outro(Composer& c)
{
    c.crash(512, 0.8f, false);
    c.kicks(512, 520, 0.9f, 0.6f);
    c.bass(512, 516, BASS_OFFBEAT, 0.7f);
    for (int t : k_am9.tones) c.add(PART_PAD, 512, 15.5, float(t), 0.65f);
    c.atmos(512, 528, 0.6f);
    c.sparse_bleeps(512, 526, 0.3f, 0.4f);
    c.hats(512, 516, HATS_OFFBEATS, 0.5f);
}

// ---------------------------------------------------------------- automation
float lerp(float a, float b, float t) { return a + (b - a) * t; }
float ramp(double beat, double b0, double b1, float v0, float v1)
{
    return lerp(v0, v1, clamp01(float((beat - b0) / (b1 - b0))));
}
// Exponential sweep between two frequencies.
float sweep(double beat, double b0, double b1, float f0, float f1)
{
    return f0 * std::pow(f1 / f0, clamp01(float((beat - b0) / (b1 - b0))));
}
// Slow wave between lo and hi with the given period in beats.
float wave(double beat, double period, float lo, float hi, double phase = 0.0)
{
    float w = 0.5f - 0.5f * float(std::cos(2.0 * 3.14159265358979 * (beat / period + phase)));
    return lo * std::pow(hi / lo, w);
}

// A complete cut to silence over [from, to), with short ramps at both ends
// that finish just before `to` so the kick on the next beat starts clean.
float gap(double beat, double from, double to)
{
    if (beat < from || beat >= to) return 1.0f;
    float closing = 1.0f - clamp01(float((beat - from) / 0.02));
    float opening = clamp01(float((beat - (to - 0.04)) / 0.02));
    return std::max(closing, opening);
}

}  // namespace

MixState track_mix(double b)
{
    MixState m;
    auto gain = [&m](Part part) -> float& { return m.gain[int(part)]; };

    // Filter motion, section by section.
    if (b < 16) {
        m.pad_cutoff = sweep(b, -0.5, 16, 260.0f, 1400.0f);
        m.arp_cutoff = sweep(b, 8, 16, 350.0f, 900.0f);
        m.reverb_send = 1.4f;
        m.master = ramp(b, -0.5, 16, 0.22f, 0.3f);  // quiet under the warning card
    } else if (b < 32) {
        m.pad_cutoff = sweep(b, 16, 32, 1400.0f, 3200.0f);
        m.arp_cutoff = sweep(b, 16, 32, 900.0f, 3200.0f);
        m.bass_cutoff = sweep(b, 16, 32, 110.0f, 520.0f);
        m.kick_tone = ramp(b, 24, 32, 0.08f, 0.35f);
        m.duck_depth = 0.35f;
        m.reverb_send = 1.2f;
        m.master = ramp(b, 16, 32, 0.7f, 0.93f);
    } else if (b < 68) {
        m.pad_cutoff = 2200.0f;
        m.arp_cutoff = 2600.0f;
        m.bass_cutoff = 480.0f;
        m.acid_cutoff = sweep(b, 48, 68, 260.0f, 900.0f);
        m.acid_resonance = 0.78f;
        m.duck_depth = 0.55f;
        if (b >= 64) {
            m.pad_cutoff = sweep(b, 64, 68, 1500.0f, 4000.0f);
            m.reverb_send = 1.6f;
        }
    } else if (b < 160) {
        m.pad_cutoff = wave(b, 64, 1200.0f, 2800.0f);
        m.arp_cutoff = wave(b, 32, 1200.0f, 3600.0f, 0.25);
        m.bass_cutoff = wave(b, 48, 380.0f, 650.0f);
        m.acid_cutoff = wave(b - 68, 56, 320.0f, 2400.0f);
        m.acid_resonance = b < 128 ? 0.8f : 0.88f;
        m.acid_env = b < 96 ? 2.0f : 2.6f;
        m.duck_depth = 0.6f;
    } else if (b < 224) {
        m.pad_cutoff = 2600.0f;
        m.arp_cutoff = 3000.0f;
        m.bass_cutoff = 560.0f;
        m.acid_cutoff = sweep(b, 192, 222, 250.0f, 1300.0f);
        m.acid_resonance = 0.82f;
        m.duck_depth = 0.55f;
        gain(PART_PAD) = 0.85f;
    } else if (b < 288) {
        m.pad_cutoff = wave(b - 224, 32, 900.0f, 3000.0f);
        m.arp_cutoff = 2500.0f;
        m.bass_cutoff = 520.0f;
        m.acid_cutoff = wave(b - 240, 32, 350.0f, 1800.0f);
        m.acid_resonance = 0.85f;
        m.duck_depth = 0.7f;
        m.master = gap(b, 254, 256) * gap(b, 286, 288);
    } else if (b < 320) {
        m.pad_cutoff =
            b < 304 ? sweep(b, 288, 296, 1200.0f, 4200.0f) : sweep(b, 304, 320, 4200.0f, 1800.0f);
        m.arp_cutoff = sweep(b, 288, 320, 900.0f, 4200.0f);
        m.bass_cutoff = sweep(b, 304, 320, 120.0f, 520.0f);
        m.kick_tone = ramp(b, 312, 320, 0.08f, 0.35f);
        m.duck_depth = 0.35f;
        m.reverb_send = 1.4f;
        gain(PART_LEAD) = 0.8f;
    } else if (b < 352) {
        m.bass_cutoff = wave(b - 320, 32, 300.0f, 700.0f);
        m.acid_cutoff = sweep(b, 320, 350, 220.0f, 2600.0f);
        m.acid_resonance = 0.9f;
        m.acid_env = 2.4f;
        m.duck_depth = 0.6f;
        // The hypnotic acid fills the lows here; the kick gives way a little.
        gain(PART_KICK) = 0.9f;
    } else if (b < 416) {
        m.pad_cutoff = wave(b - 352, 32, 1400.0f, 3200.0f);
        m.arp_cutoff = 3200.0f;
        m.bass_cutoff = wave(b - 352, 32, 420.0f, 800.0f);
        m.acid_cutoff = wave(b - 352, 32, 500.0f, 3000.0f, 0.5);
        m.acid_resonance = 0.86f;
        m.acid_env = 2.4f;
        m.duck_depth = 0.6f;
    } else if (b < 448) {
        m.pad_cutoff = sweep(b, 416, 448, 2000.0f, 4500.0f);
        m.arp_cutoff = sweep(b, 416, 448, 2400.0f, 5000.0f);
        m.bass_cutoff = 700.0f;
        m.acid_cutoff = sweep(b, 416, 444, 700.0f, 3500.0f);
        m.acid_resonance = 0.9f;
        m.acid_env = 2.6f;
        m.duck_depth = 0.65f;
        // The recap is louder by density, not by drive: the sustained
        // layers come up, which adds loudness between the kicks, where the
        // limiter has room, instead of on top of them.
        for (Part p : {PART_PAD, PART_STAB, PART_ARP, PART_LEAD}) gain(p) = 1.3f;
        for (Part p : {PART_CLOSED_HAT, PART_OPEN_HAT, PART_RIDE}) gain(p) = 1.3f;
    } else if (b < 512) {
        m.pad_cutoff = b < 496 ? 1800.0f : sweep(b, 496, 512, 1800.0f, 500.0f);
        m.arp_cutoff = 2500.0f;
        m.bass_cutoff = 500.0f;
        m.acid_cutoff = wave(b - 480, 24, 300.0f, 1600.0f);
        m.acid_resonance = 0.84f;
        m.duck_depth = 0.55f;
    } else {
        m.pad_cutoff = sweep(b, 512, 528, 2000.0f, 300.0f);
        m.bass_cutoff = 400.0f;
        m.duck_depth = 0.4f;
        m.reverb_send = 1.3f;
        // Fade to silence by the last beat.
        float t = clamp01(float((b - 512.0) / 15.0));
        m.master = 0.9f * (0.5f + 0.5f * std::cos(3.14159265f * t));
        if (t >= 1.0f) m.master = 0.0f;
    }
    // The phrases without kick before 160, 224 and 416 open the filters
    // and the reverb as they climb.
    if (b >= 144 && b < 160) {
        m.pad_cutoff = sweep(b, 144, 160, 1200.0f, 3800.0f);
        m.reverb_send = 1.3f;
    } else if ((b >= 208 && b < 224) || (b >= 400 && b < 416)) {
        double from = b < 224 ? 208.0 : 400.0;
        m.pad_cutoff = sweep(b, from, from + 16.0, 1600.0f, 4200.0f);
        m.reverb_send = 1.3f;
    }
    // Every section from the drop on sits a little below the recap, so that
    // the recap, where the picture cuts on every beat, is the loudest part
    // of the show.
    if (b >= 32 && b < 512) {
        float level = 0.95f;
        if (b >= 416 && b < 448) level = 1.0f;
        // The MP3 adds the most between the samples in the lift (the lead's
        // saws an octave up) and the rings' hard pumping.
        if (b >= 208 && b < 288) level = 0.9f;
        m.master *= level;
    }
    return m;
}

Song compose(uint64_t seed)
{
    Composer c(seed);
    intro(c);
    build(c);
    drop(c);
    groove(c);
    shell(c);
    greetings(c);
    rings(c);
    lattice(c);
    recap(c);
    post_chain(c);
    outro(c);

    Song song;
    song.seed = seed;
    song.notes = std::move(c.notes);
    std::stable_sort(song.notes.begin(), song.notes.end(),
                     [](const Note& a, const Note& b) { return a.beat < b.beat; });
    song.mix = track_mix;
    song.sections = {
        {0, 16, "intro"},
        {16, 32, "build"},
        {32, 64, "drop", true},
        {64, 68, "break"},
        {68, 96, "groove", true},
        {96, 128, "roll", true},
        {128, 144, "shell", true},
        {144, 160, "rise"},
        {160, 208, "greetings", true},
        {208, 224, "lift"},
        {224, 288, "rings", true},
        {288, 320, "breakdown"},
        {320, 352, "lattice", true},
        {352, 400, "peak", true},
        {400, 416, "climb"},
        {416, 448, "recap", true},
        {448, 512, "life", true},
        {512, 528, "outro"},
    };
    return song;
}
