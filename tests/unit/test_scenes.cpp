#include "scenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

const char* scene_name(float beat)
{
    const Scene* scene = scene_at(embedded_schedule(), beat);
    return scene ? scene->name.c_str() : "(none)";
}

}  // namespace

TEST(EmbeddedSchedule, EdgeBeatsPickTheirScene)
{
    struct Case {
        float beat;
        const char* scene;
    };
    const Case cases[] = {
        {-0.5f, "warning"},        {15.99f, "warning"},   {16.0f, "sphere"},
        {159.99f, "sphere"},       {160.0f, "field"},     {224.0f, "particles"},
        {288.0f, "lattice"},       {415.99f, "lattice"},  {416.0f, "sphere"},
        {417.5f, "field"},         {418.0f, "particles"}, {419.9f, "lattice"},
        {420.0f, "sphere"},        {447.99f, "lattice"},  {448.0f, "post_chain"},
        {511.99f, "post_chain"},   {512.0f, "end"},       {600.0f, "end"},
        {std::nanf(""), "(none)"},
    };
    for (const Case& c : cases) EXPECT_STREQ(scene_name(c.beat), c.scene) << "beat " << c.beat;
}

namespace {

// Whether `scene` draws `program` (as its program or one of its passes) or
// compares its passes against it (a reference).
bool scene_uses(const Schedule& schedule, const Scene& scene, ProgramId program)
{
    for (int p : scene.programs)
        if (p == program) return true;
    for (const ReferenceProgram& r : schedule.references)
        if (&schedule.scenes[r.scene] == &scene && r.program == program) return true;
    return false;
}

}  // namespace

// The bench and the pictures draw each program at its sample beat: the
// schedule must show that program's scene there, for every program a scene
// uses (all but the overlays, which go over frames of any scene).
TEST(EmbeddedSchedule, EveryProgramsSampleBeatShowsTheSceneThatUsesIt)
{
    const Schedule& schedule = embedded_schedule();
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramId program = ProgramId(i);
        const float beat = program_sample_beat(schedule, program);
        if (std::count(schedule.overlays.begin(), schedule.overlays.end(), program)) continue;
        const Scene* scene = scene_at(schedule, beat);
        ASSERT_NE(scene, nullptr) << k_program_names[i];
        EXPECT_TRUE(scene_uses(schedule, *scene, program))
            << k_program_names[i] << " at beat " << beat << " shows " << scene->title;
    }
}

TEST(EmbeddedSchedule, PartsRunInOrderWithTheRecapInItsPlace)
{
    const std::vector<ShowPart> parts = show_parts(embedded_schedule());
    ASSERT_EQ(parts.size(), embedded_schedule().scenes.size() + 1);
    EXPECT_EQ(parts.front().start, -0.5f);  // the music's start, not -infinity
    for (size_t i = 1; i < parts.size(); ++i) {
        EXPECT_LT(parts[i - 1].start, parts[i].start) << parts[i].title;
        // Each part's first beat shows it: the recap its first cut.
        const Scene* scene = scene_at(embedded_schedule(), parts[i].start);
        ASSERT_NE(scene, nullptr) << parts[i].title;
        EXPECT_EQ(parts[i].title == "recap" ? "dotted sphere" : parts[i].title, scene->title);
    }
    EXPECT_EQ(parts[5].title, "recap");
    EXPECT_EQ(parts[5].start, 416.0f);
    EXPECT_EQ(parts[6].title, "post chain");
}

namespace {

const std::vector<std::string> k_names = {"sphere", "field", "life",   "zoom",    "tiles", "reach",
                                          "glow",   "state", "sprite", "resolve", "card"};

const char k_passes[] =
    "passes post_chain life zoom tiles reach glow\n"
    "passes particle_sprites state sprite resolve\n";

bool parse(const std::string& text, Schedule* schedule, std::string* error)
{
    return parse_schedule(text, "s.txt", k_names, schedule, error);
}

}  // namespace

TEST(ScheduleFile, ReadsRowsPassesRecapsAndReferences)
{
    const std::string text = std::string("# comment\r\n") + k_passes +
                             "scene a  -    10   card  warning 0   the warning\r\n"
                             "recap    10   13.5 b a\n"
                             "scene b  13.5 20   post_chain blank 15  chain\n"
                             "scene c  30   -    sphere end 31  last\n"
                             "reference glow b\n"
                             "overlay card\n";
    Schedule s;
    std::string error;
    ASSERT_TRUE(parse(text, &s, &error)) << error;
    ASSERT_EQ(s.scenes.size(), 3u);
    EXPECT_EQ(s.scenes[0].title, "the warning");  // the rest of the line, CR dropped
    EXPECT_EQ(s.scenes[0].texture, TEXTURE_WARNING);
    EXPECT_TRUE(std::isinf(s.scenes[0].start) && s.scenes[0].start < 0);
    EXPECT_TRUE(std::isinf(s.scenes[2].end));
    EXPECT_EQ(s.scenes[1].drawing, DRAW_POST_CHAIN);
    EXPECT_EQ(s.scenes[1].programs, (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(program_sample_beat(s, ProgramId(6)), 15.0f);  // a pass: its scene's beat
    EXPECT_EQ(s.overlays, (std::vector<int>{10}));           // card

    // The recap starts with its first cut and turns at each whole beat.
    EXPECT_EQ(scene_at(s, 10.0f)->name, "b");
    EXPECT_EQ(scene_at(s, 10.99f)->name, "b");
    EXPECT_EQ(scene_at(s, 11.0f)->name, "a");
    EXPECT_EQ(scene_at(s, 12.5f)->name, "b");
    EXPECT_EQ(scene_at(s, 13.4f)->name, "a");
    EXPECT_EQ(scene_at(s, 13.5f)->name, "b");
    // Between rows: no scene (the show draws black there).
    EXPECT_EQ(scene_at(s, 25.0f), nullptr);
    EXPECT_EQ(scene_at(s, 30.0f)->name, "c");
}

// Each mistake is named with the file and the line that holds it, and a
// failed parse leaves the schedule it was given as it was.
TEST(ScheduleFile, MistakesNameTheirLine)
{
    struct Case {
        const char* rows;  // after the two passes lines
        const char* expected;
    };
    const Case cases[] = {
        {"scene a 0 10 spere blank 5 A\n", "s.txt:3: unknown program 'spere'"},
        {"scene a 0 10 card blank 5 A\nscene b 9 20 card blank 15 B\n",
         "s.txt:4: this row overlaps the scene 'a' of line 3"},
        {"recap 5 12 a\nscene a 0 10 card blank 1 A\n",
         "s.txt:4: this row overlaps the recap of line 3"},
        {"scene a 0 10 card blank 5 A\nscene a 10 20 card blank 15 B\n",
         "s.txt:4: scene 'a' is defined twice (line 3)"},
        {"scene a 10 5 card blank 7 A\n",
         "s.txt:3: the row ends at beat 5, not after its start 10"},
        {"scene a 0 0x10 card blank 5 A\n", "s.txt:3: '0x10' is not a beat"},
        {"scene a 0 10 card purple 5 A\n", "s.txt:3: unknown texture 'purple'"},
        {"scene a 0 10 card blank 12 A\n", "s.txt:3: the sample beat 12 does not show scene 'a'"},
        {"scene a 0 10 card blank 5\n", "s.txt:3: a scene line is"},
        {"scene a 0 10 card blank 5 A\nrecap 10 12 a z\n", "s.txt:4: unknown scene 'z'"},
        {"scene a 0 10 card blank 5 A\nsceen b 10 12 card blank 11 B\n",
         "s.txt:4: unknown line 'sceen'"},
        {"scene a 0 10 card blank 5 A\nreference glow nowhere\n",
         "s.txt:4: unknown scene 'nowhere'"},
        {"scene a 0 10 card blank 5 A\noverlay\n", "s.txt:4: an overlay line is"},
        {"scene a 0 10 card blank 5 A\noverlay texts\n", "s.txt:4: unknown program 'texts'"},
        {"passes post_chain life zoom\n",
         "s.txt:3: the passes of post_chain are given again (line 1)"},
        {"# nothing\n", "s.txt:1: the schedule has no scene"},
    };
    for (const Case& c : cases) {
        Schedule s;
        s.scenes.resize(1);
        std::string error;
        EXPECT_FALSE(parse(std::string(k_passes) + c.rows, &s, &error)) << c.rows;
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << "got: " << error;
        EXPECT_EQ(s.scenes.size(), 1u);
    }
    // The scenes of several passes need their passes line, with the right count.
    Schedule s;
    std::string error;
    EXPECT_FALSE(parse("scene a 0 10 post_chain blank 5 A\n", &s, &error));
    EXPECT_EQ(error, "s.txt:1: no passes line names the programs of post_chain");
    EXPECT_FALSE(parse("passes particle_sprites state sprite\n", &s, &error));
    EXPECT_EQ(error, "s.txt:1: particle_sprites draws 3 passes, not 2");
}
