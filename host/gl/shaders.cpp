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

// The stage compiled; otherwise its log is reported, naming the program.
bool compiled(GLuint shader, GLenum type, const char* name)
{
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return true;
    std::fprintf(stderr, "krelan: the %s shader of program '%s' failed to compile:\n%s\n",
                 type == GL_VERTEX_SHADER ? "vertex" : "fragment", name,
                 info_log(shader, false).c_str());
    return false;
}

bool linked(GLuint program, const char* name)
{
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok) return true;
    std::fprintf(stderr, "krelan: program '%s' failed to link:\n%s\n", name,
                 info_log(program, true).c_str());
    return false;
}

// KHR_parallel_shader_compile: whether the driver has finished a program.
constexpr GLenum k_completion_status = 0x91B1;
bool builds_in_background = false;

}  // namespace

GLuint compile_shader(const char* text, int length, GLenum type, const char* name)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    if (!compiled(shader, type, name)) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint build_program(const char* fragment_text, size_t length, const char* name)
{
    PendingProgram pending = start_program(fragment_text, length, name);
    return finish_program(&pending);
}

PendingProgram start_program(const char* fragment_text, size_t length, const char* name)
{
    PendingProgram pending;
    pending.name = name;
    if (fragment_text == nullptr || length == 0) return pending;
    pending.program = glCreateProgram();
    const struct {
        const char* text;
        size_t length;
        GLenum type;
        GLuint* shader;
    } stages[] = {{k_vertex_stage.text, k_vertex_stage.length, GL_VERTEX_SHADER, &pending.vertex},
                  {fragment_text, length, GL_FRAGMENT_SHADER, &pending.fragment}};
    for (const auto& stage : stages) {
        const GLint text_length = static_cast<GLint>(stage.length);
        *stage.shader = glCreateShader(stage.type);
        glShaderSource(*stage.shader, 1, &stage.text, &text_length);
        glCompileShader(*stage.shader);
        glAttachShader(pending.program, *stage.shader);
    }
    glLinkProgram(pending.program);
    return pending;
}

GLuint finish_program(PendingProgram* pending)
{
    if (!pending->program) {
        std::fprintf(stderr, "krelan: program '%s' has no fragment text\n", pending->name);
        return 0;
    }
    GLuint program = pending->program;
    const bool ok = compiled(pending->vertex, GL_VERTEX_SHADER, pending->name) &&
                    compiled(pending->fragment, GL_FRAGMENT_SHADER, pending->name) &&
                    linked(program, pending->name);
    glDeleteShader(pending->vertex);
    glDeleteShader(pending->fragment);
    if (!ok) {
        glDeleteProgram(program);
        program = 0;
    } else {
        use_program(program);
    }
    *pending = PendingProgram();
    return program;
}

bool program_finished(const PendingProgram& pending)
{
    if (!builds_in_background || !pending.program) return true;
    GLint done = GL_FALSE;
    glGetProgramiv(pending.program, k_completion_status, &done);
    return done != GL_FALSE;
}

void set_background_builds(bool enabled) { builds_in_background = enabled; }

bool background_builds() { return builds_in_background; }

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
