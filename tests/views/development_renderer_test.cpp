#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "image_checks.h"
#include "app/open_model.h"
#include "recording_front_end.h"
#include "model/primitive_shapes.h"
#include "test_util.h"
#include "view_fixture.h"
#include "views/development_renderer.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

constexpr int kWidth = 640, kHeight = 480;

Point2 centroid(const std::vector<Point2>& points) {
    Point2 c;
    for (const Point2& p : points) {
        c.x += p.x / static_cast<double>(points.size());
        c.y += p.y / static_cast<double>(points.size());
    }
    return c;
}

Rgb8 rgbOf(const Rgb& c) {
    return {static_cast<int>(std::lround(c.r * 255)), static_cast<int>(std::lround(c.g * 255)),
            static_cast<int>(std::lround(c.b * 255))};
}

bool reddish(Rgb8 c) { return c.r > 200 && c.g < 140 && c.b < 140; }

class DevelopmentRender : public RenderTest {
protected:
    void SetUp() override { makeContext(kWidth, kHeight); }
    void TearDown() override {
        if (renderer) renderer->releaseGl();
    }

    // Unfolds `m`, hands its drawing to a new renderer and fits the sheet.
    void use(std::unique_ptr<Model> m, bool numbers = false) {
        model = std::move(m);
        ASSERT_TRUE(unfold(*model));
        drawing = drawingOf(*model, numbers);
        renderer = std::make_unique<DevelopmentRenderer>();
        renderer->setDrawing(drawing);
        view.clientWidth = kWidth;
        view.clientHeight = kHeight;
        fitSheet(view, renderer->sheet());
    }
    RgbImage frame() {
        renderer->render(view);
        RgbImage image = context->readPixels();
        keepImage(image);
        return image;
    }
    Point2 screen(Point2 units) const { return sheetToScreen(view, renderer->sheet(), units); }

    std::unique_ptr<Model> model;
    DevelopmentDrawing drawing;
    std::unique_ptr<DevelopmentRenderer> renderer;
    DevelopmentViewTransform view;
};

// Share of the points along a line that have a dark pixel next to them.
double darkShare(const RgbImage& image, Point2 a, Point2 b) {
    int dark = 0;
    constexpr int kSamples = 40;
    for (int i = 1; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / kSamples;
        const Point2 p{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        if (countPixels(image, test::dark, p, 1) > 0) ++dark;
    }
    return dark / static_cast<double>(kSamples - 1);
}

}  // namespace

TEST_F(DevelopmentRender, SheetWithShadowOnGreyAndFacesWhereThePartsAre) {
    use(test::makeCube());
    EXPECT_TRUE(renderer->fontError().empty());
    const RgbImage image = frame();
    const SheetFrame& f = renderer->sheet();
    const Point2 a = sheetCmToScreen(view, f, {0, 0});
    const Point2 b = sheetCmToScreen(view, f, {f.width, f.height});
    EXPECT_TRUE(close(pixel(image, 2, 2), {128, 128, 128}, 1)) << pixel(image, 2, 2);
    EXPECT_TRUE(close(pixel(image, {a.x - 2, a.y + 10}), {128, 128, 128}, 1));
    EXPECT_EQ(pixel(image, {b.x - 4, b.y - 4}), (Rgb8{255, 255, 255}));
    // The shadow: two pixels to the right and below, not to the left or above.
    EXPECT_EQ(pixel(image, {b.x + 1, (a.y + b.y) / 2}), (Rgb8{0, 0, 0}));
    EXPECT_EQ(pixel(image, {(a.x + b.x) / 2, b.y + 1}), (Rgb8{0, 0, 0}));
    EXPECT_TRUE(close(pixel(image, {a.x + 1, b.y + 1}), {128, 128, 128}, 1));
    EXPECT_TRUE(close(pixel(image, {(a.x + b.x) / 2, a.y - 2}), {128, 128, 128}, 1));
    // Faces in the default material's colour, at their places.
    const Rgb8 faceColor = rgbOf(model->defaultMaterial.flatColor);
    ASSERT_EQ(drawing.faces.size(), 6u);
    for (const DrawnFace& face : drawing.faces)
        EXPECT_TRUE(close(pixel(image, screen(centroid(face.corners))), faceColor, 1));
    // Every visible line is dark along its length; dashed ones in part.
    for (const DrawnLine& line : drawing.lines) {
        if (!line.visible()) continue;
        const double share = darkShare(image, screen(line.start), screen(line.end));
        EXPECT_GT(share, line.lineType == kLineSolid ? 0.95 : 0.3) << line.lineType;
    }
}

TEST_F(DevelopmentRender, WithoutMaterialsFacesAreWhiteAndExportBackgroundIsWhite) {
    use(test::makeCube());
    DrawingOptions plain;
    plain.useMaterial = false;
    renderer->setDrawing(drawDevelopment(*model, plain));
    DevelopmentViewOptions options;
    options.whiteBackground = true;
    renderer->setOptions(options);
    const RgbImage image = frame();
    EXPECT_EQ(pixel(image, 2, 2), (Rgb8{255, 255, 255}));
    for (const DrawnFace& face : drawing.faces)
        EXPECT_EQ(pixel(image, screen(centroid(face.corners))), (Rgb8{255, 255, 255}));
}

TEST_F(DevelopmentRender, JoinNumbersLieAtTheirEdgeMidpoints) {
    use(test::makeCube(), true);
    ASSERT_FALSE(drawing.numbers.empty());
    DevelopmentViewOptions options;
    options.numberFontSize = 24;  // an em of about 15 pixels at this scale
    renderer->setOptions(options);
    const RgbImage with = frame();
    renderer->setDrawing(drawingOf(*model, false));
    const RgbImage without = frame();
    const double em = 24 * 0.042333333333333334 * view.scale();
    const int radius = static_cast<int>(em * 1.5);
    auto changed = [&](int x, int y) {
        return !(pixel(with, x, y) == pixel(without, x, y));
    };
    int total = 0, nearSome = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (!changed(x, y)) continue;
            ++total;
            for (const DrawnNumber& n : drawing.numbers) {
                const Point2 mid = screen({(n.first.x + n.second.x) / 2, (n.first.y + n.second.y) / 2});
                if (std::abs(x - mid.x) <= radius && std::abs(y - mid.y) <= radius) {
                    ++nearSome;
                    break;
                }
            }
        }
    EXPECT_GT(total, 0);
    EXPECT_EQ(nearSome, total);  // nothing else changed
    for (const DrawnNumber& n : drawing.numbers) {
        const Point2 mid = screen({(n.first.x + n.second.x) / 2, (n.first.y + n.second.y) / 2});
        int here = 0;
        for (int y = static_cast<int>(mid.y) - radius; y <= mid.y + radius; ++y)
            for (int x = static_cast<int>(mid.x) - radius; x <= mid.x + radius; ++x)
                if (x >= 0 && y >= 0 && x < kWidth && y < kHeight && changed(x, y)) ++here;
        EXPECT_GT(here, 10) << "number " << n.number;
    }
}

TEST_F(DevelopmentRender, NumbersOfTheRotatedPartAndWithoutGlyphsAreLeftOut) {
    use(test::makeCube(), true);
    renderer->setDrawing(drawingOf(*model, false));
    const RgbImage without = frame();
    renderer->setDrawing(drawing);
    DevelopmentOverlay overlay;
    overlay.rotate.part = model->parts.front().get();
    renderer->setOverlay(overlay);
    ASSERT_EQ(model->parts.size(), 1u);
    EXPECT_EQ(frame().pixels, without.pixels);
    renderer->setOverlay({});
    EXPECT_NE(frame().pixels, without.pixels);
    renderer->setGlyphs(GlyphSet{});
    renderer->setDrawing(drawing);
    EXPECT_EQ(frame().pixels, without.pixels);
}

TEST_F(DevelopmentRender, EditFlapTargetShowsItsFlapsRed) {
    use(test::makeCube());
    ASSERT_FALSE(drawing.flaps.empty());
    const DrawnFlap& flap = drawing.flaps.front();
    const Point2 inside = screen(centroid(flapOutline(flap.base0, flap.base1, flap.height / drawing.mag2d)));
    DevelopmentViewOptions options;
    options.editMode = kModeEditFlap;
    renderer->setOptions(options);
    EXPECT_EQ(pixel(frame(), inside), (Rgb8{255, 255, 255}));
    DevelopmentOverlay overlay;
    overlay.flapTarget = flap.halfedge->pair;  // either side of the edge selects it
    renderer->setOverlay(overlay);
    const RgbImage image = frame();
    EXPECT_EQ(pixel(image, inside), (Rgb8{255, 0, 0}));
    // The edge's line turns to the selection colour too.
    const Point2 base = screen({(flap.base0.x + flap.base1.x) / 2, (flap.base0.y + flap.base1.y) / 2});
    EXPECT_GT(countPixels(image, [](Rgb8 c) { return c == Rgb8{255, 0, 0}; }, base, 1), 0);
    // Other flaps stay white.
    for (const DrawnFlap& other : drawing.flaps) {
        if (other.halfedge->edge == flap.halfedge->edge) continue;
        const Point2 p = screen(centroid(flapOutline(other.base0, other.base1, other.height / drawing.mag2d)));
        EXPECT_EQ(pixel(image, p), (Rgb8{255, 255, 255}));
    }
    // A flagged flap is filled half-way to the selection colour; the others stay white.
    const DrawnFlap& other = drawing.flaps.back();
    ASSERT_NE(other.halfedge->edge, flap.halfedge->edge);
    const Point2 otherInside =
        screen(centroid(flapOutline(other.base0, other.base1, other.height / drawing.mag2d)));
    DevelopmentOverlay flagged;
    flagged.flaggedFlaps = {other.halfedge};
    renderer->setOverlay(flagged);
    const RgbImage marked = frame();
    const Rgb8 pink = pixel(marked, otherInside);
    EXPECT_NEAR(pink.r, 255, 1);
    EXPECT_NEAR(pink.g, 128, 1);
    EXPECT_NEAR(pink.b, 128, 1);
    EXPECT_EQ(pixel(marked, inside), (Rgb8{255, 255, 255}));
}

// A selection belongs to the drawing it was made on: after a new drawing (an edit, or another
// document whose model replaced the first) nothing of it is shown or looked at until the
// view sets the overlay again.
TEST_F(DevelopmentRender, ANewDrawingLeavesThePreviousSelectionBehind) {
    use(test::makeCube());
    const RgbImage plain = frame();
    auto select = [&] {
        DevelopmentOverlay overlay;
        overlay.joinEdge = drawing.flaps.front().halfedge;
        overlay.highlighted.insert(drawing.faces[2].face);
        renderer->setOverlay(overlay);
        ASSERT_NE(frame().pixels, plain.pixels);
    };
    select();
    renderer->setDrawing(drawing);  // the same model drawn again
    EXPECT_EQ(frame().pixels, plain.pixels);

    select();
    std::unique_ptr<Model> replaced = test::makeCube();
    ASSERT_TRUE(unfold(*replaced));
    DevelopmentDrawing next = drawingOf(*replaced, false);
    model = std::move(replaced);  // the first model is gone
    drawing = std::move(next);
    renderer->setDrawing(drawing);
    EXPECT_EQ(frame().pixels, plain.pixels);
}

TEST_F(DevelopmentRender, HighlightedFacesStandOut) {
    use(test::makeCube());
    DevelopmentOverlay overlay;
    overlay.highlighted.insert(drawing.faces[2].face);
    renderer->setOverlay(overlay);
    const RgbImage image = frame();
    for (size_t i = 0; i < drawing.faces.size(); ++i)
        EXPECT_EQ(reddish(pixel(image, screen(centroid(drawing.faces[i].corners)))), i == 2) << i;
}

TEST_F(DevelopmentRender, EachPartsFacesAreFilledExactlyWhereTheyLie) {
    // Faces of one colour are filled part by part as regions; the highlight draws every face
    // on its own. Under a highlight of all faces no pixel may show the face colour alone
    // (filled beyond the faces) or the highlight over the white sheet (a face left out).
    use(makeIcosphere(2));
    DrawingOptions bare;
    bare.lines.showFlaps = false;
    bare.lines.cutLineType = 1;
    bare.lines.mountainLineType = bare.lines.valleyLineType = kLineNone;
    drawing = drawDevelopment(*model, bare);
    renderer->setDrawing(drawing);
    DevelopmentOverlay all;
    for (const DrawnFace& f : drawing.faces) all.highlighted.insert(f.face);
    renderer->setOverlay(all);
    ASSERT_TRUE(setZoomWithinLimits(view, renderer->sheet(), 2.5));
    const RgbImage image = frame();
    const Rgb8 faceColor = rgbOf(model->defaultMaterial.flatColor);
    EXPECT_GT(countPixels(image, [](Rgb8 c) { return close(c, {236, 108, 128}, 2); }), 10000);
    EXPECT_EQ(countPixels(image, [&](Rgb8 c) { return close(c, faceColor, 2); }), 0);
    EXPECT_EQ(countPixels(image, [](Rgb8 c) { return close(c, {255, 128, 128}, 2); }), 0);
}

TEST_F(DevelopmentRender, OutputsFillTheFacesWhereTheScreenFillsThePartsOutline) {
    // A face inside a part shrunk towards its middle leaves a gap to its neighbours, as faces
    // that do not close around a vertex leave one along a fold. The screen fills the part's
    // outline, gap included; the outputs fill each face and leave the gap white.
    use(makeIcosphere(2));
    Face* inner = nullptr;
    for (const auto& part : model->parts)
        for (Face* f : part->faces)
            if (!inner && std::all_of(f->halfedges.begin(), f->halfedges.end(),
                                      [](const auto& h) { return h->twin != nullptr; }))
                inner = f;
    ASSERT_TRUE(inner);
    double cx = 0, cy = 0;
    for (const auto& h : inner->halfedges) cx += h->flatX / 3, cy += h->flatY / 3;
    for (const auto& h : inner->halfedges) {
        h->flatX = cx + 0.6 * (h->flatX - cx);
        h->flatY = cy + 0.6 * (h->flatY - cy);
    }
    DrawingOptions bare;
    bare.lines.showFlaps = false;
    bare.lines.cutLineType = bare.lines.mountainLineType = bare.lines.valleyLineType = kLineNone;
    drawing = drawDevelopment(*model, bare);
    DevelopmentOverlay all;
    for (const DrawnFace& f : drawing.faces) all.highlighted.insert(f.face);
    const Rgb8 faceColor = rgbOf(model->defaultMaterial.flatColor);
    auto faceColourAlone = [&](RenderPurpose purpose) {
        renderer->setPurpose(purpose);
        renderer->setDrawing(drawing);
        renderer->setOverlay(all);
        return countPixels(frame(), [&](Rgb8 c) { return close(c, faceColor, 2); });
    };
    EXPECT_GT(faceColourAlone(RenderPurpose::Screen), 10);
    EXPECT_EQ(faceColourAlone(RenderPurpose::Output), 0);
}

TEST_F(DevelopmentRender, PanShiftsTheImageAndZoomScalesTheSheet) {
    use(test::makeCube());
    const RgbImage before = frame();
    view.panX += 40 / view.zoom;
    view.panY -= 24 / view.zoom;  // pan y counts upwards
    const RgbImage after = frame();
    int mismatches = 0;
    for (int y = 0; y + 24 < kHeight; ++y)
        for (int x = 0; x + 40 < kWidth; ++x)
            if (!(pixel(before, x, y) == pixel(after, x + 40, y + 24))) ++mismatches;
    EXPECT_LT(mismatches, 20);  // only where a pixel centre falls exactly on an edge

    view.panX = view.panY = 0;
    ASSERT_TRUE(setZoomWithinLimits(view, renderer->sheet(), 3.0));
    const RgbImage zoomed = frame();
    const Point2 face = screen(centroid(drawing.faces[0].corners));
    ASSERT_GE(face.x, 0);
    ASSERT_LT(face.x, kWidth);
    EXPECT_TRUE(close(pixel(zoomed, face), rgbOf(model->defaultMaterial.flatColor), 1));
}

TEST_F(DevelopmentRender, TexturedFacesShowTheirPicture) {
    auto cube = test::makeCube();
    Material* m = cube->addMaterial();
    m->texture = std::make_unique<TextureImage>();
    m->texture->width = m->texture->height = 64;
    m->texture->pixels.assign(64 * 64 * 3, 0);
    for (size_t i = 0; i < m->texture->pixels.size(); i += 3) m->texture->pixels[i + 1] = 200;
    m->hasTexture = true;
    Solid& s = *cube->solids[0];
    TexCoord* tc = s.addTexCoord(0.5, 0.5);
    for (auto& face : s.faces) {
        face->materialIndex = 0;
        for (auto& h : face->halfedges) h->texCoord = tc;
    }
    use(std::move(cube));
    DevelopmentViewOptions options;
    options.lineAlpha = true;
    options.textureLineAlpha = 0.75;
    renderer->setOptions(options);
    const RgbImage image = frame();
    for (const DrawnFace& face : drawing.faces)
        EXPECT_TRUE(close(pixel(image, screen(centroid(face.corners))), {0, 200, 0}, 1));
    // Lines over the picture are see-through: none of them shows pure black.
    for (const DrawnLine& line : drawing.lines) {
        if (!line.visible()) continue;
        const Point2 mid = screen({(line.start.x + line.end.x) / 2, (line.start.y + line.end.y) / 2});
        EXPECT_EQ(countPixels(image, [](Rgb8 c) { return c == Rgb8{0, 0, 0}; }, mid, 1), 0);
    }
}

TEST_F(DevelopmentRender, CorpusModelWithTextureAndAnIcosphere) {
    const std::string ball = std::string(PLIKATRA_CORPUS_DIR) + "/3ds/pool_ball/ball-1.3ds";
    if (!std::filesystem::exists(ball)) GTEST_SKIP() << "corpus not found";
    LoadOutcome outcome;
    RecordingFrontEnd quietUi;
    auto m = readModelFile(ball, ModelFileOptions{}, quietUi, outcome);
    ASSERT_TRUE(m);
    ASSERT_TRUE(m->materials.at(0)->hasTexture);
    use(std::move(m));
    // The ball's picture has a dark blue band.
    auto stripeBlue = [](Rgb8 c) { return c.b > 60 && c.b > 2 * c.r && c.b > 2 * c.g && c.r > 5; };
    EXPECT_GT(countPixels(frame(), stripeBlue), 500);

    use(makeIcosphere(2));
    // Without flaps, which may lie over faces of the same part.
    DrawingOptions noFlaps;
    noFlaps.lines.showFlaps = false;
    drawing = drawDevelopment(*model, noFlaps);
    renderer->setDrawing(drawing);
    const RgbImage ico = frame();
    const Rgb8 faceColor = rgbOf(model->defaultMaterial.flatColor);
    int onFace = 0;
    for (const DrawnFace& face : drawing.faces)
        if (close(pixel(ico, screen(centroid(face.corners))), faceColor, 1)) ++onFace;
    EXPECT_GE(onFace, static_cast<int>(drawing.faces.size() * 95 / 100));
}

TEST_F(DevelopmentRender, ScreenNumbersMatchTheOutlinesAndTinyOnesAreLeftOutOnScreenOnly) {
    use(test::makeCube(), true);
    renderer->setDrawing(drawingOf(*model, false));
    const RgbImage without = frame();
    // Every number marked, so that the bars are compared too.
    for (DrawnNumber& n : drawing.numbers) n.marked = true;
    DevelopmentViewOptions options;
    options.numberFontSize = 30;
    auto render = [&](RenderPurpose purpose) {
        renderer->setPurpose(purpose);
        renderer->setOptions(options);
        renderer->setDrawing(drawing);
        return frame();
    };
    const RgbImage outline = render(RenderPurpose::Output);
    const RgbImage screen = render(RenderPurpose::Screen);
    // The framebuffer stays opaque under the digits: the view's widget composes the image
    // with its alpha.
    std::vector<std::uint8_t> alpha(static_cast<size_t>(kWidth) * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
    EXPECT_EQ(std::count(alpha.begin(), alpha.end(), 255), static_cast<long>(alpha.size()));
    int ink = 0, differ = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool a = !(pixel(outline, x, y) == pixel(without, x, y));
            const bool b = !(pixel(screen, x, y) == pixel(without, x, y));
            ink += a;
            differ += a != b;
        }
    ASSERT_GT(ink, 300);
    // Only pixels whose centres lie next to an outline may go either way.
    EXPECT_LT(differ, ink / 10) << differ << " of " << ink;

    // A size whose em is under the smallest readable one on screen.
    const double em = kNumberEmPerPoint * view.scale();
    options.numberFontSize = std::max(1, static_cast<int>(kMinNumberEmPixels / em * 0.9));
    ASSERT_LT(options.numberFontSize * em, kMinNumberEmPixels);
    EXPECT_EQ(render(RenderPurpose::Screen).pixels, without.pixels);
    EXPECT_NE(render(RenderPurpose::Output).pixels, without.pixels);
}

TEST_F(DevelopmentRender, ADrawingGivenAgainAfterAnEditLooksAsIfDrawnAfresh) {
    use(test::makeCube(), true);
    frame();
    auto fresh = [&](const DevelopmentDrawing& d) {
        DevelopmentRenderer other;
        other.setDrawing(d);
        other.render(view);
        RgbImage image = context->readPixels();
        other.releaseGl();
        return image;
    };
    // A line hidden, a number and a flap moved: as an edit leaves the drawing.
    DevelopmentDrawing edited = drawing;
    ASSERT_FALSE(edited.flaps.empty());
    for (DrawnLine& line : edited.lines)
        if (line.visible()) {
            line.lineType = kLineNone;
            break;
        }
    edited.numbers.front().number = 88;
    edited.flaps.front().height *= 2;
    renderer->setDrawing(edited);
    EXPECT_EQ(frame().pixels, fresh(edited).pixels);
    // Only the material's colour changes; the faces are the same.
    model->defaultMaterial.flatColor = {0.1f, 0.6f, 0.2f};
    renderer->setDrawing(edited);
    const RgbImage recoloured = frame();
    EXPECT_EQ(recoloured.pixels, fresh(edited).pixels);
    EXPECT_TRUE(close(pixel(recoloured, screen(centroid(edited.faces[0].corners))), {26, 153, 51}, 1));
}
