// The full-screen quad of the browser show (OpenGL ES 3.0 / WebGL 2): no
// immediate mode there, so the four clip-space corners live in a vertex buffer
// read by attribute 0, where the browser's vertex stage takes its position.
// Like the desktop quad it covers the viewport exactly and clears first.
// ES has no fixed-function stage: with no program in use (the start frame)
// the quad is the clear alone, the same opaque black the desktop draws.
#include "gpu.h"

namespace {

GLuint quad_array = 0;  // vertex array with the corner buffer bound to attribute 0

void create_quad_array()
{
    const GLfloat corners[8] = {-1, 1, 1, 1, -1, -1, 1, -1};  // a triangle strip
    GLuint buffer = 0;
    glGenVertexArrays(1, &quad_array);
    glBindVertexArray(quad_array);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
}

}  // namespace

void draw_fullscreen_quad()
{
    if (!quad_array) create_quad_array();
    glClear(GL_COLOR_BUFFER_BIT);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (!program) return;
    glBindVertexArray(quad_array);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
