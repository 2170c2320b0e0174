// What the renderer's commands share: messages, help, the progress bar, and
// the options several of them take (--fps, --sound).
#include "args.h"
#include "commands.h"
#include "timeline.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

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
    std::fprintf(stderr, "%s[%s] %ld/%ld frames  %.2f frames/s  %s left%s", on_terminal ? "\r" : "",
                 bar, done, progress->total, rate, left, on_terminal ? " " : "\n");
    std::fflush(stderr);
}

void progress_finish(Progress* progress)
{
    // The loop's last update has printed the full bar; end its line.
    (void)progress;
    if (isatty(STDERR_FILENO)) std::fprintf(stderr, "\n");
}

std::string number_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool parse_fps(const ParsedArgs& args, double* fps, std::string* error)
{
    *fps = k_default_fps;
    if (!has_option(args, "fps")) return true;
    if (!parse_double(args.values.at("fps"), "--fps", fps, error)) return false;
    if (*fps < k_min_fps || *fps > k_max_fps) {
        *error = "--fps must be from " + number_text(k_min_fps) + " to " + number_text(k_max_fps);
        return false;
    }
    return true;
}

bool parse_beat(const ParsedArgs& args, const char* name, float* beat, std::string* error)
{
    const std::string option = std::string("--") + name;
    if (!parse_float(args.values.at(name), option.c_str(), beat, error)) return false;
    if (*beat < k_min_beat || *beat > k_max_beat) {
        *error = option + " must be from " + number_text(k_min_beat) + " to " +
                 number_text(k_max_beat) + " (the show ends past beat 528)";
        return false;
    }
    return true;
}

bool parse_sound(const ParsedArgs& args, long* sound, std::string* error)
{
    return parse_int(args.values.at("sound"), "--sound", 0, 32768, sound, error);
}

bool parse_command(int argc, char** argv, const std::vector<OptionSpec>& known, ParsedArgs* args,
                   std::string* error)
{
    if (!parse_args(argc, argv, 1, known, args, error)) return false;
    if (!args->positional.empty()) {
        *error = "unexpected argument '" + args->positional[0] + "'";
        return false;
    }
    return true;
}

bool require(const ParsedArgs& args, const char* name, std::string* error)
{
    if (has_option(args, name)) return true;
    *error = std::string("--") + name + " is required";
    return false;
}
