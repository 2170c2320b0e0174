// Text over the frame in the show's own distance-field font (the glyphs of
// shaders/font.glsl): one line of printable ASCII in cells of equal width,
// white strokes with a dark rim, blended over whatever the bound framebuffer
// already holds. Nothing else of the frame changes. The program is the
// program table's PROG_OVERLAY_TEXT, drawn over the line's box alone (the
// sprites' quad) rather than as a full-screen pass, whose clear would wipe
// what the text goes over; it is left in use, blending off. Main thread,
// context current, after start_show.
#pragma once

// Characters drawn at most; the rest of a longer text is left out.
constexpr int k_overlay_max_chars = 64;

// Draws `text` with the bottom-left corner of its line box at pixel (x, y)
// of the viewport (origin bottom-left), the box `height` pixels tall from the
// descender to the ascender. A character without a glyph in the font shows
// as a blank. Without `blend` the text's colour and coverage (alpha) are
// written as they are where it has a rim, for a cache that is blended later.
void draw_overlay_text(const char* text, float x, float y, float height, bool blend = true);

// The line box's width in pixels for `text` at `height`.
float overlay_text_width(const char* text, float height);
