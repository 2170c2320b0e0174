#include "programs.h"

const ProgramEntry k_programs[8] = {
    {"sphere", &asset_text_sphere, 100.0f},    {"field", &asset_text_field, 190.0f},
    {"particles", &asset_text_particles, 256.0f}, {"lattice", &asset_text_lattice, 350.0f},
    {"life", &asset_text_life, 460.0f},        {"zoom", &asset_text_zoom, 460.0f},
    {"glow", &asset_text_glow, 460.0f},        {"card", &asset_text_card, 0.0f},
};

const ProgramEntry* find_program(const std::string& name)
{
    for (const ProgramEntry& p : k_programs)
        if (name == p.name) return &p;
    return nullptr;
}

std::string program_names()
{
    std::string names;
    for (const ProgramEntry& p : k_programs) names += (names.empty() ? "" : " ") + std::string(p.name);
    return names;
}
