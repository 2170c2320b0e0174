// The one window and OpenGL context of the process: opened once, current on
// the main thread, kept until exit. The show, the offline renderer, the card
// drawer and the tests all open it here.
#pragma once

#include "platform.h"
#include "show_options.h"

#include <SDL.h>

#include <string>

// Title and size of the show's window.
constexpr const char* k_window_title = "Krelan Demo Engine";

// Opens the window with an OpenGL context, loads the GL entry points and
// checks that the driver has what the show needs (GLSL programs, framebuffer
// objects). SDL's video must be running. Reports what failed on stderr and
// returns false. `position` is SDL's for both axes (e.g. centred on a display).
bool open_gl_window(const char* title, int width, int height, Uint32 flags,
                    int position = SDL_WINDOWPOS_UNDEFINED);

// Sets how swaps wait for the screen's refresh; VSYNC_DRIVER leaves the
// driver's default. Where the driver refuses adaptive vsync it falls back to
// on; every refusal is said on stderr and the show goes on.
void apply_vsync(VsyncMode mode);

// For the tools and the tests: starts SDL's video on the offscreen driver
// (unless SDL_VIDEODRIVER names another; on Windows, which has none, the
// window is hidden instead) and opens a hidden-from-view 1920x1080 window.
// False with the reason in `error`.
bool open_headless_gl_window(std::string* error);

SDL_Window* gl_window();

// The window's drawable in pixels (more than its size in screen units on a
// HiDPI screen).
void drawable_size(int* width, int* height);

// Switches the window between its windowed size and desktop fullscreen at
// the monitor's resolution. Reports a refusal on stderr and goes on.
void toggle_fullscreen();

// Deletes the GL layer's objects (the built programs, the shared vertex
// stage), the context and the window (at shutdown).
void close_gl_window();
