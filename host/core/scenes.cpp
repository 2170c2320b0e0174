#include "scenes.h"

#include "beat_clock.h"
#include "schedule_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const char k_schedule_file_name[] = "shaders/schedule.txt";

const std::string& embedded_schedule_text()
{
    static const std::string text(k_schedule_text, k_schedule_length);
    return text;
}

std::vector<std::string> program_id_names()
{
    return std::vector<std::string>(k_program_names, k_program_names + k_program_count);
}

const Schedule& embedded_schedule()
{
    static const Schedule schedule = [] {
        Schedule parsed;
        std::string error;
        // The build checked the file with this parser; a failure here means
        // the generated sources are out of step with each other.
        if (!parse_schedule(embedded_schedule_text(), k_schedule_file_name, program_id_names(),
                            &parsed, &error)) {
            std::fprintf(stderr, "krelan: the embedded schedule does not parse: %s\n",
                         error.c_str());
            std::abort();
        }
        return parsed;
    }();
    return schedule;
}

const Recap* recap_at(const Schedule& schedule, float beat)
{
    for (const Recap& recap : schedule.recaps)
        if (beat >= recap.start && beat < recap.end) return &recap;
    return nullptr;
}

const Scene* scene_at(const Schedule& schedule, float beat)
{
    if (const Recap* recap = recap_at(schedule, beat)) {
        const long turn =
            static_cast<long>(std::floor(beat)) - static_cast<long>(std::floor(recap->start));
        const size_t n = recap->cuts.size();
        return &schedule.scenes[recap->cuts[static_cast<size_t>(turn) % n]];
    }
    for (const Scene& scene : schedule.scenes)
        if (beat >= scene.start && beat < scene.end) return &scene;
    return nullptr;
}

const Scene* find_scene(const Schedule& schedule, SceneDrawing drawing)
{
    for (const Scene& scene : schedule.scenes)
        if (scene.drawing == drawing) return &scene;
    return nullptr;
}

const Scene* find_scene(const Schedule& schedule, const std::string& name)
{
    for (const Scene& scene : schedule.scenes)
        if (scene.name == name) return &scene;
    return nullptr;
}

float program_sample_beat(const Schedule& schedule, ProgramId program)
{
    for (const Scene& scene : schedule.scenes)
        for (int p : scene.programs)
            if (p == program) return scene.sample_beat;
    for (const ReferenceProgram& reference : schedule.references)
        if (reference.program == program) return schedule.scenes[reference.scene].sample_beat;
    return 0.0f;
}

std::vector<ShowPart> show_parts(const Schedule& schedule)
{
    const float music_start = beat_from_elapsed(0);
    std::vector<ShowPart> parts;
    for (const Scene& scene : schedule.scenes)
        parts.push_back({scene.title, std::max(scene.start, music_start)});
    for (const Recap& recap : schedule.recaps)
        parts.push_back({"recap", std::max(recap.start, music_start)});
    std::stable_sort(parts.begin(), parts.end(),
                     [](const ShowPart& a, const ShowPart& b) { return a.start < b.start; });
    return parts;
}
