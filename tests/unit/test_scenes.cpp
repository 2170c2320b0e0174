#include "scenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

TEST(ScheduleRow, EdgeBeatsPickTheirScene)
{
    struct Case {
        float beat;
        ScheduleRow row;
    };
    const Case cases[] = {
        {-0.5f, ROW_WARNING},      {15.99f, ROW_WARNING},   {16.0f, ROW_SPHERE},
        {159.99f, ROW_SPHERE},     {160.0f, ROW_FIELD},     {224.0f, ROW_PARTICLES},
        {288.0f, ROW_LATTICE},     {415.99f, ROW_LATTICE},  {416.0f, ROW_SPHERE},
        {417.5f, ROW_FIELD},       {418.0f, ROW_PARTICLES}, {419.9f, ROW_LATTICE},
        {420.0f, ROW_SPHERE},      {447.99f, ROW_LATTICE},  {448.0f, ROW_POST_CHAIN},
        {511.99f, ROW_POST_CHAIN}, {512.0f, ROW_END},       {600.0f, ROW_END},
    };
    for (const Case& c : cases) EXPECT_EQ(schedule_row(c.beat), c.row) << "beat " << c.beat;
}

TEST(ScheduleRow, NotANumberMatchesNoRow) { EXPECT_EQ(schedule_row(std::nanf("")), ROW_NONE); }

namespace {

// Whether the scene of `row` draws `program` (as its program or one of its
// passes) or compares its passes against it (a reference).
bool scene_uses(ScheduleRow row, ProgramId program)
{
    if (scene_of(row).program == program) return true;
    const ProgramId* first = nullptr;
    size_t count = 0;
    if (row == ROW_PARTICLES) first = k_particle_passes, count = 3;
    if (row == ROW_POST_CHAIN) first = k_post_chain_passes, count = 5;
    for (size_t i = 0; i < count; ++i)
        if (first[i] == program) return true;
    for (const ReferenceProgram& r : k_reference_programs)
        if (r.row == row && r.program == program) return true;
    return false;
}

}  // namespace

// The bench and the pictures draw each program at its sample beat: the
// schedule must show that program's scene there, for every program a scene
// uses (all but the overlays, which go over frames of any scene).
TEST(ProgramSampleBeat, EveryProgramsBeatFallsInTheSceneThatUsesIt)
{
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramId program = ProgramId(i);
        const auto overlay =
            std::find(std::begin(k_overlay_programs), std::end(k_overlay_programs), program);
        if (overlay != std::end(k_overlay_programs)) continue;
        const float beat = program_sample_beat(program);
        const ScheduleRow row = schedule_row(beat);
        ASSERT_NE(row, ROW_NONE) << "program " << i;
        EXPECT_TRUE(scene_uses(row, program))
            << "program " << i << " at beat " << beat << " shows " << scene_of(row).title;
    }
}

TEST(ShowParts, FollowTheScheduleWithTheRecapInItsPlace)
{
    const std::vector<ShowPart> parts = show_parts();
    ASSERT_EQ(parts.size(), k_scene_count + 1);
    EXPECT_EQ(parts.front().start, -0.5f);  // the music's start
    for (size_t i = 1; i < parts.size(); ++i) {
        EXPECT_LT(parts[i - 1].start, parts[i].start) << parts[i].title;
        // Each part's first beat shows it: the recap its first cut, the
        // others their row of the schedule.
        const ScheduleRow row = schedule_row(parts[i].start);
        if (parts[i].start == k_recap_start)
            EXPECT_EQ(row, k_recap_cuts[0]);
        else
            EXPECT_STREQ(scene_of(row).title, parts[i].title);
    }
    EXPECT_EQ(parts[5].start, k_recap_start);
    EXPECT_EQ(parts[6].start, k_recap_end);
}
