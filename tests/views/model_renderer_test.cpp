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
#include "views/model_renderer.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

constexpr int kWidth = 480, kHeight = 360;
const Rgb8 kWhitePixel{255, 255, 255};
const Rgb8 kBackGrey{178, 178, 178};

class ModelRender : public RenderTest {
protected:
    void SetUp() override {
        makeContext(kWidth, kHeight);
        camera.resize(kWidth, kHeight);
        camera.setDistance(-7);
    }
    void TearDown() override { renderer.releaseGl(); }

    void use(std::unique_ptr<Model> m) {
        model = std::move(m);
        renderer.setModel(model.get());
    }
    RgbImage frame(const ModelFrameState& state = {}) {
        renderer.render(camera, state);
        RgbImage image = context->readPixels();
        keepImage(image);
        return image;
    }
    // Image position (y down) of a model point.
    Point2 at(const Point3& p) const {
        const Point3 w = camera.project(p);
        return {w.x, kHeight - w.y};
    }
    Point2 midpointOf(const Edge& e) const {
        const Point3& a = e.va->position;
        const Point3& b = e.vb->position;
        return at({(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2});
    }
    // A turn that shows three faces of a cube.
    void turnToACorner() {
        camera.beginRotate(kWidth / 2, kHeight / 2);
        camera.rotateTo(kWidth / 2 - 60, kHeight / 2 + 50);
        camera.endRotate();
    }

    std::unique_ptr<Model> model;
    ModelRenderer renderer;
    ModelCamera camera;
};

double brightness(Rgb8 c) { return c.r + c.g + c.b; }

bool stripeBlue(Rgb8 c) { return c.b > 60 && c.b < 240 && c.b > 2 * c.r && c.b > 2 * c.g && c.r > 5; }

// Two quads folded towards the viewer along x = 0: the middle edge is a valley seen from
// the front.
std::unique_ptr<Model> valleyFold() {
    auto m = std::make_unique<Model>();
    addPolygonSolid(*m, {{-1, -1, 0}, {0, -1, -0.8}, {0, 1, -0.8}, {-1, 1, 0}, {1, -1, 0}, {1, 1, 0}},
                    {{0, 1, 2, 3}, {1, 4, 5, 2}});
    finishShape(*m);
    return m;
}

const Edge* sharedEdge(const Model& m) {
    for (const auto& e : m.solids[0]->edges)
        if (e->b) return e.get();
    return nullptr;
}

}  // namespace

TEST_F(ModelRender, LitFacesAndEdgesInTheFoldColours) {
    use(test::makeCube());
    turnToACorner();
    const RgbImage image = frame();
    EXPECT_EQ(pixel(image, 2, 2), kWhitePixel);  // colour table entry 7
    // The three faces towards the viewer are lit by how squarely they face the light (from
    // the viewer); the squarest one saturates to white, the others keep the material's tint.
    std::vector<std::pair<double, Rgb8>> facing;  // (normal · view, colour)
    const Matrix3& r = camera.rotationMatrix();
    for (const auto& face : model->solids[0]->faces) {
        const Point3& n = face->normal;
        const double towards = r[6] * n.x + r[7] * n.y + r[8] * n.z;
        if (towards > 0.2) facing.emplace_back(towards, pixel(image, at(face->center)));
    }
    ASSERT_EQ(facing.size(), 3u);
    std::sort(facing.begin(), facing.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    EXPECT_LT(brightness(facing[0].second), brightness(facing[1].second));
    EXPECT_LT(brightness(facing[1].second), brightness(facing[2].second));
    for (int i = 0; i < 2; ++i) EXPECT_GT(facing[i].second.b, facing[i].second.r + 20);
    // Convex cube edges: colour entry 1 (blue), or black when edges are not coloured.
    const Edge* edge = nullptr;
    for (const auto& e : model->solids[0]->edges) {
        const double a = r[6] * e->a->face->normal.x + r[7] * e->a->face->normal.y + r[8] * e->a->face->normal.z;
        const double b = r[6] * e->b->face->normal.x + r[7] * e->b->face->normal.y + r[8] * e->b->face->normal.z;
        if (a > 0.2 && b > 0.2) edge = e.get();
    }
    ASSERT_TRUE(edge);
    EXPECT_GT(countPixels(image, [](Rgb8 c) { return c == Rgb8{0, 0, 255}; }, midpointOf(*edge), 1), 0);
    ModelViewOptions plain;
    plain.colorEdges = false;
    renderer.setOptions(plain);
    EXPECT_GT(countPixels(frame(), [](Rgb8 c) { return c == Rgb8{0, 0, 0}; }, midpointOf(*edge), 1), 0);
}

TEST_F(ModelRender, ValleyColourAndGreyBackFacesUnlessHidden) {
    use(valleyFold());
    const Edge* middle = sharedEdge(*model);
    ASSERT_TRUE(middle);
    ASSERT_FALSE(middle->mountain);
    ModelViewOptions options;
    options.cullEdge = false;
    renderer.setOptions(options);
    const RgbImage front = frame();
    EXPECT_GT(countPixels(front, [](Rgb8 c) { return c == Rgb8{0, 255, 255}; }, midpointOf(*middle), 1), 0);
    const Point2 leftQuad = at(model->solids[0]->faces[0]->center);
    EXPECT_FALSE(close(pixel(front, leftQuad), kBackGrey, 3));
    // From behind, the same faces show their grey backs.
    camera.beginRotate(kWidth / 2, kHeight / 2);
    camera.rotateTo(100000, kHeight / 2);  // the rim: half a turn about the vertical
    camera.endRotate();
    const Point2 behind = at(model->solids[0]->faces[0]->center);
    EXPECT_TRUE(close(pixel(frame(), behind), kBackGrey, 1)) << pixel(frame(), behind);
    // Faces drawn white without materials, and faces with a picture, still show grey backs.
    options.useMaterial = false;
    renderer.setOptions(options);
    EXPECT_TRUE(close(pixel(frame(), behind), kBackGrey, 1)) << pixel(frame(), behind);
    options.useMaterial = true;
    renderer.setOptions(options);
    Material* m = model->addMaterial();
    m->texture = std::make_unique<TextureImage>();
    m->texture->width = m->texture->height = 4;
    m->texture->pixels.assign(4 * 4 * 3, 40);
    m->hasTexture = true;
    for (auto& face : model->solids[0]->faces) face->materialIndex = 0;
    renderer.setModel(model.get());
    EXPECT_TRUE(close(pixel(frame(), behind), kBackGrey, 1)) << pixel(frame(), behind);
    options.cullFace = true;
    renderer.setOptions(options);
    EXPECT_EQ(pixel(frame(), behind), kWhitePixel);
}

TEST_F(ModelRender, CutEdgesOpenAfterUnfolding) {
    use(makeIcosphere(2));
    ASSERT_TRUE(unfold(*model));
    renderer.setModel(model.get());
    camera.setDistance(-3.5);
    // A cut edge whose faces both look at the viewer.
    const Edge* cut = nullptr;
    for (const auto& e : model->solids[0]->edges)
        if (e->b && !e->a->twin && e->a->face->normal.z > 0.6 && e->b->face->normal.z > 0.6)
            cut = e.get();
    ASSERT_TRUE(cut);
    const Point2 gap = midpointOf(*cut);
    const RgbImage opened = frame();
    // Through the gap: the grey inside of the far half, or a black lip.
    const Rgb8 seen = pixel(opened, gap);
    EXPECT_TRUE(close(seen, kBackGrey, 1) || seen == (Rgb8{0, 0, 0})) << seen;
    // The faces beside it are lit as usual.
    EXPECT_FALSE(close(pixel(opened, at(cut->a->face->center)), kBackGrey, 3));
    ModelViewOptions closed;
    closed.openedCuts = false;
    renderer.setOptions(closed);
    // Closed: the cut edge is a 4-pixel line in colour entry 3 (red).
    EXPECT_EQ(pixel(frame(), gap), (Rgb8{255, 0, 0}));
}

TEST_F(ModelRender, HoverHighlightHideSurfaceAndPlainFaces) {
    use(test::makeCube());
    turnToACorner();
    const Face* front = nullptr;
    const Face* side = nullptr;  // lit at a slant, so not saturated
    for (const auto& f : model->solids[0]->faces) {
        if (f->normal.z > 0.9) front = f.get();
        if (f->normal.x > 0.9) side = f.get();
    }
    ASSERT_TRUE(front && side);
    const Point2 centre = at(front->center);
    const Edge* edge = front->halfedges[0]->edge;

    ModelFrameState hover;
    hover.hoveredEdge = edge;
    EXPECT_EQ(pixel(frame(hover), midpointOf(*edge)), (Rgb8{0, 255, 0}));
    // The texture dialog's material: its faces outlined white, having no texture coordinates.
    ModelFrameState outlined;
    outlined.outlinedMaterial = &model->defaultMaterial;
    EXPECT_EQ(pixel(frame(outlined), midpointOf(*edge)), kWhitePixel);

    renderer.setHighlightedFaces({front});
    EXPECT_EQ(pixel(frame(), centre), (Rgb8{255, 0, 0}));
    renderer.setHighlightedFaces({});

    ModelViewOptions options;
    options.hideSurface = true;
    renderer.setOptions(options);
    EXPECT_EQ(pixel(frame(), centre), kWhitePixel);

    options.hideSurface = false;
    options.omitMaterialWhileRotating = true;
    renderer.setOptions(options);
    EXPECT_FALSE(close(pixel(frame(), at(side->center)), kWhitePixel, 10));
    ModelFrameState rotating;
    rotating.rotating = true;
    EXPECT_EQ(pixel(frame(rotating), at(side->center)), kWhitePixel);
}

TEST_F(ModelRender, TexturedCorpusModel) {
    const std::string ball = std::string(PLIKATRA_CORPUS_DIR) + "/3ds/pool_ball/ball-1.3ds";
    if (!std::filesystem::exists(ball)) GTEST_SKIP() << "corpus not found";
    LoadOutcome outcome;
    RecordingFrontEnd quietUi;
    use(readModelFile(ball, ModelFileOptions{}, quietUi, outcome));
    ASSERT_TRUE(model);
    ASSERT_TRUE(model->materials.at(0)->hasTexture);
    renderer.setModel(model.get());
    // The ball's picture has a dark blue band; the edges' pure blue does not count.
    EXPECT_GT(countPixels(frame(), stripeBlue), 1000);
    ModelViewOptions plain;
    plain.useMaterial = false;
    renderer.setOptions(plain);
    EXPECT_EQ(countPixels(frame(), stripeBlue), 0);
}

TEST_F(ModelRender, ClosedSurfacesSeenFromOutsideLeaveTheirBacksOut) {
    // Seen from outside a closed surface the view leaves the backs out, as they lie behind
    // the fronts. A triangle hidden inside the cube leaves the model open, so nothing is left
    // out then: both pictures agree but for the pixels along the outline, where a back meets
    // a front at the same depth and used to win the tie. Once the near plane cuts into the
    // cube, its backs show again from inside.
    auto cube = [](bool insideOut) {
        std::vector<std::vector<int>> faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                               {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5}};
        if (insideOut)
            for (auto& f : faces) std::reverse(f.begin(), f.end());
        auto m = std::make_unique<Model>();
        addPolygonSolid(*m, {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                             {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}, faces);
        addPolygonSolid(*m, {{-0.2, -0.2, 0}, {0.2, -0.2, 0}, {0, 0.2, 0}}, {{0, 1, 2}});
        finishShape(*m);
        return m;
    };
    use(cube(false));
    ASSERT_EQ(model->solids.size(), 2u);
    turnToACorner();
    auto withInner = [&](bool shown) {
        model->solids[1]->visible = shown;
        renderer.setModel(model.get());
        return frame();
    };
    auto backs = [](Rgb8 c) { return close(c, kBackGrey, 1); };
    const RgbImage open = withInner(true);
    const RgbImage closed = withInner(false);
    const Rgb8 background = pixel(closed, 0, 0);
    EXPECT_GT(countPixels(closed, [&](Rgb8 c) { return c != background; }), 30000);
    EXPECT_EQ(countPixels(closed, backs), 0);
    int differ = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) differ += pixel(open, x, y) != pixel(closed, x, y);
    EXPECT_EQ(differ, countPixels(open, backs));
    EXPECT_LT(differ, 300);
    camera.setDistance(kNearestDistance);
    EXPECT_GT(countPixels(withInner(false), backs), 1000);
    // Turned inside out, the cube shows its backs from outside.
    camera.setDistance(-7);
    use(cube(true));
    EXPECT_GT(countPixels(withInner(false), backs), 30000);
}
