#include "live_show.h"

#include "audio_output.h"
#include "beat_clock.h"
#include "live_overlay.h"
#include "live_reload.h"
#include "mixer_format.h"
#include "scenes.h"
#include "show.h"

#include <algorithm>
#include <cstdio>

namespace {

// The timeline the automaton is caught up on: the offline renderer's.
constexpr double k_chain_fps = 60.0;

// The display's frame time and level are read again this often.
constexpr int64_t k_figures_ns = 250000000;

// A frame spends about this long bringing the automaton to a landing, in
// batches of k_catch_up_batch generations: a fast GPU lands within the
// frame, a slow one shows the automaton running on to the landing and
// answers the keys meanwhile.
constexpr int64_t k_catch_up_frame_ns = 200000000;
constexpr int64_t k_catch_up_batch = 16;

// Holds the paused transport at `beat`, the music where it is heard then.
void hold_transport(Transport* transport, float beat)
{
    const int64_t now = monotonic_ns();
    transport_seek(transport, now, ms_at_beat(beat) + transport->latency_ms + transport->offset_ms);
    transport_pause(transport, now);
}

// Moves the picture to `beat` (kept within the show) and the music to where
// it is heard then. While paused only the transport moves; the music is
// placed when play resumes.
void seek(LiveShow* live, Transport* transport, float beat)
{
    beat = clamp_to_show(beat);
    if (transport->paused)
        hold_transport(transport, beat);
    else
        place_music(transport, ms_at_beat(beat) + transport->latency_ms + transport->offset_ms);
    live->held_beat = beat;
    live->previous_beat = beat;
    live->landed = true;
}

// Pauses at the beat on screen, or goes on from it.
void toggle_pause(LiveShow* live, Transport* transport, float beat)
{
    if (transport->paused) {
        place_music(transport, transport_resume_point(transport, monotonic_ns()));
        return;
    }
    pause_music(transport);
    hold_transport(transport, beat);
    live->held_beat = beat;
}

// A seek, loop jump or reload lands at `beat`: the automaton is brought
// there from its seed or a kept checkpoint, over as many frames as it takes.
void start_landing(LiveShow* live, float beat)
{
    live->chain.fps = k_chain_fps;
    live->chain.keep_checkpoints = true;
    leave_chain_timeline(&live->chain);  // the show's own frames moved it
    live->landing_beat = beat;
    live->landing_steps = chain_steps_left(live->chain, beat);
    live->landing_start_ns = monotonic_ns();
    live->landing_frames = 0;
    live->catching_up = live->landing_steps > 0;
}

// Brings the automaton on towards the landing for one frame's time; true
// once it is there.
bool catch_up_for_a_frame(LiveShow* live)
{
    const int64_t start = monotonic_ns();
    const FrameLevel silent = [](int64_t) { return 0; };
    int64_t left = 0;
    do left = catch_up_chain(&live->chain, live->landing_beat, k_catch_up_batch, silent);
    while (left > 0 && monotonic_ns() - start < k_catch_up_frame_ns);
    return left == 0;
}

// The automaton is at the landing: says what it took, and the music that
// played on meanwhile goes on from the landed frame.
void finish_landing(LiveShow* live, Transport* transport)
{
    live->catching_up = false;
    std::fprintf(stderr,
                 "krelan: the post chain caught up to beat %.2f: %lld generations in %.0f ms, "
                 "over %d frames\n",
                 double(live->landing_beat), static_cast<long long>(live->landing_steps),
                 (monotonic_ns() - live->landing_start_ns) / 1e6, live->landing_frames);
    if (!transport->paused) seek(live, transport, live->landing_beat);
}

// Whether the post chain's life pass is among the programs rebuilt.
bool rebuilt_life_pass(const std::vector<ProgramId>& rebuilt)
{
    const Scene* chain = find_scene(show_schedule(), DRAW_POST_CHAIN);
    return chain &&
           std::find(rebuilt.begin(), rebuilt.end(), scene_pass(*chain, 0)) != rebuilt.end();
}

}  // namespace

void live_key_pressed(LiveShow* live, const SDL_Keysym& key)
{
    if (key.sym == SDLK_LEFT || key.sym == SDLK_RIGHT)
        live->shift_pressed = (key.mod & KMOD_SHIFT) != 0;
}

bool live_key(LiveShow* live, Transport* transport, const SDL_Keysym& key, float* on_screen)
{
    const float beat = *on_screen;
    const bool shift = live->shift_pressed || (key.mod & KMOD_SHIFT);
    const float step = shift ? 1.0f : k_beats_per_bar;
    const Schedule& schedule = show_schedule();
    float target = beat;  // where a seek goes
    switch (key.sym) {
    case SDLK_SPACE: toggle_pause(live, transport, beat); return true;
    case SDLK_LEFT: target = step_beats(beat, -step); break;
    case SDLK_RIGHT: target = step_beats(beat, step); break;
    case SDLK_PAGEUP: target = previous_part_start(schedule, beat); break;
    case SDLK_PAGEDOWN: target = next_part_start(schedule, beat); break;
    case SDLK_HOME: target = beat_from_elapsed(0); break;
    case SDLK_s:  // the show's skip, landing as the other seeks do
        target = beat_at_ms(static_cast<float>(ms_at_beat(beat) + k_skip_ms));
        break;
    case SDLK_LEFTBRACKET:
        live->loop.start = beat;
        live->loop.has_start = true;
        return true;
    case SDLK_RIGHTBRACKET:
        live->loop.end = beat;
        live->loop.has_end = true;
        return true;
    case SDLK_l: live->loop.on = !live->loop.on; return true;
    case SDLK_o: live->display_on = !live->display_on; return true;
    case SDLK_r: live->reload_all = true; return true;
    default: return false;
    }
    seek(live, transport, target);
    // The keys after it in the same pass start from where it landed.
    *on_screen = live->held_beat;
    return true;
}

float live_beat(LiveShow* live, Transport* transport, float beat)
{
    if (transport->paused) return live->held_beat;
    if (live->catching_up) return live->landing_beat;  // the picture waits for the automaton
    const float target = loop_target(live->loop, live->previous_beat, beat);
    if (target != beat) seek(live, transport, target);
    live->previous_beat = target;
    return target;
}

void update_live_show(LiveShow* live, int64_t now_ms)
{
    const LiveChanges changes = update_live(now_ms, live->reload_all);
    live->reload_all = false;
    if (!anything_changed(changes)) return;
    // A reload draws the frame anew, as a seek to where the show stands.
    live->landed = true;
    // The kept automaton grew from the old seed, by the old rule, or from
    // where the old schedule started it: it is grown again from the new.
    if (changes.schedule || rebuilt_life_pass(changes.rebuilt)) live->chain.checkpoints.clear();
}

void draw_live_frame(LiveShow* live, Transport* transport, float beat, int32_t level)
{
    const int64_t now = monotonic_ns();
    if (live->last_frame_ns) add_frame_time(&live->frame_times, (now - live->last_frame_ns) / 1e6);
    live->last_frame_ns = now;
    if (transport->paused)
        level = live->held_level;
    else
        live->held_level = level;

    if (live->landed) start_landing(live, beat);
    bool lands = false;  // this frame shows the landing's beat with the automaton there
    if (live->landed || live->catching_up) {
        // The first batch also sets the automaton back to the seed or the
        // checkpoint it starts from, even when no generation follows.
        beat = live->landing_beat;
        ++live->landing_frames;
        lands = catch_up_for_a_frame(live);
        if (lands && live->catching_up) finish_landing(live, transport);
    }
    // The frame that lands applies its own generation, as every frame of
    // the show does; paused, the frames after it keep the automaton as it
    // stands, and on the way to a landing they show it as far as it got.
    hold_life(live->catching_up || (transport->paused && !lands));
    draw_frame(beat, level);
    hold_life(false);
    live->landed = false;

    std::vector<std::string> display;
    if (live->display_on) {
        // The frame time and the level change every frame; read at a
        // steadier pace they are legible, and their line is drawn anew
        // (live_overlay.h) only that often.
        if (now - live->figures_ns >= k_figures_ns || live->figures_ns == 0) {
            live->figures_ns = now;
            live->shown_frame_ms = mean_frame_ms(live->frame_times);
            live->shown_level = level;
        }
        DisplayFacts facts;
        facts.beat = beat;
        facts.frame_ms = live->shown_frame_ms;
        facts.level = live->shown_level;
        facts.loop = live->loop;
        facts.paused = transport->paused;
        display = display_lines(show_schedule(), facts);
    }
    draw_live_overlay(display, live_errors());
}
