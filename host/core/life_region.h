// Where the post chain's automaton can be alive. A cell comes alive only
// next to a live one, so in each generation the live cells spread by at most
// one cell in every direction: from where they are now, a box grown by one
// cell a generation holds every cell that can be alive that many generations
// later. Bringing the automaton to a beat steps the life pass only inside
// such a box, which is exact, and much cheaper while the pattern is small.
// Pure, no SDL or GL.
#pragma once

#include <cstdint>

// Cells [x0, x1) x [y0, y1) in the frame's pixel coordinates (GL's: y up);
// empty when x1 <= x0 or y1 <= y0.
struct CellBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

bool box_empty(const CellBox& box);
int box_width(const CellBox& box);
int box_height(const CellBox& box);
bool operator==(const CellBox& a, const CellBox& b);

// The smallest box holding both (an empty one adds nothing).
CellBox box_union(const CellBox& a, const CellBox& b);

// Whether an RGBA8 pixel of the life image is a live cell: the pass reads a
// cell as live when its green exceeds 0.1.
inline bool live_pixel(const uint8_t* rgba) { return rgba[1] > 25; }

// The box of the live cells among `pixels`, the RGBA8 pixels of `block` read
// back row by row from its bottom row (glReadPixels); empty if none is live.
CellBox live_box(const uint8_t* pixels, const CellBox& block);

// Every cell that can be alive `generations` after the live cells lay in
// `live`: the box grown by that many cells on each side. The frame is a
// torus, so once the grown box would come within a cell of an edge (a live
// cell there wakes the cells across it, and the pass samples the image's
// border), the whole frame.
CellBox reach_box(const CellBox& live, int generations, int width, int height);
