#include "life_region.h"

#include <algorithm>

bool box_empty(const CellBox& box) { return box.x1 <= box.x0 || box.y1 <= box.y0; }

int box_width(const CellBox& box) { return box_empty(box) ? 0 : box.x1 - box.x0; }

int box_height(const CellBox& box) { return box_empty(box) ? 0 : box.y1 - box.y0; }

bool operator==(const CellBox& a, const CellBox& b)
{
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

CellBox box_union(const CellBox& a, const CellBox& b)
{
    if (box_empty(a)) return b;
    if (box_empty(b)) return a;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

CellBox live_box(const uint8_t* pixels, const CellBox& block)
{
    CellBox found;
    const int width = box_width(block), height = box_height(block);
    for (int row = 0; row < height; ++row) {
        const uint8_t* line = pixels + size_t(row) * size_t(width) * 4;
        for (int column = 0; column < width; ++column) {
            if (!live_pixel(line + size_t(column) * 4)) continue;
            const int x = block.x0 + column, y = block.y0 + row;
            found = box_union(found, CellBox{x, y, x + 1, y + 1});
        }
    }
    return found;
}

CellBox reach_box(const CellBox& live, int generations, int width, int height)
{
    if (box_empty(live)) return live;
    const CellBox grown{live.x0 - generations, live.y0 - generations, live.x1 + generations,
                        live.y1 + generations};
    // A cell on an edge has its neighbours across the opposite one.
    if (grown.x0 < 1 || grown.y0 < 1 || grown.x1 > width - 1 || grown.y1 > height - 1)
        return CellBox{0, 0, width, height};
    return grown;
}
