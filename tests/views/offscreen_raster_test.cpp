#include <gtest/gtest.h>

#include <cmath>

#include "image_checks.h"
#include "output/bitmap_render.h"
#include "test_util.h"
#include "view_fixture.h"
#include "views/offscreen_raster.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

constexpr double kPixelsPerCm = 20.0;
constexpr Rgb8 kWhite8{255, 255, 255};
constexpr Rgb8 kGreen{0, 200, 0};

Point2 centroid(const std::vector<Point2>& points) {
    Point2 c;
    for (const Point2& p : points) {
        c.x += p.x / static_cast<double>(points.size());
        c.y += p.y / static_cast<double>(points.size());
    }
    return c;
}

// A cube whose first three faces show a plain green picture.
std::unique_ptr<Model> halfTexturedCube() {
    auto cube = makeCube();
    Material* m = cube->addMaterial();
    m->texture = std::make_unique<TextureImage>();
    m->texture->width = m->texture->height = 16;
    m->texture->pixels.assign(16 * 16 * 3, 0);
    for (size_t i = 0; i < m->texture->pixels.size(); i += 3) m->texture->pixels[i + 1] = 200;
    m->hasTexture = true;
    Solid& s = *cube->solids[0];
    TexCoord* tc = s.addTexCoord(0.5, 0.5);
    int n = 0;
    for (auto& face : s.faces) {
        if (n++ >= 3) break;
        face->materialIndex = 0;
        for (auto& h : face->halfedges) h->texCoord = tc;
    }
    return cube;
}

class RasterTest : public testing::Test {
protected:
    void SetUp() override {
        model = halfTexturedCube();
        ASSERT_TRUE(unfold(*model));
        drawing = drawingOf(*model, true);
        // The development's extent with 2 cm of paper around it.
        const SheetExtent e = sheetExtentOf(drawing);
        const double mag = drawing.mag2d;
        request.pixelsPerCm = kPixelsPerCm;
        request.left = e.x * mag - 2;
        request.top = e.y * mag - 2;
        request.width = static_cast<int>((e.width * mag + 4) * kPixelsPerCm);
        request.height = static_cast<int>((e.height * mag + 4) * kPixelsPerCm);
    }
    // Image position of a sheet point in development units.
    Point2 at(Point2 p) const {
        return {(p.x * drawing.mag2d - request.left) * kPixelsPerCm, (p.y * drawing.mag2d - request.top) * kPixelsPerCm};
    }
    bool textured(const DrawnFace& f) const { return f.material && f.material->hasTexture; }

    std::unique_ptr<Model> model;
    DevelopmentDrawing drawing;
    RasterRequest request;
};

TEST_F(RasterTest, DrawsTheRequestedRectangleOnWhiteWithoutTheSheetFrame) {
    OffscreenRaster raster(drawing, DevelopmentViewOptions{});
    const RasterResult r = raster.render(request);
    ASSERT_TRUE(r.ok()) << r.message;
    keepImage(r.image);
    ASSERT_EQ(r.image.width, request.width);
    ASSERT_EQ(r.image.height, request.height);
    const Material& plain = model->defaultMaterial;
    const Rgb8 plainColor{static_cast<int>(std::lround(plain.flatColor.r * 255)),
                          static_cast<int>(std::lround(plain.flatColor.g * 255)),
                          static_cast<int>(std::lround(plain.flatColor.b * 255))};
    for (const DrawnFace& f : drawing.faces)
        EXPECT_TRUE(close(pixel(r.image, at(centroid(f.corners))), textured(f) ? kGreen : plainColor, 1));
    for (const DrawnLine& line : drawing.lines) {
        if (line.lineType != kLineSolid) continue;
        const Point2 a = at(line.start), b = at(line.end);
        EXPECT_GT(countPixels(r.image, dark, {(a.x + b.x) / 2, (a.y + b.y) / 2}, 1), 0);
    }
    // The strips beyond the flaps are paper: no grey, no sheet outline or shadow (which
    // would lie 0.5 cm in when the development starts at the first page's corner).
    const int strip = static_cast<int>(1.4 * kPixelsPerCm);
    int notWhite = 0;
    for (int y = 0; y < r.image.height; ++y)
        for (int x = 0; x < r.image.width; ++x)
            if ((x < strip || y < strip) && !(pixel(r.image, x, y) == kWhite8)) ++notWhite;
    EXPECT_EQ(notWhite, 0);
}

TEST_F(RasterTest, TilesJoinWithoutSeamsAndTinyRequestsWork) {
    // Solid folds: a dash pattern starts again where a tile cuts its line.
    DrawingOptions solid;
    solid.drawNumbers = true;
    solid.lines.mountainLineType = solid.lines.valleyLineType = kLineSolid;
    drawing = drawDevelopment(*model, solid);
    OffscreenRaster whole(drawing, DevelopmentViewOptions{});
    OffscreenRaster tiled(drawing, DevelopmentViewOptions{}, 64);
    const RasterResult a = whole.render(request);
    const RasterResult b = tiled.render(request);
    ASSERT_TRUE(a.ok() && b.ok());
    ASSERT_GT(request.width, 3 * 64);
    ASSERT_EQ(a.image.pixels.size(), b.image.pixels.size());
    size_t differ = 0;
    for (size_t i = 0; i < a.image.pixels.size(); ++i) differ += a.image.pixels[i] != b.image.pixels[i];
    EXPECT_LT(differ, a.image.pixels.size() / 2000) << differ;
    // Below the renderer's smallest client area: drawn larger and cut out.
    RasterRequest small = request;
    const Point2 c = at(centroid(drawing.faces.back().corners));
    small.left += (c.x - 5) / kPixelsPerCm;
    small.top += (c.y - 5) / kPixelsPerCm;
    small.width = small.height = 10;
    const RasterResult s = tiled.render(small);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.image.width, 10);
    EXPECT_EQ(pixel(s.image, 5, 5), pixel(a.image, at(centroid(drawing.faces.back().corners))));
}

TEST_F(RasterTest, TexturesOnlyModeDrawsTheTexturedFacesAlone) {
    OffscreenRaster raster(drawing, DevelopmentViewOptions{});
    request.texturesOnly = true;
    const RasterResult r = raster.render(request);
    ASSERT_TRUE(r.ok());
    keepImage(r.image);
    int texturedFaces = 0;
    for (const DrawnFace& f : drawing.faces) {
        texturedFaces += textured(f);
        EXPECT_EQ(pixel(r.image, at(centroid(f.corners))), textured(f) ? kGreen : kWhite8);
    }
    EXPECT_EQ(texturedFaces, 3);
    EXPECT_EQ(countPixels(r.image, dark), 0);  // no lines, flaps or numbers
}

TEST_F(RasterTest, ImpossibleRequestsGiveTheBitmapMessage) {
    OffscreenRaster raster(drawing, DevelopmentViewOptions{});
    RasterRequest r = request;
    r.width = 0;
    EXPECT_EQ(raster.render(r).message, kMsgCreateDibSectionError);
    r = request;
    r.pixelsPerCm = 0;
    EXPECT_FALSE(raster.render(r).ok());
    r = request;
    r.width = r.height = 100000;  // 30 GB
    EXPECT_EQ(raster.render(r).message, kMsgCreateDibSectionError);
    EXPECT_TRUE(raster.render(request).ok());  // and it still works
}

}  // namespace
