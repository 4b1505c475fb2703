#include <gtest/gtest.h>

#include "texture_test_util.h"

namespace plikatra::test {
namespace {

TEST(TextureImage, SideIsPowerStrictlyAboveEachDimensionCutToLimit) {
    EXPECT_EQ(textureSide(256, 256, 1024), 512);
    EXPECT_EQ(textureSide(256, 256, 256), 256);
    EXPECT_EQ(textureSide(255, 1, 1024), 256);
    EXPECT_EQ(textureSide(30, 100, 16384), 128);
    EXPECT_EQ(textureSide(40, 40, 16384), 64);
    EXPECT_EQ(textureSide(300, 2000, 4096), 2048);
    EXPECT_EQ(textureSide(16384, 1, 65536), 32768);
    EXPECT_EQ(textureSide(40000, 40000, 65536), 64);  // no power above: the smallest
    EXPECT_EQ(textureSide(10, 10, 32), 32);           // a limit below 64 still wins

    EXPECT_EQ(textureSizeLimit(16384, false, 2), 16384);
    EXPECT_EQ(textureSizeLimit(16384, true, 2), 256);
    EXPECT_EQ(textureSizeLimit(512, true, 4), 512);  // the implementation's maximum is never exceeded
    EXPECT_EQ(textureSizeLimit(0, false, 0), 64);    // before a view has read it
}

// A 24-bit bitmap whose pixel (x, y from the top) is gradient(x, y).
std::uint32_t gradient(int x, int y) { return ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x ^ y) & 0xFF); }
std::string gradientBmp(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string px(std::size_t(stride) * height, '\0');
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) putLe(px, std::size_t(r) * stride + x * 3, gradient(x, height - 1 - r), 3);
    return buildBmp(width, height, 24, px);
}
std::uint32_t texel(const TextureImage& t, int x, int y) {
    const std::uint8_t* p = &t.pixels[(std::size_t(y) * t.width + x) * 3];
    return (p[0] << 16) | (p[1] << 8) | p[2];
}

TEST(TextureImage, LoadsSquareByNearestPixelTopRowFirst) {
    TextureTestScope scope;
    const std::string path = scope.dir.write("g.bmp", gradientBmp(256, 256));
    auto big = loadTextureImage(path, 1024, scope.ui);
    ASSERT_TRUE(big);
    ASSERT_EQ(big->width, 512);
    ASSERT_EQ(big->height, 512);
    ASSERT_EQ(big->pixels.size(), 512u * 512 * 3);
    for (int y : {0, 1, 2, 255, 511})
        for (int x : {0, 1, 3, 300, 511}) EXPECT_EQ(texel(*big, x, y), gradient(x / 2, y / 2)) << x << "," << y;
    auto same = loadTextureImage(path, 256, scope.ui);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->width, 256);
    for (int y = 0; y < 256; y += 17)
        for (int x = 0; x < 256; x += 13) EXPECT_EQ(texel(*same, x, y), gradient(x, y));

    // Row i takes picture row 30·i/128 counted through the two flips, column 100·j/128.
    auto wide = loadTextureImage(scope.dir.write("w.bmp", gradientBmp(100, 30)), 16384, scope.ui);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 128);
    EXPECT_EQ(wide->height, 128);
    for (int i : {0, 5, 64, 127})
        for (int j : {0, 7, 127}) EXPECT_EQ(texel(*wide, j, i), gradient(100 * j / 128, 29 - 30 * (127 - i) / 128));
    auto tiny = loadTextureImage(scope.dir.write("t.bmp", gradientBmp(40, 40)), 16384, scope.ui);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->width, 64);

    auto tall = loadTextureImage(scope.dir.write("tall.bmp", gradientBmp(300, 2000)),
                                 textureSizeLimit(16384, true, 2), scope.ui);
    ASSERT_TRUE(tall);
    EXPECT_EQ(tall->width, 256);
    EXPECT_EQ(tall->height, 256);
    EXPECT_EQ(texel(*tall, 255, 255), gradient(300 * 255 / 256, 1999));
    EXPECT_TRUE(scope.ui.entries.empty());
}

TEST(TextureImage, DecoderChosenByExtensionOfFileName) {
    TextureTestScope scope;
    const std::string jpeg = readFile(corpusTexture("jpeg_rgb_baseline_92x92.jpg"));
    for (const char* name : {"a.JPG", "b.jpeg", "c.JpEg", ".jpg"}) {
        auto t = loadTextureImage(scope.dir.write(name, jpeg), 1024, scope.ui);
        ASSERT_TRUE(t) << name;
        EXPECT_EQ(t->width, 128);
    }
    for (const char* name : {"d.jpg.bmp", "dir.jpg/f"}) {
        scope.ui.entries.clear();
        EXPECT_FALSE(loadTextureImage(scope.dir.write(name, jpeg), 1024, scope.ui));
        EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{"Unknown DIB file format."}) << name;
    }
}

TEST(TextureImage, FitRescalesWithoutFlip) {
    Material m;
    m.texture = std::make_unique<TextureImage>(TextureImage{2, 2, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}});
    m.hasTexture = true;
    fitTextureImage(m, 4);
    ASSERT_EQ(m.texture->width, 4);
    ASSERT_EQ(m.texture->height, 4);
    EXPECT_TRUE(m.hasTexture);
    const std::uint8_t expect[16] = {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.texture->pixels[i * 3], expect[i]) << i;
    fitTextureImage(m, 1);
    EXPECT_EQ(m.texture->pixels, (std::vector<std::uint8_t>{1, 1, 1}));
}

}  // namespace
}  // namespace plikatra::test
