// The platform seam: what a front-end provides to the drawing code that the
// desktop show, the offline renderer and the web player share (host/gl and
// the show's frames in host/show), and which file provides it on each. The
// build (CMakeLists.txt) compiles one column per front-end; nothing else in
// the shared code differs between them.
//
//   what                      desktop and renderer              web player (WebGL 2)
//   GL declarations           gl_api.h: GLEW                    gl_api.h: OpenGL ES 3.0
//   the context: current,     host/gl/gl_window.cpp             web/web_gl.cpp
//     present                   (SDL window)                      (the page's canvas)
//   the quad and the sprites  host/gl/quad_fixed_function.cpp   host/gl/quad_es3.cpp
//   the cards as textures     host/gl/card_texture.cpp          web/web_cards.cpp
//                               (SDL_image decodes the PNG)       (the page decodes it)
//   the media store           generated media_store.cpp         web/web_cards.cpp
//     (media_store.h)           (.incbin of assets/)              (the decoded cards)
//   the program texts         generated program_blobs.S         generated program_blobs.c
//     (programs.h)              (shaders/ pieces)                 (shaders/es/ first)
//
// The desktop column on each operating system: the same files but these,
// which the build picks by platform (CMakeLists.txt for the show,
// tools/renderer/CMakeLists.txt for the renderer).
//
//   what                      Linux (POSIX)                     Windows (tools/build_windows.sh)
//   the headless context      host/gl/gl_window.cpp             the same file
//     (the renderer, tests)     (SDL's offscreen driver)          (a hidden window's WGL context)
//   the standard streams      host/show/start_guards_posix.cpp  host/show/start_guards_windows.cpp
//     (start_guards.h)          (/dev/null, SIGPIPE, poll)        (console, log file, message box)
//   the helper programs       tools/renderer/child_process.cpp  child_process_windows.cpp there
//     (child_process.h)         (posix_spawn, pipes, signals)     (CreateProcess, console handler)
//   output and scratch files  tools/renderer/output_file.cpp    output_file_windows.cpp there
//     (output_file.h)           (mkostemps, rename, signals)      (CREATE_NEW, MoveFileEx)
//   text for the system       UTF-8 as it is                    host/core/utf8_windows.cpp
//     (utf8_windows.h)                                            (UTF-16 for the wide calls)
#pragma once

#include "gl_api.h"

#include <cstddef>

// Makes the front-end's one context current on the calling thread.
void make_gl_current();

// Shows the frame drawn into the default framebuffer.
void present_frame();

// Clears to opaque black and draws the quad that covers the viewport with the
// program in use (with none, the desktop's fixed-function black; the web's
// clear alone).
void draw_fullscreen_quad();

// A small axis-aligned quad in clip coordinates carrying one texture
// coordinate s for all four corners (the particle sprites' state texel).
struct SpriteQuad {
    float x0, y0, x1, y1, s;
};

// Draws the quads in order with the bound program, blending and target, and
// no clear; each corner's s reaches the fragment stage (see sprite_coord.glsl).
void draw_sprite_quads(const SpriteQuad* quads, size_t count);

// A card from the media store as a texture in the card layout: texture
// channels r, g, b, a hold the image's A, B, G, R and texture row 0 its top
// row. `name` names the card in the error message; 0 if it does not decode.
GLuint load_card_texture(const unsigned char* bytes, size_t length, const char* name);
