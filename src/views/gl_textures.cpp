#include "views/gl_textures.h"

#include <algorithm>

namespace plikatra {

bool drawsTexture(const Material& m) {
    if (!m.hasTexture || !m.texture) return false;
    const TextureImage& t = *m.texture;
    return t.width > 0 && t.height > 0 &&
           t.pixels.size() >= static_cast<size_t>(t.width) * static_cast<size_t>(t.height) * 3;
}

TextureImage fitToMaxSide(const TextureImage& image, int maxSide) {
    if (maxSide < 1 || (image.width <= maxSide && image.height <= maxSide)) return image;
    TextureImage out;
    out.width = std::min(image.width, maxSide);
    out.height = std::min(image.height, maxSide);
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
    for (int y = 0; y < out.height; ++y) {
        const long long sy = static_cast<long long>(y) * image.height / out.height;
        for (int x = 0; x < out.width; ++x) {
            const long long sx = static_cast<long long>(x) * image.width / out.width;
            const size_t from = static_cast<size_t>((sy * image.width + sx) * 3);
            const size_t to = (static_cast<size_t>(y) * static_cast<size_t>(out.width) +
                               static_cast<size_t>(x)) * 3;
            std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(from), 3,
                        out.pixels.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
    return out;
}

int queryMaxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

void setTextureFiltering(GLuint texture, bool smooth) {
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
}

GLuint uploadTexture(const Material& material, bool smooth) {
    if (!drawsTexture(material)) return 0;
    const int maxSide = queryMaxTextureSize();
    const TextureImage& source = *material.texture;
    const bool fits = source.width <= maxSide && source.height <= maxSide;
    const TextureImage fitted = fits ? TextureImage{} : fitToMaxSide(source, maxSide);
    const TextureImage& image = fits ? source : fitted;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    setTextureFiltering(texture, smooth);
    return texture;
}

}  // namespace plikatra
