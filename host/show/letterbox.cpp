#include "letterbox.h"

#include "gl_window.h"
#include "gpu.h"
#include "letterbox_rect.h"

namespace {

GLuint tex_letterbox = 0, fbo_letterbox = 0;
bool target_failed = false;  // tried once and failed: draw straight to the window

// Decided by begin_screen_frame for the frame being drawn.
bool letterboxed = false;
int drawable_width = k_frame_width, drawable_height = k_frame_height;

void set_frame_viewport() { glViewport(0, 0, k_frame_width, k_frame_height); }

}  // namespace

GLuint letterbox_target()
{
    if (fbo_letterbox || target_failed) return fbo_letterbox;
    // create_texture binds the new texture; the show expects its own bound.
    GLint bound_texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
    tex_letterbox = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP_TO_EDGE);
    fbo_letterbox = create_render_target(tex_letterbox, "letterbox frame");
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound_texture));
    target_failed = !fbo_letterbox;
    return fbo_letterbox;
}

void begin_screen_frame()
{
    drawable_size(&drawable_width, &drawable_height);
    const bool other_size = drawable_width != k_frame_width || drawable_height != k_frame_height;
    letterboxed = other_size && letterbox_target();
    glBindFramebuffer(GL_FRAMEBUFFER, letterboxed ? fbo_letterbox : 0);
    set_frame_viewport();
}

void finish_screen_frame()
{
    if (letterboxed) scale_letterbox_frame(0, drawable_width, drawable_height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    set_frame_viewport();
}

// A framebuffer blit with linear filtering: on Mesa's llvmpipe it costs
// about what a textured quad does, needs no program, and leaves the bound
// program and texture alone (krelan-render bench measures it).
void scale_letterbox_frame(GLuint framebuffer, int width, int height)
{
    const PixelRect r = letterbox_rect(width, height, k_frame_width, k_frame_height);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    if (r.width != width || r.height != height) glClear(GL_COLOR_BUFFER_BIT);  // the bars
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_letterbox);
    glBlitFramebuffer(0, 0, k_frame_width, k_frame_height, r.x, r.y, r.x + r.width, r.y + r.height,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}
