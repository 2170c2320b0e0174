// Where the 1920x1080 frame lands in a drawable of another size: scaled to
// fit with its aspect kept, centred, black bars on the two other sides.
// Pure, no SDL or GL.
#pragma once

struct PixelRect {
    int x, y;  // lower-left corner, GL window coordinates
    int width, height;
};

// The largest rectangle of the frame's aspect (frame_width:frame_height) that
// fits `drawable`, centred (an odd leftover pixel goes to the right or top
// bar). The side that fills the drawable is exact; the other is rounded.
PixelRect letterbox_rect(int drawable_width, int drawable_height, int frame_width,
                         int frame_height);
