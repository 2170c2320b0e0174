#include "image_io.h"

#include <SDL.h>
#include <SDL_image.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

void put_u32(std::string* s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) *s += static_cast<char>((v >> shift) & 0xFF);
}

void put_chunk(std::string* png, const char* type, const std::string& data)
{
    put_u32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    *png += body;
    put_u32(png, static_cast<uint32_t>(
                     crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Filters each row with whichever of the five PNG predictors leaves the
// smallest sum of magnitudes (the usual heuristic), a fixed choice for a
// given image.
std::string filtered_rows(const Image& image)
{
    const size_t stride = size_t(image.width) * image.channels;
    const size_t bpp = static_cast<size_t>(image.channels);
    const std::vector<uint8_t> zero_row(stride, 0);
    std::string rows;
    rows.reserve((stride + 1) * image.height);
    std::vector<uint8_t> candidate[5];
    for (auto& c : candidate) c.resize(stride);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = &image.pixels[y * stride];
        const uint8_t* up = y > 0 ? &image.pixels[(y - 1) * stride] : zero_row.data();
        long best_sum = -1;
        int best = 0;
        for (int type = 0; type < 5; ++type) {
            long sum = 0;
            for (size_t i = 0; i < stride; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0;
                const int b = up[i];
                const int c = i >= bpp ? up[i - bpp] : 0;
                int predicted = 0;
                switch (type) {
                case 1: predicted = a; break;
                case 2: predicted = b; break;
                case 3: predicted = (a + b) / 2; break;
                case 4: predicted = paeth(a, b, c); break;
                default: break;
                }
                const uint8_t v = static_cast<uint8_t>(row[i] - predicted);
                candidate[type][i] = v;
                sum += v < 128 ? v : 256 - v;
            }
            if (best_sum < 0 || sum < best_sum) {
                best_sum = sum;
                best = type;
            }
        }
        rows += static_cast<char>(best);
        rows.append(reinterpret_cast<const char*>(candidate[best].data()), stride);
    }
    return rows;
}

}  // namespace

std::string png_bytes(const Image& image)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    put_u32(&header, static_cast<uint32_t>(image.width));
    put_u32(&header, static_cast<uint32_t>(image.height));
    header += '\x08';                                 // 8 bits per channel
    header += image.channels == 4 ? '\x06' : '\x02';  // RGBA or RGB
    header += std::string("\0\0\0", 3);               // deflate, adaptive filters, no interlace
    put_chunk(&png, "IHDR", header);

    const std::string rows = filtered_rows(image);
    uLongf packed_size = compressBound(rows.size());
    std::string packed(packed_size, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &packed_size,
              reinterpret_cast<const Bytef*>(rows.data()), rows.size(), 6);
    packed.resize(packed_size);
    put_chunk(&png, "IDAT", packed);
    put_chunk(&png, "IEND", "");
    return png;
}

bool read_png_rgba(const std::string& path, Image* out, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const std::string bytes = content.str();
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* decoded = stream && IMG_isPNG(stream) ? IMG_LoadPNG_RW(stream) : nullptr;
    if (stream) SDL_RWclose(stream);
    if (!decoded) {
        *error = path + " is not a readable PNG image";
        return false;
    }
    // RGBA32 is R, G, B, A in memory whatever the byte order.
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(decoded);
    if (!rgba) {
        *error = path + ": " + SDL_GetError();
        return false;
    }
    out->width = rgba->w;
    out->height = rgba->h;
    out->channels = 4;
    out->pixels.resize(size_t(rgba->w) * rgba->h * 4);
    for (int y = 0; y < rgba->h; ++y)
        std::memcpy(&out->pixels[size_t(y) * rgba->w * 4],
                    static_cast<const uint8_t*>(rgba->pixels) + size_t(y) * rgba->pitch,
                    size_t(rgba->w) * 4);
    SDL_FreeSurface(rgba);
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
