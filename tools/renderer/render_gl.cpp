#include "render_gl.h"

#include "gl_window.h"
#include "gpu.h"
#include "scenes.h"
#include "show.h"
#include "timeline.h"

bool open_render_window(std::string* error)
{
    if (!open_headless_gl_window(error)) return false;
    capture_start_frame();
    return true;
}

bool open_show(std::string* error)
{
    if (!open_headless_gl_window(error)) return false;
    if (start_show() != SHOW_READY) {
        *error = "cannot prepare the show's GPU resources";
        return false;
    }
    return true;
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

// The post-chain frames of the timeline before `beat` that have not been
// drawn: each applies one generation, as in the show, through the life pass
// alone.
void catch_up_chain(ShowTimeline* timeline, float beat)
{
    if (schedule_row(beat) != ROW_POST_CHAIN) return;
    int64_t n = first_frame_at_or_after(scene_of(ROW_POST_CHAIN).start, timeline->fps);
    if (n < timeline->chain_next) n = timeline->chain_next;
    for (;; ++n) {
        const float b = frame_beat(n, timeline->fps);
        if (b >= beat || schedule_row(b) != ROW_POST_CHAIN) break;
        // Only the automaton carries over; its picture is not needed.
        step_life(b, frame_sound(*timeline, n));
    }
    if (n > timeline->chain_next) timeline->chain_next = n;
}

}  // namespace

void draw_timeline_frame(ShowTimeline* timeline, int64_t n)
{
    const float beat = frame_beat(n, timeline->fps);
    catch_up_chain(timeline, beat);
    draw_frame(beat, frame_sound(*timeline, n));
    if (n + 1 > timeline->chain_next) timeline->chain_next = n + 1;
}

void draw_beat_frame(ShowTimeline* timeline, float beat, int32_t sound)
{
    catch_up_chain(timeline, beat);
    draw_frame(beat, sound);
}
