#include "letterbox_rect.h"

#include <cstdint>

PixelRect letterbox_rect(int drawable_width, int drawable_height, int frame_width, int frame_height)
{
    const int64_t dw = drawable_width, dh = drawable_height;
    const int64_t fw = frame_width, fh = frame_height;
    PixelRect r{0, 0, drawable_width, drawable_height};
    if (dw * fh > dh * fw) {
        // Wider than the frame: full height, bars left and right.
        r.width = static_cast<int>((dh * fw * 2 + fh) / (fh * 2));
        r.x = (drawable_width - r.width) / 2;
    } else {
        // Taller (or the same aspect): full width, bars above and below.
        r.height = static_cast<int>((dw * fh * 2 + fw) / (fw * 2));
        r.y = (drawable_height - r.height) / 2;
    }
    return r;
}
