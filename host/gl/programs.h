// The show's programs: every fragment program's assembled text, in the order
// of the manifest (shaders/programs.txt), and the vertex stage they share.
// The definitions are generated at build time by tools/embed/embed_assets.cpp.
// The texts are pure data; the GL layer builds them.
#pragma once

#include <cstddef>
#include <string>

// A program's name and its fragment text, prelude first, CR LF line ends. The
// text carries no terminating NUL and is always used with its length.
struct ProgramText {
    const char* name;
    const char* text;
    size_t length;
};

extern const ProgramText k_programs[];
extern const size_t k_program_count;
extern const ProgramText k_vertex_stage;

// The program of that name, or null.
const ProgramText* find_program(const char* name);

// Every program's name, separated by spaces, in manifest order.
std::string program_names();
