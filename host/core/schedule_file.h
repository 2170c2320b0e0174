// The show's schedule as text (shaders/schedule.txt): the scenes with their
// beats, programs and textures, the recaps' cuts, the programs of the scenes
// drawn in several passes, the reference programs and the overlays. Parsed into a
// Schedule, every mistake named with the file and line. Pure, no SDL or GL,
// and free of the generated program names, so that the build-time embedder
// checks the file with this very parser.
#pragma once

#include <string>
#include <vector>

// How a scene's frame is drawn.
enum SceneDrawing {
    DRAW_PROGRAM,           // one program over the frame
    DRAW_PARTICLE_SPRITES,  // the particles' state, their sprites, the resolve
    DRAW_POST_CHAIN,        // life, zoom and the sparse glow's three passes
};

// The texture a scene's program sees as `tex`.
enum SceneTexture { TEXTURE_BLANK, TEXTURE_WARNING, TEXTURE_END };

struct Scene {
    std::string name;   // how recaps and references name it
    std::string title;  // how people read it: reports, the on-screen display
    float start = 0;    // first beat (-infinity: from the start)
    float end = 0;      // first beat after it (infinity: to the end)
    SceneDrawing drawing = DRAW_PROGRAM;
    // Indices into the program names the parser was given: the program
    // (DRAW_PROGRAM), or the passes in the order a frame draws them.
    std::vector<int> programs;
    SceneTexture texture = TEXTURE_BLANK;
    float sample_beat = 0;  // a representative moment, for benchmarks and pictures
    int line = 0;           // where the file defines it
};

// From start to end the scenes `cuts` (indices into Schedule::scenes) take
// turns, one a whole beat: the first until the first whole beat after start.
struct Recap {
    float start = 0;
    float end = 0;
    std::vector<size_t> cuts;
    int line = 0;
};

// A program no scene draws: the per-pixel form of scene `scene`'s picture.
struct ReferenceProgram {
    int program = 0;
    size_t scene = 0;
};

struct Schedule {
    std::vector<Scene> scenes;  // in the file's order
    std::vector<Recap> recaps;
    std::vector<ReferenceProgram> references;
    std::vector<int> overlays;  // programs drawn over a frame, never as one
};

// How many passes each scene of several passes draws.
constexpr size_t k_particle_sprite_passes = 3;
constexpr size_t k_post_chain_passes = 5;

// Parses `text`, the contents of the file `file_name` (as errors name it),
// against `program_names` (the programs of the manifest; a program is its
// index there). On a mistake: false, and `error` holds "FILE:LINE: what is
// wrong"; `schedule` is left as it was.
bool parse_schedule(const std::string& text, const std::string& file_name,
                    const std::vector<std::string>& program_names, Schedule* schedule,
                    std::string* error);
