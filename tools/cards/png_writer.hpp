// PNG output of a card: 8-bit RGB (colour type 2), not interlaced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace krelan::cards {

// `rgb` holds height rows of width pixels, 3 bytes each, top row first.
bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace krelan::cards
