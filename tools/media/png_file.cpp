#include "png_file.h"

#include "files.h"

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

// libpng's own messages stay quiet: the caller reports the failure itself.
void quiet_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quiet_warning(png_structp, png_const_charp) {}

// libpng reads from memory: the file's bytes, read once.
struct Source {
    const std::string* bytes;
    size_t offset;
};

void read_from_memory(png_structp png, png_bytep data, png_size_t length)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->bytes->size() - source->offset < length) png_error(png, "truncated");
    std::memcpy(data, source->bytes->data() + source->offset, length);
    source->offset += length;
}

// Turns every format into 8-bit RGBA rows.
bool set_rgba_transforms(png_structp png, png_infop info, int width)
{
    png_set_expand(png);  // palette and low bit depths to 8-bit, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == size_t(width) * 4;
}

std::string size_text(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// Everything after the header: the rows into `out`. libpng errors jump back
// to the caller's setjmp, so `rows` belongs to the caller.
void decode_rows(png_structp png, int w, int h, Image* out, std::vector<png_bytep>* rows_out)
{
    out->width = w;
    out->height = h;
    out->channels = 4;
    out->pixels.assign(size_t(w) * h * 4, 0);
    std::vector<png_bytep>& rows = *rows_out;
    rows.resize(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[size_t(y)] = &out->pixels[size_t(y) * w * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
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

bool decode_png_rgba(const std::string& bytes, const std::string& name, Image* out,
                     std::string* error, int width, int height)
{
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8)) {
        *error = name + " is not a readable PNG image";
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet_error, quiet_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    Source source{&bytes, 8};
    std::vector<png_bytep> rows;
    // Volatile: set between setjmp and a possible longjmp back to it.
    volatile bool wrong_size = false;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        if (!wrong_size) *error = name + " is not a readable PNG image";
        return false;
    }
    png_set_read_fn(png, &source, read_from_memory);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    const int w = static_cast<int>(png_get_image_width(png, info));
    const int h = static_cast<int>(png_get_image_height(png, info));
    // The size comes from the header: a wrong one is refused before any row
    // buffer is allocated or any pixel decoded.
    if (width && height && (w != width || h != height)) {
        *error = name + " is " + size_text(w, h) + ", not " + size_text(width, height);
        wrong_size = true;
        png_error(png, "wrong size");
    }
    if (!set_rgba_transforms(png, info, w)) png_error(png, "unexpected row size");
    decode_rows(png, w, h, out, &rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool read_png_rgba(const std::string& path, Image* out, std::string* error, int width, int height)
{
    std::string bytes;
    return read_file_limited(path, k_max_png_bytes, &bytes, error) &&
           decode_png_rgba(bytes, path, out, error, width, height);
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
