#include "import/dxf_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "base/load_progress.h"
#include "quiet_readers.h"
#include "recording_progress.h"
#include "test_util.h"

namespace plikatra {
namespace {

using Corners = std::vector<std::array<double, 3>>;

std::string number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// A 3DFACE entity; no group 8 when `layer` is null. Three corners write no group 13.
std::string face3d(const char* layer, const Corners& c, const char* keyword = "3DFACE") {
    std::string s = "  0\n" + std::string(keyword) + "\n  5\n2A\n100\nAcDbEntity\n";
    if (layer) s += "  8\n" + std::string(layer) + "\n";
    s += "100\nAcDbFace\n";
    for (std::size_t k = 0; k < c.size(); ++k)
        for (int axis = 0; axis < 3; ++axis)
            s += " " + std::to_string(10 * (axis + 1) + static_cast<int>(k)) + "\n" + number(c[k][axis]) + "\n";
    return s;
}

std::string polyfaceVertex(double x, double y, double z) {
    return "  0\nVERTEX\n  8\nMESH\n 10\n" + number(x) + "\n 20\n" + number(y) + "\n 30\n" + number(z) +
           "\n 70\n   192\n";
}

std::string polyfaceRecord(std::vector<int> indices) {
    std::string s = "  0\nVERTEX\n  8\nMESH\n 10\n0\n 20\n0\n 30\n0\n 70\n   128\n";
    for (std::size_t k = 0; k < indices.size(); ++k)
        s += " " + std::to_string(71 + k) + "\n" + std::to_string(indices[k]) + "\n";
    return s;
}

const std::string kPolyline = "  0\nPOLYLINE\n  8\nMESH\n 66\n1\n 70\n64\n";
const std::string kSeqend = "  0\nSEQEND\n  8\nMESH\n";
const std::string kEof = "  0\nENDSEC\n  0\nEOF\n";

struct Loaded {
    int result = -1;
    Model model;
};

std::unique_ptr<Loaded> load(const std::string& text, Ui* ui = nullptr) {
    test::TempDir dir;
    auto out = std::make_unique<Loaded>();
    RecordingFrontEnd quiet;
    out->result = readDxf(dir.write("m.dxf", text), out->model, ReadContext{ui ? *ui : quiet});
    return out;
}

Point3 cornerPosition(const Face& f, std::size_t k) { return f.halfedges[k]->origin->position; }

void expectAt(const Point3& p, double x, double y, double z) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.z, z);
}

const Corners kTriA = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
const Corners kTriB = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

TEST(DxfReader, LayersBecomeSolidsAndSharedCornersMerge) {
    auto same = load(face3d("A", kTriA) + face3d("A", kTriB) + kEof);
    ASSERT_EQ(same->result, kReadOk);
    ASSERT_EQ(same->model.solids.size(), 1u);
    EXPECT_EQ(same->model.solids[0]->name, "A");
    EXPECT_EQ(same->model.solids[0]->vertices.size(), 4u);
    EXPECT_EQ(same->model.solids[0]->faces.size(), 2u);
    EXPECT_EQ(same->model.solids[0]->faces[0]->materialIndex, -1);

    auto split = load(face3d("A", kTriA) + face3d("B", kTriB) + face3d("A", kTriB) + kEof);
    ASSERT_EQ(split->result, kReadOk);
    ASSERT_EQ(split->model.solids.size(), 2u);
    EXPECT_EQ(split->model.solids[0]->name, "A");
    EXPECT_EQ(split->model.solids[1]->name, "B");
    EXPECT_EQ(split->model.solids[0]->faces.size(), 2u);
    EXPECT_EQ(split->model.solids[0]->vertices.size(), 4u);
    EXPECT_EQ(split->model.solids[1]->vertices.size(), 3u);
}

TEST(DxfReader, MergeDistance) {
    const auto withOffset = [](double dx) {
        return load(face3d("A", kTriA) + face3d("A", {{1 + dx, 0, 0}, {1, 1, 0}, {0, 1, 0}}) + kEof);
    };
    auto near = withOffset(0.00005);
    ASSERT_EQ(near->result, kReadOk);
    EXPECT_EQ(near->model.solids[0]->vertices.size(), 4u);
    // The merged corner keeps the position of the vertex it joined.
    expectAt(cornerPosition(*near->model.solids[0]->faces[1], 0), 1, 0, 0);

    auto far = withOffset(0.0002);
    ASSERT_EQ(far->result, kReadOk);
    EXPECT_EQ(far->model.solids[0]->vertices.size(), 5u);

    // Far from the origin the cells are coarse in absolute terms; merging still follows the
    // distance alone.
    auto big = load(face3d("A", {{1e6, 0, 0}, {1e6 + 1, 0, 0}, {1e6, 1, 0}}) +
                    face3d("A", {{1e6 + 1.00009, 0, 0}, {1e6 + 1, 1, 0}, {1e6 + 0.00003, 1, 0}}) + kEof);
    ASSERT_EQ(big->result, kReadOk);
    EXPECT_EQ(big->model.solids[0]->vertices.size(), 4u);

    // Close corners on either side of a multiple of 0.0002, and on either side of zero.
    auto across = load(face3d("A", {{-0.00001, 0, 0}, {1.000199, 0, 0}, {0, 1, 0}}) +
                       face3d("A", {{1.00021, 0, 0}, {1, 1, 0}, {0.00001, 0, 0}}) + kEof);
    ASSERT_EQ(across->result, kReadOk);
    EXPECT_EQ(across->model.solids[0]->vertices.size(), 4u);
}

TEST(DxfReader, MergeTakesNewestCloseVertex) {
    // Two vertices 0.00015 apart both lie within 0.0001 of the third corner below; the one
    // created last wins, as a search from the newest vertex backwards would find.
    auto m = load(face3d("A", {{0, 0, 0}, {0.00015, 0, 0}, {0, 1, 0}}) +
                  face3d("A", {{0.00008, 0, 0}, {1, 0, 0}, {0, 2, 0}}) + kEof);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids[0]->faces.size(), 2u);
    expectAt(cornerPosition(*m->model.solids[0]->faces[1], 0), 0.00015, 0, 0);
}

TEST(DxfReader, QuadrilateralCollapse) {
    auto m = load(face3d("T", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}) +
                  face3d("F", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}) +
                  face3d("Q", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) + kEof);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids.size(), 3u);
    EXPECT_EQ(m->model.solids[0]->faces[0]->halfedges.size(), 3u);
    EXPECT_EQ(m->model.solids[1]->faces[0]->halfedges.size(), 3u);
    EXPECT_EQ(m->model.solids[2]->faces[0]->halfedges.size(), 4u);
}

TEST(DxfReader, PolyfaceIndices) {
    std::string text = kPolyline;
    for (int i = 0; i < 4; ++i) text += polyfaceVertex(i, i * i, 0);
    text += polyfaceRecord({1, 2, -3}) + kSeqend + kEof;
    auto m = load(text);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids.size(), 1u);
    EXPECT_EQ(m->model.solids[0]->name, "MESH");
    const Face& f = *m->model.solids[0]->faces[0];
    ASSERT_EQ(f.halfedges.size(), 3u);
    expectAt(cornerPosition(f, 0), 0, 0, 0);
    expectAt(cornerPosition(f, 1), 1, 1, 0);
    expectAt(cornerPosition(f, 2), 2, 4, 0);
}

TEST(DxfReader, PolyfaceBaseMovesAtEachSeqend) {
    std::string text;
    for (int mesh = 0; mesh < 2; ++mesh) {
        text += kPolyline;
        for (int i = 0; i < 8; ++i) text += polyfaceVertex(100 * mesh + i, (i % 3) * (i + 1), 0);
        text += polyfaceRecord({1, 2, 3}) + kSeqend;
    }
    auto m = load(text + kEof);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids[0]->faces.size(), 2u);
    const Face& second = *m->model.solids[0]->faces[1];
    expectAt(cornerPosition(second, 0), 100, 0, 0);
    expectAt(cornerPosition(second, 1), 101, 2, 0);
    expectAt(cornerPosition(second, 2), 102, 6, 0);
}

TEST(DxfReader, PolyfaceRecordsNamingNoVertex) {
    std::string text = kPolyline;
    for (int i = 0; i < 4; ++i) text += polyfaceVertex(i % 2, i / 2, 0);
    text += polyfaceRecord({1, 2, 0});      // zero index: dropped
    text += polyfaceRecord({1, 2, 5});      // past the list: dropped
    text += polyfaceRecord({1, 2, 4, 0});   // zero fourth index: a triangle
    text += polyfaceRecord({1, 2, 4, 3});   // a quadrilateral
    auto m = load(text + kSeqend + kEof);
    ASSERT_EQ(m->result, kReadOk);
    const auto& faces = m->model.solids[0]->faces;
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0]->halfedges.size(), 3u);
    EXPECT_EQ(faces[1]->halfedges.size(), 4u);

    // Indices that only refer to an earlier mesh are past the current one.
    auto late = load(text + kSeqend + kPolyline + polyfaceRecord({1, 2, 3}) + kSeqend + kEof);
    ASSERT_EQ(late->result, kReadOk);
    EXPECT_EQ(late->model.solids[0]->faces.size(), 2u);
}

TEST(DxfReader, LayerCarriesOverToLaterEntities) {
    // The VERTEX's group 8 names the layer of the 3DFACE after it, which has none.
    std::string text = face3d("First", kTriA) + kPolyline + polyfaceVertex(5, 5, 5) + kSeqend;
    text.replace(text.find("8\nMESH", text.find("VERTEX")), 6, "8\nSecond");
    text += face3d(nullptr, kTriB) + kEof;
    auto m = load(text);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids.size(), 2u);
    EXPECT_EQ(m->model.solids[1]->name, "Second");

    auto first = load(face3d("L1", kTriA) + face3d(nullptr, kTriB) + kEof);
    ASSERT_EQ(first->model.solids.size(), 1u);
    EXPECT_EQ(first->model.solids[0]->faces.size(), 2u);
}

TEST(DxfReader, LayerNamesAreWholeLines) {
    // Spaces belong to the name and a carriage return before the line feed does not; names
    // compare with case; no group 8 at all is the empty layer.
    std::string text = face3d("My layer", kTriA) + face3d("my layer", kTriB);
    text += face3d("My layer", kTriB);
    std::string crlf;
    for (char c : face3d("My layer", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    auto m = load(text + crlf + kEof);
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids.size(), 2u);
    EXPECT_EQ(m->model.solids[0]->name, "My layer");
    EXPECT_EQ(m->model.solids[0]->faces.size(), 3u);
    EXPECT_EQ(m->model.solids[1]->name, "my layer");

    auto unnamed = load(face3d(nullptr, kTriA) + kEof);
    ASSERT_EQ(unnamed->result, kReadOk);
    EXPECT_EQ(unnamed->model.solids[0]->name, "");

    // A name longer than 511 characters keeps 511; the rest of its line is read as words,
    // here a colour group.
    std::string longLine = face3d("LONG", kTriA);
    longLine.replace(longLine.find("LONG"), 4, std::string(511, 'n') + " 62\n5");
    auto longName = load(longLine + kEof);
    ASSERT_EQ(longName->result, kReadOk);
    EXPECT_EQ(longName->model.solids[0]->name, std::string(511, 'n'));
}

TEST(DxfReader, KeywordSpelling) {
    auto lower = load(face3d("A", kTriA, "3dface") + face3d("A", kTriB, "3DFace") + kEof);
    ASSERT_EQ(lower->result, kReadOk);
    EXPECT_EQ(lower->model.solids[0]->faces.size(), 1u);

    // The same holds for the polyface keywords.
    std::string mesh = kPolyline;
    for (int i = 0; i < 3; ++i) mesh += polyfaceVertex(i == 1, i == 2, 0);
    mesh += polyfaceRecord({1, 2, 3}) + kSeqend;
    const auto respelled = [&](const char* spelling) {
        std::string text = mesh;
        for (std::size_t p; (p = text.find("VERTEX")) != std::string::npos;) text.replace(p, 6, spelling);
        return load(text + kEof);
    };
    auto m = respelled("vertex");
    ASSERT_EQ(m->result, kReadOk);
    EXPECT_EQ(m->model.solids[0]->faces.size(), 1u);
    EXPECT_EQ(respelled("Vertex")->result, kReadFailed);
}

TEST(DxfReader, TokenStreamQuirks) {
    // Application data in braces is passed by, coordinates inside it included.
    std::string braces = face3d("A", kTriA);
    braces.insert(braces.find("100\nAcDbFace"), "102\n{\n 10\n99\n}\n");
    auto b = load(braces + kEof);
    ASSERT_EQ(b->result, kReadOk);
    expectAt(cornerPosition(*b->model.solids[0]->faces[0], 0), 0, 0, 0);

    // An entity end before the first corner does not end the face.
    std::string early = face3d("A", kTriA);
    early.insert(early.find("100\nAcDbFace"), "  0\n");
    auto e = load(early + kEof);
    ASSERT_EQ(e->result, kReadOk);
    EXPECT_EQ(e->model.solids[0]->vertices.size(), 3u);

    // A word where a group code belongs stops the stream: the face read so far is kept, the
    // rest of the file is not read.
    std::string broken = face3d("A", kTriA) + "xx\n" + face3d("A", kTriB) + kEof;
    auto s = load(broken);
    ASSERT_EQ(s->result, kReadOk);
    EXPECT_EQ(s->model.solids[0]->faces.size(), 1u);
}

TEST(DxfReader, Failures) {
    test::TempDir dir;
    Model missing;
    EXPECT_EQ(readDxf(dir.path() + "/none.dxf", missing), kReadFailed);
    EXPECT_EQ(load("")->result, kReadFailed);
    EXPECT_EQ(load("  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n" + kEof)->result, kReadFailed);
    // Only degenerate faces: construction keeps nothing.
    EXPECT_EQ(load(face3d("A", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}) + kEof)->result, kReadFailed);
    // A keyword at the very end reads no corner and gives no face.
    EXPECT_EQ(load("3DFACE")->result, kReadFailed);
}

TEST(DxfReader, ProgressAndCancel) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += face3d("A", {{0, 0, double(i)}, {1, 0, double(i)}, {0, 1, double(i)}});
    {
        RecordingFrontEnd ui;
        RecordingProgress& rec = ui.progressWindow;
        auto m = load(text + kEof, &ui);
        ASSERT_EQ(m->result, kReadOk);
        ASSERT_FALSE(rec.captions.empty());
        EXPECT_EQ(rec.captions.front(), kLoadFileTitle);
        // The last word leaves its line end unread.
        EXPECT_EQ(rec.percents.back(), 99);
        ASSERT_GE(rec.texts.size(), 2u);
        EXPECT_EQ(rec.texts.front(), kLoadingFileText);
        EXPECT_EQ(rec.texts.back(), kConstructingModelText);
        EXPECT_EQ(rec.openWindows(), 0);
    }
    {
        RecordingFrontEnd ui;
        RecordingProgress& rec = ui.progressWindow;
        rec.cancelAtPercent = 50;
        auto m = load(text + kEof, &ui);
        EXPECT_EQ(m->result, kReadCancelled);
        EXPECT_TRUE(rec.cancelPressed);
        EXPECT_LT(rec.percents.back(), 100);
        EXPECT_EQ(rec.openWindows(), 0);
    }
}

}  // namespace
}  // namespace plikatra
