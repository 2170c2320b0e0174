// frame, show, preview and audio: the show as the window would show it, at
// chosen beats or at a fixed frame rate, and its soundtrack.
#include "args.h"
#include "beat_clock.h"
#include "commands.h"
#include "contact_sheet.h"
#include "encoder.h"
#include "output_file.h"
#include "render_gl.h"
#include "show.h"
#include "timeline.h"

#include <SDL.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

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

const char* const k_show_help =
    "usage: krelan-render show [--from B0] [--to B1] [--fps F] (--frames DIR | --video FILE)\n"
    "\n"
    "The show at a fixed frame rate: frame n shows the moment n / F after the\n"
    "music starts (beat clock at n * 1000 / F ms).\n"
    "  --from B0     first beat (default -0.5, the start of the music)\n"
    "  --to B1       last beat (default: to the show's end, past beat 528)\n"
    "  --fps F       frames per second (default 60)\n"
    "  --frames DIR  1920x1080 RGB PNGs DIR/frame-NNNNNN.png, NNNNNN the frame\n"
    "                number n counted from the music's start\n"
    "  --video FILE  a video through ffmpeg: H.264 (CRF 18, yuv420p) at F frames\n"
    "                per second with the soundtrack as AAC, in step with the\n"
    "                pictures; the container follows FILE's extension (.mp4, .mkv)\n"
    "A progress bar with frames, rate and time left goes to stderr.\n";

const char* const k_preview_help =
    "usage: krelan-render preview --out FILE.png [--every K]\n"
    "\n"
    "A contact sheet of the whole show: one 240x135 frame every K beats\n"
    "(default 8) from beat 0 to 528, 8 to a row, each labelled with its beat.\n"
    "Each is the show's frame at 60 frames per second at or just after that beat.\n";

const char* const k_audio_help =
    "usage: krelan-render audio --out FILE.wav\n"
    "\n"
    "The soundtrack as the show's mixer plays it (48 kHz, 16-bit stereo), from\n"
    "the start of the music to its end, as a WAV file.\n";

constexpr double k_default_fps = 60.0;
constexpr double k_max_fps = 1000.0;

bool parse_fps(const ParsedArgs& args, double* fps, std::string* error)
{
    *fps = k_default_fps;
    if (!has_option(args, "fps")) return true;
    if (!parse_double(args.values.at("fps"), "--fps", fps, error)) return false;
    if (*fps <= 0 || *fps > k_max_fps) {
        *error = "--fps must be above 0 and at most 1000";
        return false;
    }
    return true;
}

bool parse_sound(const ParsedArgs& args, long* sound, std::string* error)
{
    return parse_int(args.values.at("sound"), "--sound", 0, 32768, sound, error);
}

// Parses the common shape of a sub-command's arguments: no positional words.
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

// The soundtrack up to (not including) stereo frame `end`.
bool mix_up_to(int64_t end, Soundtrack* track, std::string* error)
{
    if (end <= 0) return true;  // nothing after the music's start: silence
    return mix_soundtrack(end, track, error);
}

bool open_show(std::string* error)
{
    if (!open_render_window(error)) return false;
    if (!load_show_resources()) {
        *error = "cannot prepare the show's GPU resources";
        return false;
    }
    return true;
}

std::string beat_label(float beat)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(beat));
    return text;
}

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
        !parse_float(args.values["beat"], "--beat", &beat, &error) ||
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
        if (!mix_up_to(beat_sample(beat) + 1, &track, &error)) return report(k_status_failed, error);
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

int command_show(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv,
                       {{"from", true}, {"to", true}, {"fps", true}, {"frames", true},
                        {"video", true}},
                       &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_show_help);
    float from = -0.5f, to = 0;
    double fps = 0;
    if ((has_option(args, "from") && !parse_float(args.values["from"], "--from", &from, &error)) ||
        (has_option(args, "to") && !parse_float(args.values["to"], "--to", &to, &error)) ||
        !parse_fps(args, &fps, &error))
        return report(k_status_usage, error);
    if (has_option(args, "frames") == has_option(args, "video"))
        return report(k_status_usage, "give either --frames DIR or --video FILE");

    const int64_t first = first_frame_at_or_after(from, fps);
    const int64_t last = has_option(args, "to")
                             ? first_frame_at_or_after(std::nextafter(to, 1e30f), fps) - 1
                             : show_last_frame(fps);
    if (last < first) return report(k_status_usage, "no frame lies between --from and --to");

    // Everything that can fail cheaply fails before the rendering starts.
    std::string ffmpeg, video_temp, audio_file, frames_dir;
    if (has_option(args, "video")) {
        ffmpeg = find_on_path("ffmpeg");
        if (ffmpeg.empty())
            return report(k_status_failed, "--video needs ffmpeg, and there is none on PATH");
        video_temp = reserve_output(args.values["video"], &error);
        if (video_temp.empty()) return report(k_status_failed, error);
        audio_file = make_scratch_file(".wav", &error);
        if (audio_file.empty()) return report(k_status_failed, error);
    } else {
        frames_dir = args.values["frames"];
        struct stat st;
        if (frames_dir.empty() ||
            (mkdir(frames_dir.c_str(), 0755) != 0 && errno != EEXIST) ||
            stat(frames_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return report(k_status_failed, "cannot make the frame folder '" + frames_dir + "'");
    }

    Soundtrack track;
    if (!mix_up_to(frame_sample(last + 1, fps), &track, &error))
        return report(k_status_failed, error);
    Encoder encoder;
    if (!ffmpeg.empty()) {
        // The sound of exactly the frames rendered, silence past the music's end.
        const int64_t begin = frame_sample(first, fps) * k_mix_channels;
        const int64_t end = frame_sample(last + 1, fps) * k_mix_channels;
        std::vector<int16_t> samples(static_cast<size_t>(end - begin), 0);
        for (int64_t i = begin; i < end && i < static_cast<int64_t>(track.samples.size()); ++i)
            samples[static_cast<size_t>(i - begin)] = track.samples[static_cast<size_t>(i)];
        if (!write_whole_file(audio_file, wav_bytes(samples.data(), samples.size()), &error))
            return report(k_status_failed, error);
    }
    if (!open_show(&error)) return report(k_status_failed, error);
    if (!ffmpeg.empty() && !start_encoder(ffmpeg, fps, audio_file, video_temp, &encoder, &error))
        return report(k_status_failed, error);

    ShowTimeline timeline;
    timeline.fps = fps;
    timeline.track = &track;
    Progress progress;
    progress_start(&progress, static_cast<long>(last - first + 1));
    for (int64_t n = first; n <= last; ++n) {
        draw_timeline_frame(&timeline, n);
        const Image frame = read_frame(3);
        if (!ffmpeg.empty()) {
            if (!feed_encoder(&encoder, frame.pixels, &error)) break;
        } else {
            char name[64];
            std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(n));
            const std::string path = frames_dir + name;
            const std::string temp = reserve_output(path, &error);
            if (temp.empty() || !commit_output_bytes(temp, path, png_bytes(frame), &error))
                break;
        }
        progress_update(&progress, static_cast<long>(n - first + 1));
    }
    if (!error.empty()) {
        progress_finish(&progress);  // end the bar's line before the message
        if (!ffmpeg.empty()) {
            std::string ignored;
            finish_encoder(&encoder, &ignored);
        }
        return report(k_status_failed, error);
    }
    progress_finish(&progress);
    if (!ffmpeg.empty()) {
        if (!finish_encoder(&encoder, &error) ||
            !commit_output(video_temp, args.values["video"], &error))
            return report(k_status_failed, error);
        remove_scratch_file(audio_file);
    }
    return k_status_ok;
}

int command_preview(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"out", true}, {"every", true}}, &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_preview_help);
    float every = 8;
    if (!require(args, "out", &error) ||
        (has_option(args, "every") && !parse_float(args.values["every"], "--every", &every, &error)))
        return report(k_status_usage, error);
    if (!(every >= 0.25f)) return report(k_status_usage, "--every must be at least 0.25 beats");

    constexpr int k_factor = 8;  // 1920x1080 -> 240x135
    constexpr int k_per_row = 8;
    constexpr int k_tile_w = 1920 / k_factor, k_tile_h = 1080 / k_factor;
    std::vector<float> beats;
    for (int i = 0; i * every <= k_end_beat; ++i) beats.push_back(i * every);

    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);
    std::vector<int64_t> frames;
    for (float b : beats) frames.push_back(first_frame_at_or_after(b, k_default_fps));
    Soundtrack track;
    if (!mix_up_to(frame_sample(frames.back() + 1, k_default_fps), &track, &error) ||
        !open_show(&error))
        return report(k_status_failed, error);

    Image sheet;
    sheet.width = k_tile_w * k_per_row;
    sheet.height = k_tile_h * static_cast<int>((beats.size() + k_per_row - 1) / k_per_row);
    sheet.channels = 3;
    sheet.pixels.assign(size_t(sheet.width) * sheet.height * 3, 0);
    ShowTimeline timeline;
    timeline.fps = k_default_fps;
    timeline.track = &track;
    Progress progress;
    progress_start(&progress, static_cast<long>(beats.size()));
    for (size_t i = 0; i < beats.size(); ++i) {
        draw_timeline_frame(&timeline, frames[i]);
        Image tile = shrink(read_frame(3), k_factor);
        draw_label(&tile, beat_label(beats[i]), 2);
        place_tile(&sheet, tile, static_cast<int>(i % k_per_row) * k_tile_w,
                   static_cast<int>(i / k_per_row) * k_tile_h);
        progress_update(&progress, static_cast<long>(i + 1));
    }
    progress_finish(&progress);
    if (!commit_output_bytes(temp, out, png_bytes(sheet), &error))
        return report(k_status_failed, error);
    std::fprintf(stderr, "krelan-render: contact sheet written to %s\n", out.c_str());
    return k_status_ok;
}

int command_audio(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"out", true}}, &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_audio_help);
    if (!require(args, "out", &error)) return report(k_status_usage, error);
    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);
    Soundtrack track;
    if (!mix_soundtrack(-1, &track, &error)) return report(k_status_failed, error);
    if (!commit_output_bytes(temp, out, wav_bytes(track.samples.data(), track.samples.size()),
                             &error))
        return report(k_status_failed, error);
    return k_status_ok;
}
