// The host's GL operations: programs from embedded texts, textures, the
// captured blank frame, the cards, render targets and the full-screen quad.
// Main thread only, with the one context current. Failures are reported on
// stderr naming the resource (and the info log for shaders) and return 0.
#pragma once

#include <GL/glew.h>
#include <cstddef>

constexpr int k_frame_width = 1920;
constexpr int k_frame_height = 1080;
constexpr size_t k_frame_bytes = size_t(k_frame_width) * k_frame_height * 4;

// Uniform locations of the program in use, looked up whenever one is made current.
extern GLint loc_beat, loc_sound, loc_tex;

// `name` says which program the shader belongs to, for the error message.
GLuint compile_shader(const char* text, int length, GLenum type, const char* name);

// Vertex stage plus the given fragment text, linked and left in use, with its
// uniform locations looked up. 0 if a stage fails to compile or link.
GLuint build_program(const char* fragment_text, int length, const char* name);

// Makes a program current and looks up its "beat", "sound" and "tex".
void use_program(GLuint program);

// RGBA 8-bit texture with the host's parameters (clamp, min nearest, mag
// linear), left bound to GL_TEXTURE_2D. pixels may be null (contents undefined).
GLuint create_texture(int width, int height, const void* pixels, GLint wrap);

// A 1920x1080 copy of the back buffer.
GLuint capture_screen_texture();

// Decodes a PNG card into a texture in the card layout: texture channels
// r, g, b, a hold the image's A, B, G, R and texture row 0 its top row.
// `name` names the card in the error message.
GLuint load_card_texture(const unsigned char* png, size_t length, const char* name);

// A framebuffer object drawing into `texture`; 0 and a message if incomplete.
GLuint create_render_target(GLuint texture, const char* name);

// Clears to opaque black and draws the quad that covers the viewport.
void draw_fullscreen_quad();

// First GL error since the last call, as text, or null when there is none.
const char* gl_error_text();
