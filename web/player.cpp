// The browser player's C++ side: what the page calls. The page owns the
// audio clock, the keys and the screens; this side prepares the GPU
// resources, turns the music's position into the beat and the sound level
// with the show's own clock and meter, draws the show's frames, and tells the
// page the audio facts it must share with the desktop show.
#include "beat_clock.h"
#include "level_table.h"
#include "mixer_format.h"
#include "show.h"
#include "web_cards.h"
#include "web_gl.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <vector>

namespace {

// The player's state: the track's levels, measured once from the heads the
// page fills in.
struct Player {
    LevelTable level_table;
    std::vector<int16_t> level_heads;
};
Player player;

// The beat at a position of the music, in seconds (negative before it starts).
float beat_at_position(double seconds) { return beat_at_ms(static_cast<float>(seconds * 1000.0)); }

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

// The context, then the show's start-up as every front-end runs it (the
// black start frame kept as the blank texture, the cards, every program
// built and drawn once): as the desktop show before its music starts. 1 on
// success; otherwise the reason is on stderr.
EMSCRIPTEN_KEEPALIVE int krelan_prepare()
{
    if (!open_web_gl_context()) return 0;
    return start_show() == SHOW_READY ? 1 : 0;
}

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

EMSCRIPTEN_KEEPALIVE double krelan_beat_at(double seconds) { return beat_at_position(seconds); }

// The music's position, in seconds, at which the clock passes k_end_beat and
// the show ends: the decoded music must last at least this long.
EMSCRIPTEN_KEEPALIVE double krelan_end_seconds() { return ms_at_beat(k_end_beat) / 1000.0; }

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
