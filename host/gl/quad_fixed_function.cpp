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
