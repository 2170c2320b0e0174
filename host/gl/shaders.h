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
GLuint build_program(const char* fragment_text, size_t length, const char* name);

// Makes a program current and looks up its uniforms "beat", "sound" and "tex".
void use_program(GLuint program);

// Sets the frame inputs `beat` and `sound` on the program in use.
void set_frame_uniforms(float beat, int32_t sound);
