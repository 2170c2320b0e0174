// The host's GL objects: textures, the captured back buffer and render
// targets. Main thread only, with the one context current. Failures are
// reported on stderr naming the resource and return 0. The quad, the sprites
// and the cards, which each front-end draws its own way, come with
// platform.h.
#pragma once

#include "gl_api.h"
#include "platform.h"

#include <cstddef>

constexpr int k_frame_width = 1920;
constexpr int k_frame_height = 1080;
constexpr size_t k_frame_bytes = size_t(k_frame_width) * k_frame_height * 4;

// RGBA 8-bit texture with the host's parameters (clamp, min nearest, mag
// linear), left bound to GL_TEXTURE_2D. pixels may be null (contents undefined).
GLuint create_texture(int width, int height, const void* pixels, GLint wrap);

// A float texture of the given internal format (GL_RGBA32F, GL_R32F) for
// values a pass writes and another reads texel by texel: nearest filtering,
// clamped to the edge, left bound. Contents undefined.
GLuint create_float_texture(int width, int height, GLint format);

// A 1920x1080 copy of the bound read framebuffer: the window's back buffer,
// or a render target's texture when one is bound.
GLuint capture_screen_texture();

// A framebuffer object drawing into `texture`; 0 and a message if incomplete.
// The framebuffers bound before stay bound.
GLuint create_render_target(GLuint texture, const char* name);

// Deletes a render target and the texture it draws into (0 for either is
// skipped) and sets both handles to 0.
void delete_render_target(GLuint* framebuffer, GLuint* texture);

// First GL error since the last call, as text, or null when there is none.
const char* gl_error_text();
