// The show's frames: the textures, programs and post-chain targets built at
// start-up, and the frame the schedule draws at a beat. The beat and the
// sound level are the frame's inputs, passed in by the caller (the show's
// loop, the offline renderer, the web player, the tests). Every front-end
// prepares them with start_show. GL handles are private to show.cpp,
// particle_sprites.cpp, sparse_glow.cpp and the program table.
#pragma once

#include "gl_api.h"

#include <cstdint>
#include <functional>

// What start_show came to.
enum ShowStart {
    SHOW_READY,    // everything is built; the first frame may be drawn
    SHOW_STOPPED,  // `hold` asked to stop; nothing after the blank texture was built
    SHOW_FAILED,   // something failed, reported on stderr
};

// The start-up every front-end runs, in this order: the black start frame
// drawn into the bound framebuffer and kept as the blank texture
// (capture_start_frame); then `hold`, if given, with the start frame still
// in the framebuffer (the desktop shows it and waits there; false stops the
// start); then the resources (load_show_resources).
ShowStart start_show(const std::function<bool()>& hold = nullptr);

// The first step alone, for a tool that draws single programs: draws the
// black start frame (no program, no texture, the cleared quad) into the bound
// framebuffer and keeps it as the blank texture that the scenes and the
// passes without an input see (replacing one kept before).
void capture_start_frame();
GLuint blank_texture();

// The rest alone: the cards, every program of the program table, the
// post-chain targets seeded with the automaton's start image, the targets of
// the particle scene and the glow, and one hidden draw of every program (and
// of those two into their own targets) so that no scene change waits for a
// compile. Deletes whatever an earlier call built. Reports what failed and
// returns false.
bool load_show_resources();

// Deletes every GPU object of the show: the blank texture, the cards, the
// targets of the post chain, the particle scene and the glow, and the
// program table.
void release_show_resources();

// The life pass alone: the automaton's next generation from the latest life
// image (the seed before beat 450), without the zoom and glow passes. Each
// post-chain frame begins with it; the offline renderer uses it alone to bring
// the automaton to a frame without drawing the frames before. Leaves the
// framebuffer bound that was bound when it was called.
void step_life(float beat, int32_t sound);

// Draws the frame for `beat` with sound level `sound` into the bound
// framebuffer (the window's back buffer, or the letterbox target), 1920x1080
// with the viewport the caller set; the post chain's passes return to it.
void draw_frame(float beat, int32_t sound);

// The automaton's image that the next post-chain frame evolves.
GLuint life_state_texture();

// The zoom image of the latest post-chain frame, the one its glow read.
GLuint zoom_texture();
