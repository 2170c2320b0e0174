// The sub-commands of krelan-render. Each parses its own arguments (argv[0]
// is the sub-command's name) and returns the process exit status.
#pragma once

#include <string>

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
