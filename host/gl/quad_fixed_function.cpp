// The full-screen quad of the desktop show: OpenGL 2.0's fixed-function
// immediate mode, which the programs' vertex stage (ftransform) reads.
#include "gpu.h"

// The quad's corners are clip coordinates: the matrices stay identity, so it
// covers the viewport exactly. Each corner carries a black colour and its
// texture coordinate: the start frame, drawn with no program, is the
// fixed-function quad in that colour, and the push and pop leave the matrix
// stack as they found it. The scenes address pixels by gl_FragCoord.
void draw_fullscreen_quad()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    glBegin(GL_QUADS);
    glColor3f(0, 0, 0);
    glTexCoord2f(0, 0);
    glVertex2i(-1, 1);
    glColor3f(0, 0, 0);
    glTexCoord2f(1, 0);
    glVertex2i(1, 1);
    glColor3f(0, 0, 0);
    glTexCoord2f(1, 1);
    glVertex2i(1, -1);
    glColor3f(0, 0, 0);
    glTexCoord2f(0, 1);
    glVertex2i(-1, -1);
    glEnd();
    glPopMatrix();
}

// Immediate mode again: the sprite program's vertex stage is the shared one,
// which passes gl_MultiTexCoord0 on as gl_TexCoord[0].
void draw_sprite_quads(const SpriteQuad* quads, size_t count)
{
    glBegin(GL_QUADS);
    for (size_t i = 0; i < count; ++i) {
        const SpriteQuad& q = quads[i];
        glTexCoord1f(q.s);
        glVertex2f(q.x0, q.y0);
        glVertex2f(q.x1, q.y0);
        glVertex2f(q.x1, q.y1);
        glVertex2f(q.x0, q.y1);
    }
    glEnd();
}
