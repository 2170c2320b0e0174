// Running krelan-render from the tests, with a scratch folder per test.
#pragma once

#include "png_file.h"

#include <string>
#include <vector>

struct RunResult {
    int status = -1;     // exit status, or -1 if it did not exit normally
    std::string output;  // standard output and error together
};

// Runs krelan-render with `args`; `env` is prepended to the command line
// (say "PATH=/nonexistent").
RunResult run_render(const std::vector<std::string>& args, const std::string& env = "");

// A fresh empty folder under /tmp, removed with its contents by the destructor.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    std::string path;
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> entries() const;  // names in the folder
};

bool file_exists(const std::string& path);
std::string file_bytes(const std::string& path);                   // "" if it cannot be read
void put_file(const std::string& path, const std::string& bytes);  // fails the test if it cannot

// A 1920x1080 RGBA image filled with one colour.
Image solid_image(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
void set_pixel(Image* image, int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// Pixel (x, y), y counted from the top, as 4 bytes (an RGB image reads alpha 255).
std::vector<uint8_t> pixel(const Image& image, int x, int y);
Image read_png(const std::string& path);  // fails the test if it cannot
