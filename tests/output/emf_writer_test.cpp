#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <numeric>

#include "development/development_drawing.h"
#include "output/emf_writer.h"
#include "output_support.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::EmfFile;
using plikatra::test::EmfRecord;

namespace {

std::vector<std::uint32_t> typesAfterHeader(const EmfFile& f) {
    std::vector<std::uint32_t> t = f.types();
    t.erase(t.begin(), t.begin() + 2);  // header and background mode
    return t;
}

TEST(EmfCanvas, HeaderDescribesThePictureAndTheReferenceDevice) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    const IntPoint square[] = {{96, 48}, {192, 48}, {192, 144}, {96, 144}};
    c.polygon(square);
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    const EmfRecord& h = f.records.front();
    EXPECT_EQ(f.types().at(1), kEmrSetBkMode);
    EXPECT_EQ(f.u32(f.records[1], 8), 1u);  // transparent
    EXPECT_EQ(std::vector<int>({f.i32(h, 8), f.i32(h, 12), f.i32(h, 16), f.i32(h, 20)}),
              (std::vector<int>{96, 48, 192, 144}));
    // Frame in hundredths of a millimetre at 96 pixels per inch.
    EXPECT_EQ(std::vector<int>({f.i32(h, 24), f.i32(h, 28), f.i32(h, 32), f.i32(h, 36)}),
              (std::vector<int>{2540, 1270, 5080, 3810}));
    EXPECT_EQ(f.u32(h, 44), kEmfVersion);
    EXPECT_EQ(f.u32(h, 60), 23u);
    EXPECT_EQ(f.u32(h, 64), 108u);
    EXPECT_EQ(f.utf16(h, 108, 23), std::string("KavimoZ\0KavimoZ image\0\0", 23));
    EXPECT_EQ(h.size, 108u + 48u);  // 23 characters padded to 48 bytes
    EXPECT_EQ(std::vector<int>({f.i32(h, 72), f.i32(h, 76), f.i32(h, 80), f.i32(h, 84)}),
              (std::vector<int>{1920, 1440, 508, 381}));
    EXPECT_EQ(f.i32(h, 100), 508000);
    EXPECT_EQ(f.i32(h, 104), 381000);
    EXPECT_EQ(f.handleProblems(), "");

    EmfCanvas clip(metrics, kEmfClipboardDescription, {300, 3000, 2400});
    const EmfFile g(clip.finish());
    ASSERT_EQ(g.error, "");
    const std::size_t n = g.u32(g.records.front(), 60);
    EXPECT_EQ(g.utf16(g.records.front(), 108, n), std::string("Plikatra Designer\0Plikatra Designer image\0\0", 43));
    EXPECT_EQ(g.i32(g.records.front(), 80), 254);  // 3000 pixels at 300 per inch
    // Nothing drawn: empty bounds.
    EXPECT_EQ(g.i32(g.records.front(), 16), -1);
}

TEST(EmfCanvas, ObjectsAreCreatedSelectedAndDeletedInTurn) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    const IntPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
    c.setPen(Pen::solid({255, 0, 0}, 3));
    c.setBrush(Brush::solid({0, 255, 0}));
    c.polygon(tri);
    c.polygon(tri);  // same objects: no new records
    c.setPen(Pen::solid(kWhite));
    c.setBrush(Brush::solid(kWhite));
    c.polygon(tri);
    c.setPen(Pen::none());
    c.setBrush(Brush::none());
    c.polygon(tri);
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(typesAfterHeader(f),
              (std::vector<std::uint32_t>{kEmrCreatePen, kEmrSelectObject, kEmrCreateBrushIndirect, kEmrSelectObject,
                                          kEmrPolygon16, kEmrPolygon16, kEmrSelectObject, kEmrDeleteObject,
                                          kEmrSelectObject, kEmrDeleteObject, kEmrPolygon16, kEmrSelectObject,
                                          kEmrSelectObject, kEmrPolygon16, kEmrEof}));
    const EmfRecord& pen = *f.of(kEmrCreatePen)[0];
    EXPECT_EQ(pen.size, 28u);
    EXPECT_EQ(f.u32(pen, 8), 1u);   // handle
    EXPECT_EQ(f.u32(pen, 12), 0u);  // solid
    EXPECT_EQ(f.i32(pen, 16), 3);   // width
    EXPECT_EQ(f.u32(pen, 24), 0x0000FFu);
    const EmfRecord& brush = *f.of(kEmrCreateBrushIndirect)[0];
    EXPECT_EQ(brush.size, 24u);
    EXPECT_EQ(f.u32(brush, 8), 2u);
    EXPECT_EQ(f.u32(brush, 16), 0x00FF00u);
    std::vector<std::uint32_t> selected;
    for (const EmfRecord* r : f.of(kEmrSelectObject)) selected.push_back(f.u32(*r, 8));
    EXPECT_EQ(selected, (std::vector<std::uint32_t>{1, 2, kEmfStockObject | kWhitePen, kEmfStockObject | kWhiteBrush,
                                                    kEmfStockObject | kNullPen, kEmfStockObject | kNullBrush}));
    EXPECT_EQ(f.u32(f.records.front(), 56) & 0xFFFF, 3u);  // handles 1 and 2 plus the reserved 0
    EXPECT_EQ(f.handleProblems(), "");
}

TEST(EmfCanvas, DashedPensCarryTheirPattern) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    c.setPen({Pen::Style::Dashed, kBlack, 4, {8, 20, 5, 20}});
    c.line({0, 0}, {100, 0});
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.of(kEmrExtCreatePen).size(), 1u);
    const EmfRecord& r = *f.of(kEmrExtCreatePen)[0];
    EXPECT_EQ(r.size, 52u + 4 * 4);
    EXPECT_EQ(f.u32(r, 28), 0x10000u | 7u | 0x200u);  // geometric, user style, flat ends
    EXPECT_EQ(f.u32(r, 32), 4u);
    EXPECT_EQ(f.u32(r, 48), 4u);
    EXPECT_EQ(std::vector<std::uint32_t>({f.u32(r, 52), f.u32(r, 56), f.u32(r, 60), f.u32(r, 64)}),
              (std::vector<std::uint32_t>{8, 20, 5, 20}));
    EXPECT_EQ(f.handleProblems(), "");
}

TEST(EmfCanvas, PolylinesCarryBoundsAndLeave16BitsWhenTheyMust) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    c.line({10, 20}, {30, 5});
    c.line({-5, 0}, {40000, 7});
    c.setTransform({100, 50, 2, 3});
    c.line({1, 1}, {2, 2});
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    const auto small = f.of(kEmrPolyline16);
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[0]->size, 36u);
    EXPECT_EQ(std::vector<int>({f.i32(*small[0], 8), f.i32(*small[0], 12), f.i32(*small[0], 16), f.i32(*small[0], 20)}),
              (std::vector<int>{10, 5, 30, 20}));
    EXPECT_EQ(f.points(*small[0]), (std::vector<IntPoint>{{10, 20}, {30, 5}}));
    EXPECT_EQ(f.points(*small[1]), (std::vector<IntPoint>{{102, 53}, {104, 56}}));
    const auto wide = f.of(kEmrPolyline);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0]->size, 44u);
    EXPECT_EQ(f.points(*wide[0]), (std::vector<IntPoint>{{-5, 0}, {40000, 7}}));
    EXPECT_EQ(f.i32(f.records.front(), 16), 40000);  // the header's bounds take everything in
}

TEST(EmfCanvas, TextCarriesTheAdvancesOfItsFont) {
    FreeTypeTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    const Font font{"Arial", -100, 400, 450};
    c.setFont(font);
    c.setTextColor({0, 0, 255});
    c.setTextAnchor(TextAnchor::BaselineLeft);
    c.text({200, 300}, "Wil1");
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(typesAfterHeader(f),
              (std::vector<std::uint32_t>{kEmrSetTextColor, kEmrExtCreateFontIndirectW, kEmrSelectObject,
                                          kEmrSetTextAlign, kEmrExtTextOutW, kEmrSelectObject, kEmrDeleteObject,
                                          kEmrEof}));
    const EmfRecord& fontRecord = *f.of(kEmrExtCreateFontIndirectW)[0];
    EXPECT_EQ(fontRecord.size, 332u);
    EXPECT_EQ(f.i32(fontRecord, 12), -100);  // height
    EXPECT_EQ(f.i32(fontRecord, 20), 450);   // escapement
    EXPECT_EQ(f.i32(fontRecord, 24), 450);   // orientation
    EXPECT_EQ(f.i32(fontRecord, 28), 400);   // weight
    EXPECT_EQ(f.utf16(fontRecord, 40, 6), std::string("Arial\0", 6));
    EXPECT_EQ(f.u32(*f.of(kEmrSetTextColor)[0], 8), 0xFF0000u);
    EXPECT_EQ(f.u32(*f.of(kEmrSetTextAlign)[0], 8), 24u);  // base line

    const EmfFile::Text t = f.text(*f.of(kEmrExtTextOutW)[0]);
    EXPECT_EQ(t.x, 200);
    EXPECT_EQ(t.y, 300);
    EXPECT_EQ(t.text, "Wil1");
    const TextLayout expected = metrics.layout(font, "Wil1");
    EXPECT_EQ(t.dx, expected.advances);
    EXPECT_EQ(std::accumulate(t.dx.begin(), t.dx.end(), 0), expected.width);
    // A wide and a narrow letter, at their face's proportions (Arial and its metric twin:
    // W is 0.944 em, i 0.222 em).
    ASSERT_EQ(t.dx.size(), 4u);
    if (metrics.faceFile(font).find("Liberation") != std::string::npos) {
        EXPECT_EQ(t.dx[0], 94);
        EXPECT_EQ(t.dx[1], 23);
        EXPECT_EQ(t.dx[3], 55);
    } else {
        EXPECT_GT(t.dx[0], 2 * t.dx[1]);
    }
}

TEST(EmfCanvas, RoundedAdvancesNeverDriftFromTheTextWidth) {
    FreeTypeTextMetrics metrics;
    const Font font{"Arial", 13, 400, 0};
    const std::string text(200, 'i');
    const TextLayout l = metrics.layout(font, text);
    const std::vector<double> exact = metrics.advances(font, decodeUtf8(text));
    const double width = std::accumulate(exact.begin(), exact.end(), 0.0);
    EXPECT_EQ(std::accumulate(l.advances.begin(), l.advances.end(), 0), l.width);
    EXPECT_NEAR(l.width, width, 0.5);
    EXPECT_EQ(l.height, 13);  // a positive height is the cell
}

TEST(EmfCanvas, SavedStatesKeepTheirObjectsUntilRestored) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    c.setPen(Pen::solid({1, 2, 3}, 2));
    c.line({0, 0}, {1, 1});
    c.save();
    c.setTransform({10, 10, 1, 1});
    c.intersectClip({0, 0, 50, 40});
    c.setPen(Pen::solid({4, 5, 6}, 2));
    c.line({0, 0}, {1, 1});
    c.save();
    c.setPen(Pen::solid({7, 8, 9}, 2));
    c.line({0, 0}, {1, 1});
    c.restore();
    c.line({0, 0}, {1, 1});
    c.restore();
    EXPECT_EQ(c.transform(), CanvasTransform{});
    c.line({0, 0}, {1, 1});
    c.setPen(Pen::solid({0, 0, 0}, 3));
    c.line({0, 0}, {1, 1});
    c.save();  // left open: finishing restores it
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.handleProblems(), "");
    ASSERT_EQ(f.of(kEmrIntersectClipRect).size(), 1u);
    const EmfRecord& clip = *f.of(kEmrIntersectClipRect)[0];
    EXPECT_EQ(std::vector<int>({f.i32(clip, 8), f.i32(clip, 12), f.i32(clip, 16), f.i32(clip, 20)}),
              (std::vector<int>{10, 10, 60, 50}));
    EXPECT_EQ(f.of(kEmrSaveDc).size(), 3u);
    EXPECT_EQ(f.of(kEmrRestoreDc).size(), 3u);
    // After each restore the pen in use is the one drawing asks for.
    std::vector<std::uint32_t> colours;
    for (const EmfRecord* r : f.of(kEmrCreatePen)) colours.push_back(f.u32(*r, 24));
    EXPECT_EQ(colours.front(), 0x030201u);
}

TEST(EmfCanvas, ImagesAreStoredAsStretchedBottomUpBitmaps) {
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    RgbImage img(2, 2);
    img.pixel(0, 0)[0] = 255;  // top left red
    img.pixel(1, 1)[2] = 0;    // bottom right yellow
    c.image({10, 20, 110, 220}, img);
    const EmfFile f(c.finish());
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.of(kEmrStretchDiBits).size(), 1u);
    const EmfRecord& r = *f.of(kEmrStretchDiBits)[0];
    EXPECT_EQ(r.size, 80u + 40u + 16u);  // rows of 6 bytes padded to 8
    EXPECT_EQ(f.i32(r, 24), 10);
    EXPECT_EQ(f.i32(r, 28), 20);
    EXPECT_EQ(f.i32(r, 72), 100);  // destination width
    EXPECT_EQ(f.i32(r, 76), 200);
    EXPECT_EQ(f.u32(r, 84), 2u);   // bitmap width
    EXPECT_EQ(f.i32(r, 88), 2);    // positive height: bottom row first
    EXPECT_EQ(f.u32(r, 68), 0x00CC0020u);
    // Bottom row: white, then yellow (blue 0); top row: red (stored B G R), white.
    const std::uint8_t* bits = f.bytes.data() + r.offset + 120;
    EXPECT_EQ(std::vector<int>(bits, bits + 16),
              (std::vector<int>{255, 255, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0}));
}

TEST(MetafileExport, CubeDevelopmentWithNumbersAndTexts) {
    auto model = test::unfoldedCube();
    auto text = std::make_unique<TextItem>();
    text->text = "Box";
    text->x = 1.0;
    text->y = 2.0;
    text->color = 0x0000FF;  // red
    model->texts.push_back(std::move(text));
    DrawingOptions d;
    d.drawNumbers = true;
    const DevelopmentDrawing drawing = drawDevelopment(*model, d);
    FreeTypeTextMetrics metrics;
    MetafileOptions o;
    o.reference.pixelsPerInch = 300;
    const EmfFile f(exportMetafile(drawing, metrics, o));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.handleProblems(), "");
    EXPECT_EQ(f.utf16(f.records.front(), 108, 7), "KavimoZ");
    // Every face in its colour, and the bar under both sides of join number 6 (it reads as 9
    // upside down).
    EXPECT_EQ(f.of(kEmrPolygon16).size(), 6u + 2u);
    // Lines with the 4-pixel pen of 300 pixels per inch.
    std::vector<int> widths;
    for (const EmfRecord* r : f.of(kEmrCreatePen)) widths.push_back(f.i32(*r, 16));
    EXPECT_NE(std::find(widths.begin(), widths.end(), 4), widths.end());
    // Both sides of every cut edge carry its number, then the text item.
    const auto texts = f.of(kEmrExtTextOutW);
    ASSERT_EQ(texts.size(), 15u);
    EXPECT_EQ(f.text(*texts.back()).text, "Box");
    const double k = 300 / 2.54, scale = k * model->dMag2d;
    EXPECT_EQ(f.text(*texts.back()).x, static_cast<int>(1.0 * scale));
    EXPECT_EQ(f.text(*texts.back()).y, static_cast<int>(2.0 * scale));
    const auto fonts = f.of(kEmrExtCreateFontIndirectW);
    EXPECT_EQ(f.i32(*fonts.back(), 12), static_cast<int>(k * 36 * 0.035277777777777776));
    EXPECT_EQ(f.i32(*fonts.front(), 12), static_cast<int>(8 * k * 0.035277777777777776));
    // The text colour is red for the item and black again at the end.
    const auto colours = f.of(kEmrSetTextColor);
    ASSERT_GE(colours.size(), 2u);
    EXPECT_EQ(f.u32(*colours[colours.size() - 2], 8), 0x0000FFu);
    EXPECT_EQ(f.u32(*colours.back(), 8), 0u);
}

// Converts metafile bytes to PDF with LibreOffice and rasterises the page at `dpi`.
bool renderWithLibreOffice(const std::vector<std::uint8_t>& bytes, int dpi, RgbImage& page, std::string& log);

// Rasterises `pdf` to a PPM image and reads it.
bool rasterise(const std::string& pdf, const std::string& base, int dpi, RgbImage& out) {
    const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -singlefile " + pdf + " " + base + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    std::ifstream in(base + ".ppm", std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    if (magic != "P6" || w <= 0 || h <= 0 || max != 255) return false;
    out = RgbImage(w, h);
    in.read(reinterpret_cast<char*>(out.pixels.data()), static_cast<std::streamsize>(out.pixels.size()));
    return static_cast<bool>(in);
}

struct Centroid {
    double x = 0, y = 0;
    long count = 0;
};

template <typename Pred>
Centroid centroidOf(const RgbImage& img, Pred pred) {
    Centroid c;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* p = img.pixel(x, y);
            if (!pred(p[0], p[1], p[2])) continue;
            c.x += x;
            c.y += y;
            ++c.count;
        }
    if (c.count) c.x /= c.count, c.y /= c.count;
    return c;
}

TEST(MetafileExport, LibreOfficeDrawsThePartsWhereTheyBelong) {
    if (!test::haveProgram("libreoffice")) GTEST_SKIP() << "libreoffice is not installed (libreoffice-draw)";
    if (!test::haveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed (poppler-utils)";
    // A red part on the left, a blue part on the right, a join number below each.
    test::SheetBuilder s;
    Part* a = s.part(1, 1, 4, 4);
    Part* b = s.part(7, 1, 4, 4);
    s.face(a, {{1, 1}, {5, 1}, {5, 5}, {1, 5}}, s.material(1, 0, 0));
    s.face(b, {{7, 1}, {11, 1}, {11, 5}, {7, 5}}, s.material(0, 0, 1));
    s.number(a, {1, 5}, {5, 5}, 1234);
    s.number(b, {7, 5}, {11, 5}, 56);
    FreeTypeTextMetrics metrics;
    MetafileOptions o;
    o.drawing.numberFontSize = 24;
    const std::vector<std::uint8_t> bytes = exportMetafile(s.drawing, metrics, o);
    const EmfFile f(bytes);
    ASSERT_EQ(f.error, "");

    RgbImage page;
    std::string log;
    ASSERT_TRUE(renderWithLibreOffice(bytes, 40, page, log)) << log;

    const Centroid red = centroidOf(page, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; });
    const Centroid blue = centroidOf(page, [](int r, int g, int b) { return b > 200 && r < 60 && g < 60; });
    ASSERT_GT(red.count, 0);
    ASSERT_GT(blue.count, 0);
    // Both squares are the same size, and the red one lies 6 cm left of the blue one.
    EXPECT_NEAR(static_cast<double>(red.count) / blue.count, 1.0, 0.1);
    const double pixelsPerCm = 40 / 2.54;
    EXPECT_NEAR(blue.x - red.x, 6 * pixelsPerCm, 2.0);
    EXPECT_NEAR(blue.y, red.y, 1.0);
    EXPECT_NEAR(static_cast<double>(red.count), 16 * pixelsPerCm * pixelsPerCm, 0.15 * 16 * pixelsPerCm * pixelsPerCm);
    // The numbers are set below the squares (beneath the lower edges), not over them.
    const Centroid ink = centroidOf(page, [](int r, int g, int b) { return r < 90 && g < 90 && b < 90; });
    ASSERT_GT(ink.count, 0);
    EXPECT_GT(ink.y, red.y + 2 * pixelsPerCm);
}

TEST(MetafileExport, LibreOfficeSpacesTextByTheStoredAdvances) {
    if (!test::haveProgram("libreoffice")) GTEST_SKIP() << "libreoffice is not installed (libreoffice-draw)";
    if (!test::haveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed (poppler-utils)";
    // Fixed metrics give every M half an em, far narrower than the face's own M (0.83 em):
    // a reader that ignores the advances sets the text two thirds wider.
    FixedTextMetrics metrics;
    EmfCanvas c(metrics, kEmfFileDescription);
    c.setFrame({0, 0, 999, 299});
    c.setPen(Pen::none());
    c.setBrush(Brush::solid({255, 0, 0}));
    const IntPoint left[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
    const IntPoint right[] = {{979, 279}, {999, 279}, {999, 299}, {979, 299}};
    c.polygon(left);
    c.polygon(right);
    c.setFont({"Arial", -60, 400, 0});
    c.text({100, 100}, "MMMMMMMMMM");
    RgbImage page;
    std::string log;
    ASSERT_TRUE(renderWithLibreOffice(c.finish(), 96, page, log)) << log;

    auto isRed = [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; };
    auto isInk = [](int r, int g, int b) { return r < 100 && g < 100 && b < 100; };
    int redLeft = page.width, redRight = -1, inkLeft = page.width, inkRight = -1;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            const std::uint8_t* p = page.pixel(x, y);
            if (isRed(p[0], p[1], p[2])) redLeft = std::min(redLeft, x), redRight = std::max(redRight, x);
            if (isInk(p[0], p[1], p[2])) inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
        }
    ASSERT_GT(redRight, redLeft);
    ASSERT_GT(inkRight, inkLeft);
    const double perUnit = (redRight - redLeft + 1) / 1000.0;
    // Nine advances of 30 plus one M of about 45 units of ink.
    const double inkUnits = (inkRight - inkLeft + 1) / perUnit;
    EXPECT_NEAR(inkUnits, 9 * 30 + 45, 25);
    EXPECT_NEAR((inkLeft - redLeft) / perUnit, 100, 10);
}

bool renderWithLibreOffice(const std::vector<std::uint8_t>& bytes, int dpi, RgbImage& page, std::string& log) {
    test::TempDir dir;
    if (!writeMetafileFile(dir.path() + "/sheet.emf", bytes)) return false;
    const std::string convert = "cd " + dir.path() + " && timeout 180 libreoffice --headless -env:UserInstallation=file://" +
                                dir.path() + "/profile --convert-to pdf sheet.emf >lo.log 2>&1";
    const int status = std::system(convert.c_str());
    log = test::readFile(dir.path() + "/lo.log");
    return status == 0 && rasterise(dir.path() + "/sheet.pdf", dir.path() + "/page", dpi, page);
}

}  // namespace
