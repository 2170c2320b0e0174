// Bringing the post chain's automaton to a beat without drawing the frames
// before it. The show applies one generation a drawn frame, so a show drawn
// at F frames a second (the offline renderer's timeline, and the web player
// after a seek) has, at beat B, evolved the seed once for every frame of that
// timeline from k_life_seed_end up to B. Only the life pass runs, and only
// over the cells that can be alive (life_region.h): the pictures are the
// same as with every frame drawn. The renderer, the web player and the tests
// share this.
#pragma once

#include "life_region.h"

#include <cstdint>
#include <functional>
#include <vector>

// The sound level at frame n of the timeline (the life pass is given it as
// every pass is, though it does not read it).
using FrameLevel = std::function<int32_t(int64_t frame)>;

// The automaton as it was before a frame of the timeline: its live cells'
// box and the latest life image's RGBA8 pixels there (rows bottom-up).
struct ChainCheckpoint {
    int64_t frame = 0;
    CellBox box;
    std::vector<uint8_t> pixels;
};

struct ChainCatchUp {
    double fps = 60.0;
    // Frames of the timeline before this one have had their generation
    // applied; -1 while the automaton is not on the timeline (before the
    // first catch-up, or after frames drawn off it): the next catch-up starts
    // again from the seed.
    int64_t next_frame = -1;
    // Outside `region` both life images are dead (when `region_known`).
    bool region_known = false;
    CellBox region;
    // With `keep_checkpoints`, a catch-up keeps the automaton every
    // k_chain_checkpoint_frames generations, and a later one starts from the
    // latest kept before its beat when that saves generations (a player
    // seeking back and forth in the chain). They hold the live cells' box
    // only: a few megabytes for the whole chain.
    bool keep_checkpoints = false;
    std::vector<ChainCheckpoint> checkpoints;  // in frame order
};

constexpr int64_t k_chain_checkpoint_frames = 128;

// Generations the automaton still needs before the frame at `beat` (0
// outside the post chain and before k_life_seed_end), counted from the seed
// (or the latest checkpoint before `beat`) when the automaton is not on the
// timeline or has gone past `beat`, or when a checkpoint saves generations.
int64_t chain_steps_left(const ChainCatchUp& chain, float beat);

// Applies at most `limit` of those generations (every one when `limit` is
// negative) in order, first drawing the seed again (or a checkpoint) when
// chain_steps_left counts from it (even when none is needed after it), and
// returns how many
// are left. Leaves the framebuffer bound that was bound.
int64_t catch_up_chain(ChainCatchUp* chain, float beat, int64_t limit, const FrameLevel& level);

// The caller has drawn frame n of the timeline with draw_frame.
void chain_frame_drawn(ChainCatchUp* chain, int64_t n);

// The caller has drawn off the timeline (a beat between its frames, the live
// show's own frames): the next catch-up starts from the seed.
void leave_chain_timeline(ChainCatchUp* chain);
