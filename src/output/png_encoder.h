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

// `image` as a PNG file for saving: 8-bit RGB through libpng with its usual row filters, and
// the resolution in pixels per metre (a pHYs chunk) so the picture prints at the size it
// stands for. Empty for an empty image or when the library fails.
std::vector<std::uint8_t> encodePngFile(const RgbImage& image, int pixelsPerMetreX, int pixelsPerMetreY);

// Base64 (standard alphabet, padded) of `bytes`.
std::string base64(const std::vector<std::uint8_t>& bytes);

}  // namespace plikatra
