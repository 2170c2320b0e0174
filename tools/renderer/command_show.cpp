// show: the show at a fixed frame rate, as numbered PNGs or a video with
// its soundtrack.
#include "args.h"
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
    "                pictures; the container follows FILE's extension (.mp4, .mkv).\n"
    "                FILE is replaced only once ffprobe finds every frame in the new one\n"
    "A progress bar with frames, rate and time left goes to stderr.\n";

// What a capture writes to, prepared before any frame is drawn so that
// everything that can fail cheaply fails first.
struct Capture {
    std::string frames_dir;  // numbered PNGs, or
    std::string video;       // a video through ffmpeg
    std::string ffmpeg, ffprobe, video_temp, audio_file;
    int64_t frames = 0;  // frames fed to the encoder
    Encoder encoder;
};

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
    return !c->audio_file.empty();
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

// Closes the video, or abandons it after a failure.
bool finish_capture(Capture* c, bool rendered, std::string* error)
{
    if (c->video.empty()) return rendered;
    if (!rendered) {
        std::string ignored;
        finish_encoder(&c->encoder, &ignored);
        return false;
    }
    // ffmpeg's status alone is not trusted: the video must play before it
    // replaces anything.
    if (!finish_encoder(&c->encoder, error) ||
        !check_video(c->ffprobe, c->video_temp, c->frames, error) ||
        !commit_output(c->video_temp, c->video, error))
        return false;
    remove_scratch_file(c->audio_file);
    return true;
}

}  // namespace

int command_show(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(
            argc, argv,
            {{"from", true}, {"to", true}, {"fps", true}, {"frames", true}, {"video", true}}, &args,
            &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_show_help);
    float from = -0.5f, to = 0;
    double fps = 0;
    if ((has_option(args, "from") && !parse_beat(args, "from", &from, &error)) ||
        (has_option(args, "to") && !parse_beat(args, "to", &to, &error)) ||
        !parse_fps(args, &fps, &error))
        return report(k_status_usage, error);
    if (has_option(args, "frames") == has_option(args, "video"))
        return report(k_status_usage, "give either --frames DIR or --video FILE");

    const FrameRange range = frames_between(from, has_option(args, "to") ? &to : nullptr, fps);
    const int64_t first = range.first, last = range.last;
    if (last < first) return report(k_status_usage, "no frame lies between --from and --to");

    Capture capture;
    Soundtrack track;
    if (!prepare_capture(args, &capture, &error) ||
        !mix_up_to(frame_sample(last + 1, fps), &track, &error) ||
        (!capture.video.empty() &&
         !write_capture_audio(capture, track, first, last, fps, &error)) ||
        !open_show(&error) ||
        (!capture.video.empty() && !start_encoder(capture.ffmpeg, fps, capture.audio_file,
                                                  capture.video_temp, &capture.encoder, &error)))
        return report(k_status_failed, error);
    const bool rendered = capture_frames(&capture, track, first, last, fps, &error);
    if (!finish_capture(&capture, rendered, &error)) return report(k_status_failed, error);
    return k_status_ok;
}
