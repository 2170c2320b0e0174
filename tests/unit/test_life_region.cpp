// Where the post chain's automaton can be alive: the box of the live cells
// read back, and how far it can spread.
#include "life_region.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int k_width = 1920, k_height = 1080;

TEST(LifeRegion, LiveBoxFindsTheCellsTheLifePassCallsLive)
{
    // A block read back from (100, 50), 8 x 4 pixels, rows bottom-up.
    const CellBox block{100, 50, 108, 54};
    std::vector<uint8_t> pixels(8 * 4 * 4, 0);
    auto set = [&](int column, int row, uint8_t green) {
        pixels[(row * 8 + column) * 4 + 1] = green;
    };
    EXPECT_TRUE(box_empty(live_box(pixels.data(), block)));
    set(2, 1, 255);
    set(6, 3, 26);  // just over 0.1: live
    set(7, 0, 25);  // just under: dead
    EXPECT_EQ(live_box(pixels.data(), block), (CellBox{102, 51, 107, 54}));
}

TEST(LifeRegion, ReachGrowsACellAGenerationUntilTheTorusWraps)
{
    const CellBox live{900, 500, 910, 506};
    EXPECT_EQ(reach_box(live, 0, k_width, k_height), live);
    EXPECT_EQ(reach_box(live, 16, k_width, k_height), (CellBox{884, 484, 926, 522}));
    // Within a cell of any edge, every cell of the frame may wake.
    const CellBox whole{0, 0, k_width, k_height};
    EXPECT_EQ(reach_box(live, 499, k_width, k_height), (CellBox{401, 1, 1409, 1005}));
    EXPECT_EQ(reach_box(live, 500, k_width, k_height), whole);
    EXPECT_EQ(reach_box(CellBox{1900, 500, 1902, 501}, 18, k_width, k_height), whole);
    EXPECT_EQ(reach_box(CellBox{5, 1070, 6, 1071}, 4, k_width, k_height),
              (CellBox{1, 1066, 10, 1075}));
    EXPECT_EQ(reach_box(CellBox{5, 1075, 6, 1076}, 4, k_width, k_height), whole);
    // A dead field stays dead.
    EXPECT_TRUE(box_empty(reach_box(CellBox{}, 100, k_width, k_height)));
}

TEST(LifeRegion, UnionIgnoresEmptyBoxes)
{
    const CellBox a{10, 20, 30, 40}, b{25, 5, 50, 22};
    EXPECT_EQ(box_union(a, b), (CellBox{10, 5, 50, 40}));
    EXPECT_EQ(box_union(a, CellBox{}), a);
    EXPECT_EQ(box_union(CellBox{7, 7, 7, 9}, b), b);
}

}  // namespace
