#include "show_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A number of the limits as the texts show it: 528, not 528.000000.
std::string number_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// "64 to 16384", "0 to 528", "0 to 63": the ranges the usage and the errors name.
std::string range_text(double low, double high)
{
    return number_text(low) + " to " + number_text(high);
}

std::string window_side_range() { return range_text(k_min_window_side, k_max_window_side); }
std::string from_beat_range() { return range_text(k_min_from_beat, k_max_from_beat); }
std::string display_range() { return range_text(0, k_max_display); }
std::string av_offset_range() { return range_text(k_min_av_offset_ms, k_max_av_offset_ms); }

std::string usage_text()
{
    return "usage: krelan-demo [--fullscreen] [--window WxH] [--display N] [--vsync MODE]\n"
           "                   [--from BEAT] [--no-wait] [--av-offset MS] [--calibrate]\n"
           "                   [--live [DIR]]\n"
           "       krelan-demo --help | --version\n"
           "\n"
           "  --fullscreen   start in desktop fullscreen at the monitor's resolution\n"
           "                 (F11 or Alt+Enter switch between window and fullscreen)\n"
           "  --window WxH   the window's size (default 1920x1080; " +
           window_side_range() +
           " a side);\n"
           "                 any size other than 1920x1080 shows the frame scaled to fit\n"
           "  --display N    open on monitor N (" +
           display_range() +
           "); the first when there is no\n"
           "                 monitor N\n"
           "  --vsync MODE   on, off or adaptive (a late frame is shown at once; on where\n"
           "                 the driver refuses it); default: the driver's own setting\n"
           "  --from BEAT    start the show at BEAT (" +
           from_beat_range() +
           "), the music with it\n"
           "  --no-wait      skip the 10 s black start\n"
           "  --av-offset MS show the picture MS milliseconds later than the sound\n"
           "                 (" +
           av_offset_range() +
           ", default 0; negative shows it earlier), for\n"
           "                 speakers, TVs or headsets that add a delay of their own\n"
           "  --calibrate    a white flash and a click on every beat to find that\n"
           "                 offset: the arrow keys move it 5 ms, it is printed at exit\n"
           "  --live [DIR]   read the shaders and the schedule from DIR (default: the\n"
           "                 source tree's shaders/) and again whenever one is saved;\n"
           "                 timeline keys and an on-screen display (see below)\n"
           "  --help         print this text\n"
           "  --version      print the version\n"
           "\n"
           "Keys: Escape quits, p prints the sample and the beat, s skips 10 s ahead,\n"
           "F11 and Alt+Enter toggle fullscreen; with --calibrate the arrow keys move\n"
           "the offset by 5 ms (Right and Up show the picture later). With --live also:\n"
           "Space pause, Left and Right a bar (with Shift a beat), Page Up and Page Down\n"
           "a scene, Home the start, [ and ] the loop's start and end, l loop on or off,\n"
           "o the display, r reload.\n"
           "Exit status: 0 at the end of the show, 1 when SDL cannot start, 2 for a bad\n"
           "option or a failed start-up, 255 when the audio device cannot be opened.\n";
}

// A whole number of at most `max_digits` digits, no sign, no spaces.
bool parse_digits(const char* begin, const char* end, int max_digits, int* value)
{
    if (begin == end || end - begin > max_digits) return false;
    int v = 0;
    for (const char* c = begin; c != end; ++c) {
        if (*c < '0' || *c > '9') return false;
        v = v * 10 + (*c - '0');
    }
    *value = v;
    return true;
}

bool parse_side(const char* begin, const char* end, int* side)
{
    int value = 0;
    if (!parse_digits(begin, end, 5, &value)) return false;
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

// A value as the message quotes it: at most 40 characters, so a huge
// argument does not bury the reason.
std::string quoted(const std::string& value)
{
    constexpr size_t k_shown = 40;
    if (value.size() <= k_shown) return "'" + value + "'";
    return "'" + value.substr(0, k_shown) + "...' (" + std::to_string(value.size()) +
           " characters)";
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
    // Digits with at most one point among them, at least one digit: what
    // strtod reads then is the plain decimal the usage asks for.
    size_t digits = 0, points = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else
            return false;
    }
    if (digits == 0 || points > 1) return false;
    // A long run of digits may overflow to infinity or underflow toward 0;
    // both land where the range check puts them.
    const double value = std::strtod(text.c_str(), nullptr);
    if (!(value >= k_min_from_beat && value <= k_max_from_beat)) return false;
    *beat = static_cast<float>(value);
    return true;
}

bool parse_av_offset(const std::string& text, int* ms)
{
    const bool negative = !text.empty() && text[0] == '-';
    const size_t sign = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    int value = 0;
    const char* s = text.c_str();
    if (!parse_digits(s + sign, s + text.size(), 6, &value)) return false;
    if (negative) value = -value;
    if (value < k_min_av_offset_ms || value > k_max_av_offset_ms) return false;
    *ms = value;
    return true;
}

bool parse_vsync_mode(const std::string& text, VsyncMode* mode)
{
    if (text == "on")
        *mode = VSYNC_ON;
    else if (text == "off")
        *mode = VSYNC_OFF;
    else if (text == "adaptive")
        *mode = VSYNC_ADAPTIVE;
    else
        return false;
    return true;
}

bool parse_display_index(const std::string& text, int* display)
{
    int value = 0;
    const char* s = text.c_str();
    if (!parse_digits(s, s + text.size(), 2, &value) || value > k_max_display) return false;
    *display = value;
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
        const bool takes_value = name == "--window" || name == "--from" || name == "--vsync" ||
                                 name == "--display" || name == "--av-offset";
        if (inline_value && !takes_value && name != "--live")
            return refuse(quoted(name) + " takes no value");
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
                return refuse("--window takes WxH, each side a whole number from " +
                              window_side_range() + ", not " + quoted(value));
        } else if (name == "--from") {
            if (!parse_from_beat(value, &options.from_beat))
                return refuse("--from takes a plain decimal beat from " + from_beat_range() +
                              ", not " + quoted(value));
            options.start_from = true;
        } else if (name == "--vsync") {
            if (!parse_vsync_mode(value, &options.vsync))
                return refuse("--vsync takes on, off or adaptive, not " + quoted(value));
        } else if (name == "--live") {
            // The folder is optional: --live=DIR, or --live DIR when the next
            // argument is not an option.
            options.live = true;
            if (inline_value)
                options.live_folder = inline_value;
            else if (i + 1 < argc && argv[i + 1][0] != '-')
                options.live_folder = argv[++i];
            if (inline_value && options.live_folder.empty())
                return refuse("--live= needs a folder (or write --live alone)");
        } else if (name == "--display") {
            if (!parse_display_index(value, &options.display))
                return refuse("--display takes a monitor number from " + display_range() +
                              ", not " + quoted(value));
            options.on_display = true;
        } else if (name == "--av-offset") {
            if (!parse_av_offset(value, &options.av_offset_ms))
                return refuse("--av-offset takes whole milliseconds from " + av_offset_range() +
                              ", not " + quoted(value));
        } else {
            return refuse("unknown option " + quoted(argv[i]));
        }
    }
    if (help)
        options.action = OPTIONS_HELP;
    else if (version)
        options.action = OPTIONS_VERSION;
    return options;
}

const char* show_usage()
{
    static const std::string usage = usage_text();
    return usage.c_str();
}
