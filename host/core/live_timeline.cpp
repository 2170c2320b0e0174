#include "live_timeline.h"

#include "beat_clock.h"

#include <algorithm>

float clamp_to_show(float beat)
{
    return std::min(std::max(beat, beat_from_elapsed(0)), k_end_beat);
}

float step_beats(float beat, float beats) { return clamp_to_show(beat + beats); }

float next_part_start(const Schedule& schedule, float beat)
{
    for (const ShowPart& part : show_parts(schedule))
        if (part.start > beat) return clamp_to_show(part.start);
    return k_end_beat;
}

float previous_part_start(const Schedule& schedule, float beat)
{
    float target = beat_from_elapsed(0);
    for (const ShowPart& part : show_parts(schedule))
        if (part.start <= beat - k_previous_part_grace) target = part.start;
    return clamp_to_show(target);
}

bool loop_active(const TimelineLoop& loop)
{
    return loop.on && loop.has_start && loop.has_end && loop.start < loop.end;
}

float loop_target(const TimelineLoop& loop, float previous, float beat)
{
    if (loop_active(loop) && previous < loop.end && beat >= loop.end) return loop.start;
    return beat;
}
