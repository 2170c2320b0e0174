// Fuzz target: the PNG input path of `pass --input`, bytes decoded with the
// size the renderer demands (and once with any size, small images only).
#include "png_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Image image;
    std::string error;
    decode_png_rgba(bytes, "input", &image, &error, 1920, 1080);
    decode_png_rgba(bytes, "input", &image, &error, 64, 64);
    return 0;
}
