#include "programs.h"

#include <cstring>

const ProgramText* find_program(const char* name)
{
    for (size_t i = 0; i < k_program_count; ++i)
        if (std::strcmp(k_programs[i].name, name) == 0) return &k_programs[i];
    return nullptr;
}

std::string program_names()
{
    std::string names;
    for (size_t i = 0; i < k_program_count; ++i)
        names += (i ? " " : "") + std::string(k_programs[i].name);
    return names;
}
