// The renderer's GL side: the show's own window, context and resources
// (host library), opened headless, and the frames of the show at a fixed
// frame rate with the post chain's automaton carried from frame to frame as
// the show carries it.
#pragma once

#include "chain_catch_up.h"
#include "png_file.h"
#include "soundtrack.h"

#include <cstdint>
#include <string>

// Chooses SDL's offscreen video driver unless the environment names one,
// opens the show's window and context, and keeps the black start frame as
// the blank texture (the first step of the show's start-up), for the
// commands that draw single programs. False with a message.
bool open_render_window(std::string* error);

// The same window with the whole start-up of the show (start_show): the
// blank texture, the cards, the programs and the post chain.
bool open_show(std::string* error);

// The framebuffer bound for reading, 1920x1080, as an image with rows top-down.
Image read_frame(int channels);

// The show at a fixed frame rate. Frames are drawn by the show's draw_frame;
// the sound level comes from the soundtrack (or a fixed level), and the post
// chain's automaton advances one generation per drawn frame, so a frame in
// the chain sees the automaton where the show at this frame rate has it.
struct ShowTimeline {
    double fps = 60.0;
    const Soundtrack* track = nullptr;  // null: `fixed_sound` for every frame
    int32_t fixed_sound = 0;
    ChainCatchUp chain;  // the automaton on this timeline (its fps is the timeline's)
};

// Draws frame n into the back buffer.
void draw_timeline_frame(ShowTimeline* timeline, int64_t n);

// Draws the frame at an arbitrary beat (not necessarily on a frame of the
// timeline): first the timeline's post-chain frames before it that have not
// been drawn, then the frame itself with `sound`.
void draw_beat_frame(ShowTimeline* timeline, float beat, int32_t sound);
