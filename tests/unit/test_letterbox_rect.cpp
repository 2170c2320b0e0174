#include "letterbox_rect.h"

#include <gtest/gtest.h>

namespace {

void expect_rect(PixelRect r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

}  // namespace

TEST(LetterboxRect, SameAspectFillsTheDrawable)
{
    expect_rect(letterbox_rect(1920, 1080, 1920, 1080), 0, 0, 1920, 1080);
    expect_rect(letterbox_rect(1280, 720, 1920, 1080), 0, 0, 1280, 720);
    expect_rect(letterbox_rect(2560, 1440, 1920, 1080), 0, 0, 2560, 1440);
    expect_rect(letterbox_rect(3840, 2160, 1920, 1080), 0, 0, 3840, 2160);
}

TEST(LetterboxRect, TallerDrawablesGetBarsAboveAndBelow)
{
    expect_rect(letterbox_rect(1920, 1200, 1920, 1080), 0, 60, 1920, 1080);
    expect_rect(letterbox_rect(1280, 1024, 1920, 1080), 0, 152, 1280, 720);
    // 1000 * 9 / 16 = 562.5 rounds up; the odd leftover pixel goes on top.
    expect_rect(letterbox_rect(1000, 800, 1920, 1080), 0, 118, 1000, 563);
}

TEST(LetterboxRect, WiderDrawablesGetBarsLeftAndRight)
{
    expect_rect(letterbox_rect(2560, 1080, 1920, 1080), 320, 0, 1920, 1080);
    expect_rect(letterbox_rect(3440, 1440, 1920, 1080), 440, 0, 2560, 1440);
    expect_rect(letterbox_rect(1001, 100, 1920, 1080), 411, 0, 178, 100);
}

TEST(LetterboxRect, TinyAndHugeDrawablesStayInside)
{
    for (int w : {1, 2, 3, 64, 999, 16384})
        for (int h : {1, 2, 3, 64, 777, 16384}) {
            const PixelRect r = letterbox_rect(w, h, 1920, 1080);
            EXPECT_GE(r.x, 0);
            EXPECT_GE(r.y, 0);
            EXPECT_LE(r.x + r.width, w);
            EXPECT_LE(r.y + r.height, h);
            EXPECT_TRUE(r.width == w || r.height == h) << w << "x" << h;
        }
}
