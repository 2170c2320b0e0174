#include "schedule_row.h"

ScheduleRow schedule_row(float beat)
{
    const bool recap = beat >= 416.0f && beat < 448.0f;
    const int recap_slot = recap ? static_cast<int>(beat) % 4 : -1;
    if (beat < 16.0f) return ROW_WARNING;
    if (beat < 160.0f || recap_slot == 0) return ROW_SPHERE;
    if (beat < 224.0f || recap_slot == 1) return ROW_FIELD;
    if (beat < 288.0f || recap_slot == 2) return ROW_PARTICLES;
    if (beat < 416.0f || recap_slot == 3) return ROW_LATTICE;
    if (beat >= 448.0f && beat < 512.0f) return ROW_POST_CHAIN;
    if (beat >= 512.0f) return ROW_END;
    return ROW_NONE;
}
