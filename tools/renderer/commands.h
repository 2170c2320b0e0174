// The sub-commands of krelan-render. Each parses its own arguments (argv[0]
// is the sub-command's name) and returns the process exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ParsedArgs;
struct OptionSpec;
struct Soundtrack;

constexpr int k_status_ok = 0;
constexpr int k_status_failed = 1;  // the work could not be done
constexpr int k_status_usage = 2;   // the command line is wrong

int command_frame(int argc, char** argv);
int command_pass(int argc, char** argv);
int command_show(int argc, char** argv);
int command_preview(int argc, char** argv);
int command_audio(int argc, char** argv);
int command_bench(int argc, char** argv);

// "krelan-render: <message>" on stderr; returns `status`.
int report(int status, const std::string& message);

// Prints the sub-command's help on stdout; returns 0.
int print_help(const char* text);

// A progress bar on stderr: frames done, rate and time left.
struct Progress {
    long total = 0;
    double start_s = 0;
    double last_print_s = -1;
};
void progress_start(Progress* progress, long total);
void progress_update(Progress* progress, long done);
void progress_finish(Progress* progress);

// Seconds on a monotonic clock.
double now_seconds();

// A number as people write it: "8", "0.5", "1000" (printf's %g).
std::string number_text(double value);

// Frames per second of a capture when --fps is not given.
constexpr double k_default_fps = 60.0;

// --fps (default k_default_fps), checked against [k_min_fps, k_max_fps].
bool parse_fps(const ParsedArgs& args, double* fps, std::string* error);

// The beat option `name` (--beat, --from, --to), checked against
// [k_min_beat, k_max_beat].
bool parse_beat(const ParsedArgs& args, const char* name, float* beat, std::string* error);

// --sound: a level 0..32768.
bool parse_sound(const ParsedArgs& args, long* sound, std::string* error);

// Parses a sub-command's options; it takes no positional words.
bool parse_command(int argc, char** argv, const std::vector<OptionSpec>& known, ParsedArgs* args,
                   std::string* error);

// False with a message when the option `name` was not given.
bool require(const ParsedArgs& args, const char* name, std::string* error);

// The soundtrack up to (not including) stereo frame `end`; nothing (silence)
// when `end` is at or before the music's start.
bool mix_up_to(int64_t end, Soundtrack* track, std::string* error);
