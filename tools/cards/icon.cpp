#include "icon.h"

#include <cstdio>
#include <utility>

#include "card_renderer.h"
#include "cards.h"
#include "files.h"
#include "png_file.h"

namespace {

// Proportions of the side: the ring's radius (its stroke reaches 0.05 of the
// radius further, so it stays clear of the edge) and the letter's cap height.
constexpr float k_ring_radius = 0.44f;
constexpr float k_cap_height = 0.5f;

// The icon laid out in the top-left `size` x `size` pixels of a card.
bool lay_out_icon(const Font& font, int size, Drawing* drawing, std::string* error)
{
    const float centre = float(size) / 2.0f, cap = k_cap_height * float(size);
    *drawing = {};
    drawing->marks.push_back({k_emblem_ring, centre, centre, k_ring_radius * float(size), k_blue});
    return set_line(font, {{"K", k_white}}, centre, centre + cap / 2.0f, {cap}, drawing, error);
}

}  // namespace

const std::vector<int>& icon_sizes()
{
    static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
    return sizes;
}

std::vector<uint8_t> render_icon(const Font& font, int size, std::string* error)
{
    if (size < 1 || size > k_card_height) {
        *error = "an icon of " + std::to_string(size) + " pixels does not fit on a card";
        return {};
    }
    Drawing drawing;
    if (!lay_out_icon(font, size, &drawing, error)) return {};
    const std::vector<uint8_t> card = render_card(drawing, error);
    if (card.empty()) return {};
    std::vector<uint8_t> icon;
    const size_t row_bytes = size_t(size) * 3;
    for (int y = 0; y < size; ++y) {
        const auto row = card.begin() + ptrdiff_t(size_t(y) * k_card_width * 3);
        icon.insert(icon.end(), row, row + ptrdiff_t(row_bytes));
    }
    return icon;
}

bool write_icons(const std::string& dir, const Font& font)
{
    for (const int size : icon_sizes()) {
        const std::string path = dir + "/krelan-" + std::to_string(size) + ".png";
        std::string error;
        Image icon;
        icon.width = icon.height = size;
        icon.channels = 3;
        icon.pixels = render_icon(font, size, &error);
        if (icon.pixels.empty()) {
            std::fprintf(stderr, "krelan-cards: %s: %s\n", path.c_str(), error.c_str());
            return false;
        }
        if (!write_file(path, png_bytes(icon, 9))) {
            std::fprintf(stderr, "krelan-cards: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
