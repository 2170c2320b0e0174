// The post chain's glow, skipping its black regions: two small passes mark
// the 8 x 8 blocks whose 15-px neighbourhood holds any light, and the glow
// runs its 121 taps only there, writing exact black elsewhere. The image is
// the straight "glow" program's, bit for bit; the cost follows the lit area.
// Needs the program table built (program_table.h). Main thread only, with
// the one context current.
#pragma once

#include "gl_api.h"

#include <cstdint>

// Creates the two block targets, deleting any created before, and draws the
// three passes once into one pixel, so that no post-chain frame waits for a
// compile. Reports what failed and returns false.
bool load_sparse_glow();

// The glow of `image` (a 1920 x 1080 texture) at `beat` and sound level
// `sound` into `framebuffer` (0: the window). Leaves `framebuffer` bound,
// the viewport at the frame and `image` bound to unit 0.
void draw_sparse_glow(GLuint framebuffer, GLuint image, float beat, int32_t sound);

// Deletes the two block targets.
void release_sparse_glow();
