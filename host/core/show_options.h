// The show's command line: what each option asks for, parsed without SDL or
// GL so that a bad option is refused before any window opens.
#pragma once

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
constexpr float k_max_from_beat = 528.0f;  // the show's last beat
constexpr int k_min_av_offset_ms = -500;
constexpr int k_max_av_offset_ms = 500;

struct ShowOptions {
    OptionsAction action = OPTIONS_RUN;
    std::string error;        // why the command line was refused (OPTIONS_BAD)
    bool fullscreen = false;  // start in desktop fullscreen
    int window_width = 1920;  // the window's size when not fullscreen
    int window_height = 1080;
    bool start_from = false;  // start the show at `from_beat`
    float from_beat = 0.0f;
    bool no_wait = false;  // skip the black start wait
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

// A finite decimal beat within the --from limits.
bool parse_from_beat(const std::string& text, float* beat);

// A whole number of milliseconds, optionally signed, within the --av-offset
// limits.
bool parse_av_offset(const std::string& text, int* ms);
