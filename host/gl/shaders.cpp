#include "shaders.h"

#include "programs.h"

#include <cstdio>
#include <string>

namespace {

// Uniform locations of the program in use, looked up whenever one is made
// current. Every program samples `tex` on unit 0, the default, so its
// location is looked up but never set.
GLint loc_beat = -1, loc_sound = -1, loc_tex = -1;

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

GLuint build_program(const char* fragment_text, size_t length, const char* name)
{
    if (fragment_text == nullptr || length == 0) {
        std::fprintf(stderr, "krelan: program '%s' has no fragment text\n", name);
        return 0;
    }
    GLuint program = glCreateProgram();
    GLuint vertex = compile_shader(k_vertex_stage.text, static_cast<int>(k_vertex_stage.length),
                                   GL_VERTEX_SHADER, name);
    GLuint fragment =
        compile_shader(fragment_text, static_cast<int>(length), GL_FRAGMENT_SHADER, name);
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

void set_frame_uniforms(float beat, int32_t sound)
{
    glUniform1f(loc_beat, beat);
    glUniform1i(loc_sound, sound);
}
