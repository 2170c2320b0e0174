// krelan-render: the show rendered offline, headless and deterministically,
// with the show's own programs, schedule and GPU code (the host library).
#include "commands.h"
#ifdef _WIN32
#include "utf8_windows.h"
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

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
    "`krelan-render COMMAND --help` describes each command; `krelan-render --version`\n"
    "prints the version.\n";

struct Command {
    const char* name;
    int (*run)(int, char**);
};

const Command k_commands[] = {{"frame", command_frame}, {"pass", command_pass},
                              {"show", command_show},   {"preview", command_preview},
                              {"audio", command_audio}, {"bench", command_bench}};

int run_command(int argc, char** argv)
{
    const char* name = argv[1];
    if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help"))
        return print_help(k_usage);
    if (!std::strcmp(name, "--version")) {
        std::printf("krelan-render %s\n", KRELAN_VERSION);
        return k_status_ok;
    }
    for (const Command& c : k_commands)
        if (!std::strcmp(name, c.name)) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "krelan-render: unknown command '%s'\n\n%s", name, k_usage);
    return k_status_usage;
}

// Results on standard output (bench, --help) that could not be written are
// a failure, not a success with the results lost.
int check_standard_output(int status)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    const std::string reason = errno ? std::strerror(errno) : "write error";
    return report(k_status_failed, "cannot write to standard output: " + reason);
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Paths and the rest in UTF-8, as everywhere else (the show gets them so
    // from SDL's WinMain).
    argv = utf8_arguments(&argc);
#endif
    // Past a file-size limit a write fails (EFBIG) and is reported like a full
    // disk, instead of the signal ending the process with files left behind.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (argc < 2) {
        std::fputs(k_usage, stderr);
        return k_status_usage;
    }
    return check_standard_output(run_command(argc, argv));
}
