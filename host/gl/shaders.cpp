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
    FrameUniforms in_use;
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

// Links the two stages; the fragment stage is deleted either way.
GLuint link_program(GLuint vertex, GLuint fragment, const char* name)
{
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, fragment);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        std::fprintf(stderr, "krelan: program '%s' failed to link:\n%s\n", name,
                     info_log(program, true).c_str());
        glDeleteProgram(program);
        return 0;
    }
    return program;
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
    const GLuint vertex = vertex_stage(name);
    if (!vertex) return 0;
    const GLuint fragment =
        compile_shader(fragment_text, static_cast<int>(length), GL_FRAGMENT_SHADER, name);
    if (!fragment) return 0;
    const GLuint program = link_program(vertex, fragment, name);
    if (!program) return 0;
    glUseProgram(program);
    for (const SamplerUnit& sampler : k_sampler_units)
        glUniform1i(glGetUniformLocation(program, sampler.name), sampler.unit);
    shaders.in_use = frame_uniforms_of(program);
    return program;
}

void release_vertex_stage()
{
    if (shaders.vertex_stage) glDeleteShader(shaders.vertex_stage);
    shaders = ShaderState();
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
    shaders.in_use = uniforms;
}

void use_program(GLuint program) { use_program(program, frame_uniforms_of(program)); }

void set_frame_uniforms(float beat, int32_t sound)
{
    glUniform1f(shaders.in_use.beat, beat);
    glUniform1i(shaders.in_use.sound, sound);
}
