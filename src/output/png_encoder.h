// PNG images for embedding pictures in vector files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/canvas.h"

namespace plikatra {

// `image` as a PNG file: 8-bit RGB, no interlacing, every row unfiltered, deflated by zlib.
// Empty for an empty image.
std::vector<std::uint8_t> encodePng(const RgbImage& image);

// Base64 (standard alphabet, padded) of `bytes`.
std::string base64(const std::vector<std::uint8_t>& bytes);

}  // namespace plikatra
