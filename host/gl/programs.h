// The show's program texts: every fragment program's assembled text, indexed
// by its ProgramId (the manifest's order, shaders/programs.txt), and the
// vertex stage they share. The definitions are generated at build time by
// tools/embed/embed_assets.cpp. The texts are pure data; program_table.h
// builds them.
#pragma once

#include "program_ids.h"

#include <cstddef>
#include <string>

// A program's name and its fragment text, prelude first, CR LF line ends. The
// text carries no terminating NUL and is always used with its length.
struct ProgramText {
    const char* name;
    const char* text;
    size_t length;
};

extern const ProgramText k_programs[k_program_count];
extern const ProgramText k_vertex_stage;

// The program of that name (as the manifest writes it), or null: for the
// tools and tests that take a program's name as text.
const ProgramText* find_program(const char* name);

// Every program's name, separated by spaces, in manifest order.
std::string program_names();
