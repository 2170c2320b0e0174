// The particle-ring scene drawn where the particles land: a state pass
// evaluates each of the 1000 particles once per frame, one small quad per
// particle adds its cone into a floating-point light image, and a resolve
// pass clamps that image into the opaque grey frame. The picture is the one
// the per-pixel "particles" program draws; the cost follows the particles,
// not the pixels. Needs the program table built (program_table.h). Main
// thread only, with the one context current.
#pragma once

#include "gl_api.h"
#include "program_ids.h"
#include "scenes.h"

#include <cstdint>

// The scene's three programs: each particle's state, its sprite, the resolve.
struct ParticlePasses {
    ProgramId state, sprite, resolve;
};

// Those a schedule's scene drawn as particle_sprites names.
ParticlePasses particle_passes(const Scene& scene);

// Creates the state and light targets (32-bit float), deleting any created
// before, and draws one loud frame with `passes` (if given) into the window,
// then clears it, so that a driver that compiles at the first draw does so
// now for these targets and this blending. Reports what failed (a float
// target the GPU cannot draw into included) and returns false.
bool load_particle_scene(const ParticlePasses* passes);

// The scene at `beat` and sound level `sound` into `framebuffer` (0: the
// window), over the whole 1920x1080 frame. Leaves `framebuffer` bound, the
// viewport at the frame and blending off.
void draw_particle_scene(GLuint framebuffer, const ParticlePasses& passes, float beat,
                         int32_t sound);

// Deletes the state and light targets.
void release_particle_scene();
