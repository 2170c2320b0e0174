// The show from start to end: start-up, the frame loop and shutdown.
#pragma once

#include "show_options.h"

// Exit statuses of the show.
constexpr int k_exit_ok = 0;
constexpr int k_exit_no_sdl = 1;        // SDL could not start
constexpr int k_exit_no_audio = -1;     // the audio device could not be opened
constexpr int k_exit_start_failed = 2;  // anything else start-up needs failed
constexpr int k_exit_gl_error = 3;      // the checked build met a GL error (check_frame_errors)

// The show with the options of its command line (parsed and valid).
int run_demo(const ShowOptions& options);

// After each drawn frame, before it is shown. The show ignores GL errors; its
// checked build (the one the end-to-end tests run) stops at the first, naming
// the beat. Each executable links its own definition (frame_check.cpp).
void check_frame_errors(float beat);
