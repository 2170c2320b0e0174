// frame: the frame the show draws at a beat, as the window would show it.
#include "args.h"
#include "commands.h"
#include "output_file.h"
#include "render_gl.h"
#include "timeline.h"

namespace {

const char* const k_frame_help =
    "usage: krelan-render frame --beat B [--sound S] [--fps F] --out FILE.png\n"
    "\n"
    "The frame the show draws at beat B, as the window shows it: a 1920x1080\n"
    "8-bit RGB PNG.\n"
    "  --beat B     music time in beats (the show runs from -0.5 to past 528)\n"
    "  --sound S    the sound level, 0..32768; by default the level the\n"
    "               soundtrack has at that moment, as the show's meter reads it\n"
    "  --fps F      frame rate of the show the post chain follows (default 60):\n"
    "               in the post chain (beats 448-512) the automaton is run from\n"
    "               beat 448 one generation per frame, as at that frame rate\n"
    "  --out FILE   the PNG to write\n";

}  // namespace

int command_frame(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"beat", true}, {"sound", true}, {"fps", true}, {"out", true}},
                       &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_frame_help);
    float beat = 0;
    long sound = 0;
    double fps = 0;
    if (!require(args, "beat", &error) || !require(args, "out", &error) ||
        !parse_beat(args, "beat", &beat, &error) ||
        (has_option(args, "sound") && !parse_sound(args, &sound, &error)) ||
        !parse_fps(args, &fps, &error))
        return report(k_status_usage, error);

    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);

    Soundtrack track;
    ShowTimeline timeline;
    timeline.fps = fps;
    timeline.fixed_sound = static_cast<int32_t>(sound);
    if (!has_option(args, "sound")) {
        if (!mix_up_to(beat_sample(beat) + 1, &track, &error))
            return report(k_status_failed, error);
        timeline.track = &track;
        sound = soundtrack_level(track, beat_sample(beat));
    }
    if (!open_show(&error)) return report(k_status_failed, error);
    draw_beat_frame(&timeline, beat, static_cast<int32_t>(sound));
    const Image frame = read_frame(3);
    if (!commit_output_bytes(temp, out, png_bytes(frame), &error))
        return report(k_status_failed, error);
    return k_status_ok;
}
