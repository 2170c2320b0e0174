// The show at any drawable size. The frame is always drawn at 1920x1080:
// straight into the window when its drawable is exactly that size (the same
// pixels, no extra pass), otherwise into a 1920x1080 texture target that one
// scaled pass then shows in the window, aspect kept, black bars around it,
// linear filtering. The target and its handles are private to letterbox.cpp.
#pragma once

#include "gl_api.h"

// Before a frame: binds the framebuffer the frame is drawn into (the window's,
// or the letterbox target when the drawable has another size) and sets the
// 1920x1080 viewport the scenes assume.
void begin_screen_frame();

// After the frame: when it went into the letterbox target, scales it into the
// window's back buffer. Leaves the window's framebuffer bound and the
// 1920x1080 viewport set.
void finish_screen_frame();

// The letterbox target, created on first use (0 if it cannot be; reported
// once on stderr, and the frames then go straight to the window).
GLuint letterbox_target();

// The scaling pass alone: the letterbox target's frame scaled to fit a
// `width` x `height` framebuffer with black bars. Leaves `framebuffer` bound.
void scale_letterbox_frame(GLuint framebuffer, int width, int height);

// Deletes the letterbox target (at shutdown).
void release_letterbox();
