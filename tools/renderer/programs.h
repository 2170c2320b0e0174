// The show's eight fragment programs by name, as the renderer's commands
// name them.
#pragma once

#include "asset_store.h"

#include <string>

struct ProgramEntry {
    const char* name;
    const EmbeddedAsset* text;
    float beat;  // a representative beat: in the program's own part of the show
};

extern const ProgramEntry k_programs[8];

// The entry of that name, or null.
const ProgramEntry* find_program(const std::string& name);

// "sphere field particles lattice life zoom glow card"
std::string program_names();
