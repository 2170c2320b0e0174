#include "chain_catch_up.h"

#include "frame_timeline.h"
#include "gpu.h"
#include "scenes.h"
#include "show.h"

#include <algorithm>
#include <vector>

namespace {

// Generations stepped between two read-backs of the live cells: the box
// grows by this much on each side before it is measured again.
constexpr int64_t k_steps_between_reads = 16;

// The post chain of the show's schedule at `beat`, or null.
const Scene* post_chain_at(float beat)
{
    const Scene* scene = scene_at(show_schedule(), beat);
    return scene && scene->drawing == DRAW_POST_CHAIN ? scene : nullptr;
}

// Every frame before the seed's end draws the seed, whatever came before; a
// post chain that starts later evolves the seed from its own first frame.
int64_t first_evolving_frame(const ChainCatchUp& chain)
{
    const Scene* scene = find_scene(show_schedule(), DRAW_POST_CHAIN);
    const float start = scene ? std::max(scene->start, k_life_seed_end) : k_life_seed_end;
    return first_frame_at_or_after(start, chain.fps);
}

// The frame before which the automaton must be for the frame at `beat`; -1
// where its state does not matter: outside the post chain, and before the
// seed's end, where the pass draws the seed.
int64_t target_frame(const ChainCatchUp& chain, float beat)
{
    if (!post_chain_at(beat) || beat < k_life_seed_end) return -1;
    return first_frame_at_or_after(beat, chain.fps);
}

const CellBox k_whole_frame{0, 0, k_frame_width, k_frame_height};

// Where a catch-up to `target` starts: the frame of the latest checkpoint
// before it when that is later than the automaton, or the seed's end when
// the automaton is not on the timeline or past the target; -1 to go on from
// where the automaton is.
int64_t restart_frame(const ChainCatchUp& chain, int64_t target)
{
    const bool from_seed =
        chain.next_frame < first_evolving_frame(chain) || chain.next_frame > target;
    int64_t start = from_seed ? first_evolving_frame(chain) : chain.next_frame;
    for (const ChainCheckpoint& checkpoint : chain.checkpoints)
        if (checkpoint.frame <= target && checkpoint.frame > start) start = checkpoint.frame;
    return from_seed || start != chain.next_frame ? start : -1;
}

const ChainCheckpoint* checkpoint_at(const ChainCatchUp& chain, int64_t frame)
{
    for (const ChainCheckpoint& checkpoint : chain.checkpoints)
        if (checkpoint.frame == frame) return &checkpoint;
    return nullptr;
}

void start_from_seed(ChainCatchUp* chain)
{
    seed_life();
    std::vector<uint8_t> seed(k_frame_bytes);
    read_life_images(0, 0, k_frame_width, k_frame_height, seed.data(), nullptr);
    chain->region = live_box(seed.data(), k_whole_frame);
    chain->region_known = true;
    chain->next_frame = first_evolving_frame(*chain);
}

void start_from(ChainCatchUp* chain, const ChainCheckpoint& checkpoint)
{
    const CellBox& b = checkpoint.box;
    write_life_images(b.x0, b.y0, box_width(b), box_height(b), checkpoint.pixels.data());
    chain->region = b;
    chain->region_known = true;
    chain->next_frame = checkpoint.frame;
}

// Measures where the live cells of both images are, looking only where they
// can be, and keeps a checkpoint when one is due.
void measure_region(ChainCatchUp* chain)
{
    const CellBox r = chain->region;
    if (box_empty(r)) return;
    const size_t bytes = size_t(box_width(r)) * size_t(box_height(r)) * 4;
    std::vector<uint8_t> latest(bytes), previous(bytes);
    read_life_images(r.x0, r.y0, box_width(r), box_height(r), latest.data(), previous.data());
    const CellBox live = live_box(latest.data(), r);
    chain->region = box_union(live, live_box(previous.data(), r));
    const int64_t frame = chain->next_frame;
    if (!chain->keep_checkpoints ||
        (frame - first_evolving_frame(*chain)) % k_chain_checkpoint_frames ||
        checkpoint_at(*chain, frame))
        return;
    ChainCheckpoint checkpoint;
    checkpoint.frame = frame;
    checkpoint.box = live;
    const int width = box_width(r);
    for (int y = live.y0; y < live.y1; ++y) {
        const uint8_t* row = latest.data() + (size_t(y - r.y0) * width + (live.x0 - r.x0)) * 4;
        checkpoint.pixels.insert(checkpoint.pixels.end(), row, row + size_t(box_width(live)) * 4);
    }
    auto later = std::find_if(chain->checkpoints.begin(), chain->checkpoints.end(),
                              [frame](const ChainCheckpoint& c) { return c.frame > frame; });
    chain->checkpoints.insert(later, std::move(checkpoint));
}

// `count` generations from chain->next_frame, the pass confined to where
// cells can be alive.
void step_frames(ChainCatchUp* chain, int64_t count, const FrameLevel& level)
{
    const CellBox area = chain->region_known ? reach_box(chain->region, static_cast<int>(count),
                                                         k_frame_width, k_frame_height)
                                             : k_whole_frame;
    glEnable(GL_SCISSOR_TEST);
    glScissor(area.x0, area.y0, box_width(area), box_height(area));
    for (int64_t i = 0; i < count; ++i, ++chain->next_frame) {
        const int64_t n = chain->next_frame;
        step_life(frame_beat(n, chain->fps), level ? level(n) : 0);
    }
    glDisable(GL_SCISSOR_TEST);
    if (chain->region_known) {
        chain->region = area;
        measure_region(chain);
    }
}

}  // namespace

int64_t chain_steps_left(const ChainCatchUp& chain, float beat)
{
    const int64_t target = target_frame(chain, beat);
    if (target < 0) return 0;
    const int64_t restart = restart_frame(chain, target);
    return std::max<int64_t>(0, target - (restart >= 0 ? restart : chain.next_frame));
}

int64_t catch_up_chain(ChainCatchUp* chain, float beat, int64_t limit, const FrameLevel& level)
{
    const int64_t target = target_frame(*chain, beat);
    if (target < 0) return 0;
    const int64_t restart = restart_frame(*chain, target);
    if (const ChainCheckpoint* checkpoint = checkpoint_at(*chain, restart))
        start_from(chain, *checkpoint);
    else if (restart >= 0)
        start_from_seed(chain);
    while (chain->next_frame < target && limit != 0) {
        // Batches end on multiples of the read interval from the seed's end,
        // where the checkpoints lie.
        const int64_t done = chain->next_frame - first_evolving_frame(*chain);
        int64_t count = std::min(k_steps_between_reads - done % k_steps_between_reads,
                                 target - chain->next_frame);
        if (limit > 0) {
            count = std::min(count, limit);
            limit -= count;
        }
        step_frames(chain, count, level);
    }
    return chain_steps_left(*chain, beat);
}

void chain_frame_drawn(ChainCatchUp* chain, int64_t n)
{
    const float beat = frame_beat(n, chain->fps);
    const bool in_chain = post_chain_at(beat) != nullptr;
    if (in_chain && beat < k_life_seed_end) {
        // It drew the seed, whatever the automaton held: on the timeline now.
        chain->next_frame = n + 1;
        chain->region_known = false;
        return;
    }
    if (chain->next_frame != n) {
        leave_chain_timeline(chain);
        return;
    }
    ++chain->next_frame;
    // An evolving frame moved the live cells by a generation at most.
    if (chain->region_known && in_chain)
        chain->region = reach_box(chain->region, 1, k_frame_width, k_frame_height);
}

void leave_chain_timeline(ChainCatchUp* chain)
{
    chain->next_frame = -1;
    chain->region_known = false;
}
