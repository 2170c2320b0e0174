#include "gpu.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A new texture, bound, with its wrap mode and filters set; no storage yet.
GLuint new_bound_texture(GLint wrap, GLint mag_filter)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag_filter);
    return texture;
}

}  // namespace

GLuint create_texture(int width, int height, const void* pixels, GLint wrap)
{
    GLuint texture = new_bound_texture(wrap, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return texture;
}

GLuint create_float_texture(int width, int height, GLint format)
{
    GLuint texture = new_bound_texture(GL_CLAMP_TO_EDGE, GL_NEAREST);
    // ES accepts only the layout matching the internal format, even with no data.
    const bool one_channel = format == GL_R32F || format == GL_R16F;
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, one_channel ? GL_RED : GL_RGBA,
                 GL_FLOAT, nullptr);
    return texture;
}

GLuint capture_screen_texture()
{
    std::vector<unsigned char> buffer(k_frame_bytes);
    GLint read_framebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer);
    glReadBuffer(read_framebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, k_frame_width, k_frame_height, GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
    return create_texture(k_frame_width, k_frame_height, buffer.data(), GL_CLAMP);
}

GLuint create_render_target(GLuint texture, const char* name)
{
    // The caller's framebuffers stay bound: a target made in the middle of
    // a frame (a cache made on first use) must not send the rest of the
    // frame to the window.
    GLint draw = 0, read = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "krelan: render target '%s' is incomplete (status 0x%04x)\n", name,
                     status);
        glDeleteFramebuffers(1, &framebuffer);
        return 0;
    }
    return framebuffer;
}

void delete_render_target(GLuint* framebuffer, GLuint* texture)
{
    if (*framebuffer) glDeleteFramebuffers(1, framebuffer);
    if (*texture) glDeleteTextures(1, texture);
    *framebuffer = 0;
    *texture = 0;
}

const char* gl_error_text()
{
    switch (glGetError()) {
    case GL_NO_ERROR: return nullptr;
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    default: return "an unknown GL error";
    }
}
