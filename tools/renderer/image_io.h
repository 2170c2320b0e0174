// PNG files in and out. Images here are 8-bit, rows top-down (the PNG's
// order); the GL side reads and uploads rows bottom-up, so frames are turned
// over on the way in and out (flip_rows).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA)
    std::vector<uint8_t> pixels;
};

// The PNG file's bytes, always the same for the same image: no time stamps,
// fixed compression settings.
std::string png_bytes(const Image& image);

// Decodes a PNG file into RGBA (an image without alpha gets alpha 255). False
// with a message naming the file when it is missing, unreadable or not a PNG.
bool read_png_rgba(const std::string& path, Image* out, std::string* error);

// Turns the rows over in place: top-down <-> bottom-up.
void flip_rows(Image* image);
