// krelan-demo: the show. The options choose the window and the start; a bad
// one is refused before SDL starts.
#include "demo.h"
#include "show_options.h"

#include <SDL.h>

#include <cstdio>

int main(int argc, char** argv)
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
