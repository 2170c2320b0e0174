// What krelan-demo --live draws over the frame: the on-screen display's
// lines in the top-left corner, and the errors in force (a piece or the
// schedule that did not build) along the bottom, each message broken into
// lines the overlay can hold. In the show's font (overlay_text.h), over the
// 1920x1080 frame in the bound framebuffer. Main thread, context current.
//
// The font's program costs the same for every pixel of a line's box, whatever
// it shows (a software rasteriser such as llvmpipe evaluates every glyph's
// branch), about a third of a millisecond a line at 1080p. So the lines are
// drawn into a cache, a frame-sized image, only when their text changes, and
// each frame blends the cache's line boxes over the frame: a display whose
// beat moves costs one line's drawing, a paused one none.
#pragma once

#include <string>
#include <vector>

// Height of a line of the display and of the errors, in frame pixels.
constexpr float k_live_text_height = 30.0f;

// Draws `display` (none when empty) and `errors` (none when empty).
void draw_live_overlay(const std::vector<std::string>& display,
                       const std::vector<std::string>& errors);

// Deletes the cache (at shutdown).
void release_live_overlay();

// `message` in pieces of at most the overlay's characters a line, broken at
// spaces where one is near the end of a piece.
std::vector<std::string> overlay_lines(const std::string& message);
