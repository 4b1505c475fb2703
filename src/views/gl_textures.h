// Material textures as OpenGL texture objects, shared by both views.
#pragma once

#include <cstdint>

#include <GL/gl.h>

#include "model/model.h"

namespace plikatra {

// A colour-table value (red in the low byte, then green, then blue) as 0..1 components.
struct GlColor {
    float r = 0, g = 0, b = 0;
};
inline GlColor glColorOf(std::uint32_t c) {
    return {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
            static_cast<float>((c >> 16) & 0xFF) / 255.0f};
}

// Whether the material is drawn with its picture: it has a texture image of a usable size.
bool drawsTexture(const Material& material);

// The image resampled by nearest pixel so that neither side exceeds `maxSide` (the
// implementation's GL_MAX_TEXTURE_SIZE); a copy when it already fits.
TextureImage fitToMaxSide(const TextureImage& image, int maxSide);

// Uploads the material's picture as an RGB texture object (repeat wrapping, linear or nearest
// filtering); 0 when the material has no usable picture. The context must be current.
GLuint uploadTexture(const Material& material, bool smooth);

// GL_MAX_TEXTURE_SIZE of the current context (what the texture loader's limit records).
int queryMaxTextureSize();

// Linear filtering when smooth, else nearest, for minification and magnification.
void setTextureFiltering(GLuint texture, bool smooth);

}  // namespace plikatra
