// The show's process-wide state and its rendering: the programs, textures and
// post-chain targets built once at start-up, and the frame the schedule draws
// for the current beat.
#pragma once

#include <GL/glew.h>
#include <SDL.h>

#include <atomic>
#include <cstdint>

extern SDL_Window* show_window;
extern SDL_GLContext show_context;
extern float current_beat;            // music time in beats, updated once per pass
extern uint32_t start_time;           // SDL ticks when the music started; moved back by skips
extern std::atomic<bool> quit_flag;   // set by events, the event watch or the end of the show

extern GLuint prog_sphere, prog_field, prog_particles, prog_lattice;
extern GLuint prog_life, prog_zoom, prog_glow, prog_card;
extern GLuint tex_blank, tex_warning, tex_end;

// Post chain: the life image ping-pongs between two targets (a pass never
// reads the texture it writes); the zoom image has one of its own.
extern GLuint tex_life[2], tex_zoom;
extern GLuint fbo_life[2], fbo_zoom;
extern int life_current;  // index of the latest life image

// Opens the 1920x1080 window "Krelan Demo Engine" with its GL context and
// loads the GL entry points. Reports what failed and returns false.
bool open_show_window();

// The black start frame: no program, no texture, the cleared quad. The show
// holds it on screen during its start wait, then captures it as tex_blank.
void draw_start_frame();

// Everything after the captured start frame: the cards, the eight programs,
// the post-chain targets seeded with the automaton's start image, and one
// hidden draw of every program so that no scene change waits for a compile.
// Reports what failed and returns false.
bool load_show_resources();

// The life pass alone at current_beat: the automaton's next generation from
// the latest life image (the seed before beat 450), without the zoom and glow
// passes. Each post-chain frame begins with it; the offline renderer uses it
// alone to bring the automaton to a frame without drawing the frames before.
void step_life();

// Sets `beat` and `sound` on the program in use.
void set_frame_uniforms();

// Draws the frame for current_beat into the window's back buffer.
void draw_frame();

// draw_frame, then presents it.
void render_frame();

// The automaton's image that the next post-chain frame evolves.
GLuint life_state_texture();
