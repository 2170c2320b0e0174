// The browser's one WebGL 2 context, on the page's canvas: the web
// counterpart of the desktop window (web_gl.cpp defines make_gl_current and
// present_frame of the platform seam, platform.h).
#pragma once

// Creates the WebGL 2 (OpenGL ES 3.0) context on the canvas "#show", drawing
// 1920x1080 with no depth, stencil or antialiasing, and makes it current.
// False with a message on stderr when the browser has no WebGL 2.
bool open_web_gl_context();
