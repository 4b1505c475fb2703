#include <gtest/gtest.h>

#include <random>
#include <set>

#include "base/settings.h"
#include "development_checker.h"
#include "hexaking_test_file.h"
#include "import/hexaking_reader.h"
#include "quiet_readers.h"
#include "model/construction.h"
#include "model/normalize.h"
#include "recording_progress.h"
#include "test_util.h"
#include "textures/texture_image.h"

using namespace plikatra;
using plikatra::test::TempDir;
namespace hk = plikatra::test::hexaking;

namespace {

// Vertex 0 at (1, 2, 3); face 0 has corners 0, 1, 2 and texture coordinates.
hk::Node tetrahedron(int objectField = 2) {
    hk::Node n;
    n.objectField = objectField;
    n.vertices = {{1, 2, 3}, {11, 2, 3}, {1, 12, 3}, {1, 2, 13}};
    n.faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
    n.faces[0].textured = true;
    n.faces[0].uv[0][0] = 0.25, n.faces[0].uv[0][1] = 0.75;
    return n;
}

hk::Node cube(double side) {
    hk::Node n;
    for (int i = 0; i < 8; ++i)
        n.vertices.push_back({side * (i & 1), side * (i >> 1 & 1), side * (i >> 2 & 1)});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {1, 3, 7, 5}, {0, 4, 6, 2}};
    for (auto& q : quads) {
        n.faces.push_back({q[0], q[1], q[2]});
        n.faces.push_back({q[0], q[2], q[3]});
    }
    return n;
}

hk::File fileWith(std::vector<hk::Node> shapes, int version = -1) {
    hk::File f;
    f.version = version;
    f.root.children = std::move(shapes);
    return f;
}

// The steps the loader runs for these files after a successful read.
int loadAsLoaderDoes(const std::string& path, Model& m, Ui& ui) {
    HexaKingEdgeMarks marks;
    const int r = readHexaKing(path, m, ReadContext{ui}, &marks);
    if (r != kReadOk) return r;
    normalizeModel(m);
    removeZeroAreaFaces(m, kAreaThreshold, ui);
    finishHexaKingModel(m, marks);
    m.faceCount = 0;
    for (auto& s : m.solids) m.faceCount += static_cast<int>(s->faces.size());
    computeEdgeMetrics(m);
    return r;
}

std::vector<int> origins(const Face& f) {
    std::vector<int> v;
    for (auto& h : f.halfedges) v.push_back(h->origin->index);
    return v;
}

class HexaKing : public testing::Test {
protected:
    std::string save(const hk::File& f, const std::string& name = "m.6kt") {
        return dir_.write(name, hk::write(f));
    }
    int read(const hk::File& f, Model& m) {
        return readHexaKing(save(f), m, ReadContext{ui_, textureLimit_});
    }
    int loadAsLoaderDoes(const std::string& path, Model& m) { return ::loadAsLoaderDoes(path, m, ui_); }

    RecordingFrontEnd ui_;
    int textureLimit_ = kMinTextureSide;  // before any graphics context
    TempDir dir_;
};

}  // namespace

TEST_F(HexaKing, ShapeBecomesSolidAndReversedMirrorImage) {
    Model m;
    ASSERT_EQ(read(fileWith({tetrahedron(5)}), m), kReadOk);
    ASSERT_EQ(m.solids.size(), 2u);
    const Solid& a = *m.solids[0];
    const Solid& b = *m.solids[1];
    EXPECT_EQ(a.index, 3);
    EXPECT_EQ(b.index, 3);
    const Point3 pa = a.vertices[0]->position, pb = b.vertices[0]->position;
    EXPECT_DOUBLE_EQ(pa.x, -0.1);
    EXPECT_DOUBLE_EQ(pa.y, 0.2);
    EXPECT_DOUBLE_EQ(pa.z, -0.3);
    EXPECT_DOUBLE_EQ(pb.x, 0.1);
    EXPECT_DOUBLE_EQ(pb.y, 0.2);
    EXPECT_DOUBLE_EQ(pb.z, -0.3);
    EXPECT_EQ(origins(*a.faces[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(origins(*b.faces[0]), (std::vector<int>{2, 1, 0}));
    // One texture coordinate record per corner, shared by both faces, v turned downwards.
    EXPECT_TRUE(m.bTextureCoodinates);
    ASSERT_EQ(a.texCoords.size(), 3u);
    const TexCoord* tc = a.faces[0]->halfedges[0]->texCoord;
    ASSERT_NE(tc, nullptr);
    EXPECT_EQ(tc->u, 0.25);
    EXPECT_EQ(tc->v, 0.25);
    EXPECT_EQ(b.faces[0]->halfedges[2]->texCoord, tc);
    EXPECT_EQ(a.faces[1]->halfedges[0]->texCoord, nullptr);
    // Both solids are closed surfaces of the same orientation.
    EXPECT_EQ(m.faceCount, 8);
    for (const Solid* s : {&a, &b}) {
        ASSERT_EQ(s->edges.size(), 6u);
        for (auto& e : s->edges) EXPECT_NE(e->b, nullptr);
    }
    for (int mirror : {0, 2}) {
        hk::File f = fileWith({tetrahedron(), tetrahedron()});
        f.mirror = mirror;
        Model single;
        ASSERT_EQ(read(f, single), kReadOk);
        ASSERT_EQ(single.solids.size(), 2u) << mirror;
        for (auto& s : single.solids) EXPECT_DOUBLE_EQ(s->vertices[0]->position.x, -0.1);
    }
}

TEST_F(HexaKing, EveryVersionReadsTheSameScene) {
    Model reference;
    ASSERT_EQ(read(fileWith({tetrahedron(), cube(4)}), reference), kReadOk);
    // Non-negative first values are not version words but the start of the body.
    for (int version : {0, 7, -2, -5, -9}) {
        hk::File f = fileWith({tetrahedron(), cube(4)}, version);
        f.extensionBytes = 3;
        if (version < -1) f.names = {"Body"};
        Model m;
        ASSERT_EQ(read(f, m), kReadOk) << version;
        ASSERT_EQ(m.solids.size(), reference.solids.size());
        EXPECT_EQ(m.faceCount, reference.faceCount);
        for (std::size_t i = 0; i < m.solids.size(); ++i) {
            const Solid& s = *m.solids[i];
            for (std::size_t k = 0; k < s.vertices.size(); ++k) {
                const Point3 p = s.vertices[k]->position,
                             q = reference.solids[i]->vertices[k]->position;
                EXPECT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << version;
            }
            EXPECT_EQ(s.name, version < -1 ? "Body (" + std::to_string(i + 1) + "/4)" : "")
                << version;
        }
    }
}

TEST_F(HexaKing, GroupsComposeParentThenChildAndPopBack) {
    hk::Node scaled = tetrahedron();
    scaled.vertices[0] = {1, 0, 0};
    scaled.matrix = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, /* stored, replaced by 1 */ 0};
    hk::Node moved = hk::node(2);
    moved.matrix[12] = 10;
    moved.children = {hk::node(9), scaled};
    hk::Node transformOnly = hk::node(1);
    transformOnly.matrix[12] = 100;
    hk::File f = fileWith({hk::node(3), moved, transformOnly, tetrahedron()});
    f.mirror = 0;
    Model m;
    ASSERT_EQ(read(f, m), kReadOk);
    ASSERT_EQ(m.solids.size(), 2u);
    // Scaled first, then moved: (1, 0, 0) → (2, 0, 0) → (12, 0, 0).
    EXPECT_DOUBLE_EQ(m.solids[0]->vertices[0]->position.x, -1.2);
    // The sibling after the group is back under the root; transform nodes leave no trace.
    EXPECT_DOUBLE_EQ(m.solids[1]->vertices[0]->position.x, -0.1);
}

TEST_F(HexaKing, ObjectNumbersNameSolids) {
    // Object fields 2 and -65530 both give object 0 (the remainder keeps its sign), 65539
    // gives object 1; object 2 has no shape.
    hk::File f = fileWith({tetrahedron(2), tetrahedron(65539), tetrahedron(-65530)}, -2);
    f.names = {"Body", "Wing", "Tail"};
    const std::vector<std::string> mirrored = {"Body (1/4)", "Body (2/4)", "Wing (1/2)",
                                               "Wing (2/2)", "Body (3/4)", "Body (4/4)"};
    const std::vector<std::string> single = {"Body (1/2)", "Wing", "Body (2/2)"};
    for (int mirror : {1, 0}) {
        f.mirror = mirror;
        Model m;
        ASSERT_EQ(read(f, m), kReadOk);
        std::vector<std::string> names;
        for (auto& s : m.solids) names.push_back(s->name);
        EXPECT_EQ(names, mirror ? mirrored : single);
    }
    f.namesHidden = true;
    Model m;
    ASSERT_EQ(read(f, m), kReadOk);
    for (auto& s : m.solids) EXPECT_EQ(s->name, "");
}

TEST_F(HexaKing, MaterialsCountAcrossShapesIncludingDiscardedOnes) {
    hk::Node first = tetrahedron();
    first.materials.resize(2);
    for (auto& face : first.faces) face.material = 1;
    hk::Node discarded = tetrahedron();
    discarded.code = 6;
    discarded.materials.resize(1);
    hk::Node second = tetrahedron();
    second.materials.resize(1);
    second.faces[1].material = 7;  // names no material
    Model m;
    ASSERT_EQ(read(fileWith({first, discarded, second}), m), kReadOk);
    ASSERT_EQ(m.solids.size(), 4u);
    ASSERT_EQ(m.materials.size(), 4u);
    EXPECT_EQ(m.solids[0]->faces[0]->materialIndex, 1);
    EXPECT_EQ(m.solids[3]->faces[0]->materialIndex, 3);
    EXPECT_EQ(m.solids[2]->faces[1]->materialIndex, -1);
    const Material& mat = *m.materials[0];
    EXPECT_TRUE(mat.colorGiven);
    EXPECT_EQ(mat.ambient.r, 0.1f);
    EXPECT_EQ(mat.ambient.b, 0.3f);
    EXPECT_EQ(mat.ambient.a, 1.0f);
    EXPECT_EQ(mat.diffuse.g, 0.5f);
    EXPECT_EQ(mat.flatColor.b, 0.6f);
    EXPECT_EQ(mat.emission.r, 0.0f);
    EXPECT_EQ(mat.specular.g, 0.0f);
    EXPECT_EQ(mat.specular.a, 1.0f);
    EXPECT_FALSE(mat.hasTexture);
}

TEST_F(HexaKing, EmbeddedImagesFollowTheTextureSizeRules) {
    auto image = [](int w, int h) {
        hk::Texture t{w, h, {}};
        for (int i = 0; i < w * h; ++i)
            for (int k = 0; k < 4; ++k) t.pixels.push_back(static_cast<std::uint8_t>(i * 4 + k));
        return t;
    };
    auto load = [&](int w, int h) {
        hk::Node shape = tetrahedron();
        shape.materials.resize(1);
        shape.materials[0].textured = true;
        shape.materials[0].texture = image(w, h);
        auto m = std::make_unique<Model>();
        EXPECT_EQ(read(fileWith({shape}), *m), kReadOk);
        return m;
    };
    // Before any graphics context the limit is 64: 3 × 2 becomes 64 × 64, rows as stored.
    auto m = load(3, 2);
    const TextureImage* t = m->materials[0]->texture.get();
    ASSERT_TRUE(m->materials[0]->hasTexture && t);
    ASSERT_EQ(t->width, 64);
    ASSERT_EQ(t->height, 64);
    auto pixel = [&](int row, int col) {
        return std::vector<int>(t->pixels.begin() + (row * 64 + col) * 3,
                                t->pixels.begin() + (row * 64 + col) * 3 + 3);
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{1, 2, 3}));       // source (0, 0), first byte dropped
    EXPECT_EQ(pixel(0, 22), (std::vector<int>{5, 6, 7}));      // source (0, 1)
    EXPECT_EQ(pixel(63, 63), (std::vector<int>{21, 22, 23}));  // source (1, 2)

    textureLimit_ = 1024;
    m = load(64, 3);  // a power of two the limits did not lower: kept as stored
    EXPECT_EQ(m->materials[0]->texture->width, 64);
    EXPECT_EQ(m->materials[0]->texture->height, 3);
    EXPECT_EQ(m->materials[0]->texture->pixels[3 * 64 * 3 - 1], 255);
    textureLimit_ = textureSizeLimit(1024, true, 0);
    m = load(64, 3);  // 128 lowered to 64
    EXPECT_EQ(m->materials[0]->texture->height, 64);
}

TEST_F(HexaKing, EdgeMarksCutOrMarkEdgesAfterLoading) {
    hk::Node shape = tetrahedron();
    shape.faces.push_back({0, 1, 9});  // names a vertex the shape does not have: dropped
    shape.edges = {{0, 1, 0x20}, {1, 2, 0x20000}, {3, 1, 0x30000}, {2, 3, 0x10000}, {0, 9, 0x20}};
    Model m;
    ASSERT_EQ(loadAsLoaderDoes(save(fileWith({shape})), m), kReadOk);
    ASSERT_EQ(m.solids.size(), 2u);
    EXPECT_EQ(m.faceCount, 8);
    for (auto& s : m.solids) {
        ASSERT_EQ(s->edges.size(), 7u);
        std::multiset<std::pair<int, std::pair<int, int>>> kinds;
        for (auto& e : s->edges) kinds.insert({e->kind, std::minmax(e->va->index, e->vb->index)});
        const std::multiset<std::pair<int, std::pair<int, int>>> expected = {
            {kEdgeOpen, {0, 1}},   {kEdgeOpen, {0, 1}},   {kEdgeCut, {1, 2}},   {kEdgeCut, {1, 3}},
            {kEdgeNormal, {2, 3}}, {kEdgeNormal, {0, 2}}, {kEdgeNormal, {0, 3}}};
        EXPECT_EQ(kinds, expected);
    }
}

TEST_F(HexaKing, ZeroAreaFacesReportedOncePerSolidWithItsCount) {
    // Slivers that pass construction in file units but not once the model is normalised.
    hk::Node shape = tetrahedron();
    for (auto& v : shape.vertices) v = {v.x * 1000, v.y * 1000, v.z * 1000};
    for (int i = 0; i < 2; ++i) {
        const int base = static_cast<int>(shape.vertices.size());
        shape.vertices.insert(shape.vertices.end(),
                              {{0, 50.0 * i, 0}, {10, 50.0 * i, 0}, {5, 50.0 * i + 2e-4, 0}});
        shape.faces.push_back({base, base + 1, base + 2});
    }
    for (int mirror : {0, 1}) {
        hk::File f = fileWith({shape}, -2);
        f.mirror = mirror;
        ui_.entries.clear();
        Model m;
        ASSERT_EQ(loadAsLoaderDoes(save(f, "z.6ks"), m), kReadOk);
        EXPECT_EQ(ui_.texts(),
                  std::vector<std::string>(mirror + 1, "Deleted 2 surface(s) with zero area."));
        EXPECT_EQ(m.faceCount, 4 * (mirror + 1));
    }
}

TEST_F(HexaKing, GeneratedModelUnfolds) {
    hk::Node shape = cube(20);
    shape.edges = {{0, 1, 0x20}, {4, 6, 0x20000}};
    hk::Node box = hk::node(2);
    box.matrix = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1};
    box.children = {shape, tetrahedron(3)};
    Model m;
    ASSERT_EQ(loadAsLoaderDoes(save(fileWith({box})), m), kReadOk);
    ASSERT_EQ(m.solids.size(), 4u);
    ASSERT_TRUE(createDevelopment(m));
    EXPECT_GE(m.parts.size(), 4u);  // parts never span solids
    const auto errors = test::checkDevelopment(m, {1e-9, true, false});
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
}

TEST_F(HexaKing, CancelAtAnyProgressStepGivesTwo) {
    const std::string path = save(fileWith({tetrahedron(), cube(2)}));
    int result = kReadCancelled;
    int pump = 0;
    while (result == kReadCancelled && pump < 200) {
        RecordingFrontEnd ui;
        RecordingProgress& progress = ui.progressWindow;
        progress.cancelAtPump = ++pump;
        Model m;
        result = readHexaKing(path, m, ReadContext{ui});
        EXPECT_EQ(progress.openWindows(), 0);
        EXPECT_EQ(progress.captions.front(), "Load file");
        EXPECT_EQ(progress.texts.front(), "Loading file...");
        if (result == kReadOk) {
            EXPECT_EQ(progress.texts.back(), "Constructing model...");
        }
    }
    EXPECT_EQ(result, kReadOk);
    EXPECT_GT(pump, 10);
}

TEST_F(HexaKing, DamagedFilesEndCleanly) {
    Model m;
    EXPECT_EQ(readHexaKing(dir_.path() + "/none.6kt", m), kReadFailed);
    EXPECT_EQ(readHexaKing(dir_.write("e.6kt", ""), m), kReadFailed);

    hk::Node shape = tetrahedron();
    shape.edges = {{0, 1, 0x20}, {1, 2, 0x20000}};
    shape.materials.resize(1);
    shape.materials[0].textured = true;
    shape.materials[0].texture = {3, 2, std::vector<std::uint8_t>(24, 7)};
    hk::Node group = hk::node(2);
    group.children = {shape, tetrahedron()};
    hk::File f = fileWith({group, cube(3)}, -5);
    f.names = {"Body", "Wing"};
    const std::string bytes = hk::write(f);
    // The file ends with the names, so every shorter piece of it is truncated.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        Model p;
        ASSERT_EQ(readHexaKing(dir_.write("p.6kt", bytes.substr(0, n)), p), kReadFailed) << n;
    }

    std::mt19937 random(20240611);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = bytes;
        for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
            const std::size_t at = random() % damaged.size();
            // Mostly single bytes; sometimes a whole value turned huge or negative.
            if (random() % 4 == 0 && at + 4 <= damaged.size())
                damaged.replace(at, 4, random() % 2 ? "\x7F\xFF\xFF\xF0" : "\xFF\xFF\xFF\xF0");
            else
                damaged[at] = static_cast<char>(random());
        }
        Model d;
        const int r = loadAsLoaderDoes(dir_.write("d.6kt", damaged), d);
        ASSERT_TRUE(r == kReadOk || r == kReadFailed) << round;
        loaded += r == kReadOk;
    }
    // Many changes hit values that do not matter, and those files still load.
    EXPECT_GT(loaded, 300);
}
