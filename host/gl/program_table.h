// The show's built programs: one per ProgramId of the program table, each
// with the locations of its frame inputs looked up once after linking, and
// the one way a pass is drawn. The show's frames, the particle sprites and
// the sparse glow all draw through here. Main thread, context current.
#pragma once

#include "gl_api.h"
#include "program_ids.h"

#include <cstdint>

// Builds every program of the table in ProgramId order, deleting any built
// before (the tests load the show's resources more than once). Reports the
// program that fails (stage and info log) and returns false; the table then
// holds the programs built before it.
bool build_program_table();

// Builds one program of the table from `fragment_text` in place of the one
// there, which is deleted only when the new one has built. False, with the
// failure reported and the old program kept, otherwise.
bool build_table_program(ProgramId program, const char* fragment_text, size_t length);

// Deletes every built program.
void release_program_table();

// The built program; 0 before it is built.
GLuint table_program(ProgramId program);

// Makes the program current with its cached frame-input locations.
void use_program(ProgramId program);

// One pass: `program` reads `input` on unit 0 and draws the full-screen quad
// into `framebuffer` with the frame inputs. The viewport is the caller's.
void draw_pass(GLuint framebuffer, GLuint input, ProgramId program, float beat, int32_t sound);

// Mesa and other drivers compile at the first draw: draws every program once
// into a single pixel of the bound framebuffer, then clears it, so that no
// scene change stalls on a compile.
void warm_up_programs();
