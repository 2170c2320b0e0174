// krelan-demo --live's timeline: where its keys move the beat (a bar, a
// beat, the previous or next part of the show, the start) and its loop. The
// show's transport carries the moves out. Pure, no SDL or GL.
#pragma once

#include "scenes.h"

// Beats a bar: ← and → move by one, with Shift by one beat.
constexpr float k_beats_per_bar = 4.0f;

// PgUp within this many beats of a part's start goes to the part before it
// rather than back to that start, so that pressing it again walks back.
constexpr float k_previous_part_grace = 1.0f;

// A seek's target kept within the show: from the music's start (the clock's
// -0.5) to the end beat.
float clamp_to_show(float beat);

// `beat` moved by `beats` (negative: back), kept within the show.
float step_beats(float beat, float beats);

// The start of the next part of the show after `beat`; the end beat after
// the last.
float next_part_start(const Schedule& schedule, float beat);

// The start of the part that holds `beat`, or of the part before when
// `beat` is within k_previous_part_grace of that start.
float previous_part_start(const Schedule& schedule, float beat);

// The loop: `[` and `]` set its ends at the current beat, `l` turns it on
// and off. It holds only while on with start < end.
struct TimelineLoop {
    bool has_start = false, has_end = false;
    float start = 0, end = 0;
    bool on = false;
};

// Whether the loop is on and has a playable range.
bool loop_active(const TimelineLoop& loop);

// Where the beat goes when it moved from `previous` to `beat`: back to the
// loop's start when it crossed the loop's end in play; `beat` otherwise (a
// seek beyond the end, or a beat already past it, is left alone).
float loop_target(const TimelineLoop& loop, float previous, float beat);
