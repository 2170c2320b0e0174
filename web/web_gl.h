// The browser's one WebGL 2 context, on the page's canvas: the web
// counterpart of the desktop window (make_gl_current and present_frame of
// gl_window.h are defined here for the show's code).
#pragma once

// Creates the WebGL 2 (OpenGL ES 3.0) context on the canvas "#show", drawing
// 1920x1080 with no depth, stencil or antialiasing, and makes it current.
// False with a message on stderr when the browser has no WebGL 2.
bool open_web_gl_context();
