// What krelan-demo --live's on-screen display says, line by line: the beat
// with bar and beat in the bar, the music's time, the scene, the frame time
// and rate, the level, the loop and whether the show is paused. Pure, no SDL
// or GL; the show draws the lines.
#pragma once

#include "live_timeline.h"
#include "scenes.h"

#include <cstdint>
#include <string>
#include <vector>

struct DisplayFacts {
    float beat = 0;
    double frame_ms = 0;  // the latest frames' mean time
    int32_t level = 0;    // the meter's level, 0..32768
    TimelineLoop loop;
    bool paused = false;
};

// "bar.beat", both counted from 1: beat 0 is 1.1, beat 5.5 is 2.2.
std::string bar_and_beat(float beat);

// The display's lines for the facts and the schedule's scene at that beat.
std::vector<std::string> display_lines(const Schedule& schedule, const DisplayFacts& facts);

// The mean time of the latest frames, for the display's frame time and rate.
struct FrameTimes {
    static constexpr int k_frames = 30;
    double ms[k_frames] = {};
    int count = 0, next = 0;
};
void add_frame_time(FrameTimes* times, double ms);
double mean_frame_ms(const FrameTimes& times);  // 0 before the first frame
