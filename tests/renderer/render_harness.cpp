#include "render_harness.h"

#include "files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

RunResult run_render(const std::vector<std::string>& args, const std::string& env)
{
    ScratchDir log_dir;
    const std::string log = log_dir.file("output.txt");
    std::string command = env.empty() ? "" : "env " + env + " ";
    command += quoted(KRELAN_RENDER);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " > " + quoted(log) + " 2>&1";
    RunResult result;
    const int raw = std::system(command.c_str());
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.output = file_bytes(log);
    return result;
}

ScratchDir::ScratchDir()
{
    char pattern[] = "/tmp/krelan-render-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    path = made ? made : "/tmp";
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
        names.push_back(entry.path().filename().string());
    return names;
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string file_bytes(const std::string& path)
{
    std::string bytes;
    read_file(path, &bytes);
    return bytes;
}

void put_file(const std::string& path, const std::string& bytes)
{
    ASSERT_TRUE(write_file(path, bytes)) << path;
}

Image solid_image(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Image image;
    image.width = 1920;
    image.height = 1080;
    image.channels = 4;
    image.pixels.resize(size_t(1920) * 1080 * 4);
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = r;
        image.pixels[i + 1] = g;
        image.pixels[i + 2] = b;
        image.pixels[i + 3] = a;
    }
    return image;
}

void set_pixel(Image* image, int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    uint8_t* p = &image->pixels[(size_t(y) * image->width + x) * image->channels];
    p[0] = r;
    p[1] = g;
    p[2] = b;
    if (image->channels == 4) p[3] = a;
}

std::vector<uint8_t> pixel(const Image& image, int x, int y)
{
    const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * image.channels];
    return {p[0], p[1], p[2], image.channels == 4 ? p[3] : uint8_t(255)};
}

Image read_png(const std::string& path)
{
    Image image;
    std::string error;
    EXPECT_TRUE(read_png_rgba(path, &image, &error)) << error;
    return image;
}
