// The show's built programs: one per ProgramId of the program table, each
// with the locations of its frame inputs looked up once after linking, and
// the one way a pass is drawn. The show's frames, the particle sprites and
// the sparse glow all draw through here. Main thread, context current.
#pragma once

#include "gl_api.h"
#include "program_ids.h"
#include "shaders.h"

#include <cstdint>
#include <string>

// Builds one program of the table from `fragment_text` in place of the one
// there, which is deleted only when the new one has built. False, with the
// failure reported (on stderr, or in `failure` if given) and the old program
// kept, otherwise.
bool build_table_program(ProgramId program, const char* fragment_text, size_t length,
                         BuildFailure* failure = nullptr);

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

// Deletes every built program, and forgets the programs added.
void release_program_table();

// A program the table did not have (krelan-demo --live, for a program the
// folder's manifest gained): a slot after the built-in ones, built by
// build_table_program; until then it draws as program 0. A name the table
// has gives that program's slot.
ProgramId add_table_program(const std::string& name);

// How many programs the table has, built-in and added, and their names.
size_t table_program_count();
const char* table_program_name(ProgramId program);

// The built program; 0 before it is built (and for a slot the table lacks).
GLuint table_program(ProgramId program);

// Makes the program current with its cached frame-input locations.
void use_program(ProgramId program);

// One pass: `program` reads `input` on unit 0 and draws the full-screen quad
// into `framebuffer` with the frame inputs. The viewport is the caller's.
void draw_pass(GLuint framebuffer, GLuint input, ProgramId program, float beat, int32_t sound);

// One draw of the program into a single pixel of the bound framebuffer (as
// finish_table_program does), for a program built again while the show runs.
void warm_up_program(ProgramId program);
