// The build-time embedder's checks and the assembler's map from assembled
// lines back to the pieces, which krelan-demo --live names errors by.
#include "files.h"
#include "programs.h"
#include "scenes.h"
#include "shader_assembly.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

std::vector<std::string> shader_dirs()
{
    std::vector<std::string> dirs;
    std::stringstream all(KRELAN_SHADER_DIRS);
    for (std::string d; std::getline(all, d, ':');) dirs.push_back(d);
    return dirs;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

// Every line of every assembled program is the line its origin names, in the
// piece file as it stands: a driver's "line 57" leads to the right place.
TEST(ShaderAssembly, EachAssembledLineComesFromTheLineItsOriginNames)
{
    std::vector<ShaderRecipe> recipes;
    std::string error;
    ASSERT_TRUE(read_shader_manifest(KRELAN_SOURCE_DIR "/shaders/programs.txt", &recipes, &error));
    for (const ShaderRecipe& recipe : recipes) {
        std::string text;
        std::vector<LineOrigin> origins;
        ASSERT_TRUE(assemble_shader(recipe, shader_dirs(), &text, &error, &origins)) << error;
        const std::vector<std::string> lines = lines_of(text);
        ASSERT_EQ(lines.size(), origins.size()) << recipe.program;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string file;
            for (const std::string& dir : shader_dirs())
                if (read_file(dir + "/" + origins[i].file, &file)) break;
            const std::vector<std::string> file_lines = lines_of(file);
            ASSERT_GE(origins[i].line, 1);
            ASSERT_LE(size_t(origins[i].line), file_lines.size()) << origins[i].file;
            ASSERT_EQ(lines[i], file_lines[size_t(origins[i].line) - 1])
                << recipe.program << " line " << i + 1 << " from " << origins[i].file << ":"
                << origins[i].line;
        }
    }
}

TEST(ShaderAssembly, DriverMessagesAreNamedByPieceAndLine)
{
    const std::vector<LineOrigin> origins = {{"prelude.glsl", 1}, {"sphere.glsl", 52}};
    const std::string log =
        "0:2(17): error: syntax error, unexpected ';'\n"  // Mesa
        "0(2) : error C0000: syntax error\r\n"            // NVIDIA
        "ERROR: 0:1: 'x' : undeclared identifier\n"       // glslang and others
        "\n"
        "0:9(1): error: beyond the text\n"  // no such line: kept as it is
        "error: linking failed\n";
    const std::vector<std::string> expected = {
        "sphere.glsl:52: error: syntax error, unexpected ';'",
        "sphere.glsl:52: error C0000: syntax error",
        "prelude.glsl:1: error: 'x' : undeclared identifier",
        "0:9(1): error: beyond the text",
        "error: linking failed",
    };
    EXPECT_EQ(piece_messages(log, origins), expected);
}

TEST(ShaderAssembly, TheEmbeddedScheduleIsTheFile)
{
    std::string file;
    ASSERT_TRUE(read_file(KRELAN_SOURCE_DIR "/shaders/schedule.txt", &file));
    EXPECT_EQ(embedded_schedule_text(), file);
}

namespace {

struct CommandRun {
    int status;
    std::string output;
};

CommandRun run(const std::string& command)
{
    CommandRun r{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace

// The build runs this step on shaders/schedule.txt: a mistake fails it with
// the file and line, and leaves no embedded schedule behind.
TEST(EmbedSchedule, AMistakeStopsTheBuildNamingTheLine)
{
    char dir_template[] = "/tmp/krelan-embed-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string dir = dir_template;
    std::string schedule;
    ASSERT_TRUE(read_file(KRELAN_SOURCE_DIR "/shaders/schedule.txt", &schedule));
    const std::string manifest = KRELAN_SOURCE_DIR "/shaders/programs.txt";
    const std::string embed = std::string(KRELAN_EMBED_ASSETS) + " schedule " + dir + " ";

    // Unchanged, it is embedded.
    ASSERT_TRUE(write_file(dir + "/good.txt", schedule));
    CommandRun good = run(embed + dir + "/good.txt " + manifest);
    EXPECT_EQ(good.status, 0) << good.output;
    std::string generated;
    EXPECT_TRUE(read_file(dir + "/schedule_text.cpp", &generated));
    std::remove((dir + "/schedule_text.cpp").c_str());

    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"field       160", "field       150", "this row overlaps the scene 'sphere'"},
        {"lattice           blank", "latice            blank", "unknown program 'latice'"},
    };
    for (const Case& c : cases) {
        std::string broken = schedule;
        const size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        broken.replace(at, std::string(c.from).size(), c.to);
        const int line = int(std::count(broken.begin(), broken.begin() + long(at), '\n')) + 1;
        ASSERT_TRUE(write_file(dir + "/bad.txt", broken));
        CommandRun bad = run(embed + dir + "/bad.txt " + manifest);
        EXPECT_EQ(bad.status, 1) << bad.output;
        EXPECT_NE(bad.output.find(dir + "/bad.txt:" + std::to_string(line) + ": " + c.message),
                  std::string::npos)
            << bad.output;
        EXPECT_FALSE(read_file(dir + "/schedule_text.cpp", &generated));
    }
    std::remove((dir + "/good.txt").c_str());
    std::remove((dir + "/bad.txt").c_str());
    rmdir(dir.c_str());
}
