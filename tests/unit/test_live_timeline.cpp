// krelan-demo --live's timeline keys and loop, and what its display says.
#include "display_text.h"
#include "live_timeline.h"

#include <gtest/gtest.h>

TEST(Timeline, StepsStayWithinTheShow)
{
    EXPECT_EQ(step_beats(100.0f, -k_beats_per_bar), 96.0f);
    EXPECT_EQ(step_beats(100.25f, 1.0f), 101.25f);
    EXPECT_EQ(step_beats(1.0f, -k_beats_per_bar), -0.5f);  // the music's start
    EXPECT_EQ(step_beats(527.0f, k_beats_per_bar), 528.0f);
}

TEST(Timeline, PageKeysWalkThePartsOfTheShow)
{
    const Schedule& s = embedded_schedule();
    EXPECT_EQ(next_part_start(s, -0.5f), 16.0f);
    EXPECT_EQ(next_part_start(s, 100.0f), 160.0f);
    EXPECT_EQ(next_part_start(s, 400.0f), 416.0f);  // the recap is a part
    EXPECT_EQ(next_part_start(s, 515.0f), 528.0f);  // after the last: the end
    EXPECT_EQ(previous_part_start(s, 100.0f), 16.0f);
    // Just past a part's start, PgUp goes to the part before.
    EXPECT_EQ(previous_part_start(s, 16.5f), -0.5f);
    EXPECT_EQ(previous_part_start(s, 420.0f), 416.0f);
    EXPECT_EQ(previous_part_start(s, 416.5f), 288.0f);
    EXPECT_EQ(previous_part_start(s, 2.0f), -0.5f);
}

TEST(Timeline, LoopTurnsBackOnlyWhenPlayCrossesItsEnd)
{
    TimelineLoop loop;
    loop.has_start = loop.has_end = loop.on = true;
    loop.start = 100.0f;
    loop.end = 104.0f;
    EXPECT_EQ(loop_target(loop, 103.9f, 104.1f), 100.0f);
    EXPECT_EQ(loop_target(loop, 103.0f, 103.5f), 103.5f);
    EXPECT_EQ(loop_target(loop, 104.5f, 105.0f), 105.0f);  // sought past the end: left alone
    loop.on = false;
    EXPECT_EQ(loop_target(loop, 103.9f, 104.1f), 104.1f);
    loop.on = true;
    loop.end = 100.0f;  // ] not after [: no loop
    EXPECT_FALSE(loop_active(loop));
    EXPECT_EQ(loop_target(loop, 99.9f, 100.1f), 100.1f);
}

TEST(DisplayText, BarsAndBeatsCountFromOne)
{
    EXPECT_EQ(bar_and_beat(0.0f), "1.1");
    EXPECT_EQ(bar_and_beat(3.99f), "1.4");
    EXPECT_EQ(bar_and_beat(4.0f), "2.1");
    EXPECT_EQ(bar_and_beat(101.5f), "26.2");
    EXPECT_EQ(bar_and_beat(-0.5f), "0.4");  // the count-in before the first beat
}

TEST(DisplayText, SaysWhereTheShowIsAndWhatItDoes)
{
    DisplayFacts facts;
    facts.beat = 101.5f;
    facts.frame_ms = 20.0;
    facts.level = 1234;
    const std::vector<std::string> lines = display_lines(embedded_schedule(), facts);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "beat 101.50  bar 26.2  0:47.1");
    EXPECT_EQ(lines[1], "dotted sphere");
    EXPECT_EQ(lines[2], "20.0 ms  50.0 fps  level 1234");

    facts.beat = 417.0f;
    facts.paused = true;
    facts.loop.has_start = facts.loop.on = true;
    facts.loop.start = 416.0f;
    std::vector<std::string> more = display_lines(embedded_schedule(), facts);
    ASSERT_EQ(more.size(), 5u);
    EXPECT_EQ(more[1], "recap: sphere field");
    EXPECT_EQ(more[3], "loop 416.00 - ? on, but [ is not before ]");
    EXPECT_EQ(more[4], "paused");
}

TEST(DisplayText, FrameTimeIsTheMeanOfTheLatestFrames)
{
    FrameTimes times;
    EXPECT_EQ(mean_frame_ms(times), 0.0);
    add_frame_time(&times, 10.0);
    add_frame_time(&times, 20.0);
    EXPECT_EQ(mean_frame_ms(times), 15.0);
    for (int i = 0; i < FrameTimes::k_frames; ++i) add_frame_time(&times, 40.0);
    EXPECT_EQ(mean_frame_ms(times), 40.0);  // the oldest have left
}
