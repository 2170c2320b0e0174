// krelan-render: the show rendered offline, headless and deterministically,
// with the show's own programs, schedule and GPU code (the host library).
#include "commands.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const char* const k_usage =
    "usage: krelan-render COMMAND [options]\n"
    "\n"
    "Renders the Krelan show offline, headless (SDL's offscreen driver unless\n"
    "SDL_VIDEODRIVER names another), with the show's own programs and schedule.\n"
    "\n"
    "commands:\n"
    "  frame    the frame the show draws at a beat, as a 1920x1080 RGB PNG\n"
    "  pass     one program on its own, as a 1920x1080 RGBA PNG\n"
    "  show     the show at a fixed frame rate, as numbered PNGs or a video\n"
    "  preview  a contact sheet: one small frame every few beats\n"
    "  audio    the soundtrack as the show's mixer plays it, as a WAV file\n"
    "  bench    frame and compile times of every program, and of the post chain\n"
    "\n"
    "`krelan-render COMMAND --help` describes each command.\n";

struct Command {
    const char* name;
    int (*run)(int, char**);
};

const Command k_commands[] = {{"frame", command_frame},   {"pass", command_pass},
                              {"show", command_show},     {"preview", command_preview},
                              {"audio", command_audio},   {"bench", command_bench}};

}  // namespace

int report(int status, const std::string& message)
{
    std::fprintf(stderr, "krelan-render: %s\n", message.c_str());
    return status;
}

int print_help(const char* text)
{
    std::fputs(text, stdout);
    return k_status_ok;
}

double now_seconds()
{
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

void progress_start(Progress* progress, long total)
{
    progress->total = total;
    progress->start_s = now_seconds();
    progress->last_print_s = -1;
    progress_update(progress, 0);
}

void progress_update(Progress* progress, long done)
{
    // On a terminal the bar redraws in place; in a log it is a line now and then.
    static const bool on_terminal = isatty(STDERR_FILENO);
    const double interval = on_terminal ? 0.25 : 10.0;
    const double now = now_seconds();
    if (done < progress->total && progress->last_print_s >= 0 &&
        now - progress->last_print_s < interval)
        return;
    progress->last_print_s = now;
    const double elapsed = now - progress->start_s;
    const double rate = done > 0 && elapsed > 0 ? done / elapsed : 0.0;
    const long left_s = rate > 0 ? static_cast<long>((progress->total - done) / rate + 0.5) : -1;
    constexpr int k_width = 30;
    const int filled = progress->total > 0 ? static_cast<int>(k_width * done / progress->total) : 0;
    char bar[k_width + 1];
    for (int i = 0; i < k_width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[k_width] = '\0';
    char left[32] = "--:--";
    if (left_s >= 0) std::snprintf(left, sizeof left, "%ld:%02ld", left_s / 60, left_s % 60);
    std::fprintf(stderr, "%s[%s] %ld/%ld frames  %.2f frames/s  %s left%s",
                 on_terminal ? "\r" : "", bar, done, progress->total, rate, left,
                 on_terminal ? " " : "\n");
    std::fflush(stderr);
}

void progress_finish(Progress* progress)
{
    // The loop's last update has printed the full bar; end its line.
    (void)progress;
    if (isatty(STDERR_FILENO)) std::fprintf(stderr, "\n");
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(k_usage, stderr);
        return k_status_usage;
    }
    const char* name = argv[1];
    if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help"))
        return print_help(k_usage);
    for (const Command& c : k_commands)
        if (!std::strcmp(name, c.name)) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "krelan-render: unknown command '%s'\n\n%s", name, k_usage);
    return k_status_usage;
}
