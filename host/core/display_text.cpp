#include "display_text.h"

#include "beat_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* pattern, ...)
{
    char text[160];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// The music's time at a beat, as m:ss.t.
std::string music_time(float beat)
{
    const double seconds = std::max(0.0, ms_at_beat(beat) / 1000.0);
    const int minutes = static_cast<int>(seconds / 60.0);
    return format("%d:%04.1f", minutes, seconds - 60.0 * minutes);
}

std::string scene_line(const Schedule& schedule, float beat)
{
    const Scene* scene = scene_at(schedule, beat);
    const std::string title = scene ? scene->title : "(no scene: black)";
    return recap_at(schedule, beat) ? "recap: " + title : title;
}

std::string loop_line(const TimelineLoop& loop)
{
    const std::string start = loop.has_start ? format("%.2f", double(loop.start)) : "?";
    const std::string end = loop.has_end ? format("%.2f", double(loop.end)) : "?";
    const char* state = loop_active(loop) ? "on" : loop.on ? "on, but [ is not before ]" : "off";
    return "loop " + start + " - " + end + " " + state;
}

}  // namespace

std::string bar_and_beat(float beat)
{
    const long whole = static_cast<long>(std::floor(beat));
    const long bar = static_cast<long>(std::floor(whole / double(k_beats_per_bar)));
    return format("%ld.%ld", bar + 1, whole - bar * long(k_beats_per_bar) + 1);
}

std::vector<std::string> display_lines(const Schedule& schedule, const DisplayFacts& facts)
{
    std::vector<std::string> lines;
    lines.push_back(format("beat %.2f  bar %s  %s", double(facts.beat),
                           bar_and_beat(facts.beat).c_str(), music_time(facts.beat).c_str()));
    lines.push_back(scene_line(schedule, facts.beat));
    const double fps = facts.frame_ms > 0 ? 1000.0 / facts.frame_ms : 0.0;
    lines.push_back(format("%.1f ms  %.1f fps  level %d", facts.frame_ms, fps, int(facts.level)));
    if (facts.loop.has_start || facts.loop.has_end || facts.loop.on)
        lines.push_back(loop_line(facts.loop));
    if (facts.paused) lines.push_back("paused");
    return lines;
}

void add_frame_time(FrameTimes* times, double ms)
{
    times->ms[times->next] = ms;
    times->next = (times->next + 1) % FrameTimes::k_frames;
    if (times->count < FrameTimes::k_frames) ++times->count;
}

double mean_frame_ms(const FrameTimes& times)
{
    if (times.count == 0) return 0;
    double sum = 0;
    for (int i = 0; i < times.count; ++i) sum += times.ms[i];
    return sum / times.count;
}
