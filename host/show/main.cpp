// krelan-demo: the show. The options choose the window and the start; a bad
// one is refused before SDL starts.
#include "demo.h"
#include "show_options.h"
#include "start_guards.h"

#include <SDL.h>

#include <cstdio>

namespace {

int run(int argc, char** argv)
{
    const ShowOptions options = parse_show_options(argc, argv);
    switch (options.action) {
    case OPTIONS_HELP: std::fputs(show_usage(), stdout); return k_exit_ok;
    case OPTIONS_VERSION: std::printf("krelan-demo %s\n", KRELAN_VERSION); return k_exit_ok;
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
    guard_standard_streams();
    const int status = run(argc, argv);
    report_exit(status);
    return status;
}
