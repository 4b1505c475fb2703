// Texture images: loading BMP and JPEG files into the square RGB form the views draw, and the
// size limit that form obeys.
#pragma once

#include <memory>
#include <string>

#include "model/model.h"

namespace plikatra {

// Smallest texture side; smaller pictures are enlarged to it.
inline constexpr int kMinTextureSide = 64;

// Upper limits selectable by iTextureLimitSizeIndex (0..4).
inline constexpr int kTextureLimitSizes[] = {64, 128, 256, 512, 1024};

// Records the graphics implementation's largest texture side (GL_MAX_TEXTURE_SIZE), read when
// the 3D view creates its rendering context. Values below 1 are ignored.
void setMaxTextureSize(int size);
// The recorded largest texture side; kMinTextureSide until one is recorded.
int maxTextureSize();

// The side limit for loading textures now: maxTextureSize(), lowered to the selected upper
// limit when bLimitTextureSize is on.
int textureSizeLimit();

// The side of the square texture for a picture of width × height under `limit`: for each
// dimension the smallest power of two from 64 to 32768 strictly greater than it (64 when none
// is), the larger of the two, then cut to `limit`.
int textureSide(int width, int height, int limit);

// Loads a BMP or JPEG file (chosen by the extension ".jpg"/".jpeg", any case) as a
// textureSide() square, rows from the picture's top, by nearest pixel. Problems are reported
// through ui() and give null.
std::unique_ptr<TextureImage> loadTextureImage(const std::string& path, int sizeLimit);

// Rescales the Material's texture to side × side by nearest pixel, keeping the row order.
// Does nothing for a Material without texture or a side below 1.
void fitTextureImage(Material& material, int side);

}  // namespace plikatra
