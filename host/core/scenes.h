// The show's choreography: which scene draws at a beat. One table holds every
// scene's beats, program and texture; the schedule, the offline renderer's
// timeline and the soundtrack's checks all read it. Pure, no SDL or GL.
#pragma once

#include "program_ids.h"

#include <cstddef>
#include <vector>

enum ScheduleRow {
    ROW_NONE = 0,     // an unordered beat (NaN): the frame keeps what is current
    ROW_WARNING = 1,  // warning card
    ROW_SPHERE,       // dotted sphere
    ROW_FIELD,        // sphere field with the greetings scroller
    ROW_PARTICLES,    // particle rings
    ROW_LATTICE,      // lattice
    ROW_POST_CHAIN,   // life, zoom and glow passes
    ROW_END,          // end card
};

// The texture a scene's program sees as `tex`.
enum SceneTexture { TEXTURE_BLANK, TEXTURE_WARNING, TEXTURE_END };

struct Scene {
    ScheduleRow row;
    const char* title;
    float start;        // first beat of the scene's own part of the show
    float end;          // first beat after it
    ProgramId program;  // the program that draws its frames (a scene of passes: its last)
    SceneTexture texture;
    float sample_beat;  // a representative moment, for benchmarks and pictures
};

// In show order. The recap between the lattice and the post chain has no row
// of its own: it cuts between the four scenes of k_recap_cuts.
extern const Scene k_scenes[];
extern const size_t k_scene_count;

// The recap: every beat in [k_recap_start, k_recap_end) shows the scene
// k_recap_cuts[beat truncated toward zero, modulo 4].
constexpr float k_recap_start = 416.0f;
constexpr float k_recap_end = 448.0f;
extern const ScheduleRow k_recap_cuts[4];

// The passes of the particle scene, in the order a frame draws them: each
// particle's state, one sprite per particle added into a light image, and
// the resolve that clamps the light into the frame. The scene's drawing code
// (particle_sprites.cpp) names them itself; this list says which programs
// belong to the scene, for program_sample_beat and the tests.
extern const ProgramId k_particle_passes[3];

// The passes of the post chain, in the order a frame draws them: life, zoom,
// then the glow (the blocks' maxima, their reach, the glow where lit). As
// above, for program_sample_beat and the tests; show.cpp and sparse_glow.cpp
// draw them.
extern const ProgramId k_post_chain_passes[5];

// Before this beat the life pass draws its seed whatever its input; from it
// on, each frame evolves the image of the frame before by one generation.
constexpr float k_life_seed_end = 450.0f;

// Programs no scene draws: the straightforward per-pixel form of a scene's
// picture, which its passes reproduce. The tests and the bench compare the
// passes against them.
struct ReferenceProgram {
    ProgramId program;
    ScheduleRow row;  // the scene whose picture it draws
};
extern const ReferenceProgram k_reference_programs[2];

// Programs drawn over a frame, never as one: the calibration view's text
// (the desktop show's --calibrate, host/show/overlay_text). No scene draws
// them, so their sample beat is 0.
extern const ProgramId k_overlay_programs[1];

// The show's parts as a viewer meets them, in order: every scene of the
// table, and the recap between the lattice and the post chain. The first
// starts when the music does (the beat clock's -0.5). A player's timeline
// marks them, and its keys move between them.
struct ShowPart {
    const char* title;
    float start;
};
std::vector<ShowPart> show_parts();

// The scene drawn at a beat. First match wins: the recap, then the scene
// whose [start, end) holds the beat; ROW_NONE for NaN.
ScheduleRow schedule_row(float beat);

// The table's entry for a row (not ROW_NONE).
const Scene& scene_of(ScheduleRow row);

// The representative beat of a program: that of the scene it draws, is a
// pass of, or is the reference of; 0 for a program no scene needs.
float program_sample_beat(ProgramId program);
