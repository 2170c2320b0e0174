// The video encoder: ffmpeg, fed raw RGB frames through a pipe, with the
// encoding settings of a capture (the default, or a preset that matches the
// video rules parties publish).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// How a video is encoded: H.264 (yuv420p) with AAC at 48 kHz, and either a
// constant quality (crf) or two passes at an average bit rate (video_kbps).
struct VideoSettings {
    const char* name;     // as --preset takes it; "" for the default
    double fps;           // the frame rate when --fps is not given
    const char* profile;  // H.264 profile, or "" for x264's choice
    const char* level;    // highest H.264 level, or "" for x264's choice
    int level_mb_rate;    // the level's macroblocks per second (how fast it may go)
    int max_kbps;         // the level's bit-rate ceiling and buffer (VBV), 0: none
    int buffer_kbit;
    int crf;         // constant quality when video_kbps is 0
    int video_kbps;  // two-pass average bit rate; 0: one pass at crf
    int audio_kbps;
};

// The default encoding and the presets, in one table (encoder.cpp).
extern const VideoSettings k_default_video;
extern const VideoSettings k_video_presets[];
extern const size_t k_video_preset_count;

// The preset of that name, or null.
const VideoSettings* find_video_preset(const std::string& name);

// True when a 1920x1080 video at `fps` stays within the settings' level.
bool level_holds(const VideoSettings& settings, double fps);

// A path as ffmpeg and ffprobe must be given it: absolute, so that a name
// such as "pipe:x" or "http:x" is a file, never a protocol.
std::string media_path(const std::string& path);

// One run of ffmpeg: a one-pass encode (pass 0) or pass 1 or 2 of two.
// Pass 1 writes only x264's statistics to `passlog`; the others write `out`
// (its format chosen by the extension) with the WAV file `audio` muxed in.
struct EncodeRun {
    const VideoSettings* settings = &k_default_video;
    double fps = 60;
    int pass = 0;
    std::string passlog;  // x264's statistics file prefix (two passes)
    std::string audio;
    std::string out;
};

struct Encoder {
    std::string program;  // ffmpeg's path, for messages
    pid_t pid = -1;
    int fd = -1;  // ffmpeg's standard input
};

// ffmpeg's command line for a run. Bit-exact flags keep the same input
// giving the same bytes.
std::vector<std::string> encoder_args(const std::string& ffmpeg, const EncodeRun& run);

// Starts ffmpeg encoding 1920x1080 RGB frames from its standard input.
bool start_encoder(const std::string& ffmpeg, const EncodeRun& run, Encoder* encoder,
                   std::string* error);

// One frame, rows top-down, 3 bytes per pixel. Fails when ffmpeg has stopped
// reading, or has taken nothing for 30 s (it is then taken to hang).
bool feed_encoder(Encoder* encoder, const std::vector<unsigned char>& rgb, std::string* error);

// Closes the pipe and waits; false if ffmpeg failed.
bool finish_encoder(Encoder* encoder, std::string* error);

// After a failure: closes the pipe and ends ffmpeg (SIGTERM, then SIGKILL).
void abandon_encoder(Encoder* encoder);
