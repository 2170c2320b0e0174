// Time in an offline render. A capture at a fixed frame rate F shows, in its
// frame n, the moment n / F after the music starts: the beat clock at
// n * 1000 / F ms, and the sound level of the mixed chunk that holds that
// moment.
#pragma once

#include "frame_timeline.h"

#include <cstdint>

// The beats and frame rates an offline render accepts. The show ends past
// beat 528; beyond these bounds frame numbers, sample counts and the
// float-to-integer conversions here would overflow.
constexpr float k_min_beat = -1000.0f;
constexpr float k_max_beat = 1000.0f;
constexpr double k_min_fps = 0.1;
constexpr double k_max_fps = 1000.0;

// Frames [first, last] of a capture at `fps`.
struct FrameRange {
    int64_t first = 0;
    int64_t last = -1;
    double fps = 0;
};

// The frames from the first at or after beat `from` to the last at or before
// beat `to` (`to` absent: the show's last frame). Beats and fps within the
// bounds above. Empty (last < first) when no frame lies between.
FrameRange frames_between(float from, const float* to, double fps);

// Index of the stereo sample frame (48 kHz) that frame n shows: floor(n * 48000 / fps).
int64_t frame_sample(int64_t n, double fps);

// Stereo sample frame at which the beat clock shows `beat`; negative before
// the music starts.
int64_t beat_sample(float beat);

// The show's last frame at `fps`: the main loop ends on the first pass whose
// previous beat exceeds the end beat, after drawing that pass's frame.
int64_t show_last_frame(double fps);
