#include "png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void append_to_string(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void no_flush(png_structp) {}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Reads the header and turns every format into 8-bit RGBA rows.
bool read_header(png_structp png, png_infop info, int* width, int* height)
{
    png_read_info(png, info);
    *width = static_cast<int>(png_get_image_width(png, info));
    *height = static_cast<int>(png_get_image_height(png, info));
    png_set_expand(png);  // palette and low bit depths to 8-bit, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == size_t(*width) * 4;
}

}  // namespace

std::string png_bytes(const Image& image, int level)
{
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &bytes, append_to_string, no_flush);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_write_info(png, info);
    const size_t stride = size_t(image.width) * image.channels;
    for (int y = 0; y < image.height; ++y) png_write_row(png, &image.pixels[size_t(y) * stride]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

bool read_png_rgba(const std::string& path, Image* out, std::string* error, int width, int height)
{
    File file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        *error = path + " is not a readable PNG image";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        *error = path + " is not a readable PNG image";
        return false;
    }
    png_init_io(png, file.get());
    png_set_sig_bytes(png, 8);
    int w = 0, h = 0;
    const bool rgba = read_header(png, info, &w, &h);
    if (!rgba || (width && height && (w != width || h != height))) {
        *error = rgba ? path + " is " + std::to_string(w) + "x" + std::to_string(h) + ", not " +
                            std::to_string(width) + "x" + std::to_string(height)
                      : path + " is not a readable PNG image";
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    out->width = w;
    out->height = h;
    out->channels = 4;
    out->pixels.assign(size_t(w) * h * 4, 0);
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[size_t(y)] = &out->pixels[size_t(y) * w * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void flip_rows(Image* image)
{
    const size_t stride = size_t(image->width) * image->channels;
    std::vector<uint8_t> row(stride);
    for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = &image->pixels[top * stride];
        uint8_t* b = &image->pixels[bottom * stride];
        std::memcpy(row.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row.data(), stride);
    }
}
