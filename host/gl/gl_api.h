// The GL declarations the host builds against: GLEW's desktop OpenGL in the
// native show and tools, the OpenGL ES 3.0 headers (WebGL 2) in the browser.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
// ES has no GL_CLAMP. The host's textures are always drawn one texel per
// pixel or sampled inside the frame, so clamping to the edge texel stands in
// for it; the two differ only where a pass samples within half a texel of
// the frame's edge or past it (the glow's taps near the border).
#ifndef GL_CLAMP
#define GL_CLAMP GL_CLAMP_TO_EDGE
#endif
// Desktop-only error codes that ES never raises; named so that the host's
// error text covers both.
#ifndef GL_STACK_OVERFLOW
#define GL_STACK_OVERFLOW 0x0503
#define GL_STACK_UNDERFLOW 0x0504
#endif
#else
#include <GL/glew.h>
#endif
