// PNG textures: every colour type and bit depth, and damaged files.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "texture_test_util.h"

namespace plikatra::test {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// What a picture is written as: the colour type, the bit depth, the samples of each row
// packed as the format stores them (before filtering), a palette and a tRNS chunk.
struct PngPicture {
    int width = 0, height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    std::vector<std::string> rows;
    std::vector<png_color> palette;
    std::string trnsAlphas;        // palette alphas
    bool trnsColor = false;        // a transparent grey or RGB value
    bool interlaced = false;
};

void appendBytes(png_structp png, png_bytep data, png_size_t n) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}

std::string writePng(const PngPicture& pic) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "writing the test picture failed";
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, pic.width, pic.height, pic.bitDepth, pic.colorType,
                 pic.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!pic.palette.empty()) png_set_PLTE(png, info, pic.palette.data(), int(pic.palette.size()));
    if (!pic.trnsAlphas.empty())
        png_set_tRNS(png, info, reinterpret_cast<png_const_bytep>(pic.trnsAlphas.data()),
                     int(pic.trnsAlphas.size()), nullptr);
    if (pic.trnsColor) {
        png_color_16 c{};
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& r : pic.rows) rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A 3 × 2 picture.
PngPicture picture(int colorType, int bitDepth, std::vector<std::string> rows, std::vector<png_color> palette = {},
                std::string trnsAlphas = "", bool trnsColor = false) {
    PngPicture s;
    s.width = 3, s.height = 2, s.colorType = colorType, s.bitDepth = bitDepth;
    s.rows = std::move(rows), s.palette = std::move(palette), s.trnsAlphas = std::move(trnsAlphas);
    s.trnsColor = trnsColor;
    return s;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += char(v);
    return s;
}

// All pixels, top row first, as 0xRRGGBB.
std::vector<std::uint32_t> pixelsOf(const DecodedImage& img) {
    std::vector<std::uint32_t> p;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) p.push_back(decodedPixel(img, x, y));
    return p;
}

TEST(PngReader, EveryColourTypeAndBitDepthComesOutAsRgbWithoutAlpha) {
    const std::vector<png_color> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0x12, 0x34, 0x56}};
    const struct {
        const char* name;
        PngPicture pic;
        std::vector<std::uint32_t> expected;  // 3 × 2 pixels, top row first
    } cases[] = {
        {"rgb 8", picture(PNG_COLOR_TYPE_RGB, 8, {bytes({255, 0, 0, 0, 255, 0, 0, 0, 255}), bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x040506, 0x070809}},
        // Alpha is dropped, not blended: a fully transparent pixel keeps its colour.
        {"rgba 8", picture(PNG_COLOR_TYPE_RGBA, 8,
                    {bytes({255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255}), bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0})}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x040506, 0x070809}},
        // 16-bit samples scale to 8 bits: 0x1234 * 255 / 65535 rounds to 0x12.
        {"rgb 16", picture(PNG_COLOR_TYPE_RGB, 16,
                    {bytes({0xFF, 0xFF, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0, 0, 0, 0, 0xFF, 0xFF}),
                     bytes({0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00})}),
         {0xFF0000, 0x12569A, 0x0000FF, 0x808080, 0x000000, 0x010203}},
        {"grey 1", picture(PNG_COLOR_TYPE_GRAY, 1, {bytes({0b10100000}), bytes({0b01000000})}),
         {0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000}},
        // A transparent grey value is ignored like any other alpha.
        {"grey 8 with tRNS", picture(PNG_COLOR_TYPE_GRAY, 8, {bytes({0, 1, 2}), bytes({100, 200, 255})}, {}, "", true),
         {0x000000, 0x010101, 0x020202, 0x646464, 0xC8C8C8, 0xFFFFFF}},
        {"grey 16", picture(PNG_COLOR_TYPE_GRAY, 16, {bytes({0, 0, 0x12, 0x34, 0xFF, 0xFF}), bytes({0x80, 0, 0x7F, 0xFF, 1, 0})}),
         {0x000000, 0x121212, 0xFFFFFF, 0x808080, 0x7F7F7F, 0x010101}},
        {"grey+alpha 16", picture(PNG_COLOR_TYPE_GRAY_ALPHA, 16,
                           {bytes({0x12, 0x34, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}),
                            bytes({0x80, 0, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0})}),
         {0x121212, 0xFFFFFF, 0x000000, 0x808080, 0x000000, 0x000000}},
        // Palette entries with alpha: the alpha goes, the colour stays.
        {"palette 2 with tRNS", picture(PNG_COLOR_TYPE_PALETTE, 2, {bytes({0b00011000}), bytes({0b11000100})}, palette, bytes({0, 128})),
         {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFF0000, 0x00FF00}},
    };
    RecordingFrontEnd ui;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = writePng(c.pic);
        auto img = readPngData(bytesOf(file), ui);
        ASSERT_TRUE(img) << (ui.entries.empty() ? "" : ui.entries.back().text);
        EXPECT_EQ(img->width, 3);
        EXPECT_EQ(img->height, 2);
        EXPECT_EQ(pixelsOf(*img), c.expected);
    }
    EXPECT_TRUE(ui.entries.empty());
}

// A picture with every pixel different, interlaced and not: both read alike.
PngPicture gradient(int width, int height, bool interlaced) {
    PngPicture s;
    s.width = width, s.height = height, s.interlaced = interlaced;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += bytes({x * 7 & 0xFF, y * 13 & 0xFF, (x ^ y) & 0xFF});
        s.rows.push_back(row);
    }
    return s;
}

TEST(PngReader, InterlacedPicturesReadAsPlainOnes) {
    RecordingFrontEnd ui;
    auto plain = readPngData(bytesOf(writePng(gradient(37, 23, false))), ui);
    auto interlaced = readPngData(bytesOf(writePng(gradient(37, 23, true))), ui);
    ASSERT_TRUE(plain && interlaced);
    EXPECT_EQ(decodedPixel(*plain, 5, 3), (35u << 16) | (39u << 8) | 6u);
    EXPECT_EQ(plain->rgb, interlaced->rgb);
}

// The corpus duck's picture saved as PNG holds the same pixels as its bitmap.
TEST(PngReader, CorpusDuckPictureMatchesItsBitmap) {
    const std::string png = std::string(PLIKATRA_SHARED_CORPUS_DIR) + "/gltf/duck/duckCM.png";
    if (!std::filesystem::exists(png)) GTEST_SKIP() << "no shared corpus";
    RecordingFrontEnd ui;
    auto fromPng = readPngImage(png, ui);
    auto fromBmp = readBmpImage(std::string(PLIKATRA_CORPUS_DIR) + "/obj/duck/images/duckCM.bmp", ui);
    ASSERT_TRUE(fromPng && fromBmp);
    EXPECT_EQ(fromPng->width, 512);
    EXPECT_EQ(fromPng->rgb, fromBmp->rgb);
}

TEST(PngReader, TexturesLoadPngByExtensionInAnyCase) {
    TextureTestScope scope;
    const std::string path = scope.dir.write("t.PNG", writePng(gradient(100, 30, false)));
    EXPECT_EQ(imageFormatOf(path), ImageFormat::Png);
    auto texture = loadTextureImage(path, 1024, scope.ui);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->width, 128);
    EXPECT_EQ(texture->height, 128);
    EXPECT_TRUE(scope.ui.entries.empty());

    EXPECT_FALSE(loadTextureImage(scope.dir.path() + "/missing.png", 1024, scope.ui));
    EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{format(kMsgPngOpenFailed, (scope.dir.path() + "/missing.png").c_str())});
}

// Each message comes from one refused read, in the decoder's box.
void expectRefused(const std::string& file, RecordingFrontEnd& ui) {
    ui.entries.clear();
    EXPECT_FALSE(readPngData(bytesOf(file), ui));
    ASSERT_EQ(ui.entries.size(), 1u);
    EXPECT_FALSE(ui.entries[0].text.empty());
}

TEST(PngReader, TruncatedFilesAreRefusedAtEveryLength) {
    RecordingFrontEnd ui;
    for (bool interlaced : {false, true}) {
        const std::string file = writePng(gradient(40, 30, interlaced));
        // The last 12 bytes are the closing chunk, which holds no pixels.
        for (std::size_t n = 0; n + 12 < file.size(); ++n) {
            SCOPED_TRACE(n);
            expectRefused(file.substr(0, n), ui);
        }
    }
    const std::string file = writePng(gradient(40, 30, false));
    expectRefused(file.substr(0, file.size() / 2), ui);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kMsgPngTruncated});
}

TEST(PngReader, RandomAndCorruptedBytesNeverCrash) {
    RecordingFrontEnd ui;
    std::mt19937 random(7);
    const std::string signature = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 300; ++i) {
        std::string junk = i % 2 ? signature : "";
        const int n = int(random() % 400);
        for (int k = 0; k < n; ++k) junk += char(random());
        expectRefused(junk, ui);
    }
    // Bytes changed in a valid file: refused with a message, or read as some picture.
    const std::string good = writePng(gradient(20, 20, false));
    for (int i = 0; i < 500; ++i) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k) bad[random() % bad.size()] = char(random());
        ui.entries.clear();
        auto img = readPngData(bytesOf(bad), ui);
        EXPECT_EQ(ui.entries.size(), img ? 0u : 1u);
        if (img) {
            EXPECT_EQ(img->rgb.size(), std::size_t(img->width) * img->height * 3);
        }
    }
}

// A chunk with its length and check sum.
std::string chunk(const std::string& type, const std::string& data) {
    std::string s;
    const auto be32 = [&s](std::uint32_t v) {
        for (int i = 3; i >= 0; --i) s += char((v >> (8 * i)) & 0xFF);
    };
    be32(std::uint32_t(data.size()));
    s += type + data;
    const std::string checked = type + data;
    be32(std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(checked.data()), uInt(checked.size()))));
    return s;
}

std::string headerOnlyPng(std::uint32_t width, std::uint32_t height) {
    std::string ihdr;
    for (std::uint32_t v : {width, height})
        for (int i = 3; i >= 0; --i) ihdr += char((v >> (8 * i)) & 0xFF);
    ihdr += bytes({8, 2, 0, 0, 0});
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + chunk("IDAT", bytes({0x78, 0x9C, 0x03, 0, 0, 0, 0, 1})) +
           chunk("IEND", "");
}

TEST(PngReader, HeadersAskingForMoreThanTheFileHoldsAreRefusedBeforeAllocating) {
    RecordingFrontEnd ui;
    EXPECT_FALSE(readPngData(bytesOf(headerOnlyPng(16384, 16384)), ui));
    EXPECT_FALSE(readPngData(bytesOf(headerOnlyPng(16385, 2)), ui));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"Image too large to load (16384 x 16384 pixels)",
                                                   "Image too large to load (16385 x 2 pixels)"}));
}

long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Chunks that do not make pixels are passed over: one that claims two gigabytes costs nothing
// when the file ends inside it, and a complete one does not stop the picture from reading.
TEST(PngReader, OtherChunksArePassedOverUnread) {
    const std::string good = writePng(gradient(4, 4, false));
    const std::size_t afterHeader = 8 + 25;
    RecordingFrontEnd ui;
    const long before = peakMemoryKb();
    expectRefused(good.substr(0, afterHeader) + bytes({0x7F, 0xFF, 0xFF, 0xF0}) + "sPLTname", ui);
    EXPECT_LT(peakMemoryKb() - before, 100 * 1024);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kMsgPngTruncated});

    ui.entries.clear();
    const std::string withText = good.substr(0, afterHeader) + chunk("tEXt", std::string("Comment\0hello", 13)) +
                                 chunk("zTXt", "broken") + good.substr(afterHeader);
    EXPECT_TRUE(readPngData(bytesOf(withText), ui));
    EXPECT_TRUE(ui.entries.empty());
}

}  // namespace
}  // namespace plikatra::test
