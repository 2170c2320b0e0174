#include "shaders.h"

#include "programs.h"

#include <cstdio>
#include <string>

namespace {

// The samplers a program may read and the texture unit each reads from:
// every pass reads its input on unit 0; the sparse glow its marks on unit 1.
struct SamplerUnit {
    const char* name;
    GLint unit;
};
constexpr SamplerUnit k_sampler_units[] = {{"tex", 0}, {"reach", 1}};

// The module's state: the vertex stage every program links, and where the
// program in use takes its frame inputs.
struct ShaderState {
    GLuint vertex_stage = 0;
    GLuint program_in_use = 0;
    FrameUniforms in_use;
    bool background_builds = false;  // the driver builds programs in the background
};
ShaderState shaders;

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

// The shared vertex stage, compiled on first use. `name` is the program that
// asked for it, for the error message.
GLuint vertex_stage(const char* name)
{
    if (!shaders.vertex_stage)
        shaders.vertex_stage = compile_shader(
            k_vertex_stage.text, static_cast<int>(k_vertex_stage.length), GL_VERTEX_SHADER, name);
    return shaders.vertex_stage;
}

// Prints the failure, or hands it to the caller who asked for it.
void report(BuildFailure* failure, const std::string& what, const std::string& log,
            bool fragment_compile)
{
    if (!failure) {
        if (log.empty())
            std::fprintf(stderr, "krelan: %s\n", what.c_str());
        else
            std::fprintf(stderr, "krelan: %s:\n%s\n", what.c_str(), log.c_str());
        return;
    }
    failure->what = what;
    failure->log = log;
    failure->fragment_compile = fragment_compile;
}

// The stage compiled; otherwise its log is reported, naming the program.
bool compiled(GLuint shader, GLenum type, const char* name, BuildFailure* failure)
{
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return true;
    report(failure,
           std::string("the ") + (type == GL_VERTEX_SHADER ? "vertex" : "fragment") +
               " shader of program '" + name + "' failed to compile",
           info_log(shader, false), type == GL_FRAGMENT_SHADER);
    return false;
}

bool linked(GLuint program, const char* name, BuildFailure* failure)
{
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok) return true;
    report(failure, "program '" + std::string(name) + "' failed to link", info_log(program, true),
           false);
    return false;
}

// KHR_parallel_shader_compile: whether the driver has finished a program.
constexpr GLenum k_completion_status = 0x91B1;

}  // namespace

GLuint compile_shader(const char* text, int length, GLenum type, const char* name,
                      BuildFailure* failure)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    if (!compiled(shader, type, name, failure)) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint build_program(const char* fragment_text, size_t length, const char* name,
                     BuildFailure* failure)
{
    PendingProgram pending = start_program(fragment_text, length, name);
    return finish_program(&pending, failure);
}

PendingProgram start_program(const char* fragment_text, size_t length, const char* name)
{
    PendingProgram pending;
    pending.name = name;
    pending.has_text = fragment_text != nullptr && length > 0;
    if (!pending.has_text) return pending;
    const GLuint vertex = vertex_stage(name);
    if (!vertex) return pending;
    const GLint text_length = static_cast<GLint>(length);
    pending.fragment = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(pending.fragment, 1, &fragment_text, &text_length);
    glCompileShader(pending.fragment);
    pending.program = glCreateProgram();
    glAttachShader(pending.program, vertex);
    glAttachShader(pending.program, pending.fragment);
    glLinkProgram(pending.program);
    return pending;
}

GLuint finish_program(PendingProgram* pending, BuildFailure* failure)
{
    const PendingProgram p = *pending;
    *pending = PendingProgram();
    if (!p.has_text) {
        report(failure, "program '" + std::string(p.name) + "' has no fragment text", "", false);
        return 0;
    }
    if (!p.program) return 0;  // the vertex stage failed, and said so
    const bool ok = compiled(p.fragment, GL_FRAGMENT_SHADER, p.name, failure) &&
                    linked(p.program, p.name, failure);
    glDetachShader(p.program, shaders.vertex_stage);
    glDetachShader(p.program, p.fragment);
    glDeleteShader(p.fragment);
    if (!ok) {
        glDeleteProgram(p.program);
        return 0;
    }
    glUseProgram(p.program);
    for (const SamplerUnit& sampler : k_sampler_units)
        glUniform1i(glGetUniformLocation(p.program, sampler.name), sampler.unit);
    shaders.program_in_use = p.program;
    shaders.in_use = frame_uniforms_of(p.program);
    return p.program;
}

bool program_finished(const PendingProgram& pending)
{
    if (!shaders.background_builds || !pending.program) return true;
    GLint done = GL_FALSE;
    glGetProgramiv(pending.program, k_completion_status, &done);
    return done != GL_FALSE;
}

void set_background_builds(bool enabled) { shaders.background_builds = enabled; }

bool background_builds() { return shaders.background_builds; }

void release_vertex_stage()
{
    if (shaders.vertex_stage) glDeleteShader(shaders.vertex_stage);
    const bool background = shaders.background_builds;
    shaders = ShaderState();
    shaders.background_builds = background;
}

FrameUniforms frame_uniforms_of(GLuint program)
{
    FrameUniforms uniforms;
    uniforms.beat = glGetUniformLocation(program, "beat");
    uniforms.sound = glGetUniformLocation(program, "sound");
    return uniforms;
}

void use_program(GLuint program, const FrameUniforms& uniforms)
{
    glUseProgram(program);
    shaders.program_in_use = program;
    shaders.in_use = uniforms;
}

void use_program(GLuint program) { use_program(program, frame_uniforms_of(program)); }

void set_frame_uniforms(float beat, int32_t sound)
{
    // Program 0 (one that never built) has no uniforms to set.
    if (!shaders.program_in_use) return;
    glUniform1f(shaders.in_use.beat, beat);
    glUniform1i(shaders.in_use.sound, sound);
}
