#include "render_harness.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
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
    result.output = read_file(log);
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
    for (const std::string& name : entries()) {
        const std::string p = file(name);
        struct stat st;
        if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::system(("rm -rf " + quoted(p)).c_str());
        } else {
            unlink(p.c_str());
        }
    }
    rmdir(path.c_str());
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(dir);
    }
    return names;
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(static_cast<bool>(out)) << path;
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
