// The show's built programs: one per ProgramId of the program table, each
// with the locations of its frame inputs looked up once after linking, and
// the one way a pass is drawn. The show's frames, the particle sprites and
// the sparse glow all draw through here. Main thread, context current.
#pragma once

#include "gl_api.h"
#include "program_ids.h"

#include <cstdint>

// Builds one program of the table from `fragment_text` in place of the one
// there, which is deleted only when the new one has built. False, with the
// failure reported and the old program kept, otherwise.
bool build_table_program(ProgramId program, const char* fragment_text, size_t length);

// The table is built one program at a time (a front-end may keep its page
// responding between two): start_table_program compiles and links without
// asking for the result (a driver that builds in the background is not
// waited on); table_program_finished says whether taking it would wait;
// finish_table_program takes it into the table (reporting a failure as
// build_table_program does) and draws it once into a single pixel of the
// bound framebuffer: Mesa and other drivers compile at the first draw, and no
// scene change must stall on a compile.
void start_table_program(ProgramId program);
bool table_program_finished(ProgramId program);
bool finish_table_program(ProgramId program);

// Deletes every built program.
void release_program_table();

// The built program; 0 before it is built.
GLuint table_program(ProgramId program);

// Makes the program current with its cached frame-input locations.
void use_program(ProgramId program);

// One pass: `program` reads `input` on unit 0 and draws the full-screen quad
// into `framebuffer` with the frame inputs. The viewport is the caller's.
void draw_pass(GLuint framebuffer, GLuint input, ProgramId program, float beat, int32_t sound);
