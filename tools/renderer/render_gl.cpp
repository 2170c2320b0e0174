#include "render_gl.h"

#include "chain_catch_up.h"
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
// applied, each one generation, as in the show.
void catch_up(ShowTimeline* timeline, float beat)
{
    timeline->chain.fps = timeline->fps;
    catch_up_chain(&timeline->chain, beat, -1,
                   [timeline](int64_t n) { return frame_sound(*timeline, n); });
}

}  // namespace

void draw_timeline_frame(ShowTimeline* timeline, int64_t n)
{
    const float beat = frame_beat(n, timeline->fps);
    catch_up(timeline, beat);
    draw_frame(beat, frame_sound(*timeline, n));
    chain_frame_drawn(&timeline->chain, n);
}

void draw_beat_frame(ShowTimeline* timeline, float beat, int32_t sound)
{
    catch_up(timeline, beat);
    draw_frame(beat, sound);
    // Unless the beat is a frame's, the automaton is now off the timeline.
    leave_chain_timeline(&timeline->chain);
}
