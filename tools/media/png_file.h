// PNG images in and out through libpng, for the tools and the tests. Images
// here are 8-bit, rows top-down (the PNG's order); the GL side reads and
// uploads rows bottom-up, so frames are turned over on the way (flip_rows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA)
    std::vector<uint8_t> pixels;
};

// The PNG file's bytes: no time stamps and fixed settings, so the same image
// always gives the same bytes. `level` is zlib's compression level (0-9).
std::string png_bytes(const Image& image, int level = 6);

// The largest PNG file read: a 1920x1080 image at 16 bits per channel
// without compression is about 17 MB.
constexpr size_t k_max_png_bytes = size_t(64) << 20;

// Decodes PNG bytes into RGBA, as read_png_rgba does; `name` is the source
// the messages name.
bool decode_png_rgba(const std::string& bytes, const std::string& name, Image* out,
                     std::string* error, int width = 0, int height = 0);

// Decodes a PNG file (at most k_max_png_bytes) into RGBA (an image without
// alpha gets alpha 255, any bit depth or palette becomes 8-bit RGBA). When
// `width` and `height` are not 0, an image of another size is refused from
// its header, before any pixel is decoded. False with a message naming the
// file when it is missing, unreadable, not a PNG or of the wrong size.
bool read_png_rgba(const std::string& path, Image* out, std::string* error, int width = 0,
                   int height = 0);

// Turns the rows over in place: top-down <-> bottom-up.
void flip_rows(Image* image);
