#include "scenes.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(ProgramSampleBeat, PassesAndReferencesShareTheirScenesBeat)
{
    EXPECT_EQ(program_sample_beat("sphere"), scene_of(ROW_SPHERE).sample_beat);
    for (const char* pass : k_particle_passes)
        EXPECT_EQ(program_sample_beat(pass), scene_of(ROW_PARTICLES).sample_beat) << pass;
    for (const char* pass : k_post_chain_passes)
        EXPECT_EQ(program_sample_beat(pass), scene_of(ROW_POST_CHAIN).sample_beat) << pass;
    for (const ReferenceProgram& r : k_reference_programs)
        EXPECT_EQ(program_sample_beat(r.program), scene_of(r.row).sample_beat) << r.program;
    EXPECT_EQ(program_sample_beat("particles"), 256.0f);
    EXPECT_EQ(program_sample_beat("glow"), 460.0f);
    EXPECT_EQ(program_sample_beat("no such program"), 0.0f);
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
