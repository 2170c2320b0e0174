// Checks a finished video with ffprobe before it replaces anything: ffmpeg
// can exit 0 without a playable file (a full disk while writing the
// container's index, or an ffmpeg that writes nothing).
#pragma once

#include <cstdint>
#include <string>

// True when `path` opens as a video whose first video stream holds exactly
// `frames` frames; false with a message otherwise. `ffprobe` is its path.
bool check_video(const std::string& ffprobe, const std::string& path, int64_t frames,
                 std::string* error);
