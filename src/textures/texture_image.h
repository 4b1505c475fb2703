// Texture images: loading BMP, JPEG and PNG files into the square RGB form the views draw, and the
// size limit that form obeys.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/read_result.h"
#include "base/ui.h"
#include "model/model.h"

namespace plikatra {


// Upper limits selectable by iTextureLimitSizeIndex (0..4).
inline constexpr int kTextureLimitSizes[] = {64, 128, 256, 512, 1024};

// The side limit for loading textures: the graphics implementation's largest texture side
// (GL_MAX_TEXTURE_SIZE; kMinTextureSide until a view has read it), lowered to the upper limit
// of `limitIndex` (0..4; others count as 0) when `limitOn`.
int textureSizeLimit(int maxTextureSize, bool limitOn, int limitIndex);

// The side of the square texture for a picture of width × height under `limit`: for each
// dimension the smallest power of two from 64 to 32768 strictly greater than it (64 when none
// is), the larger of the two, then cut to `limit`.
int textureSide(int width, int height, int limit);

enum class ImageFormat { Bmp, Jpeg, Png };

// The decoder for a file name: JPEG for the extensions ".jpg" and ".jpeg", PNG for ".png"
// (any case), a Windows bitmap for every other name.
ImageFormat imageFormatOf(const std::string& path);

// Loads an image file (its format chosen by imageFormatOf) as a textureSide() square, rows
// from the picture's top, by nearest pixel. Problems are reported through `ui` and give null.
std::unique_ptr<TextureImage> loadTextureImage(const std::string& path, int sizeLimit, Ui& ui);
// The same for the bytes of an image file held in memory.
std::unique_ptr<TextureImage> loadTextureImageData(std::span<const std::uint8_t> data,
                                                   ImageFormat format, int sizeLimit, Ui& ui);

// Rescales the Material's texture to side × side by nearest pixel, keeping the row order.
// Does nothing for a Material without texture or a side below 1.
void fitTextureImage(Material& material, int side);

}  // namespace plikatra
