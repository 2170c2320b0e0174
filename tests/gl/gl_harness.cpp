#include "gl_harness.h"

#include "gl_window.h"
#include "gpu.h"
#include "png_file.h"
#include "programs.h"
#include "shader_assembly.h"
#include "shaders.h"

#include <gtest/gtest.h>

#include <sstream>

bool gl_harness_open()
{
    std::string error;
    if (!open_headless_gl_window(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

std::string shipped_text(const char* name)
{
    const ProgramText* program = find_program(name);
    if (!program) {
        ADD_FAILURE() << "no program '" << name << "' in the program table";
        return "";
    }
    return std::string(program->text, program->length);
}

GLuint shipped_program(const char* name)
{
    const std::string text = shipped_text(name);
    GLuint program = build_program(text.data(), text.size(), name);
    if (!program) ADD_FAILURE() << "program '" << name << "' does not build";
    return program;
}

std::string shader_piece(const std::string& piece)
{
    std::vector<std::string> dirs;
    std::stringstream all(KRELAN_SHADER_DIRS);
    for (std::string d; std::getline(all, d, ':');) dirs.push_back(d);
    std::string text, error;
    if (!load_shader_piece(piece, dirs, &text, &error)) ADD_FAILURE() << error;
    return text;
}

GLuint test_program(const std::vector<std::string>& pieces, const std::string& code,
                    const char* name)
{
    std::string text;
    for (const std::string& piece : pieces) text += shader_piece(piece);
    text += code;
    GLuint program = build_program(text.c_str(), text.size(), name);
    if (!program) ADD_FAILURE() << "test program '" << name << "' does not build";
    return program;
}

Target make_target(int width, int height, bool is_float)
{
    Target t;
    t.width = width;
    t.height = height;
    t.is_float = is_float;
    glGenTextures(1, &t.texture);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, is_float ? GL_RGBA32F : GL_RGBA8, width, height, 0, GL_RGBA,
                 is_float ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &t.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.texture, 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return t;
}

void draw_to(const Target& target, GLuint program, float beat, int sound, GLuint texture)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, target.width, target.height);
    if (texture) glBindTexture(GL_TEXTURE_2D, texture);
    use_program(program);
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
    glFinish();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 1920, 1080);
}

std::vector<float> read_floats(const Target& target)
{
    std::vector<float> out(size_t(target.width) * target.height * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_FLOAT, out.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return out;
}

std::vector<unsigned char> read_bytes(const Target& target)
{
    std::vector<unsigned char> out(size_t(target.width) * target.height * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return out;
}

std::vector<unsigned char> read_texture(GLuint texture, int width, int height)
{
    std::vector<unsigned char> out(size_t(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

std::vector<unsigned char> load_png_rgba(const std::string& path, int* width, int* height)
{
    Image image;
    std::string error;
    if (!read_png_rgba(path, &image, &error)) ADD_FAILURE() << error;
    *width = image.width;
    *height = image.height;
    return image.pixels;
}
