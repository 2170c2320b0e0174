// The contact sheet: small frames in rows, each labelled with its beat in a
// tiny built-in bitmap font, so the sheet needs no font files or tools.
#pragma once

#include "png_file.h"

#include <string>

// `source` (RGB) shrunk by a whole factor, each output pixel the mean of a
// factor x factor block.
Image shrink(const Image& source, int factor);

// Writes `text` (digits, '-' and '.') into the bottom-left corner of `image`
// (RGB) in white on a black plate, each font pixel `scale` pixels wide.
void draw_label(Image* image, const std::string& text, int scale);

// Places `tile` (RGB) into `sheet` (RGB) with its top-left corner at (x, y).
void place_tile(Image* sheet, const Image& tile, int x, int y);
