// show: the show at a fixed frame rate, as numbered PNGs or a video with
// its soundtrack.
#include "args.h"
#include "child_process.h"
#include "commands.h"
#include "encoder.h"
#include "output_file.h"
#include "render_gl.h"
#include "timeline.h"
#include "video_check.h"
#include "wav.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

const char* const k_show_help =
    "usage: krelan-render show [--from B0] [--to B1] [--fps F]\n"
    "                          (--frames DIR | --video FILE [--preset NAME])\n"
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
    "                pictures; the container follows FILE's extension (.mp4, .mkv).\n"
    "                FILE is replaced only once ffprobe finds every frame in the new one\n"
    "  --preset NAME the video as a party's rules ask for it (--fps still overrides\n"
    "                the frame rate), 1920x1080, yuv420p, AAC at 48 kHz:\n"
    "                party-30  30 fps, H.264 Main, level 4.1, two passes at 8 Mb/s\n"
    "                          (every frame is drawn twice), AAC 192 kb/s\n"
    "                party-60  60 fps, H.264 High, CRF 16, AAC 320 kb/s\n"
    "A progress bar with frames, rate and time left goes to stderr.\n";

// What a capture writes to, prepared before any frame is drawn so that
// everything that can fail cheaply fails first.
struct Capture {
    std::string frames_dir;  // numbered PNGs, or
    std::string video;       // a video through ffmpeg
    const VideoSettings* settings = &k_default_video;
    std::string ffmpeg, ffprobe, video_temp, audio_file;
    std::string passlog;  // x264's statistics between two passes
    int64_t frames = 0;   // frames fed to the encoder in this pass
    Encoder encoder;
};

// x264 writes its statistics beside the prefix ffmpeg gives it (for the
// first output stream), under a temporary name first.
const char* const k_passlog_files[] = {"-0.log", "-0.log.mbtree", "-0.log.temp",
                                       "-0.log.mbtree.temp"};

// A scratch name for the pass log, and the files x264 makes from it, all
// removed at exit.
bool prepare_passlog(Capture* c, std::string* error)
{
    c->passlog = make_scratch_file(".passlog", error);
    if (c->passlog.empty()) return false;
    for (const char* suffix : k_passlog_files)
        if (!track_scratch_file(c->passlog + suffix, error)) return false;
    return true;
}

void remove_passlog(const Capture& c)
{
    if (c.passlog.empty()) return;
    for (const char* suffix : k_passlog_files) remove_scratch_file(c.passlog + suffix);
    remove_scratch_file(c.passlog);
}

bool prepare_capture(const ParsedArgs& args, Capture* c, std::string* error)
{
    if (!has_option(args, "video")) {
        c->frames_dir = args.values.at("frames");
        std::error_code ignored;
        if (!c->frames_dir.empty()) std::filesystem::create_directory(c->frames_dir, ignored);
        if (c->frames_dir.empty() || !std::filesystem::is_directory(c->frames_dir, ignored)) {
            *error = "cannot make the frame folder '" + c->frames_dir + "'";
            return false;
        }
        return true;
    }
    c->video = args.values.at("video");
    c->ffmpeg = find_on_path("ffmpeg");
    c->ffprobe = find_on_path("ffprobe");
    if (c->ffmpeg.empty() || c->ffprobe.empty()) {
        *error = "--video needs ffmpeg and ffprobe, and " +
                 std::string(c->ffmpeg.empty() ? "ffmpeg" : "ffprobe") + " is not on PATH";
        return false;
    }
    c->video_temp = reserve_output(c->video, error);
    if (c->video_temp.empty()) return false;
    c->audio_file = make_scratch_file(".wav", error);
    if (c->audio_file.empty()) return false;
    return !c->settings->video_kbps || prepare_passlog(c, error);
}

// The sound of exactly frames [first, last], silence past the music's end,
// as the video's audio input.
bool write_capture_audio(const Capture& c, const Soundtrack& track, int64_t first, int64_t last,
                         double fps, std::string* error)
{
    const int64_t begin = frame_sample(first, fps) * k_mix_channels;
    const int64_t end = frame_sample(last + 1, fps) * k_mix_channels;
    std::vector<int16_t> samples(static_cast<size_t>(end - begin), 0);
    for (int64_t i = begin; i < end && i < static_cast<int64_t>(track.samples.size()); ++i)
        samples[static_cast<size_t>(i - begin)] = track.samples[static_cast<size_t>(i)];
    return write_whole_file(
        c.audio_file, wav_bytes(samples.data(), samples.size(), k_mix_rate, k_mix_channels), error);
}

bool write_capture_frame(Capture* c, int64_t n, const Image& frame, std::string* error)
{
    if (!c->video.empty()) {
        ++c->frames;
        return feed_encoder(&c->encoder, frame.pixels, error);
    }
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(n));
    const std::string path = (std::filesystem::path(c->frames_dir) / name).string();
    const std::string temp = reserve_output(path, error);
    return !temp.empty() && commit_output_bytes(temp, path, png_bytes(frame), error);
}

// Draws frames [first, last] into the capture; false with a message.
bool capture_frames(Capture* c, const Soundtrack& track, int64_t first, int64_t last, double fps,
                    std::string* error)
{
    ShowTimeline timeline;
    timeline.fps = fps;
    timeline.track = &track;
    Progress progress;
    progress_start(&progress, static_cast<long>(last - first + 1));
    bool ok = true;
    for (int64_t n = first; ok && n <= last; ++n) {
        draw_timeline_frame(&timeline, n);
        ok = write_capture_frame(c, n, read_frame(3), error);
        if (ok) progress_update(&progress, static_cast<long>(n - first + 1));
    }
    progress_finish(&progress);  // ends the bar's line before any message
    return ok;
}

// The frames through ffmpeg, once or (two-pass settings) twice: the first
// pass gives x264 its statistics, the second draws the same frames again
// and writes the video. Then the video replaces FILE.
bool capture_video(Capture* c, const Soundtrack& track, int64_t first, int64_t last, double fps,
                   std::string* error)
{
    const int passes = c->settings->video_kbps ? 2 : 1;
    for (int pass = 1; pass <= passes; ++pass) {
        EncodeRun run;
        run.settings = c->settings;
        run.fps = fps;
        run.pass = passes == 1 ? 0 : pass;
        run.passlog = c->passlog;
        run.audio = c->audio_file;
        run.out = c->video_temp;
        if (passes > 1) std::fprintf(stderr, "krelan-render: pass %d of %d\n", pass, passes);
        if (!start_encoder(c->ffmpeg, run, &c->encoder, error)) return false;
        c->frames = 0;
        if (!capture_frames(c, track, first, last, fps, error)) {
            abandon_encoder(&c->encoder);
            return false;
        }
        if (!finish_encoder(&c->encoder, error)) return false;
    }
    // ffmpeg's status alone is not trusted: the video must play before it
    // replaces anything.
    if (!check_video(c->ffprobe, c->video_temp, c->frames, error) ||
        !commit_output(c->video_temp, c->video, error))
        return false;
    remove_scratch_file(c->audio_file);
    remove_passlog(*c);
    return true;
}

// --preset NAME (video only): its settings; the default encoding without it.
bool parse_preset(const ParsedArgs& args, const VideoSettings** settings, std::string* error)
{
    if (!has_option(args, "preset")) return true;
    const std::string name = args.values.at("preset");
    *settings = find_video_preset(name);
    if (!*settings) {
        *error = "--preset takes";
        for (size_t i = 0; i < k_video_preset_count; ++i)
            *error += std::string(i ? " or " : " ") + k_video_presets[i].name;
        *error += ", not '" + name.substr(0, 40) + "'";
        return false;
    }
    if (!has_option(args, "video")) {
        *error = "--preset sets how a video is encoded: it needs --video FILE";
        return false;
    }
    return true;
}

}  // namespace

int command_show(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv,
                       {{"from", true},
                        {"to", true},
                        {"fps", true},
                        {"frames", true},
                        {"video", true},
                        {"preset", true}},
                       &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_show_help);
    float from = -0.5f, to = 0;
    double fps = 0;
    Capture capture;
    if ((has_option(args, "from") && !parse_beat(args, "from", &from, &error)) ||
        (has_option(args, "to") && !parse_beat(args, "to", &to, &error)) ||
        !parse_fps(args, &fps, &error) || !parse_preset(args, &capture.settings, &error))
        return report(k_status_usage, error);
    if (has_option(args, "frames") == has_option(args, "video"))
        return report(k_status_usage, "give either --frames DIR or --video FILE");
    if (!has_option(args, "fps")) fps = capture.settings->fps;
    if (!level_holds(*capture.settings, fps))
        std::fprintf(stderr,
                     "krelan-render: level %s does not hold 1920x1080 at %s fps; x264 chooses "
                     "the level\n",
                     capture.settings->level, number_text(fps).c_str());

    const FrameRange range = frames_between(from, has_option(args, "to") ? &to : nullptr, fps);
    const int64_t first = range.first, last = range.last;
    if (last < first) return report(k_status_usage, "no frame lies between --from and --to");

    Soundtrack track;
    if (!prepare_capture(args, &capture, &error) ||
        !mix_up_to(frame_sample(last + 1, fps), &track, &error) ||
        (!capture.video.empty() &&
         !write_capture_audio(capture, track, first, last, fps, &error)) ||
        !open_show(&error))
        return report(k_status_failed, error);
    const bool captured = capture.video.empty()
                              ? capture_frames(&capture, track, first, last, fps, &error)
                              : capture_video(&capture, track, first, last, fps, &error);
    return captured ? k_status_ok : report(k_status_failed, error);
}
