// Images that declare more pixels than their bytes can hold are refused before anything is
// allocated for the pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "texture_test_util.h"

namespace plikatra::test {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// A baseline JPEG header (frame, one Huffman table pair, scan start) for width × height and no
// image data worth the name: about 100 bytes.
std::string tinyJpeg(int width, int height) {
    std::string j = "\xFF\xD8";
    j += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    j += std::string("\xFF\xC0\x00\x0B\x08", 5);
    j += char(height >> 8), j += char(height & 0xFF), j += char(width >> 8), j += char(width & 0xFF);
    j += std::string("\x01\x01\x11\x00", 4);
    j += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    j += std::string("\x00\x00\xFF\xD9", 4);
    return j;
}

TEST(HostileImages, JpegDeclaringMorePixelsThanItsBytesIsRefusedBeforeDecoding) {
    RecordingFrontEnd ui;
    const std::string largest = tinyJpeg(65535, 65535);
    ASSERT_LE(largest.size(), 110u);
    // The decoder itself refuses the largest sides while reading the header.
    EXPECT_FALSE(readJpegData(bytesOf(largest), ui));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Maximum supported image dimension is 65500 pixels"});
    ui.entries.clear();
    EXPECT_FALSE(readJpegData(bytesOf(tinyJpeg(65000, 65000)), ui));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Image too large to load (65000 x 65000 pixels)"});
    // Within the largest side but far beyond what 100 bytes can describe.
    ui.entries.clear();
    EXPECT_FALSE(readJpegData(bytesOf(tinyJpeg(2000, 2000)), ui));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Image too large to load (2000 x 2000 pixels)"});
    // A small picture passes the size rule and reaches the decoder.
    ui.entries.clear();
    readJpegData(bytesOf(tinyJpeg(16, 16)), ui);
    for (const auto& e : ui.entries) EXPECT_EQ(e.text.find("too large"), std::string::npos) << e.text;
}

// A progressive colour JPEG keeps every coefficient of the picture until its last scan: for
// 9000 × 9000 pixels about 490 MB. Padded with comments so that the size rule lets it through,
// it must stop at the decoder's own memory limit, before any of that or the picture's 243 MB
// of output is taken.
TEST(HostileImages, ProgressiveJpegBeyondTheDecodersMemoryLimitIsRefused) {
    const int side = 9000;
    std::string j = "\xFF\xD8";
    for (int i = 0; i < 2; ++i) j += std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, ' ');
    j += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    j += std::string("\xFF\xC2\x00\x11\x08", 5);
    j += char(side >> 8), j += char(side & 0xFF), j += char(side >> 8), j += char(side & 0xFF);
    j += std::string("\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00", 10);
    j += std::string("\xFF\xDA\x00\x0C\x03\x01\x00\x02\x00\x03\x00\x00\x00\x00", 14);
    j += std::string("\x00\x00\xFF\xD9", 4);
    ASSERT_GE(j.size() * 1024, std::size_t(side) * side);
    RecordingFrontEnd ui;
    EXPECT_FALSE(readJpegData(bytesOf(j), ui));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Backing store not supported"});
}

TEST(HostileImages, BitmapDeclaringMorePixelsThanItsBytesIsRefused) {
    RecordingFrontEnd ui;
    for (const std::string& bmp : {buildBmp(16384, 16384, 24, "x"), buildBmp(16384, 16384, 8, "\x02\x00", 1),
                                   buildBmp(60000, 2, 24, "x")}) {
        ui.entries.clear();
        EXPECT_FALSE(readBmpData(bytesOf(bmp), ui));
        EXPECT_EQ(ui.texts(), std::vector<std::string>{"Image file conversion error."});
    }
}

}  // namespace
}  // namespace plikatra::test
