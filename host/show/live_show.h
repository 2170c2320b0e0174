// krelan-demo --live's timeline over the show's transport, and what it
// draws: Space pauses and resumes (the music with the picture, the beat
// held), the arrows move a bar or (with Shift) a beat, Page Up and Page Down
// a part of the show, Home to its start, `[` `]` and `l` set and switch the
// loop, `o` the on-screen display, `r` reloads every program and the
// schedule, and the show's `s` skips as a seek. A seek places the music as the skip key does and
// lands the picture on its beat exactly; a landing in the post chain first brings the automaton
// there from its seed (chain_catch_up.h), so that the frame is the offline renderer's at that beat;
// on a slow GPU that takes several frames, which show the automaton running on to it.
// Main thread.
#pragma once

#include "chain_catch_up.h"
#include "display_text.h"
#include "live_timeline.h"
#include "transport.h"

#include <SDL.h>

#include <cstdint>

struct LiveShow {
    TimelineLoop loop;
    bool display_on = true;
    float held_beat = 0;      // the beat drawn while the transport is paused
    int32_t held_level = 0;   // and the level
    float previous_beat = 0;  // the latest frame's beat, for the loop's end
    // A seek, loop jump or reload since the latest frame: the next frame
    // lands (the automaton caught up, one generation drawn even if paused).
    bool landed = true;
    // A landing in the post chain whose automaton is still on its way: the
    // frames until it gets there show the landing's beat with the automaton
    // as far as it got.
    bool catching_up = false;
    float landing_beat = 0;
    int64_t landing_steps = 0;  // the generations it needs in all
    int64_t landing_start_ns = 0;
    int landing_frames = 0;      // drawn on the way, the landed one included
    bool reload_all = false;     // `r`: every program and the schedule read again
    bool shift_pressed = false;  // Shift was down when the latest arrow went down
    ChainCatchUp chain;
    FrameTimes frame_times;
    int64_t last_frame_ns = 0;
    int64_t figures_ns = 0;  // when the display's frame time and level were read
    double shown_frame_ms = 0;
    int32_t shown_level = 0;
};

// A key pressed: notes whether an arrow goes down with Shift, which counts
// even when Shift is let go first.
void live_key_pressed(LiveShow* live, const SDL_Keysym& key);

// A key released: true when it is one of the timeline's keys, handled.
// `on_screen` is the beat on screen; a seek moves it to where it lands.
bool live_key(LiveShow* live, Transport* transport, const SDL_Keysym& key, float* on_screen);

// Once a frame, with the beat the transport shows now: the beat to draw.
// While paused that is the held beat; in play, the loop turns back to its
// start once the beat crosses its end.
float live_beat(LiveShow* live, Transport* transport, float beat);

// Between two frames: reads what was saved (or everything, after `r`).
void update_live_show(LiveShow* live, int64_t now_ms);

// Draws the frame at `beat` and `level` (the held level while paused) into
// the bound framebuffer, then the errors in force and, when on, the
// display over it. Once the automaton has caught up with a landing, the
// music that played on meanwhile is placed back at the landing's beat.
void draw_live_frame(LiveShow* live, Transport* transport, float beat, int32_t level);
