#include <gtest/gtest.h>

#include <cmath>

#include "output/bitmap_file.h"
#include "output/bitmap_render.h"
#include "output/bitmap_size_dialog.h"
#include "output/export_format.h"
#include "output/png_encoder.h"
#include "output/recording_canvas.h"
#include "output_support.h"
#include "recording_front_end.h"
#include "textures/image_readers.h"
#include "test_util.h"

using namespace plikatra;
using Field = BitmapSizeDialog::Field;
using Kind = BitmapSizeDialog::OkOutcome::Kind;

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(BitmapFile, HeadersAndRowsAreLaidOutByteForByte) {
    RgbImage img(3, 2);
    img.pixel(0, 0)[0] = 10;  // top-left (10, 255, 255)
    std::uint8_t* p = img.pixel(2, 1);  // bottom-right (1, 2, 3)
    p[0] = 1, p[1] = 2, p[2] = 3;
    const std::vector<std::uint8_t> b = encodeBmp(img);
    ASSERT_EQ(b.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), 78u);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 24);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), 24u);
    EXPECT_EQ(le32(b, 38), 2834u);
    EXPECT_EQ(le32(b, 42), 2834u);
    EXPECT_EQ(le32(b, 46), 0u);
    EXPECT_EQ(le32(b, 50), 0u);
    // Bottom row first, blue green red, padding zeros.
    EXPECT_EQ(std::vector<int>(b.begin() + 54, b.end()),
              (std::vector<int>{255, 255, 255, 255, 255, 255, 3, 2, 1, 0, 0, 0,
                                255, 255, 10, 255, 255, 255, 255, 255, 255, 0, 0, 0}));
}

TEST(BitmapFile, WriteErrorsAreReturned) {
    test::TempDir dir;
    RgbImage img(4, 4);
    const std::string path = dir.path() + "/x.bmp";
    EXPECT_TRUE(writeBmpFile(path, img).ok());
    EXPECT_EQ(test::readFile(path).size(), 54u + 4 * 12);
    EXPECT_EQ(writeBmpFile(dir.path() + "/missing/x.bmp", img).message, "write error");
}

// A PNG file holds the same pixels and says how many make a metre, so it prints at its size.
TEST(BitmapFile, PngFilesKeepThePixelsAndTheResolution) {
    RgbImage img(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            std::uint8_t* p = img.pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x * 50), p[1] = static_cast<std::uint8_t>(y * 90), p[2] = 7;
        }
    test::TempDir dir;
    const std::string path = dir.path() + "/x.png";
    ASSERT_TRUE(writePngFile(path, img, 5 * 2.54 / 72, 3 * 2.54 / 144).ok());  // 72 and 144 pixels per inch
    const std::string file = test::readFile(path);
    RecordingFrontEnd ui;
    const auto decoded = readPngData({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()}, ui);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 5);
    EXPECT_EQ(decoded->height, 3);
    // The decoder hands rows over bottom first.
    for (int y = 0; y < 3; ++y)
        EXPECT_TRUE(std::equal(img.pixel(0, y), img.pixel(0, y) + 15, decoded->rgb.data() + (2 - y) * 15)) << y;
    const std::size_t phys = file.find("pHYs");
    ASSERT_NE(phys, std::string::npos);
    const std::vector<std::uint8_t> b(file.begin() + phys + 4, file.begin() + phys + 13);
    EXPECT_EQ(std::vector<int>(b.begin(), b.end()), (std::vector<int>{0, 0, 0x0B, 0x13, 0, 0, 0x16, 0x25, 1}));
    EXPECT_EQ(pixelsPerMetre(10, 0.0), 0);  // no extent: no resolution rather than a wrong one
    EXPECT_TRUE(encodePngFile(RgbImage(), 1, 1).empty());
    EXPECT_EQ(writePngFile(dir.path() + "/missing/x.png", img, 1, 1).message, "write error");
}

TEST(BitmapFile, OnlyPixelsLighterThan251InAllThreeBecomeWhite) {
    RgbImage img(3, 1);
    const std::uint8_t colours[3][3] = {{252, 252, 252}, {251, 252, 252}, {252, 253, 251}};
    for (int x = 0; x < 3; ++x)
        for (int c = 0; c < 3; ++c) img.pixel(x, 0)[c] = colours[x][c];
    slideColorToWhite(img);
    EXPECT_EQ(std::vector<int>(img.pixels.begin(), img.pixels.end()),
              (std::vector<int>{255, 255, 255, 251, 252, 252, 252, 253, 251}));
}

TEST(BitmapSizeDialog, NaturalSizeAndTheLimits) {
    // 100 cm across: 2834 pixels at 72 per inch.
    const BitmapSizeDialog file(100.0, 50.0, kBitmapFileLimit);
    EXPECT_EQ(file.naturalWidth(), 2834);
    EXPECT_EQ(file.text(Field::Width), "2834");
    EXPECT_EQ(file.text(Field::Height), "1417");
    EXPECT_EQ(file.text(Field::Scale), "100");
    const BitmapSizeDialog clip(100.0, 50.0, kClipboardBitmapLimit);
    EXPECT_EQ(clip.text(Field::Width), "1024");
    EXPECT_EQ(clip.text(Field::Height), "512");
    EXPECT_EQ(clip.text(Field::Scale), "36");
    // Taller than wide: the height limit decides the width.
    const BitmapSizeDialog tall(50.0, 100.0, kClipboardBitmapLimit);
    EXPECT_EQ(tall.text(Field::Width), "512");
    EXPECT_EQ(tall.text(Field::Height), "1024");
    EXPECT_EQ(tall.text(Field::Scale), "36");
    EXPECT_EQ(tall.ok().kind, Kind::Accept);
}

TEST(BitmapSizeDialog, TheThreeFieldsFollowEachOther) {
    // A natural width of 1001 pixels: 35.33 cm.
    BitmapSizeDialog d(35.33, 17.665, kBitmapFileLimit);
    ASSERT_EQ(d.naturalWidth(), 1001);
    std::vector<std::pair<Field, std::string>> shown;
    d.onFieldSet = [&](Field f, const std::string& text) {
        shown.push_back({f, text});
        // The window reports its own change back; the dialog must not take it as typing.
        d.edit(f, "999");
    };
    d.edit(Field::Scale, "50");
    EXPECT_EQ(d.text(Field::Width), "500");
    EXPECT_EQ(d.text(Field::Height), "250");
    EXPECT_EQ(shown.size(), 2u);
    d.edit(Field::Width, "2002");
    EXPECT_EQ(d.text(Field::Height), "1001");
    EXPECT_EQ(d.text(Field::Scale), "200");
    d.edit(Field::Height, "100");
    EXPECT_EQ(d.text(Field::Width), "200");
    EXPECT_EQ(d.text(Field::Scale), "20");
    d.edit(Field::Scale, "12.5");
    EXPECT_EQ(d.text(Field::Width), "125");
    // Not a positive number: only the field itself changes.
    d.edit(Field::Width, "");
    EXPECT_EQ(d.text(Field::Height), "63");
    d.edit(Field::Scale, "-3");
    EXPECT_EQ(d.text(Field::Width), "");
}

TEST(BitmapSizeDialog, OkRefusesSizesOutsideTheLimitAndAsksAboutLargeFiles) {
    BitmapSizeDialog d(100.0, 100.0, kBitmapFileLimit);
    d.edit(Field::Width, "2000");
    EXPECT_EQ(d.text(Field::Height), "2000");
    EXPECT_EQ(d.ok().kind, Kind::Accept);  // 12 MB
    d.edit(Field::Width, "2400");
    const auto ask = d.ok();
    EXPECT_EQ(ask.kind, Kind::Ask);
    EXPECT_EQ(ask.text, "The BMP file size will be about 17 MB.\nIt may not be saved correctly in Windows98/ME. Continue?");
    d.edit(Field::Width, "4097");
    const auto refused = d.ok();
    EXPECT_EQ(refused.kind, Kind::Invalid);
    EXPECT_EQ(refused.text, "Specify a value of 1 - 4096 for vertical and horizontal pixel number");
    d.edit(Field::Height, "0");
    EXPECT_EQ(d.ok().kind, Kind::Invalid);
    BitmapSizeDialog clip(10.0, 10.0, kClipboardBitmapLimit);
    clip.edit(Field::Height, "abc");
    EXPECT_EQ(clip.ok().text, "Specify a value of 1 - 1024 for vertical and horizontal pixel number");
}

// Renders a fixed image and remembers what it was asked for.
class FakeRaster : public RasterSource {
public:
    std::vector<RasterRequest> requests;
    std::string failure;
    RasterResult render(const RasterRequest& r) override {
        requests.push_back(r);
        if (!failure.empty()) return {{}, failure};
        RgbImage img(r.width, r.height, {252, 252, 252});
        img.pixel(0, 0)[0] = 100;
        return {img, {}};
    }
};

class RecordingImageCanvas : public ImageCanvasFactory {
public:
    FixedTextMetrics metrics;
    std::vector<CanvasOp> ops;
    struct Canvas : RecordingCanvas {
        RecordingImageCanvas& owner;
        Canvas(RecordingImageCanvas& o) : RecordingCanvas(o.metrics), owner(o) {}
        ~Canvas() override { owner.ops = ops; }
    };
    std::unique_ptr<plikatra::Canvas> canvasOn(RgbImage&) override { return std::make_unique<Canvas>(*this); }
};

TEST(BitmapRender, RequestsTheExtentAtTheImageScaleAndAddsTheTexts) {
    test::SheetBuilder s;
    s.drawing.mag2d = 2.0;
    Part* p = s.part(1, 2, 10, 5);
    s.face(p, {{2, 3}, {10, 3}, {10, 6}});
    s.text("Label", 4, 5, 36, 0x00FF00)->width = 2.0;
    const SheetExtent extent = sheetExtentOf(s.drawing);
    EXPECT_DOUBLE_EQ(extent.x, 1.0);
    EXPECT_DOUBLE_EQ(extent.width, 10.0);
    EXPECT_DOUBLE_EQ(extent.height, 5.0);

    FakeRaster raster;
    RecordingImageCanvas texts;
    RgbImage image;
    BitmapOptions o;
    ASSERT_TRUE(renderBitmap(s.drawing, extent, 400, 200, o, raster, &texts, image).ok());
    ASSERT_EQ(raster.requests.size(), 1u);
    const RasterRequest& r = raster.requests[0];
    EXPECT_EQ(r.width, 400);
    EXPECT_EQ(r.height, 200);
    EXPECT_DOUBLE_EQ(r.pixelsPerCm, 20.0);  // 400 pixels over 20 cm
    EXPECT_DOUBLE_EQ(r.left, 2.0);
    EXPECT_DOUBLE_EQ(r.top, 4.0);
    EXPECT_FALSE(r.texturesOnly);
    // Near-white became white; the rest kept.
    EXPECT_EQ(image.pixel(1, 1)[0], 255);
    EXPECT_EQ(image.pixel(0, 0)[0], 100);

    ASSERT_EQ(texts.ops.size(), 1u);
    const CanvasOp& t = texts.ops[0];
    EXPECT_EQ(t.text, "Label");
    EXPECT_EQ(t.anchor, TextAnchor::BaselineLeft);
    EXPECT_EQ(t.textColor, (DeviceColor{0, 255, 0}));
    EXPECT_EQ(t.points[0], (IntPoint{120, 120}));  // 20 × (4 - 1) × 2, 20 × (5 - 2) × 2
    // 36 points at 20 pixels per centimetre: 25.4 pixels; tenths of a point for a 96 ppi
    // device: int(20 × 36 / (96 / 2.54) × 10) = 190, back to 25 pixels.
    EXPECT_EQ(t.font.height, -25);
    EXPECT_EQ(t.font.face, "Arial");
}

TEST(BitmapRender, FailuresComeBackAsMessages) {
    test::SheetBuilder s;
    Part* p = s.part(0, 0, 10, 5);
    s.face(p, {{0, 0}, {10, 0}, {10, 5}});
    FakeRaster raster;
    raster.failure = kMsgOpenGlContextError;
    test::TempDir dir;
    const std::string path = dir.path() + "/x.bmp";
    EXPECT_EQ(exportBitmapFile(path, s.drawing, sheetExtentOf(s.drawing), 100, 50, {}, raster, nullptr).message,
              "OpenGL Context Error");
    raster.failure.clear();
    EXPECT_EQ(exportBitmapFile(path, s.drawing, sheetExtentOf(s.drawing), 0, 50, {}, raster, nullptr).message,
              "Failed to create BMP");
    ASSERT_TRUE(exportBitmapFile(path, s.drawing, sheetExtentOf(s.drawing), 100, 50, {}, raster, nullptr).ok());
    EXPECT_EQ(test::readFile(path).size(), 54u + 300u * 50u);
}

TEST(DevelopmentFileFormat, ChosenByTheExtensionIgnoringCase) {
    EXPECT_EQ(developmentFileFormat("/a/b/Net.BMP"), DevelopmentFileFormat::Bitmap);
    EXPECT_EQ(developmentFileFormat("net.emf"), DevelopmentFileFormat::Metafile);
    EXPECT_EQ(developmentFileFormat("net.Eps"), DevelopmentFileFormat::Eps);
    EXPECT_EQ(developmentFileFormat("net.svg"), DevelopmentFileFormat::Svg);
    EXPECT_EQ(developmentFileFormat("net.PDF"), DevelopmentFileFormat::Pdf);
    EXPECT_EQ(developmentFileFormat("net.Png"), DevelopmentFileFormat::Png);
    EXPECT_EQ(developmentFileFormat("net.jpg"), DevelopmentFileFormat::Unsupported);
    EXPECT_EQ(developmentFileFormat("/dir.emf/net"), DevelopmentFileFormat::Unsupported);
}

}  // namespace
