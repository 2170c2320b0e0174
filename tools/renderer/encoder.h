// The video encoder: ffmpeg, fed raw RGB frames through a pipe.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Full path of an executable found on PATH, or "".
std::string find_on_path(const std::string& name);

struct Encoder {
    pid_t pid = -1;
    int fd = -1;  // ffmpeg's standard input
};

// Starts ffmpeg encoding 1920x1080 RGB frames at `fps` from its standard
// input, muxed with the WAV file `audio`, into `out` (its format chosen by
// the extension): H.264 at CRF 18, yuv420p, AAC audio. Bit-exact flags keep
// the same input giving the same bytes.
bool start_encoder(const std::string& ffmpeg, double fps, const std::string& audio,
                   const std::string& out, Encoder* encoder, std::string* error);

// One frame, rows top-down, 3 bytes per pixel.
bool feed_encoder(Encoder* encoder, const std::vector<unsigned char>& rgb, std::string* error);

// Closes the pipe and waits; false if ffmpeg failed.
bool finish_encoder(Encoder* encoder, std::string* error);
