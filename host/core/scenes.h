// The show's choreography: which scene draws at a beat. The table is data,
// shaders/schedule.txt (schedule_file.h), checked and embedded by the build;
// the show, the offline renderer, the web player and the tests read the
// embedded one, and krelan-demo --live a fresh copy of the file. Pure, no
// SDL or GL.
#pragma once

#include "program_ids.h"
#include "schedule_file.h"

#include <cstddef>
#include <string>
#include <vector>

// The schedule the build embedded, parsed on first use. Its program indices
// are ProgramIds.
const Schedule& embedded_schedule();

// The embedded file's text and the name its errors give it.
const std::string& embedded_schedule_text();
extern const char k_schedule_file_name[];

// The program names a schedule's indices refer to: the manifest's fragment
// programs in ProgramId order.
std::vector<std::string> program_id_names();

// The scene a beat shows: within a recap its cut, else the scene whose
// [start, end) holds the beat. Null for NaN and for a beat between rows.
const Scene* scene_at(const Schedule& schedule, float beat);

// The recap that holds a beat, or null.
const Recap* recap_at(const Schedule& schedule, float beat);

// The first scene drawn as `drawing`, or the scene named `name`; null if none.
const Scene* find_scene(const Schedule& schedule, SceneDrawing drawing);
const Scene* find_scene(const Schedule& schedule, const std::string& name);

// Pass `i` of a scene (0 for a scene of one program), and the program whose
// output is the scene's picture (its last pass).
inline ProgramId scene_pass(const Scene& scene, size_t i) { return ProgramId(scene.programs[i]); }
inline ProgramId scene_program(const Scene& scene) { return ProgramId(scene.programs.back()); }

// Before this beat the life pass draws its seed whatever its input; from it
// on, each frame evolves the image of the frame before by one generation.
constexpr float k_life_seed_end = 450.0f;

// The representative beat of a program: that of the scene it draws, is a
// pass of, or is the reference of; 0 for a program no scene needs.
float program_sample_beat(const Schedule& schedule, ProgramId program);

// The show's parts as a viewer meets them, in order of their starts: every
// scene and every recap (titled "recap"). The first starts no earlier than
// the music (the beat clock's -0.5). Timelines mark them; keys move between
// them.
struct ShowPart {
    std::string title;
    float start;
};
std::vector<ShowPart> show_parts(const Schedule& schedule);
