#include "scenes.h"

#include "beat_clock.h"

#include <algorithm>
#include <limits>

namespace {
constexpr float k_always = std::numeric_limits<float>::infinity();
}  // namespace

const Scene k_scenes[] = {
    {ROW_WARNING, "warning card", -k_always, 16.0f, PROG_CARD, TEXTURE_WARNING, 0.0f},
    {ROW_SPHERE, "dotted sphere", 16.0f, 160.0f, PROG_SPHERE, TEXTURE_BLANK, 100.0f},
    {ROW_FIELD, "sphere field", 160.0f, 224.0f, PROG_FIELD, TEXTURE_BLANK, 190.0f},
    {ROW_PARTICLES, "particle rings", 224.0f, 288.0f, PROG_PARTICLE_RESOLVE, TEXTURE_BLANK, 256.0f},
    {ROW_LATTICE, "lattice", 288.0f, k_recap_start, PROG_LATTICE, TEXTURE_BLANK, 350.0f},
    {ROW_POST_CHAIN, "post chain", k_recap_end, 512.0f, PROG_GLOW_SPARSE, TEXTURE_BLANK, 460.0f},
    {ROW_END, "end card", 512.0f, k_always, PROG_CARD, TEXTURE_END, 520.0f},
};
const size_t k_scene_count = sizeof k_scenes / sizeof k_scenes[0];

const ScheduleRow k_recap_cuts[4] = {ROW_SPHERE, ROW_FIELD, ROW_PARTICLES, ROW_LATTICE};

const ProgramId k_particle_passes[3] = {PROG_PARTICLE_STATE, PROG_PARTICLE_SPRITE,
                                        PROG_PARTICLE_RESOLVE};

const ProgramId k_post_chain_passes[5] = {PROG_LIFE, PROG_ZOOM, PROG_GLOW_TILES, PROG_GLOW_REACH,
                                          PROG_GLOW_SPARSE};

const ReferenceProgram k_reference_programs[2] = {{PROG_PARTICLES, ROW_PARTICLES},
                                                  {PROG_GLOW, ROW_POST_CHAIN}};

const ProgramId k_overlay_programs[1] = {PROG_OVERLAY_TEXT};

std::vector<ShowPart> show_parts()
{
    std::vector<ShowPart> parts;
    for (const Scene& scene : k_scenes) {
        if (scene.start == k_recap_end) parts.push_back({"recap", k_recap_start});
        parts.push_back({scene.title, std::max(scene.start, beat_from_elapsed(0))});
    }
    return parts;
}

ScheduleRow schedule_row(float beat)
{
    if (beat >= k_recap_start && beat < k_recap_end)
        return k_recap_cuts[static_cast<int>(beat) % 4];
    for (const Scene& scene : k_scenes)
        if (beat >= scene.start && beat < scene.end) return scene.row;
    return ROW_NONE;
}

const Scene& scene_of(ScheduleRow row)
{
    for (const Scene& scene : k_scenes)
        if (scene.row == row) return scene;
    return k_scenes[0];  // ROW_NONE has no scene; callers never ask for it
}

float program_sample_beat(ProgramId program)
{
    for (ProgramId pass : k_particle_passes)
        if (pass == program) return scene_of(ROW_PARTICLES).sample_beat;
    for (ProgramId pass : k_post_chain_passes)
        if (pass == program) return scene_of(ROW_POST_CHAIN).sample_beat;
    for (const ReferenceProgram& reference : k_reference_programs)
        if (reference.program == program) return scene_of(reference.row).sample_beat;
    for (const Scene& scene : k_scenes)
        if (scene.program == program) return scene.sample_beat;
    return 0.0f;
}
