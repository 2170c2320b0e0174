// Programs from shader texts: the vertex stage every program shares plus a
// fragment text, compiled, linked and named in every failure message (which
// program, which stage, the driver's info log). Main thread, context current.
#pragma once

#include "gl_api.h"

#include <cstddef>
#include <cstdint>

// `name` says which program the shader belongs to, for the error message.
GLuint compile_shader(const char* text, int length, GLenum type, const char* name);

// The vertex stage plus the given fragment text, linked and left in use.
// 0 and a message on stderr if a stage fails to compile or the link fails.
// The shader objects are deleted once linked.
GLuint build_program(const char* fragment_text, size_t length, const char* name);

// build_program in two halves, for a driver that builds programs in the
// background (KHR_parallel_shader_compile): start_program compiles and links
// without asking for any result, which would wait for the driver;
// finish_program asks, reports a failure as build_program does, deletes the
// shader objects and returns the program (left in use) or 0.
struct PendingProgram {
    GLuint program = 0, vertex = 0, fragment = 0;
    const char* name = "";
};
PendingProgram start_program(const char* fragment_text, size_t length, const char* name);
GLuint finish_program(PendingProgram* pending);

// Whether the driver has finished building a started program, so that
// finish_program will not wait. Always true unless the platform said that
// the driver builds in the background (set_background_builds).
bool program_finished(const PendingProgram& pending);
void set_background_builds(bool enabled);
bool background_builds();

// Makes a program current and looks up its uniforms "beat", "sound" and "tex".
void use_program(GLuint program);

// Sets the frame inputs `beat` and `sound` on the program in use.
void set_frame_uniforms(float beat, int32_t sound);
