#include "show_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char* const k_usage =
    "usage: krelan-demo [--fullscreen] [--window WxH] [--from BEAT] [--no-wait]\n"
    "                   [--av-offset MS] [--calibrate]\n"
    "       krelan-demo --help | --version\n"
    "\n"
    "  --fullscreen   start in desktop fullscreen at the monitor's resolution\n"
    "                 (F11 or Alt+Enter switch between window and fullscreen)\n"
    "  --window WxH   the window's size (default 1920x1080; 64 to 16384 a side);\n"
    "                 any size other than 1920x1080 shows the frame scaled to fit\n"
    "  --from BEAT    start the show at BEAT (0 to 528), the music with it\n"
    "  --no-wait      skip the 10 s black start\n"
    "  --av-offset MS show the picture MS milliseconds later than the sound\n"
    "                 (-500 to 500, default 0; negative shows it earlier), for\n"
    "                 speakers, TVs or headsets that add a delay of their own\n"
    "  --calibrate    a white flash and a click on every beat to find that\n"
    "                 offset: the arrow keys move it 5 ms, it is printed at exit\n"
    "  --help         print this text\n"
    "  --version      print the version\n"
    "\n"
    "Keys: Escape quits, p prints the sample and the beat, s skips 10 s ahead,\n"
    "F11 and Alt+Enter toggle fullscreen; with --calibrate the arrow keys move\n"
    "the offset by 5 ms (Right and Up show the picture later).\n"
    "Exit status: 0 at the end of the show, 1 when SDL cannot start, 2 for a bad\n"
    "option or a failed start-up, 255 when the audio device cannot be opened.\n";

bool parse_side(const char* begin, const char* end, int* side)
{
    if (begin == end || end - begin > 5) return false;
    int value = 0;
    for (const char* c = begin; c != end; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
    }
    if (value < k_min_window_side || value > k_max_window_side) return false;
    *side = value;
    return true;
}

// The value of an option that takes one: after '=' in the same argument, or
// the next argument. False when there is none.
bool take_value(int argc, const char* const* argv, int* i, const char* inline_value,
                std::string* value)
{
    if (inline_value) {
        *value = inline_value;
        return true;
    }
    if (*i + 1 >= argc) return false;
    *value = argv[++*i];
    return true;
}

ShowOptions refuse(const std::string& error)
{
    ShowOptions bad;
    bad.action = OPTIONS_BAD;
    bad.error = error;
    return bad;
}

}  // namespace

bool parse_window_size(const std::string& text, int* width, int* height)
{
    const char* s = text.c_str();
    const char* x = std::strchr(s, 'x');
    if (!x) return false;
    int w = 0, h = 0;
    if (!parse_side(s, x, &w) || !parse_side(x + 1, s + text.size(), &h)) return false;
    *width = w;
    *height = h;
    return true;
}

bool parse_from_beat(const std::string& text, float* beat)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) return false;
    if (value < k_min_from_beat || value > k_max_from_beat) return false;
    *beat = static_cast<float>(value);
    return true;
}

bool parse_av_offset(const std::string& text, int* ms)
{
    const size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (text.size() <= digits || text.size() > digits + 6) return false;
    int value = 0;
    for (size_t i = digits; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    if (value < k_min_av_offset_ms || value > k_max_av_offset_ms) return false;
    *ms = value;
    return true;
}

ShowOptions parse_show_options(int argc, const char* const* argv)
{
    ShowOptions options;
    bool help = false, version = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        const char* inline_value = nullptr;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inline_value = argv[i] + equals + 1;
            name.resize(equals);
        }
        const bool takes_value = name == "--window" || name == "--from" || name == "--av-offset";
        if (inline_value && !takes_value) return refuse(name + " takes no value");
        std::string value;
        if (takes_value && !take_value(argc, argv, &i, inline_value, &value))
            return refuse(name + " needs a value");

        if (name == "--fullscreen") {
            options.fullscreen = true;
        } else if (name == "--no-wait") {
            options.no_wait = true;
        } else if (name == "--calibrate") {
            options.calibrate = true;
        } else if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (name == "--window") {
            if (!parse_window_size(value, &options.window_width, &options.window_height))
                return refuse(
                    "--window takes WxH, each side a whole number from 64 to 16384, "
                    "not '" +
                    value + "'");
        } else if (name == "--from") {
            if (!parse_from_beat(value, &options.from_beat))
                return refuse("--from takes a beat from 0 to 528, not '" + value + "'");
            options.start_from = true;
        } else if (name == "--av-offset") {
            if (!parse_av_offset(value, &options.av_offset_ms))
                return refuse("--av-offset takes whole milliseconds from -500 to 500, not '" +
                              value + "'");
        } else {
            return refuse("unknown option '" + std::string(argv[i]) + "'");
        }
    }
    if (help)
        options.action = OPTIONS_HELP;
    else if (version)
        options.action = OPTIONS_VERSION;
    return options;
}

const char* show_usage() { return k_usage; }
