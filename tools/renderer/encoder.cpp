#include "encoder.h"

#include "child_process.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

// The default encoding and the presets. Level 4.1 (Main): at most 245,760
// macroblocks a second, so 1920x1080 (8160 macroblocks) up to 30 fps, and
// 50,000 kb/s from a 62,500 kbit buffer, which x264 keeps to (VBV).
// clang-format off
//                                      name        fps profile level  mb/s    max kb/s buffer crf kb/s  audio
const VideoSettings k_default_video =   {"",         60, "",     "",    0,      0,       0,     18, 0,    192};
const VideoSettings k_video_presets[] = {{"party-30", 30, "main", "4.1", 245760, 50000,   62500, 0,  8000, 192},
                                         {"party-60", 60, "high", "",    0,      0,       0,     16, 0,    320}};
// clang-format on
const size_t k_video_preset_count = sizeof k_video_presets / sizeof k_video_presets[0];

namespace {

// A frame of the show in H.264 macroblocks (16x16 pixels, 1080 rounds up to 1088).
constexpr double k_frame_macroblocks = (1920 / 16) * (1088 / 16);

// How long ffmpeg may take none of a frame before it is taken to hang.
constexpr int k_stall_ms = 30000;

std::string rate_text(double fps)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", fps);
    return text;
}

std::string kbps(int value) { return std::to_string(value) + "k"; }

}  // namespace

const VideoSettings* find_video_preset(const std::string& name)
{
    for (const VideoSettings& preset : k_video_presets)
        if (name == preset.name) return &preset;
    return nullptr;
}

bool level_holds(const VideoSettings& settings, double fps)
{
    return !*settings.level || k_frame_macroblocks * fps <= settings.level_mb_rate;
}

std::string media_path(const std::string& path)
{
    // Through UTF-8 both ways: on Windows a path's native text is UTF-16, and
    // the helpers' command lines are made from UTF-8.
    std::error_code failed;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::u8path(path), failed);
    return failed ? "file:" + path : absolute.u8string();
}

std::vector<std::string> encoder_args(const std::string& ffmpeg, const EncodeRun& run)
{
    const VideoSettings& s = *run.settings;
    const std::string rate = rate_text(run.fps);
    // One line per group of ffmpeg options.
    // clang-format off
    std::vector<std::string> args = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", "1920x1080", "-framerate", rate,
        "-i", "pipe:0"};
    if (run.pass != 1) args.insert(args.end(), {"-i", media_path(run.audio)});
    args.insert(args.end(), {"-map", "0:v:0", "-c:v", "libx264", "-preset", "medium"});
    // clang-format on
    if (*s.profile) args.insert(args.end(), {"-profile:v", s.profile});
    // A level that a higher --fps would break is left to x264 to choose.
    if (*s.level && level_holds(s, run.fps)) {
        args.insert(args.end(), {"-level:v", s.level});
        if (s.max_kbps)
            args.insert(args.end(),
                        {"-maxrate", kbps(s.max_kbps), "-bufsize", kbps(s.buffer_kbit)});
    }
    if (s.video_kbps)
        args.insert(args.end(), {"-b:v", kbps(s.video_kbps), "-pass", std::to_string(run.pass),
                                 "-passlogfile", media_path(run.passlog)});
    else
        args.insert(args.end(), {"-crf", std::to_string(s.crf)});
    args.insert(args.end(), {"-pix_fmt", "yuv420p", "-r", rate});
    if (run.pass == 1) {
        // The first pass only measures: no audio, no file.
        args.insert(args.end(), {"-an", "-f", "null", "-"});
        return args;
    }
    // clang-format off
    args.insert(args.end(), {
        "-map", "1:a:0", "-c:a", "aac", "-b:a", kbps(s.audio_kbps), "-ar", "48000",
        "-map_metadata", "-1", "-fflags", "+bitexact", "-flags:v", "+bitexact",
        "-flags:a", "+bitexact", media_path(run.out)});
    // clang-format on
    return args;
}

bool start_encoder(const std::string& ffmpeg, const EncodeRun& run, Encoder* encoder,
                   std::string* error)
{
    // ffmpeg reads the frames from its standard input.
    pid_t pid = -1;
    int frames_fd = -1;
    const int failure = spawn_piped(encoder_args(ffmpeg, run), STDIN_FILENO, &pid, &frames_fd);
    if (failure != 0) {
        *error = "cannot run " + ffmpeg + ": " + std::strerror(failure);
        return false;
    }
    encoder->program = ffmpeg;
    encoder->pid = pid;
    encoder->fd = frames_fd;
    return true;
}

bool feed_encoder(Encoder* encoder, const std::vector<unsigned char>& rgb, std::string* error)
{
    switch (write_to_child(encoder->fd, rgb.data(), rgb.size(), k_stall_ms)) {
    case CHILD_WRITE_DONE: return true;
    case CHILD_WRITE_CLOSED: *error = encoder->program + " stopped reading frames"; return false;
    case CHILD_WRITE_STALLED:
        *error = encoder->program + " took no frame data for " + std::to_string(k_stall_ms / 1000) +
                 " s and seems to hang; it was stopped";
        return false;
    }
    return false;
}

bool finish_encoder(Encoder* encoder, std::string* error)
{
    if (encoder->fd >= 0) close(encoder->fd);
    encoder->fd = -1;
    const int status = wait_exit_status(encoder->pid);
    encoder->pid = -1;
    if (status != 0) {
        *error = encoder->program + " failed to encode the video";
        return false;
    }
    return true;
}

void abandon_encoder(Encoder* encoder)
{
    if (encoder->fd >= 0) close(encoder->fd);
    encoder->fd = -1;
    if (encoder->pid > 0) end_child(encoder->pid);
    encoder->pid = -1;
}
