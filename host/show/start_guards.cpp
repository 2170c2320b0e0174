#include "start_guards.h"

#include <algorithm>
#include <cstdio>

namespace {

bool names_driver(const char* list, const char* driver)
{
    return list && driver && SDL_strcasestr(list, driver) != nullptr;
}

}  // namespace

void print_debug_values(int sample, double beat)
{
    char line[96];
    const int length = std::snprintf(line, sizeof line, "Sample: %d\nBeat: %f\n", sample, beat);
    if (length <= 0 || length >= static_cast<int>(sizeof line)) return;
    write_output_now(line, static_cast<size_t>(length));
}

bool video_driver_shows_picture()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless =
        driver && (!SDL_strcasecmp(driver, "offscreen") || !SDL_strcasecmp(driver, "dummy"));
    if (!headless || names_driver(SDL_GetHint(SDL_HINT_VIDEODRIVER), driver)) return true;
    SDL_Log(
        "Failed to initialize SDL: no display; SDL fell back to its '%s' video driver, "
        "which shows nothing (SDL_VIDEODRIVER=%s runs the show on it anyway)",
        driver, driver);
    return false;
}

namespace {

// Whether an Escape release waits in the queue (the queue is left as it is).
bool escape_released()
{
    SDL_Event events[64];
    const int count = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_KEYUP, SDL_KEYUP);
    for (int i = 0; i < count; ++i)
        if (events[i].key.keysym.sym == SDLK_ESCAPE) return true;
    return false;
}

}  // namespace

bool wait_unless_quit(Uint32 ms)
{
    const Uint32 start = SDL_GetTicks();
    for (Uint32 waited = 0; waited < ms; waited = SDL_GetTicks() - start) {
        SDL_PumpEvents();  // turns a window close or a signal into SDL_QUIT
        SDL_Event event;
        if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) > 0) return false;
        if (escape_released()) return false;
        SDL_Delay(std::min<Uint32>(10, ms - waited));
    }
    return true;
}
