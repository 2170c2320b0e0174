// The application icon: a white "K" in the show's font inside the warning
// card's blue ring, on black, drawn by the card renderer at each size the
// desktop's icon theme asks for (hicolor: 16 to 256 pixels a side).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lettering.h"

// The sizes drawn, in pixels a side.
const std::vector<int>& icon_sizes();

// The icon `size` pixels square as RGB bytes, top row first; empty with the
// reason in `error` when it cannot be drawn. The card renderer must be
// running (start_renderer).
std::vector<uint8_t> render_icon(const Font& font, int size, std::string* error);

// Writes `dir`/krelan-SIZE.png for every size. False, with the reason on
// stderr, when one cannot be drawn or written.
bool write_icons(const std::string& dir, const Font& font);
