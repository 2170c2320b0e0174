// The show's frames: the programs, textures and post-chain targets built
// once at start-up, and the frame the schedule draws at a beat. The beat and
// the sound level are the frame's inputs, passed in by the caller (the show's
// loop, the offline renderer, the tests). GL handles are process-wide and
// private to show.cpp.
#pragma once

#include "gl_api.h"

#include <cstdint>

// The black start frame: no program, no texture, the cleared quad.
void draw_start_frame();

// Keeps the back buffer (the start frame) as the blank texture that the
// scenes and the passes without an input see.
void capture_blank_texture();
GLuint blank_texture();

// Everything after the captured start frame: the cards, every program of the
// program table, the post-chain targets seeded with the automaton's start
// image, the targets of the particle scene and the glow, and one hidden draw
// of every program (and of those two into their own targets) so that no
// scene change waits for a compile. Reports what failed and returns false.
bool load_show_resources();

// The built program of that name; 0 if there is none.
GLuint show_program(const char* name);

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
