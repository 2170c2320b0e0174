// The show's frames: the textures, programs and post-chain targets built at
// start-up, and the frame the schedule draws at a beat. The beat and the
// sound level are the frame's inputs, passed in by the caller (the show's
// loop, the offline renderer, the web player, the tests). Every front-end
// prepares them with start_show. GL handles are private to show.cpp,
// particle_sprites.cpp, sparse_glow.cpp and the program table.
#pragma once

#include "gl_api.h"
#include "particle_sprites.h"
#include "program_ids.h"
#include "scenes.h"
#include "sparse_glow.h"

#include <cstddef>
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
// returns false. The same as, in order: load_show_cards, start_show_program
// and finish_show_program for every program of the table,
// finish_show_resources.
bool load_show_resources();

// load_show_resources in steps, for a front-end that keeps its page
// responding while the programs build (the web player builds one program an
// animation frame, or all at once where the browser builds them in the
// background). Each reports what failed and returns false.
bool load_show_cards();
// Starts building a program of the table (compile and link requested, no
// result asked for, so a driver that builds in the background is not waited
// on); finish_show_program takes the result, reports a failure and draws the
// program once, hidden, as the warm-up does.
void start_show_program(ProgramId program);
bool finish_show_program(ProgramId program);
// Whether finish_show_program would not wait for the driver.
bool show_program_finished(ProgramId program);
// The post-chain targets, the particle scene's and the glow's targets with
// their own hidden draws, and the automaton's seed.
bool finish_show_resources();

// Deletes every GPU object of the show: the blank texture, the cards, the
// targets of the post chain, the particle scene and the glow, and the
// program table.
void release_show_resources();

// The schedule the frames follow: `schedule` (kept by the caller for as long
// as it is in use), or the embedded one when null. Frames, the life pass and
// load_show_resources read it.
void use_schedule(const Schedule* schedule);
const Schedule& show_schedule();

// The programs of that schedule's particle scene and of its post chain's
// glow, for the bench and the tests that draw those passes alone. The
// schedule must have both scenes.
ParticlePasses show_particle_passes();
GlowPasses show_glow_passes();

// The life pass alone: the automaton's next generation from the latest life
// image (the seed before beat 450), without the zoom and glow passes. Each
// post-chain frame begins with it; the offline renderer uses it alone to bring
// the automaton to a frame without drawing the frames before. Leaves the
// framebuffer bound that was bound when it was called.
void step_life(float beat, int32_t sound);

// Draws the automaton's seed into both life images, as the pass draws it
// before k_life_seed_end: the post chain starts again from the beginning.
void seed_life();

// The RGBA8 pixels of the box (x, y, width, height, GL's coordinates) of the
// latest life image and of the one before it, rows bottom-up; either pointer
// may be null.
void read_life_images(int x, int y, int width, int height, uint8_t* latest, uint8_t* previous);

// Sets both life images to dead cells (transparent black) outside the box
// and to `pixels` (RGBA8, rows bottom-up) inside it: the automaton as it was
// read back there.
void write_life_images(int x, int y, int width, int height, const uint8_t* pixels);

// Draws the frame for `beat` with sound level `sound` into the bound
// framebuffer (the window's back buffer, or the letterbox target), 1920x1080
// with the viewport the caller set; the post chain's passes return to it.
void draw_frame(float beat, int32_t sound);

// While held, a post-chain frame draws the automaton as it stands, without
// the generation a frame applies: a paused show (krelan-demo --live) keeps
// its picture frame after frame.
void hold_life(bool held);

// The automaton's image that the next post-chain frame evolves.
GLuint life_state_texture();

// The zoom image of the latest post-chain frame, the one its glow read.
GLuint zoom_texture();
