// The show's command line: what each option asks for, parsed without SDL or
// GL so that a bad option is refused before any window opens.
#pragma once

#include "beat_clock.h"

#include <string>

// Exit status for an unknown option or a bad value (the usage is printed).
constexpr int k_exit_usage = 2;

enum OptionsAction {
    OPTIONS_RUN,      // run the show with the options below
    OPTIONS_HELP,     // print the usage and exit with status 0
    OPTIONS_VERSION,  // print the version and exit with status 0
    OPTIONS_BAD,      // print `error` and the usage, exit with k_exit_usage
};

// Limits of the values the options take.
constexpr int k_min_window_side = 64;
constexpr int k_max_window_side = 16384;
constexpr float k_min_from_beat = 0.0f;
constexpr float k_max_from_beat = k_end_beat;
constexpr int k_max_display = 63;  // highest monitor number --display takes
constexpr int k_min_av_offset_ms = -500;
constexpr int k_max_av_offset_ms = 500;

// How buffer swaps wait for the screen's refresh (--vsync).
enum VsyncMode {
    VSYNC_DRIVER,    // whatever the driver does by default (no --vsync)
    VSYNC_ON,        // every swap waits for the refresh
    VSYNC_OFF,       // swaps happen at once
    VSYNC_ADAPTIVE,  // waits, but a late frame is shown at once; on where refused
};

struct ShowOptions {
    OptionsAction action = OPTIONS_RUN;
    std::string error;        // why the command line was refused (OPTIONS_BAD)
    bool fullscreen = false;  // start in desktop fullscreen
    int window_width = 1920;  // the window's size when not fullscreen
    int window_height = 1080;
    bool start_from = false;  // start the show at `from_beat`
    float from_beat = 0.0f;
    bool no_wait = false;  // skip the black start wait
    VsyncMode vsync = VSYNC_DRIVER;
    bool on_display = false;  // open on monitor `display` (else where SDL puts it)
    int display = 0;          // 0 the first monitor
    bool live = false;        // shaders and schedule read from a folder and watched
    std::string live_folder;  // that folder; empty: the source tree's shaders/
    int av_offset_ms = 0;  // shows the picture this much later than the sound (earlier if negative)
    bool calibrate = false;  // the calibration view: a flash and a click on every beat
};

// Options as `--name VALUE` or `--name=VALUE`; a later option overrides an
// earlier one; --help and --version win over everything but a bad option.
ShowOptions parse_show_options(int argc, const char* const* argv);

// The usage text, ending with a newline.
const char* show_usage();

// "WxH" with both sides whole numbers in the window limits.
bool parse_window_size(const std::string& text, int* width, int* height);

// A plain decimal beat ("100", "460.25", ".5"; no sign, exponent or hex)
// within the --from limits.
bool parse_from_beat(const std::string& text, float* beat);

// A whole number of milliseconds, optionally signed, within the --av-offset
// limits.
bool parse_av_offset(const std::string& text, int* ms);

// "on", "off" or "adaptive".
bool parse_vsync_mode(const std::string& text, VsyncMode* mode);

// A monitor number, a whole number from 0 to k_max_display.
bool parse_display_index(const std::string& text, int* display);
