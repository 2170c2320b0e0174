#include "render_gl.h"

#include "gpu.h"
#include "level_meter.h"
#include "schedule_row.h"
#include "show.h"
#include "timeline.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

bool open_render_window(std::string* error)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || !*driver) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("cannot start SDL video: ") + SDL_GetError();
        return false;
    }
    if (!open_show_window()) {
        *error = "cannot open the show's window and OpenGL context";
        return false;
    }
    // The show's start frame: opaque black, captured as the blank texture.
    draw_start_frame();
    tex_blank = capture_screen_texture();
    return true;
}

void set_sound_level(int32_t level)
{
    level_reset();
    for (int i = 0; i < k_level_slots; ++i) level_push(level);
}

Image read_frame(int channels)
{
    Image image;
    image.width = k_frame_width;
    image.height = k_frame_height;
    image.channels = channels;
    image.pixels.resize(size_t(k_frame_width) * k_frame_height * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, k_frame_width, k_frame_height, channels == 4 ? GL_RGBA : GL_RGB,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    flip_rows(&image);  // GL's rows run bottom-up
    return image;
}

namespace {

int32_t frame_sound(const ShowTimeline& timeline, int64_t n)
{
    if (!timeline.track) return timeline.fixed_sound;
    return soundtrack_level(*timeline.track, frame_sample(n, timeline.fps));
}

void draw_at(float beat, int32_t sound)
{
    current_beat = beat;
    set_sound_level(sound);
    draw_frame();
}

// The post-chain frames of the timeline before `beat` that have not been
// drawn: each applies one generation, as in the show, through the life pass
// alone.
void catch_up_chain(ShowTimeline* timeline, float beat)
{
    if (schedule_row(beat) != ROW_POST_CHAIN) return;
    int64_t n = first_frame_at_or_after(448.0f, timeline->fps);
    if (n < timeline->chain_next) n = timeline->chain_next;
    for (;; ++n) {
        const float b = frame_beat(n, timeline->fps);
        if (b >= beat || schedule_row(b) != ROW_POST_CHAIN) break;
        // Only the automaton carries over; its picture is not needed.
        current_beat = b;
        set_sound_level(frame_sound(*timeline, n));
        step_life();
    }
    if (n > timeline->chain_next) timeline->chain_next = n;
}

}  // namespace

void draw_timeline_frame(ShowTimeline* timeline, int64_t n)
{
    const float beat = frame_beat(n, timeline->fps);
    catch_up_chain(timeline, beat);
    draw_at(beat, frame_sound(*timeline, n));
    if (n + 1 > timeline->chain_next) timeline->chain_next = n + 1;
}

void draw_beat_frame(ShowTimeline* timeline, float beat, int32_t sound)
{
    catch_up_chain(timeline, beat);
    draw_at(beat, sound);
}
