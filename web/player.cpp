// The browser player's C++ side: what the page calls. The page owns the
// audio clock, the keys and the screens; this side prepares the GPU
// resources (in steps, so that the page keeps responding), turns the music's
// position into the beat and the sound level with the show's own clock and
// meter, tells the page the audio facts it must share with the desktop show
// and the show's parts, draws the show's frames, and brings the post chain's
// automaton to the beat a seek lands on.
#include "beat_clock.h"
#include "chain_catch_up.h"
#include "level_table.h"
#include "mixer_format.h"
#include "programs.h"
#include "scenes.h"
#include "shaders.h"
#include "show.h"
#include "web_cards.h"
#include "web_gl.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <vector>

namespace {

// A seek lands on the frame the offline renderer draws at that beat, whose
// automaton has had one generation a frame at its default rate.
constexpr double k_seek_fps = 60.0;

// The player's state: the track's levels, measured once from the heads the
// page fills in; the show's parts; the automaton as the seeks bring it on.
struct Player {
    LevelTable level_table;
    std::vector<int16_t> level_heads;
    std::vector<ShowPart> parts = show_parts(embedded_schedule());
    ChainCatchUp seek_chain;
};
Player player;

// The beat at a position of the music, in seconds (negative before it starts).
float beat_at_position(double seconds) { return beat_at_ms(static_cast<float>(seconds * 1000.0)); }

int32_t frame_level(int64_t frame) { return level_at(player.level_table, frame / k_seek_fps); }

bool is_program(int index) { return index >= 0 && size_t(index) < k_program_count; }

}  // namespace

extern "C" {

// The mixer's format and the meter's head, which the page decodes and cuts
// the track by, and the skip key's distance (mixer_format.h).
EMSCRIPTEN_KEEPALIVE int krelan_mix_rate() { return k_mix_rate; }
EMSCRIPTEN_KEEPALIVE int krelan_mix_channels() { return k_mix_channels; }
EMSCRIPTEN_KEEPALIVE int krelan_mix_chunk_frames() { return k_mix_chunk_frames; }
EMSCRIPTEN_KEEPALIVE int krelan_level_slots() { return k_level_slots; }
EMSCRIPTEN_KEEPALIVE double krelan_skip_seconds() { return k_skip_ms / 1000.0; }

// Where the page puts a card's decoded RGBA pixels (0 warning, 1 end).
EMSCRIPTEN_KEEPALIVE unsigned char* krelan_card_pixels(int card) { return web_card_pixels(card); }

// --- Preparing, in the order the page calls it ------------------------------

// The context, the black start frame kept as the blank texture, the cards:
// the show's start-up up to its programs. 1 on success; otherwise the reason
// is on stderr.
EMSCRIPTEN_KEEPALIVE int krelan_open()
{
    if (!open_web_gl_context()) return 0;
    capture_start_frame();
    return load_show_cards() ? 1 : 0;
}

// Whether the browser builds programs in the background
// (KHR_parallel_shader_compile): then the page starts every program at once.
EMSCRIPTEN_KEEPALIVE int krelan_background_builds() { return background_builds() ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE int krelan_program_count() { return static_cast<int>(k_program_count); }

EMSCRIPTEN_KEEPALIVE const char* krelan_program_name(int index)
{
    return is_program(index) ? k_programs[index].name : "";
}

// Whether the show draws the program: the straightforward per-pixel forms
// that the particle scene's and the glow's passes reproduce are there for
// the tests and the bench alone, and the heaviest to build (the particles'
// takes seconds in a software WebGL), so the page does not build them; nor
// the overlays, which only the desktop's calibration view draws.
EMSCRIPTEN_KEEPALIVE int krelan_program_drawn(int index)
{
    if (!is_program(index)) return 0;
    for (const ReferenceProgram& reference : embedded_schedule().references)
        if (reference.program == index) return 0;
    for (int overlay : embedded_schedule().overlays)
        if (overlay == index) return 0;
    return 1;
}

EMSCRIPTEN_KEEPALIVE int krelan_program_start(int index)
{
    if (!is_program(index)) return 0;
    start_show_program(ProgramId(index));
    return 1;
}

EMSCRIPTEN_KEEPALIVE int krelan_program_finished(int index)
{
    return !is_program(index) || show_program_finished(ProgramId(index));
}

// Takes the program's result and draws it once, hidden, waiting for that
// draw (a browser may compile the program only then), so that each step's
// cost falls in its own animation frame; 0 with the reason on stderr when it
// failed.
EMSCRIPTEN_KEEPALIVE int krelan_program_finish(int index)
{
    if (!is_program(index) || !finish_show_program(ProgramId(index))) return 0;
    unsigned char pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return 1;
}

// The targets of the post chain, the particle scene and the glow, and the
// automaton's seed. 1 on success; otherwise the reason is on stderr.
EMSCRIPTEN_KEEPALIVE int krelan_finish_prepare() { return finish_show_resources() ? 1 : 0; }

// --- The music's levels ----------------------------------------------------

// Room for the heads (first k_level_slots samples) of `chunks` chunks.
EMSCRIPTEN_KEEPALIVE int16_t* krelan_level_heads(int chunks)
{
    player.level_heads.assign(size_t(chunks) * k_level_slots, 0);
    return player.level_heads.data();
}

// Measures the heads with the meter; `sample_count` is the whole decoded
// stream's length in interleaved samples at the mixer's rate.
EMSCRIPTEN_KEEPALIVE void krelan_measure_levels(double sample_count)
{
    player.level_table =
        measure_levels(player.level_heads.data(), static_cast<size_t>(sample_count));
    player.level_heads = std::vector<int16_t>();
}

EMSCRIPTEN_KEEPALIVE int krelan_level_at(double seconds)
{
    return level_at(player.level_table, seconds);
}

// --- Time -------------------------------------------------------------------

EMSCRIPTEN_KEEPALIVE double krelan_beat_at(double seconds) { return beat_at_position(seconds); }

// The music's position, in seconds, at which the clock shows `beat`.
EMSCRIPTEN_KEEPALIVE double krelan_seconds_at(double beat) { return ms_at_beat(beat) / 1000.0; }

// The music's position, in seconds, at which the clock passes k_end_beat and
// the show ends: the decoded music must last at least this long.
EMSCRIPTEN_KEEPALIVE double krelan_end_seconds() { return ms_at_beat(k_end_beat) / 1000.0; }

// The show's parts (scenes.h show_parts): how many, each one's title and
// first beat.
EMSCRIPTEN_KEEPALIVE int krelan_part_count() { return static_cast<int>(player.parts.size()); }
EMSCRIPTEN_KEEPALIVE const char* krelan_part_title(int index)
{
    return player.parts.at(index).title.c_str();
}
EMSCRIPTEN_KEEPALIVE double krelan_part_start(int index) { return player.parts.at(index).start; }

// --- Frames -----------------------------------------------------------------

// Draws the frame for the music's position; 0 once the show has ended
// (beat past k_end_beat), when the page stops and offers to watch again.
EMSCRIPTEN_KEEPALIVE int krelan_frame(double seconds)
{
    const float beat = beat_at_position(seconds);
    draw_frame(beat, level_at(player.level_table, seconds));
    return beat > k_end_beat ? 0 : 1;
}

// One frame at a given beat and sound level (the page's still mode).
EMSCRIPTEN_KEEPALIVE void krelan_still(float beat, int sound) { draw_frame(beat, sound); }

// A seek to the music's position `seconds`: the generations the automaton
// needs before that frame, counted from its seed or the latest checkpoint
// before it (0 outside the post chain). The page then calls krelan_seek_step
// until none is left, and draws the frame with krelan_frame.
EMSCRIPTEN_KEEPALIVE double krelan_seek_begin(double seconds)
{
    ChainCatchUp& chain = player.seek_chain;
    chain.fps = k_seek_fps;
    chain.keep_checkpoints = true;
    // The show's own frames have moved the automaton since the last seek.
    leave_chain_timeline(&chain);
    return static_cast<double>(chain_steps_left(chain, beat_at_position(seconds)));
}

// Applies at most `limit` of those generations (all of them when negative);
// returns how many are left.
EMSCRIPTEN_KEEPALIVE double krelan_seek_step(double seconds, int limit)
{
    return static_cast<double>(
        catch_up_chain(&player.seek_chain, beat_at_position(seconds), limit, frame_level));
}

// The `p` key: the first sample of the current chunk and the beat.
EMSCRIPTEN_KEEPALIVE void krelan_print(double seconds)
{
    const LevelTable& table = player.level_table;
    const int64_t chunk = chunk_at(seconds);
    const bool inside = chunk >= 0 && chunk < static_cast<int64_t>(table.first_sample.size());
    std::printf("Sample: %d\nBeat: %f\n", inside ? table.first_sample[chunk] : 0,
                static_cast<double>(beat_at_position(seconds)));
}

}  // extern "C"
