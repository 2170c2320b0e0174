#include "start_guards.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <unistd.h>

void guard_standard_streams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() returns the lowest free number: this one.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

void print_debug_values(int sample, double beat)
{
    char line[96];
    const int length = std::snprintf(line, sizeof line, "Sample: %d\nBeat: %f\n", sample, beat);
    if (length <= 0 || length >= static_cast<int>(sizeof line)) return;
    pollfd out = {STDOUT_FILENO, POLLOUT, 0};
    if (poll(&out, 1, 0) != 1 || !(out.revents & POLLOUT)) return;
    // One write of a short line; a failure (closed pipe, full disk) is ignored.
    if (write(STDOUT_FILENO, line, static_cast<size_t>(length)) < 0) return;
}

namespace {

bool names_driver(const char* list, const char* driver)
{
    return list && driver && strcasestr(list, driver) != nullptr;
}

}  // namespace

bool video_driver_shows_picture()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless =
        driver && (!strcasecmp(driver, "offscreen") || !strcasecmp(driver, "dummy"));
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
