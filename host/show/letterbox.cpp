#include "letterbox.h"

#include "gl_window.h"
#include "gpu.h"
#include "letterbox_rect.h"

namespace {

// The module's state: the target (created on first use, deleted by
// release_letterbox) and what begin_screen_frame decided for the frame being
// drawn.
struct Letterbox {
    GLuint texture = 0, framebuffer = 0;
    bool target_failed = false;  // tried once and failed: draw straight to the window
    bool letterboxed = false;
    int drawable_width = k_frame_width, drawable_height = k_frame_height;
};
Letterbox letterbox;

void set_frame_viewport() { glViewport(0, 0, k_frame_width, k_frame_height); }

}  // namespace

GLuint letterbox_target()
{
    if (letterbox.framebuffer || letterbox.target_failed) return letterbox.framebuffer;
    // create_texture binds the new texture; the show expects its own bound.
    GLint bound_texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
    letterbox.texture = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP_TO_EDGE);
    letterbox.framebuffer = create_render_target(letterbox.texture, "letterbox frame");
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound_texture));
    letterbox.target_failed = !letterbox.framebuffer;
    return letterbox.framebuffer;
}

void begin_screen_frame()
{
    drawable_size(&letterbox.drawable_width, &letterbox.drawable_height);
    const bool other_size =
        letterbox.drawable_width != k_frame_width || letterbox.drawable_height != k_frame_height;
    letterbox.letterboxed = other_size && letterbox_target();
    glBindFramebuffer(GL_FRAMEBUFFER, letterbox.letterboxed ? letterbox.framebuffer : 0);
    set_frame_viewport();
}

void finish_screen_frame()
{
    if (letterbox.letterboxed)
        scale_letterbox_frame(0, letterbox.drawable_width, letterbox.drawable_height);
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
    glBindFramebuffer(GL_READ_FRAMEBUFFER, letterbox.framebuffer);
    glBlitFramebuffer(0, 0, k_frame_width, k_frame_height, r.x, r.y, r.x + r.width, r.y + r.height,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void release_letterbox()
{
    delete_render_target(&letterbox.framebuffer, &letterbox.texture);
    letterbox = Letterbox();
}
