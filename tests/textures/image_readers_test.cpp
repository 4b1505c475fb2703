#include <gtest/gtest.h>

#include "texture_test_util.h"

namespace plikatra::test {
namespace {

// FNV-1a over the pixels top row first, the order of a raw RGB dump.
std::uint64_t topDownHash(const DecodedImage& img) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int y = img.height - 1; y >= 0; --y)
        for (int i = 0; i < img.width * 3; ++i)
            h = (h ^ img.rgb[(std::size_t(y) * img.width * 3) + i]) * 0x100000001b3ull;
    return h;
}

// Hashes of an independent image tool's raw RGB dump of each corpus picture. The 6 × 6
// pictures are two rows each of red, green and blue, stored bottom-up and top-down.
TEST(ImageReaders, CorpusPicturesMatchReferenceDump) {
    const struct {
        const char* file;
        int width, height;
        std::uint64_t hash;
    } cases[] = {
        {"bmp8_palette_6x6.bmp", 6, 6, 0xc6e52ba550e565e9ull},
        {"bmp8_palette_6x6_topdown.bmp", 6, 6, 0xc6e52ba550e565e9ull},
        {"bmp32_d_64x64.bmp", 64, 64, 0xe4e00a54952125d5ull},
        {"bmp8_os2_core_435x353.bmp", 435, 353, 0xa02042bd129fecc1ull},
        {"bmpsuite_pal8rle.bmp", 127, 64, 0x4598e7515a0f7954ull},
        {"bmpsuite_pal8v4.bmp", 127, 64, 0x4598e7515a0f7954ull},
        {"bmpsuite_rgb24.bmp", 127, 64, 0x7cd8f819ae69b2afull},
        {"bmpsuite_rgb32.bmp", 127, 64, 0x7cd8f819ae69b2afull},
        {"jpeg_gray_progressive_1024x64.jpg", 1024, 64, 0x1366a3690896cc14ull},
        {"jpeg_rgb_baseline_92x92.jpg", 92, 92, 0x6ec1c81dd0b58c2bull},
        {"jpeg_rgb_baseline_stone_256.jpg", 256, 256, 0xe5d26362bfc7852eull},
        {"jpeg_rgb_progressive_1024.jpg", 1024, 1024, 0x12c3830cee14de8cull},
    };
    TextureTestScope scope;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = corpusTexture(c.file);
        auto img = std::string(c.file).ends_with(".jpg") ? readJpegImage(path, scope.ui) : readBmpImage(path, scope.ui);
        ASSERT_TRUE(img);
        EXPECT_EQ(img->width, c.width);
        EXPECT_EQ(img->height, c.height);
        ASSERT_EQ(img->rgb.size(), std::size_t(c.width) * c.height * 3);
        EXPECT_EQ(topDownHash(*img), c.hash);
    }
    EXPECT_TRUE(scope.ui.entries.empty());

    auto grey = readJpegImage(corpusTexture("jpeg_gray_progressive_rocks_disp.jpg"), scope.ui);
    ASSERT_TRUE(grey);
    for (std::size_t i = 0; i < grey->rgb.size(); i += 3) {
        ASSERT_EQ(grey->rgb[i], grey->rgb[i + 1]);
        ASSERT_EQ(grey->rgb[i], grey->rgb[i + 2]);
    }
}

// Formats the corpus lacks, with values worked out by hand.
TEST(ImageReaders, OneBitRle4AndBitFieldBitmaps) {
    TextureTestScope scope;
    const std::string pal = std::string("\x33\x22\x11\0\xCC\xBB\xAA\0", 8) + std::string(20, '\x01');
    // Bottom row 1010000011, top row 0111111110, rows padded to 4 bytes.
    auto one = readBmpImage(scope.dir.write("1.bmp", buildBmp(10, 2, 1, std::string("\xA0\xC0\0\0\x7F\x80\0\0", 8), 0, pal, 2)), scope.ui);
    ASSERT_TRUE(one);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(decodedPixel(*one, x, 0), x == 0 || x == 9 ? 0x112233u : 0xAABBCCu) << x;
        EXPECT_EQ(decodedPixel(*one, x, 1), x == 0 || x == 2 || x >= 8 ? 0xAABBCCu : 0x112233u) << x;
    }
    // Bottom row: run 1 2 1 2; row 1: absolute 0 1 0, then a skip right 1 and up 1; top row
    // at x = 4: run 1 1; end. Skipped pixels take entry 0; a run past the row end is clipped.
    const std::string rle(
        "\x09\x12\x00\x00" "\x00\x03\x01\x00" "\x00\x02\x01\x01" "\x02\x11\x00\x01", 16);
    auto rle4 = readBmpImage(scope.dir.write("r.bmp", buildBmp(6, 3, 4, rle, 2, pal.substr(0, 12), 3)), scope.ui);
    ASSERT_TRUE(rle4);
    const char* rows[] = {"000011", "010000", "121212"};
    const std::uint32_t colors[] = {0x112233, 0xAABBCC, 0x010101};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(decodedPixel(*rle4, x, y), colors[rows[y][x] - '0']) << x << "," << y;
    // 5-6-5 masks after the header: pure green, then green 1 of 63 (scaled to 4).
    const std::string masks("\x00\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12);
    auto bf = readBmpImage(scope.dir.write("b.bmp", buildBmp(2, 1, 16, std::string("\xE0\x07\x20\x00", 4), 3, masks)), scope.ui);
    ASSERT_TRUE(bf);
    EXPECT_EQ(decodedPixel(*bf, 0, 0), 0x00FF00u);
    EXPECT_EQ(decodedPixel(*bf, 1, 0), 0x000400u);
    EXPECT_TRUE(scope.ui.entries.empty());
}

TEST(ImageReaders, BrokenBitmapsGiveTheirMessage) {
    TextureTestScope scope;
    const std::string pixels(16, '\x7F');
    const std::string black(4, '\0');  // a one-entry colour table
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {buildBmp(2, 2, 24, pixels, 0, "", 0, 20), "Unknown DIB file format."},
        {buildBmp(2, 2, 24, pixels.substr(0, 9)), "Image file conversion error."},  // truncated
        {buildBmp(2, 2, 2, pixels), "Image file conversion error."},
        {buildBmp(2, 2, 24, pixels, 5), "Image file conversion error."},  // embedded PNG
        {buildBmp(16385, 1, 24, pixels), "Image file conversion error."},
        {buildBmp(1, -16385, 24, pixels), "Image file conversion error."},
        {buildBmp(16384, 16384, 24, pixels), "Image file conversion error."},  // no such data
        {buildBmp(16384, 16384, 8, std::string("\0\1", 2), 1, black, 1), "Image file conversion error."},
        {buildBmp(2, 2, 8, pixels, 0, "", 0x40000000), "Image file conversion error."},
        {buildBmp(2, 2, 8, std::string("\2\0\0\0", 4), 1, black, 1), "Image file conversion error."},  // no end
        {"BM", "Image file conversion error."},
        {"", "Failed to open DIB file " + scope.dir.path() + "/bad.bmp.\n"},
    };
    for (const auto& c : cases) {
        scope.ui.entries.clear();
        EXPECT_FALSE(readBmpImage(scope.dir.write("bad.bmp", c.bytes), scope.ui));
        ASSERT_EQ(scope.ui.entries.size(), 1u);
        EXPECT_EQ(scope.ui.entries[0].text, c.text);
        EXPECT_EQ(scope.ui.entries[0].caption, "Error");
    }
}

TEST(ImageReaders, JpegFailuresShowTheirMessages) {
    TextureTestScope scope;
    auto expectOnly = [&](const std::string& text, const std::string& caption) {
        ASSERT_EQ(scope.ui.entries.size(), 1u);
        EXPECT_EQ(scope.ui.entries[0].text, text);
        EXPECT_EQ(scope.ui.entries[0].caption, caption);
        scope.ui.entries.clear();
    };
    const std::string missing = scope.dir.path() + "/none.jpg";
    EXPECT_FALSE(readJpegImage(missing, scope.ui));
    expectOnly("JPEG :\nCan't open " + missing + "\n", kAppTitle);
    EXPECT_FALSE(readJpegImage(scope.dir.write("bad.jpg", "GARBAGE"), scope.ui));
    expectOnly("Not a JPEG file: starts with 0x47 0x41", "JPEG Error");
    // A real header whose frame is raised to 16000 × 16000, far beyond the file's data.
    std::string jpeg = readFile(corpusTexture("jpeg_rgb_baseline_92x92.jpg"));
    const std::size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg.replace(sof + 5, 4, "\x3E\x80\x3E\x80");
    EXPECT_FALSE(readJpegImage(scope.dir.write("huge.jpg", jpeg), scope.ui));
    expectOnly("Image too large to load (16000 x 16000 pixels)", "JPEG Error");
}

}  // namespace
}  // namespace plikatra::test
