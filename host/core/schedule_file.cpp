#include "schedule_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace {

constexpr float k_open = std::numeric_limits<float>::infinity();

// The host's scenes of several passes, by the name a schedule gives them.
struct PassDrawing {
    const char* name;
    SceneDrawing drawing;
    size_t passes;
};
constexpr PassDrawing k_pass_drawings[] = {
    {"particle_sprites", DRAW_PARTICLE_SPRITES, k_particle_sprite_passes},
    {"post_chain", DRAW_POST_CHAIN, k_post_chain_passes},
};

const char* const k_texture_names[] = {"blank", "warning", "end"};

// A beat as the file would write it: 100, 100.5.
std::string beat_text(float beat)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(beat));
    return text;
}

// One line of the file split into words; `rest[i]` is the text from word i
// to the end of the line, for a title.
struct Line {
    int number = 0;
    std::vector<std::string> words;
    std::vector<std::string> rest;
};

// Reads a schedule; every method that meets a mistake sets `error` and
// returns false.
struct Parser {
    const std::string& file;
    const std::vector<std::string>& programs;
    Schedule result;
    std::vector<std::vector<int>> passes;  // per k_pass_drawings entry; empty if not given
    std::vector<int> passes_line;
    std::string error;

    bool fail(int line, const std::string& what)
    {
        error = file + ":" + std::to_string(line) + ": " + what;
        return false;
    }

    int program_index(const std::string& name) const
    {
        for (size_t i = 0; i < programs.size(); ++i)
            if (programs[i] == name) return static_cast<int>(i);
        return -1;
    }

    bool program(const Line& line, const std::string& name, int* index)
    {
        *index = program_index(name);
        if (*index < 0)
            return fail(line.number, "unknown program '" + name + "' (not in the manifest)");
        return true;
    }

    // A beat: a plain decimal, maybe negative; "-" for an open end.
    bool beat(const Line& line, const std::string& word, bool open_allowed, float open_value,
              float* value)
    {
        if (word == "-" && open_allowed) {
            *value = open_value;
            return true;
        }
        size_t digits = 0, points = 0;
        for (size_t i = 0; i < word.size(); ++i) {
            const char c = word[i];
            if (c >= '0' && c <= '9')
                ++digits;
            else if (c == '.')
                ++points;
            else if (!(c == '-' && i == 0))
                digits = 0, points = 2;  // not a plain decimal
        }
        const double parsed = std::strtod(word.c_str(), nullptr);
        if (digits == 0 || points > 1 || !(std::fabs(parsed) <= 1.0e6))
            return fail(line.number, "'" + word + "' is not a beat (a plain decimal" +
                                         std::string(open_allowed ? ", or -" : "") + ")");
        *value = static_cast<float>(parsed);
        return true;
    }

    bool range(const Line& line, size_t first_word, float* start, float* end)
    {
        if (!beat(line, line.words[first_word], true, -k_open, start) ||
            !beat(line, line.words[first_word + 1], true, k_open, end))
            return false;
        if (!(*start < *end))
            return fail(line.number, "the row ends at beat " + line.words[first_word + 1] +
                                         ", not after its start " + line.words[first_word]);
        return true;
    }

    int scene_index(const std::string& name) const
    {
        for (size_t i = 0; i < result.scenes.size(); ++i)
            if (result.scenes[i].name == name) return static_cast<int>(i);
        return -1;
    }

    bool read_passes(const Line& line)
    {
        if (line.words.size() < 2)
            return fail(line.number, "passes needs a scene kind and its programs");
        for (size_t k = 0; k < std::size(k_pass_drawings); ++k) {
            const PassDrawing& drawing = k_pass_drawings[k];
            if (line.words[1] != drawing.name) continue;
            if (passes_line[k])
                return fail(line.number, std::string("the passes of ") + drawing.name +
                                             " are given again (line " +
                                             std::to_string(passes_line[k]) + ")");
            if (line.words.size() - 2 != drawing.passes)
                return fail(line.number, std::string(drawing.name) + " draws " +
                                             std::to_string(drawing.passes) + " passes, not " +
                                             std::to_string(line.words.size() - 2));
            for (size_t i = 2; i < line.words.size(); ++i) {
                int index = 0;
                if (!program(line, line.words[i], &index)) return false;
                passes[k].push_back(index);
            }
            passes_line[k] = line.number;
            return true;
        }
        return fail(line.number, "'" + line.words[1] +
                                     "' is not a scene of several passes (particle_sprites, "
                                     "post_chain)");
    }

    bool read_drawn_by(const Line& line, const std::string& word, Scene* scene)
    {
        for (size_t k = 0; k < std::size(k_pass_drawings); ++k) {
            if (word != k_pass_drawings[k].name) continue;
            if (!passes_line[k])
                return fail(line.number, "no passes line names the programs of " + word);
            scene->drawing = k_pass_drawings[k].drawing;
            scene->programs = passes[k];
            return true;
        }
        int index = 0;
        if (!program(line, word, &index)) return false;
        scene->drawing = DRAW_PROGRAM;
        scene->programs = {index};
        return true;
    }

    bool read_scene(const Line& line)
    {
        if (line.words.size() < 8)
            return fail(line.number,
                        "a scene line is: scene NAME START END DRAWN-BY TEXTURE SAMPLE TITLE");
        Scene scene;
        scene.name = line.words[1];
        scene.line = line.number;
        if (scene_index(scene.name) >= 0)
            return fail(line.number,
                        "scene '" + scene.name + "' is defined twice (line " +
                            std::to_string(result.scenes[scene_index(scene.name)].line) + ")");
        if (!range(line, 2, &scene.start, &scene.end) ||
            !read_drawn_by(line, line.words[4], &scene))
            return false;
        const auto texture =
            std::find(std::begin(k_texture_names), std::end(k_texture_names), line.words[5]);
        if (texture == std::end(k_texture_names))
            return fail(line.number,
                        "unknown texture '" + line.words[5] + "' (blank, warning, end)");
        scene.texture = static_cast<SceneTexture>(texture - std::begin(k_texture_names));
        if (!beat(line, line.words[6], false, 0, &scene.sample_beat)) return false;
        scene.title = line.rest[7];
        result.scenes.push_back(scene);
        return true;
    }

    bool read_recap(const Line& line)
    {
        if (line.words.size() < 4)
            return fail(line.number, "a recap line is: recap START END SCENE SCENE...");
        Recap recap;
        recap.line = line.number;
        if (!range(line, 1, &recap.start, &recap.end)) return false;
        if (std::isinf(recap.start) || std::isinf(recap.end))
            return fail(line.number, "a recap needs a start and an end beat, not -");
        for (size_t i = 3; i < line.words.size(); ++i) {
            const int scene = scene_index(line.words[i]);
            if (scene < 0) return fail(line.number, "unknown scene '" + line.words[i] + "'");
            recap.cuts.push_back(static_cast<size_t>(scene));
        }
        result.recaps.push_back(recap);
        return true;
    }

    bool read_reference(const Line& line)
    {
        if (line.words.size() != 3)
            return fail(line.number, "a reference line is: reference PROGRAM SCENE");
        ReferenceProgram reference;
        if (!program(line, line.words[1], &reference.program)) return false;
        const int scene = scene_index(line.words[2]);
        if (scene < 0) return fail(line.number, "unknown scene '" + line.words[2] + "'");
        reference.scene = static_cast<size_t>(scene);
        result.references.push_back(reference);
        return true;
    }

    bool read_overlay(const Line& line)
    {
        if (line.words.size() != 2) return fail(line.number, "an overlay line is: overlay PROGRAM");
        int overlay = 0;
        if (!program(line, line.words[1], &overlay)) return false;
        result.overlays.push_back(overlay);
        return true;
    }

    // No two rows share a beat. Reported at the later line.
    bool check_overlaps()
    {
        struct Row {
            float start, end;
            int line;
            std::string what;
        };
        std::vector<Row> rows;
        for (const Scene& s : result.scenes)
            rows.push_back({s.start, s.end, s.line, "scene '" + s.name + "'"});
        for (const Recap& r : result.recaps) rows.push_back({r.start, r.end, r.line, "recap"});
        std::sort(rows.begin(), rows.end(),
                  [](const Row& a, const Row& b) { return a.line < b.line; });
        for (size_t j = 0; j < rows.size(); ++j)
            for (size_t i = 0; i < j; ++i)
                if (std::max(rows[i].start, rows[j].start) < std::min(rows[i].end, rows[j].end))
                    return fail(rows[j].line, "this row overlaps the " + rows[i].what +
                                                  " of line " + std::to_string(rows[i].line));
        return true;
    }

    // Each scene's sample beat shows that scene, not a neighbour or a recap.
    bool check_sample_beats()
    {
        for (const Scene& s : result.scenes) {
            bool shown = s.start <= s.sample_beat && s.sample_beat < s.end;
            for (const Recap& r : result.recaps)
                shown = shown && !(r.start <= s.sample_beat && s.sample_beat < r.end);
            if (!shown)
                return fail(s.line, "the sample beat " + beat_text(s.sample_beat) +
                                        " does not show scene '" + s.name + "'");
        }
        return true;
    }
};

std::vector<Line> split_lines(const std::string& text)
{
    std::vector<Line> lines;
    std::istringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        Line line;
        line.number = number;
        size_t at = 0;
        for (;;) {
            at = raw.find_first_not_of(" \t", at);
            if (at == std::string::npos) break;
            const size_t end = std::min(raw.find_first_of(" \t", at), raw.size());
            line.words.push_back(raw.substr(at, end - at));
            std::string rest = raw.substr(at);
            rest.erase(rest.find_last_not_of(" \t") + 1);
            line.rest.push_back(rest);
            at = end;
        }
        if (line.words.empty() || line.words[0][0] == '#') continue;
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

bool parse_schedule(const std::string& text, const std::string& file_name,
                    const std::vector<std::string>& program_names, Schedule* schedule,
                    std::string* error)
{
    Parser p{file_name, program_names, {}, {}, {}, {}};
    p.passes.resize(std::size(k_pass_drawings));
    p.passes_line.assign(std::size(k_pass_drawings), 0);
    const std::vector<Line> lines = split_lines(text);
    // Passes first, then scenes, then the lines that name scenes: each may
    // come anywhere in the file.
    const char* const order[] = {"passes", "scene", "recap", "reference", "overlay"};
    bool ok = true;
    for (const Line& line : lines)
        if (ok && std::find(std::begin(order), std::end(order), line.words[0]) == std::end(order))
            ok = p.fail(line.number,
                        "unknown line '" + line.words[0] +
                            "' (scene, recap, passes, reference, overlay or a # comment)");
    for (const char* keyword : order)
        for (const Line& line : lines) {
            if (!ok || line.words[0] != keyword) continue;
            const std::string k = keyword;
            ok = k == "passes"      ? p.read_passes(line)
                 : k == "scene"     ? p.read_scene(line)
                 : k == "recap"     ? p.read_recap(line)
                 : k == "reference" ? p.read_reference(line)
                                    : p.read_overlay(line);
        }
    if (ok && p.result.scenes.empty()) ok = p.fail(1, "the schedule has no scene");
    ok = ok && p.check_overlaps() && p.check_sample_beats();
    if (!ok) {
        *error = p.error;
        return false;
    }
    *schedule = p.result;
    return true;
}
