#include "calibration.h"

#include "gl_api.h"
#include "overlay_text.h"
#include "show_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The flash: the first tenth of a beat, about 46 ms (three frames at 60 Hz).
constexpr float k_flash_share = 0.1f;

}  // namespace

void draw_calibration_frame(float beat, int offset_ms)
{
    const bool flash = beat - std::floor(beat) < k_flash_share;
    const float level = flash ? 1.0f : 0.0f;
    glClearColor(level, level, level, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    char line[64];
    std::snprintf(line, sizeof line, "--av-offset %d", offset_ms);
    draw_overlay_text(line, 48, 112, 96);
    draw_overlay_text("Right, Up: picture later   Left, Down: earlier", 48, 48, 48);
}

bool calibration_key(SDL_Keycode key, int* offset_ms)
{
    int step = 0;
    if (key == SDLK_RIGHT || key == SDLK_UP) step = k_calibration_step_ms;
    if (key == SDLK_LEFT || key == SDLK_DOWN) step = -k_calibration_step_ms;
    if (!step) return false;
    *offset_ms = std::clamp(*offset_ms + step, k_min_av_offset_ms, k_max_av_offset_ms);
    return true;
}
