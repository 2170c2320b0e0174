// PNG output of a canvas: 8-bit RGB (colour type 2), not interlaced.
#pragma once

#include <string>

#include "canvas.hpp"

namespace krelan::cards {

bool write_png(const std::string& path, const Canvas& canvas);

}  // namespace krelan::cards
