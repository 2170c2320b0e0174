// The full-screen quad of the browser show (OpenGL ES 3.0 / WebGL 2): no
// immediate mode there, so the four clip-space corners live in a vertex buffer
// read by attribute 0, where the browser's vertex stage takes its position.
// Like the desktop quad it covers the viewport exactly and clears first.
// ES has no fixed-function stage: with no program in use (the start frame)
// the quad is the clear alone, the same opaque black the desktop draws.
#include "gpu.h"

#include <vector>

namespace {

// The module's state, created on first use: the quad's vertex array (its
// corner buffer bound to attribute 0), and the sprites' vertex array with
// their buffer: per corner the clip position on attribute 0 and the texture
// coordinate s on attribute 1 (the ES vertex stage's coord).
struct QuadArrays {
    GLuint quad_array = 0, quad_buffer = 0;
    GLuint sprite_array = 0, sprite_buffer = 0;
};
QuadArrays arrays;

void create_quad_array()
{
    const GLfloat corners[8] = {-1, 1, 1, 1, -1, -1, 1, -1};  // a triangle strip
    glGenVertexArrays(1, &arrays.quad_array);
    glBindVertexArray(arrays.quad_array);
    glGenBuffers(1, &arrays.quad_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, arrays.quad_buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
}

void create_sprite_array()
{
    glGenVertexArrays(1, &arrays.sprite_array);
    glBindVertexArray(arrays.sprite_array);
    glGenBuffers(1, &arrays.sprite_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, arrays.sprite_buffer);
    const GLsizei stride = 3 * sizeof(GLfloat);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 1, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(2 * sizeof(GLfloat)));
}

// ES has no quads: each becomes two triangles, corners in the desktop's
// order, so the quads still land one after another.
std::vector<GLfloat> sprite_corners(const SpriteQuad* quads, size_t count)
{
    std::vector<GLfloat> corners;
    corners.reserve(count * 18);
    for (size_t i = 0; i < count; ++i) {
        const SpriteQuad& q = quads[i];
        const GLfloat xy[6][2] = {{q.x0, q.y0}, {q.x1, q.y0}, {q.x1, q.y1},
                                  {q.x0, q.y0}, {q.x1, q.y1}, {q.x0, q.y1}};
        for (const auto& c : xy) corners.insert(corners.end(), {c[0], c[1], q.s});
    }
    return corners;
}

}  // namespace

void draw_sprite_quads(const SpriteQuad* quads, size_t count)
{
    if (!count) return;
    if (!arrays.sprite_array) create_sprite_array();
    const std::vector<GLfloat> corners = sprite_corners(quads, count);
    glBindVertexArray(arrays.sprite_array);
    glBindBuffer(GL_ARRAY_BUFFER, arrays.sprite_buffer);
    glBufferData(GL_ARRAY_BUFFER, corners.size() * sizeof(GLfloat), corners.data(), GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count * 6));
}

void draw_fullscreen_quad()
{
    if (!arrays.quad_array) create_quad_array();
    glClear(GL_COLOR_BUFFER_BIT);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (!program) return;
    glBindVertexArray(arrays.quad_array);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
