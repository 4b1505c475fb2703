#include "textures/texture_image.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "base/file_io.h"
#include "base/ui.h"
#include "textures/image_readers.h"

namespace plikatra {

namespace {

constexpr int kMaxPowerSide = 32768;

int powerAbove(int n) {
    for (int p = kMinTextureSide; p <= kMaxPowerSide; p *= 2)
        if (p > n) return p;
    return kMinTextureSide;
}

// Nearest-pixel rescale of packed RGB rows to side × side. With `flip` the destination's
// first row comes from the source's last, which turns bottom-first rows into top-first ones.
std::vector<std::uint8_t> rescale(const std::vector<std::uint8_t>& src, int srcWidth,
                                  int srcHeight, int side, bool flip) {
    std::vector<std::uint8_t> dst(std::size_t(side) * side * 3);
    std::vector<std::size_t> column(side);
    for (int j = 0; j < side; ++j) column[j] = std::size_t(std::int64_t(j) * srcWidth / side) * 3;
    for (int i = 0; i < side; ++i) {
        const std::int64_t srcRow = std::int64_t(srcHeight) * (flip ? side - 1 - i : i) / side;
        const std::uint8_t* s = src.data() + std::size_t(srcRow) * srcWidth * 3;
        std::uint8_t* d = dst.data() + std::size_t(i) * side * 3;
        for (int j = 0; j < side; ++j, d += 3) {
            const std::uint8_t* p = s + column[j];
            d[0] = p[0], d[1] = p[1], d[2] = p[2];
        }
    }
    return dst;
}

}  // namespace

int textureSizeLimit(int maxTextureSize, bool limitOn, int limitIndex) {
    int limit = maxTextureSize >= 1 ? maxTextureSize : kMinTextureSide;
    if (limitOn) {
        const bool valid = limitIndex >= 0 && limitIndex < int(std::size(kTextureLimitSizes));
        limit = std::min(limit, kTextureLimitSizes[valid ? limitIndex : 0]);
    }
    return limit;
}

int textureSide(int width, int height, int limit) {
    const int side = std::max(powerAbove(width), powerAbove(height));
    return side > limit ? limit : std::max(side, kMinTextureSide);
}

ImageFormat imageFormatOf(const std::string& path) {
    const std::string ext = fileExtension(path);
    if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::Jpeg;
    if (ext == ".png") return ImageFormat::Png;
    return ImageFormat::Bmp;
}

namespace {

// The texture made from decoded pixels: a textureSide() square, rows from the picture's top.
std::unique_ptr<TextureImage> textureOf(std::optional<DecodedImage> decoded, int sizeLimit, Ui& ui) {
    if (!decoded || decoded->width < 1 || decoded->height < 1) return nullptr;
    const int side = std::max(1, textureSide(decoded->width, decoded->height, sizeLimit));
    try {
        auto image = std::make_unique<TextureImage>();
        image->pixels = rescale(decoded->rgb, decoded->width, decoded->height, side, true);
        image->width = image->height = side;
        return image;
    } catch (const std::bad_alloc&) {
        ui.message(kMsgBmpOutOfMemory, kBmpErrorCaption, MessageIcon::Error);
        return nullptr;
    }
}

}  // namespace

std::unique_ptr<TextureImage> loadTextureImage(const std::string& path, int sizeLimit, Ui& ui) {
    switch (imageFormatOf(path)) {
        case ImageFormat::Jpeg: return textureOf(readJpegImage(path, ui), sizeLimit, ui);
        case ImageFormat::Png: return textureOf(readPngImage(path, ui), sizeLimit, ui);
        case ImageFormat::Bmp: break;
    }
    return textureOf(readBmpImage(path, ui), sizeLimit, ui);
}

std::unique_ptr<TextureImage> loadTextureImageData(std::span<const std::uint8_t> data,
                                                   ImageFormat format, int sizeLimit, Ui& ui) {
    switch (format) {
        case ImageFormat::Jpeg: return textureOf(readJpegData(data, ui), sizeLimit, ui);
        case ImageFormat::Png: return textureOf(readPngData(data, ui), sizeLimit, ui);
        case ImageFormat::Bmp: break;
    }
    return textureOf(readBmpData(data, ui), sizeLimit, ui);
}

void fitTextureImage(Material& material, int side) {
    TextureImage* t = material.texture.get();
    if (!t || side < 1 || t->width < 1 || t->height < 1 ||
        t->pixels.size() < std::size_t(t->width) * t->height * 3)
        return;
    t->pixels = rescale(t->pixels, t->width, t->height, side, false);
    t->width = t->height = side;
}

}  // namespace plikatra
