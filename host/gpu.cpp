#include "gpu.h"

#include "asset_store.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <string>
#include <vector>

GLint loc_beat = -1, loc_sound = -1, loc_tex = -1;

namespace {

std::string info_log(GLuint object, bool is_program)
{
    GLint length = 0;
    if (is_program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? length : 1, '\0');
    if (is_program)
        glGetProgramInfoLog(object, length, nullptr, &log[0]);
    else
        glGetShaderInfoLog(object, length, nullptr, &log[0]);
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    return log.empty() ? "(no info log)" : log;
}

}  // namespace

GLuint compile_shader(const char* text, int length, GLenum type, const char* name)
{
    const char* stage = type == GL_VERTEX_SHADER ? "vertex" : "fragment";
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        std::fprintf(stderr, "krelan: the %s shader of program '%s' failed to compile:\n%s\n",
                     stage, name, info_log(shader, false).c_str());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint build_program(const char* fragment_text, int length, const char* name)
{
    if (fragment_text == nullptr || length <= 0) {
        std::fprintf(stderr, "krelan: program '%s' has no fragment text\n", name);
        return 0;
    }
    GLuint program = glCreateProgram();
    GLuint vertex = compile_shader(reinterpret_cast<const char*>(asset_vertex_text.bytes),
                                   static_cast<int>(asset_vertex_text.length), GL_VERTEX_SHADER,
                                   name);
    GLuint fragment = compile_shader(fragment_text, length, GL_FRAGMENT_SHADER, name);
    if (!vertex || !fragment) {
        glDeleteProgram(program);
        return 0;
    }
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        std::fprintf(stderr, "krelan: program '%s' failed to link:\n%s\n", name,
                     info_log(program, true).c_str());
        glDeleteProgram(program);
        return 0;
    }
    use_program(program);
    return program;
}

void use_program(GLuint program)
{
    glUseProgram(program);
    loc_beat = glGetUniformLocation(program, "beat");
    loc_tex = glGetUniformLocation(program, "tex");
    loc_sound = glGetUniformLocation(program, "sound");
}

GLuint create_texture(int width, int height, const void* pixels, GLint wrap)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return texture;
}

GLuint capture_screen_texture()
{
    std::vector<unsigned char> buffer(k_frame_bytes);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, k_frame_width, k_frame_height, GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
    return create_texture(k_frame_width, k_frame_height, buffer.data(), GL_CLAMP);
}

GLuint load_card_texture(const unsigned char* png, size_t length, const char* name)
{
    SDL_RWops* stream = SDL_RWFromConstMem(png, static_cast<int>(length));
    SDL_Surface* decoded = stream ? IMG_LoadPNG_RW(stream) : nullptr;
    if (stream) SDL_RWclose(stream);
    if (!decoded) {
        std::fprintf(stderr, "krelan: the %s card failed to decode: %s\n", name, IMG_GetError());
        return 0;
    }
    // Channel masks R 0xFF000000 ... A 0x000000FF: bytes A, B, G, R in memory.
    SDL_Surface* card = SDL_CreateRGBSurface(0, decoded->w, decoded->h, 32, 0xFF000000,
                                             0x00FF0000, 0x0000FF00, 0x000000FF);
    if (!card) {
        std::fprintf(stderr, "krelan: no surface for the %s card: %s\n", name, SDL_GetError());
        SDL_FreeSurface(decoded);
        return 0;
    }
    SDL_UpperBlit(decoded, nullptr, card, nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, card->pitch / 4);
    GLuint texture = create_texture(card->w, card->h, card->pixels, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    SDL_FreeSurface(card);
    SDL_FreeSurface(decoded);
    return texture;
}

GLuint create_render_target(GLuint texture, const char* name)
{
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "krelan: render target '%s' is incomplete (status 0x%04x)\n", name,
                     status);
        glDeleteFramebuffers(1, &framebuffer);
        return 0;
    }
    return framebuffer;
}

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
