// krelan-demo: the show. The options choose the window and the start; a bad
// one is refused before SDL starts.
#include "demo.h"
#include "show_options.h"
#include "start_guards.h"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// --help or --version whose output could not be written.
constexpr int k_exit_no_output = 1;

// The usage and the version are what --help and --version are asked for:
// when they cannot be written (a full disk, a closed or broken standard
// output) the run failed, as krelan-render reports it.
int print_result(const char* text)
{
    errno = 0;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout))
        return k_exit_ok;
    std::fprintf(stderr, "krelan-demo: cannot write to standard output: %s\n",
                 errno ? std::strerror(errno) : "write error");
    return k_exit_no_output;
}

int run(int argc, char** argv)
{
    const ShowOptions options = parse_show_options(argc, argv);
    switch (options.action) {
    case OPTIONS_HELP: return print_result(show_usage());
    case OPTIONS_VERSION: return print_result("krelan-demo " KRELAN_VERSION "\n");
    case OPTIONS_BAD:
        std::fprintf(stderr, "krelan-demo: %s\n%s", options.error.c_str(), show_usage());
        return k_exit_usage;
    case OPTIONS_RUN: break;
    }
    return run_demo(options);
}

}  // namespace

int main(int argc, char** argv)
{
    connect_standard_streams();
    const int status = run(argc, argv);
    report_exit(status);
    return status;
}
