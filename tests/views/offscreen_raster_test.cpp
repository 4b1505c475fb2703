#include <gtest/gtest.h>

#include <cmath>

#include "image_checks.h"
#include "output/bitmap_render.h"
#include "view_fixture.h"
#include "views/offscreen_raster.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

constexpr double kPixelsPerCm = 20.0;
constexpr Rgb8 kPaper{255, 255, 255}, kGreen{0, 200, 0};

// A cube whose first three faces show a plain green picture, unfolded, and a request for its
// extent with 2 cm of paper around it.
class RasterTest : public testing::Test {
protected:
    void SetUp() override {
        model = makeCube();
        Material* m = model->addMaterial();
        m->texture = std::make_unique<TextureImage>();
        m->texture->width = m->texture->height = 16;
        m->texture->pixels.assign(16 * 16 * 3, 0);
        for (size_t i = 1; i < m->texture->pixels.size(); i += 3) m->texture->pixels[i] = 200;
        m->hasTexture = true;
        Solid& s = *model->solids[0];
        TexCoord* tc = s.addTexCoord(0.5, 0.5);
        for (size_t i = 0; i < 3; ++i) {
            s.faces[i]->materialIndex = 0;
            for (auto& h : s.faces[i]->halfedges) h->texCoord = tc;
        }
        ASSERT_TRUE(unfold(*model));
        drawing = drawingOf(*model, true);
        const SheetExtent e = sheetExtentOf(drawing);
        const double mag = drawing.mag2d;
        request = {static_cast<int>((e.width * mag + 4) * kPixelsPerCm), static_cast<int>((e.height * mag + 4) * kPixelsPerCm),
                   kPixelsPerCm, e.x * mag - 2, e.y * mag - 2};
    }
    // Image position of the centre of a face.
    Point2 centre(const DrawnFace& f) const {
        Point2 c;
        for (const Point2& p : f.corners) {
            c.x += p.x / f.corners.size();
            c.y += p.y / f.corners.size();
        }
        return {(c.x * drawing.mag2d - request.left) * kPixelsPerCm, (c.y * drawing.mag2d - request.top) * kPixelsPerCm};
    }
    static bool textured(const DrawnFace& f) { return f.material && f.material->hasTexture; }

    std::unique_ptr<Model> model;
    DevelopmentDrawing drawing;
    RasterRequest request;
};

TEST_F(RasterTest, FullAndTexturesOnlyModesOnPaperWithoutTheSheetFrame) {
    OffscreenRaster raster(drawing, DevelopmentViewOptions{});
    const RasterResult full = raster.render(request);
    ASSERT_TRUE(full.ok()) << full.message;
    keepImage(full.image);
    ASSERT_EQ(full.image.width, request.width);
    const Rgb& plain = model->defaultMaterial.flatColor;
    const Rgb8 plainColor{int(std::lround(plain.r * 255)), int(std::lround(plain.g * 255)), int(std::lround(plain.b * 255))};
    for (const DrawnFace& f : drawing.faces)
        EXPECT_TRUE(close(pixel(full.image, centre(f)), textured(f) ? kGreen : plainColor, 1));
    // The strips beyond the flaps are paper: no grey, and no sheet outline, which would lie
    // 0.5 cm in when the development starts at the first page's corner.
    const int strip = static_cast<int>(1.4 * kPixelsPerCm);
    int notPaper = 0;
    for (int y = 0; y < full.image.height; ++y)
        for (int x = 0; x < full.image.width; ++x)
            notPaper += (x < strip || y < strip) && !(pixel(full.image, x, y) == kPaper);
    EXPECT_EQ(notPaper, 0);
    EXPECT_GT(countPixels(full.image, dark), 0);

    request.texturesOnly = true;
    const RasterResult textures = raster.render(request);
    ASSERT_TRUE(textures.ok());
    for (const DrawnFace& f : drawing.faces)
        EXPECT_EQ(pixel(textures.image, centre(f)), textured(f) ? kGreen : kPaper);
    EXPECT_EQ(countPixels(textures.image, dark), 0);  // no lines, flaps or numbers
}

TEST_F(RasterTest, TilesJoinWithoutSeamsTinyRequestsWorkImpossibleOnesAreRefused) {
    // Solid folds: a dash pattern starts again where a tile cuts its line.
    DrawingOptions solid;
    solid.drawNumbers = true;
    solid.lines.mountainLineType = solid.lines.valleyLineType = kLineSolid;
    drawing = drawDevelopment(*model, solid);
    OffscreenRaster whole(drawing, DevelopmentViewOptions{});
    OffscreenRaster tiled(drawing, DevelopmentViewOptions{}, 64);
    const RasterResult a = whole.render(request), b = tiled.render(request);
    ASSERT_TRUE(a.ok() && b.ok());
    ASSERT_GT(request.width, 3 * 64);
    ASSERT_EQ(a.image.pixels.size(), b.image.pixels.size());
    size_t differ = 0;
    for (size_t i = 0; i < a.image.pixels.size(); ++i) differ += a.image.pixels[i] != b.image.pixels[i];
    EXPECT_LT(differ, a.image.pixels.size() / 2000);

    // Below the renderer's smallest client area: drawn larger and cut out.
    const Point2 c = centre(drawing.faces.back());
    RasterRequest small = request;
    small.left += (c.x - 5) / kPixelsPerCm;
    small.top += (c.y - 5) / kPixelsPerCm;
    small.width = small.height = 10;
    const RasterResult s = tiled.render(small);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(pixel(s.image, 5, 5), pixel(a.image, c));

    RasterRequest bad = request;
    bad.width = 0;
    EXPECT_EQ(whole.render(bad).message, kMsgCreateDibSectionError);
    bad = request;
    bad.width = bad.height = 100000;  // 30 GB
    EXPECT_EQ(whole.render(bad).message, kMsgCreateDibSectionError);
    EXPECT_TRUE(whole.render(request).ok());  // and it still works
}

}  // namespace
