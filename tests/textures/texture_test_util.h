// Small bitmap files and checks shared by the texture tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/settings.h"
#include "base/ui.h"
#include "recording_front_end.h"
#include "test_util.h"
#include "textures/image_readers.h"
#include "textures/texture_image.h"

namespace plikatra::test {

inline std::string corpusTexture(const std::string& name) {
    return std::string(PLIKATRA_CORPUS_DIR) + "/textures/" + name;
}

inline void putLe(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A bitmap file with a 40-byte info header (or `headerSize`), `extra` bytes after it (masks,
// colour table) and the pixel bytes; height < 0 stores rows top first.
inline std::string buildBmp(int width, int height, int bitCount, const std::string& pixels,
                            std::uint32_t compression = 0, const std::string& extra = "",
                            std::uint32_t colorsUsed = 0, std::uint32_t headerSize = 40) {
    std::string s(14 + std::max<std::uint32_t>(headerSize, 40), '\0');
    s[0] = 'B', s[1] = 'M';
    putLe(s, 10, std::uint32_t(14 + headerSize + extra.size()), 4);
    putLe(s, 14, headerSize, 4);
    putLe(s, 18, std::uint32_t(width), 4);
    putLe(s, 22, std::uint32_t(height), 4);
    putLe(s, 26, 1, 2);
    putLe(s, 28, std::uint32_t(bitCount), 2);
    putLe(s, 30, compression, 4);
    putLe(s, 46, colorsUsed, 4);
    s.resize(14 + headerSize);  // a shorter header keeps only its size field meaningful
    return s + extra + pixels;
}

// Pixel (x, y) as 0xRRGGBB, y counted from the picture's top, of decoded bottom-first rows.
inline std::uint32_t decodedPixel(const DecodedImage& img, int x, int y) {
    const std::size_t at = (std::size_t(img.height - 1 - y) * img.width + x) * 3;
    return (std::uint32_t(img.rgb[at]) << 16) | (std::uint32_t(img.rgb[at + 1]) << 8) | img.rgb[at + 2];
}

// A recording front end and a temporary folder for one test.
struct TextureTestScope {
    RecordingFrontEnd ui;
    TempDir dir;
};

}  // namespace plikatra::test
