// The post chain's glow, skipping its black regions: two small passes mark
// the 8 x 8 blocks whose 15-px neighbourhood holds any light, and the glow
// runs its 121 taps only there, writing exact black elsewhere. The image is
// the straight "glow" program's, bit for bit; the cost follows the lit area.
// Needs the program table built (program_table.h). Main thread only, with
// the one context current.
#pragma once

#include "gl_api.h"
#include "program_ids.h"
#include "scenes.h"

#include <cstdint>

// The glow's three programs: the blocks' maxima, their reach, the glow where lit.
struct GlowPasses {
    ProgramId tiles, reach, glow;
};

// Those of a schedule's scene drawn as post_chain (its last three passes).
GlowPasses glow_passes(const Scene& post_chain);

// Creates the two block targets, deleting any created before, and draws the
// three passes (if given) once into one pixel, so that no post-chain frame
// waits for a compile. Reports what failed and returns false.
bool load_sparse_glow(const GlowPasses* passes);

// The glow of `image` (a 1920 x 1080 texture) at `beat` and sound level
// `sound` into `framebuffer` (0: the window). Leaves `framebuffer` bound,
// the viewport at the frame and `image` bound to unit 0.
void draw_sparse_glow(GLuint framebuffer, GLuint image, const GlowPasses& passes, float beat,
                      int32_t sound);

// Deletes the two block targets.
void release_sparse_glow();
