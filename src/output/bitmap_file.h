// Windows bitmap files: 24 bits per pixel, bottom row first, rows padded to 4 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/canvas.h"
#include "output/output_status.h"

namespace plikatra {

inline constexpr const char* kMsgBmpWriteError = "write error";
inline constexpr const char* kMsgFailedToCreateBmp = "Failed to create BMP";

// 72 pixels per inch in pixels per metre (72 × 100 / 2.54, truncated).
inline constexpr int kBitmapPixelsPerMetre = 2834;
inline constexpr int kBmpHeaderSize = 54;  // file header 14 + information header 40

// Bytes per stored row of a 24-bit image `width` pixels wide.
std::size_t bmpRowStride(int width);

// The pixel rows as stored: bottom row first, blue, green, red, each row padded to 4 bytes.
std::vector<std::uint8_t> bmpPixelRows(const RgbImage& image);

// The whole file: "BM", file size, two reserved zeros, pixel offset 54; information header
// of 40 bytes (width, positive height, 1 plane, 24 bits, no compression, image size = stride
// × height, 2834 pixels per metre both ways, no palette); then the rows.
std::vector<std::uint8_t> encodeBmp(const RgbImage& image);

// Writes `image` as a bitmap file at `path`, replacing it in one step; kMsgBmpWriteError
// when that fails.
OutputStatus writeBmpFile(const std::string& path, const RgbImage& image);

// The raster file a development bitmap is saved as.
enum class BitmapFileKind { Bmp, Png };

// Writes `image` as a PNG file at `path`, replacing it in one step, with the resolution that
// makes it print at `widthCm` × `heightCm`; kMsgBmpWriteError when that fails.
OutputStatus writePngFile(const std::string& path, const RgbImage& image, double widthCm, double heightCm);

// Pixels per metre for `pixels` across `cm` centimetres, rounded; 0 when it cannot be said.
int pixelsPerMetre(int pixels, double cm);

// Turns every pixel whose red, green and blue are all above 251 white, so the near-white that
// smoothing leaves on a white sheet prints as paper.
void slideColorToWhite(RgbImage& image);

}  // namespace plikatra
