#include "contact_sheet.h"

#include <cstring>

namespace {

constexpr int k_glyph_w = 3;
constexpr int k_glyph_h = 5;

// 3x5 glyphs, one row per string, '#' inked.
const char* glyph_rows(char c)
{
    switch (c) {
    case '0': return "####.##.##.####";
    case '1': return ".#.##..#..#.###";
    case '2': return "###..#####..###";
    case '3': return "###..####..####";
    case '4': return "#.##.####..#..#";
    case '5': return "####..###..####";
    case '6': return "####..####.####";
    case '7': return "###..#..#..#..#";
    case '8': return "####.#####.####";
    case '9': return "####.####..####";
    case '-': return "......###......";
    case '.': return ".............#.";
    default: return "...............";
    }
}

void fill(Image* image, int x0, int y0, int w, int h, uint8_t value)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            if (x < 0 || y < 0 || x >= image->width || y >= image->height) continue;
            uint8_t* p = &image->pixels[(size_t(y) * image->width + x) * image->channels];
            for (int c = 0; c < 3; ++c) p[c] = value;
        }
}

}  // namespace

Image shrink(const Image& source, int factor)
{
    Image out;
    out.width = source.width / factor;
    out.height = source.height / factor;
    out.channels = source.channels;
    out.pixels.assign(size_t(out.width) * out.height * out.channels, 0);
    const int area = factor * factor;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < out.channels; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += source.pixels[((size_t(y) * factor + dy) * source.width +
                                              size_t(x) * factor + dx) *
                                                 source.channels +
                                             c];
                out.pixels[(size_t(y) * out.width + x) * out.channels + c] =
                    static_cast<uint8_t>((sum + area / 2) / area);
            }
    return out;
}

void draw_label(Image* image, const std::string& text, int scale)
{
    const int advance = (k_glyph_w + 1) * scale;
    const int margin = scale;
    const int plate_w = static_cast<int>(text.size()) * advance + margin;
    const int plate_h = k_glyph_h * scale + 2 * margin;
    const int left = 0;
    const int top = image->height - plate_h;
    fill(image, left, top, plate_w, plate_h, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        const char* rows = glyph_rows(text[i]);
        const int gx = left + margin + static_cast<int>(i) * advance;
        for (int row = 0; row < k_glyph_h; ++row)
            for (int col = 0; col < k_glyph_w; ++col)
                if (rows[row * k_glyph_w + col] == '#')
                    fill(image, gx + col * scale, top + margin + row * scale, scale, scale, 255);
    }
}

void place_tile(Image* sheet, const Image& tile, int x, int y)
{
    for (int row = 0; row < tile.height && y + row < sheet->height; ++row) {
        const int w = tile.width < sheet->width - x ? tile.width : sheet->width - x;
        std::memcpy(&sheet->pixels[(size_t(y + row) * sheet->width + x) * sheet->channels],
                    &tile.pixels[size_t(row) * tile.width * tile.channels],
                    size_t(w) * tile.channels);
    }
}
