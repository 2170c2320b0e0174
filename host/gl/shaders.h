// Programs from shader texts: the vertex stage every program shares plus a
// fragment text, compiled, linked and named in every failure message (which
// program, which stage, the driver's info log). Main thread, context current.
#pragma once

#include "gl_api.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Why a program did not build, for a caller that reports it in its own way
// (krelan-demo --live names the pieces and lines of the driver's log).
struct BuildFailure {
    std::string what;               // "the fragment shader of program 'sphere' failed to compile"
    std::string log;                // the driver's info log
    bool fragment_compile = false;  // the log is about the fragment text's lines
};

// `name` says which program the shader belongs to, for the error message.
// 0 and a message on stderr (or in `failure`) when it does not compile.
GLuint compile_shader(const char* text, int length, GLenum type, const char* name,
                      BuildFailure* failure = nullptr);

// The shared vertex stage (compiled once, on first use, and kept) plus the
// given fragment text, linked and left in use, its samplers bound to their
// units (`tex` to 0, `reach` to 1). No shader object outlives the call but
// the shared vertex stage, whatever fails. 0 and a message on stderr if a
// stage fails to compile or the link fails; with `failure` given, the
// message goes there instead.
GLuint build_program(const char* fragment_text, size_t length, const char* name,
                     BuildFailure* failure = nullptr);

// build_program in two halves, for a driver that builds programs in the
// background (KHR_parallel_shader_compile): start_program compiles and links
// without asking for any result, which would wait for the driver;
// finish_program asks, reports a failure as build_program does, deletes the
// fragment stage and returns the program (left in use) or 0.
struct PendingProgram {
    GLuint program = 0, fragment = 0;
    const char* name = "";
    bool has_text = false;
};
PendingProgram start_program(const char* fragment_text, size_t length, const char* name);
GLuint finish_program(PendingProgram* pending, BuildFailure* failure = nullptr);

// Whether the driver has finished building a started program, so that
// finish_program will not wait. Always true unless the platform said that
// the driver builds in the background (set_background_builds).
bool program_finished(const PendingProgram& pending);
void set_background_builds(bool enabled);
bool background_builds();

// Deletes the shared vertex stage (before its context goes); the next
// build_program compiles it again.
void release_vertex_stage();

// Where a program takes the frame inputs `beat` and `sound` (-1 for one it
// does not use): looked up once after linking and kept with the program.
struct FrameUniforms {
    GLint beat = -1;
    GLint sound = -1;
};
FrameUniforms frame_uniforms_of(GLuint program);

// Makes a program current; set_frame_uniforms then sets its inputs through
// `uniforms`.
void use_program(GLuint program, const FrameUniforms& uniforms);

// The same for a program whose locations nobody keeps (the tools' and the
// tests' own programs): looks them up now.
void use_program(GLuint program);

// Sets the frame inputs `beat` and `sound` on the program in use (none for
// program 0).
void set_frame_uniforms(float beat, int32_t sound);
