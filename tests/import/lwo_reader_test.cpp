#include "import/lwo_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "quiet_readers.h"
#include "test_util.h"

namespace plikatra {
namespace {

// Big-endian IFF bytes, written field by field so each test states its exact layout.
class Bytes {
public:
    Bytes& id(const char* fourCc) {
        data_.append(fourCc, 4);
        return *this;
    }
    Bytes& u16(std::uint16_t v) {
        data_ += static_cast<char>(v >> 8);
        data_ += static_cast<char>(v & 0xFF);
        return *this;
    }
    Bytes& u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v >> 16));
        return u16(static_cast<std::uint16_t>(v & 0xFFFF));
    }
    Bytes& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return u32(bits);
    }
    // NUL-terminated, padded to an even length.
    Bytes& name(const std::string& s) {
        data_ += s;
        data_ += '\0';
        if (s.size() % 2 == 0) data_ += '\0';
        return *this;
    }
    Bytes& raw(const std::string& s) {
        data_ += s;
        return *this;
    }
    const std::string& str() const { return data_; }

private:
    std::string data_;
};

std::string chunk(const char* id, const Bytes& body) {
    return Bytes().id(id).u32(static_cast<std::uint32_t>(body.str().size())).raw(body.str()).str();
}

std::string subChunk(const char* id, const Bytes& body) {
    return Bytes().id(id).u16(static_cast<std::uint16_t>(body.str().size())).raw(body.str()).str();
}

std::string form(const char* type, std::initializer_list<std::string> chunks) {
    std::string body;
    for (const auto& c : chunks) body += c;
    return Bytes().id("FORM").u32(static_cast<std::uint32_t>(body.size() + 4)).id(type).raw(body).str();
}

Bytes points(std::initializer_list<std::initializer_list<float>> pts) {
    Bytes b;
    for (auto p : pts)
        for (float v : p) b.f32(v);
    return b;
}

// The four corners of a unit square and a fifth point above it.
const std::initializer_list<std::initializer_list<float>> kSquare = {
    {0, 0, 0}, {0.01f, 0, 0}, {0.01f, 0.01f, 0}, {0, 0.01f, 0}, {0, 0, 0.01f}};

// An LWO2 polygon of the given corners, each a short index.
Bytes& lwo2Polygon(Bytes& b, std::initializer_list<std::uint16_t> corners) {
    b.u16(static_cast<std::uint16_t>(corners.size()));
    for (auto c : corners) b.u16(c);
    return b;
}

struct Loaded {
    int result = -1;
    Model model;
    const Solid& solid() const { return *model.solids.at(0); }
    const Face& face(std::size_t i) const { return *solid().faces.at(i); }
};

std::unique_ptr<Loaded> load(const std::string& bytes) {
    test::TempDir dir;
    auto out = std::make_unique<Loaded>();
    out->result = readLwo(dir.write("m.lwo", bytes), out->model);
    return out;
}

std::vector<int> cornerVertices(const Face& f) {
    std::vector<int> v;
    for (const auto& h : f.halfedges) v.push_back(h->origin->index);
    return v;
}

TEST(LwoReader, PointsScaledAndCornersReversed) {
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2, 3});
    auto m = load(form("LWO2", {chunk("PNTS", points({{0.01f, 0.02f, 0.03f}, {0.02f, 0.02f, 0.03f},
                                                      {0.02f, 0.03f, 0.03f}, {0.01f, 0.03f, 0.03f}})),
                                chunk("POLS", pols)}));
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.solids.size(), 1u);
    EXPECT_EQ(m->solid().name, "");
    const Point3 p = m->solid().vertices[0]->position;
    EXPECT_EQ(p.x, 1.0);
    EXPECT_EQ(p.y, 2.0);
    EXPECT_EQ(p.z, -3.0);
    EXPECT_EQ(cornerVertices(m->face(0)), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(m->face(0).materialIndex, -1);
    EXPECT_FALSE(m->model.bTextureCoodinates);
}

TEST(LwoReader, Lwo2PolygonWordAndLongIndex) {
    // 0x8004: four corners, the flag bits ignored.
    Bytes pols;
    pols.id("FACE").u16(0x8004).u16(0).u16(1).u16(2).u16(3);
    auto flagged = load(form("LWO2", {chunk("PNTS", points(kSquare)), chunk("POLS", pols)}));
    ASSERT_EQ(flagged->result, kReadOk);
    EXPECT_EQ(cornerVertices(flagged->face(0)), (std::vector<int>{3, 2, 1, 0}));

    // 0xFF01 0x0002 is point 65538.
    Bytes many;
    for (int i = 0; i < 65539; ++i) many.f32(static_cast<float>(i % 7)).f32(static_cast<float>(i % 5)).f32(0);
    Bytes longIndex;
    longIndex.id("FACE").u16(3).u16(1).u16(2).u16(0xFF01).u16(0x0002);
    auto big = load(form("LWO2", {chunk("PNTS", many), chunk("POLS", longIndex)}));
    ASSERT_EQ(big->result, kReadOk);
    EXPECT_EQ(cornerVertices(big->face(0)), (std::vector<int>{65538, 2, 1}));
}

TEST(LwoReader, LwobSurfaces) {
    Bytes pols;
    pols.u16(3).u16(0).u16(1).u16(2).u16(2);  // surface 2
    pols.u16(3).u16(0).u16(2).u16(3).u16(5);  // surface 5: has no name
    Bytes srfs;
    srfs.name("Plain").name("RedOne");
    Bytes surf;
    surf.name("REDONE")
        .raw(subChunk("DIFF", Bytes().u16(256)))
        .raw(subChunk("COLR", Bytes().raw(std::string("\xFF\x80\x00\x00", 4))))
        .raw(subChunk("XXXX", Bytes().u32(7)));
    auto m = load(form("LWOB", {chunk("PNTS", points(kSquare)), chunk("SRFS", srfs), chunk("POLS", pols),
                                chunk("SURF", surf)}));
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->model.materials.size(), 2u);
    EXPECT_EQ(m->model.materials[0]->name, "Plain");
    EXPECT_EQ(m->model.materials[1]->name, "RedOne");
    EXPECT_EQ(m->face(0).materialIndex, 1);
    EXPECT_EQ(m->face(1).materialIndex, -1);

    // Names match without regard to case in the older layout.
    const Material& red = *m->model.materials[1];
    EXPECT_TRUE(red.colorGiven);
    EXPECT_EQ(red.flatColor.r, 1.0f);
    EXPECT_EQ(red.flatColor.g, 128 / 255.0f);
    EXPECT_EQ(red.flatColor.b, 0.0f);
    EXPECT_EQ(red.diffuse.g, 128 / 255.0f);
    EXPECT_EQ(red.ambient.r, 1.0f);
    EXPECT_EQ(red.specular.r, 0.0f);
    EXPECT_EQ(red.emission.a, 1.0f);
    EXPECT_FALSE(m->model.materials[0]->colorGiven);
}

TEST(LwoReader, Lwo2Surfaces) {
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2});
    lwo2Polygon(pols, {0, 2, 3});
    Bytes tags;
    tags.name("Red").name("Blue");
    Bytes ptag;
    ptag.id("SURF").u16(0).u16(0).u16(1).u16(1).u16(7).u16(0).u16(0).u16(9);  // the last two are out of range
    Bytes colourOnly;
    colourOnly.name("Red").name("").raw(subChunk("COLR", Bytes().f32(1).f32(0.5f).f32(0.25f).u16(0)));
    Bytes wrongCase;
    wrongCase.name("blue").name("").raw(subChunk("COLR", Bytes().f32(0).f32(0).f32(1).u16(0)));
    Bytes shaded;
    shaded.name("Blue").name("Red")
        .raw(subChunk("COLR", Bytes().f32(0.5f).f32(0.5f).f32(1).u16(0)))
        .raw(subChunk("DIFF", Bytes().f32(0.5f).u16(0)))
        .raw(subChunk("BLOK", Bytes().u32(0)))
        .raw(subChunk("LUMI", Bytes().f32(0.25f)))
        .raw(subChunk(std::string("SPECULARITY", 4).c_str(), Bytes().f32(2)));
    const Material defaults;

    auto m = load(form("LWO2", {chunk("TAGS", tags), chunk("LAYR", Bytes().u16(0).u16(0)),
                                chunk("PNTS", points(kSquare)), chunk("POLS", pols), chunk("PTAG", ptag),
                                chunk("SURF", colourOnly), chunk("SURF", wrongCase)}));
    ASSERT_EQ(m->result, kReadOk);
    EXPECT_EQ(m->face(0).materialIndex, 0);
    EXPECT_EQ(m->face(1).materialIndex, 1);
    const Material& red = *m->model.materials[0];
    EXPECT_EQ(red.flatColor.g, 0.5f);
    EXPECT_EQ(red.diffuse.r, defaults.diffuse.r);
    EXPECT_EQ(red.diffuse.b, defaults.diffuse.b);
    EXPECT_FALSE(red.colorGiven);
    // "blue" names no tag: the Blue material keeps its defaults.
    EXPECT_EQ(m->model.materials[1]->flatColor.b, defaults.flatColor.b);
    EXPECT_EQ(m->model.materials[1]->flatColor.r, defaults.flatColor.r);

    auto s = load(form("LWO2", {chunk("TAGS", tags), chunk("PNTS", points(kSquare)), chunk("POLS", pols),
                                chunk("SURF", shaded)}));
    ASSERT_EQ(s->result, kReadOk);
    const Material& blue = *s->model.materials[1];
    EXPECT_EQ(blue.diffuse.r, 0.25f);
    EXPECT_EQ(blue.diffuse.b, 0.5f);
    EXPECT_EQ(blue.diffuse.a, 0.5f);
    EXPECT_EQ(blue.emission.b, 0.25f);
    EXPECT_EQ(blue.emission.a, 0.25f);
    EXPECT_EQ(blue.specular.r, 1.0f);
    EXPECT_EQ(blue.specular.a, 2.0f);
    EXPECT_EQ(blue.ambient.r, defaults.ambient.r);
}

TEST(LwoReader, VertexMapBeforeAndAfterPolygons) {
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2});
    Bytes vmap;
    vmap.id("TXUV").u16(2).name("UV").u16(1).f32(0.25f).f32(0.75f).u16(2).f32(1).f32(0.5f).u16(99).f32(3).f32(3);
    const std::string pnts = chunk("PNTS", points(kSquare));

    auto before = load(form("LWO2", {pnts, chunk("VMAP", vmap), chunk("POLS", pols)}));
    ASSERT_EQ(before->result, kReadOk);
    EXPECT_TRUE(before->model.bTextureCoodinates);
    const Face& f = before->face(0);  // corners 2, 1, 0
    ASSERT_NE(f.halfedges[0]->texCoord, nullptr);
    EXPECT_EQ(f.halfedges[0]->texCoord->u, 1.0);
    EXPECT_EQ(f.halfedges[0]->texCoord->v, 0.5);
    EXPECT_EQ(f.halfedges[1]->texCoord->u, 0.25);
    EXPECT_EQ(f.halfedges[1]->texCoord->v, 0.75);
    // Points the map leaves out get (0, 0).
    EXPECT_EQ(f.halfedges[2]->texCoord->u, 0.0);
    EXPECT_EQ(before->solid().texCoords.size(), 5u);

    auto after = load(form("LWO2", {pnts, chunk("POLS", pols), chunk("VMAP", vmap)}));
    ASSERT_EQ(after->result, kReadOk);
    EXPECT_TRUE(after->model.bTextureCoodinates);
    for (const auto& h : after->face(0).halfedges) EXPECT_EQ(h->texCoord, nullptr);

    // Other map types are passed by.
    Bytes weights;
    weights.id("WGHT").u16(1).name("W").u16(0).f32(1);
    auto other = load(form("LWO2", {pnts, chunk("VMAP", weights), chunk("POLS", pols)}));
    ASSERT_EQ(other->result, kReadOk);
    EXPECT_FALSE(other->model.bTextureCoodinates);
}

TEST(LwoReader, DiscontinuousMapSetsOneCorner) {
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2});
    lwo2Polygon(pols, {0, 2, 3});
    Bytes vmad;
    vmad.id("TXUV").u16(2).name("UV");
    vmad.u16(2).u16(1).f32(0.5f).f32(0.125f);  // point 2 of polygon 1
    vmad.u16(1).u16(1).f32(9).f32(9);          // point 1 is not a corner of polygon 1
    vmad.u16(0).u16(5).f32(9).f32(9);          // no polygon 5
    auto m = load(form("LWO2", {chunk("PNTS", points(kSquare)), chunk("POLS", pols), chunk("VMAD", vmad)}));
    ASSERT_EQ(m->result, kReadOk);
    const Face& f = m->face(1);  // corners 3, 2, 0
    ASSERT_NE(f.halfedges[1]->texCoord, nullptr);
    EXPECT_EQ(f.halfedges[1]->texCoord->u, 0.5);
    EXPECT_EQ(f.halfedges[1]->texCoord->v, 0.125);
    EXPECT_EQ(f.halfedges[0]->texCoord, nullptr);
    for (const auto& h : m->face(0).halfedges) EXPECT_EQ(h->texCoord, nullptr);
    EXPECT_EQ(m->solid().texCoords.size(), 1u);
    EXPECT_TRUE(m->model.bTextureCoodinates);
}

TEST(LwoReader, BadIndicesStayInsideTheLists) {
    // A polygon naming a missing point is dropped but keeps its number, so the tag of the
    // polygon after it lands on the right face.
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2});
    lwo2Polygon(pols, {0, 1, 99});
    lwo2Polygon(pols, {0, 2, 3});
    Bytes ptag;
    ptag.id("SURF").u16(1).u16(1).u16(2).u16(1);
    auto m = load(form("LWO2", {chunk("TAGS", Bytes().name("A").name("B")), chunk("PNTS", points(kSquare)),
                                chunk("POLS", pols), chunk("PTAG", ptag)}));
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->solid().faces.size(), 2u);
    EXPECT_EQ(m->face(0).materialIndex, -1);
    EXPECT_EQ(m->face(1).materialIndex, 1);

    // Later layers count their points from their own first one.
    Bytes tri;
    tri.id("FACE");
    lwo2Polygon(tri, {0, 1, 2});
    auto layered = load(form("LWO2", {chunk("LAYR", Bytes().u16(0).u16(0)), chunk("PNTS", points(kSquare)),
                                      chunk("POLS", tri), chunk("LAYR", Bytes().u16(1).u16(0)),
                                      chunk("PNTS", points(kSquare)), chunk("POLS", tri)}));
    ASSERT_EQ(layered->result, kReadOk);
    EXPECT_EQ(cornerVertices(layered->face(1)), (std::vector<int>{7, 6, 5}));
}

TEST(LwoReader, LwobDetailPolygonsAreDropped) {
    Bytes pols;
    pols.u16(3).u16(0).u16(1).u16(2).u16(0xFFFF);  // surface -1, details follow
    pols.u16(1);                                    // one detail polygon
    pols.u16(3).u16(0).u16(1).u16(4).u16(1);
    pols.u16(3).u16(0).u16(2).u16(3).u16(1);
    auto m = load(form("LWOB", {chunk("SRFS", Bytes().name("S")), chunk("PNTS", points(kSquare)),
                                chunk("POLS", pols)}));
    ASSERT_EQ(m->result, kReadOk);
    ASSERT_EQ(m->solid().faces.size(), 2u);
    EXPECT_EQ(m->face(0).materialIndex, 0);
    EXPECT_EQ(cornerVertices(m->face(1)), (std::vector<int>{3, 2, 0}));
}

TEST(LwoReader, FormHeader) {
    const std::string pnts = chunk("PNTS", points(kSquare));
    EXPECT_EQ(load(form("LWLO", {pnts}))->result, kReadFailed);
    EXPECT_EQ(load(form("LWO3", {pnts}))->result, kReadFailed);
    std::string notForm = form("LWO2", {pnts});
    notForm[0] = 'X';
    EXPECT_EQ(load(notForm)->result, kReadFailed);
    EXPECT_EQ(load("")->result, kReadFailed);
    // No polygons: construction keeps nothing.
    EXPECT_EQ(load(form("LWO2", {pnts}))->result, kReadFailed);
    test::TempDir dir;
    Model model;
    EXPECT_EQ(readLwo(dir.path() + "/none.lwo", model), kReadFailed);
    EXPECT_EQ(readLwo(dir.path(), model), kReadFailed);
}

// Every proper prefix of an LWO2 file is a truncated file.
TEST(LwoReader, TruncatedLwo2FailsAtEveryByte) {
    Bytes pols;
    pols.id("FACE");
    lwo2Polygon(pols, {0, 1, 2});
    lwo2Polygon(pols, {0, 2, 3});
    Bytes vmap;
    vmap.id("TXUV").u16(2).name("UV").u16(1).f32(0.5f).f32(0.5f);
    Bytes surf;
    surf.name("A").name("").raw(subChunk("COLR", Bytes().f32(1).f32(0).f32(0).u16(0)));
    const std::string file = form("LWO2", {chunk("TAGS", Bytes().name("A")), chunk("PNTS", points(kSquare)),
                                           chunk("VMAP", vmap), chunk("POLS", pols),
                                           chunk("PTAG", Bytes().id("SURF").u16(1).u16(0)), chunk("SURF", surf)});
    ASSERT_EQ(load(file)->result, kReadOk);
    for (std::size_t n = 0; n < file.size(); ++n) EXPECT_EQ(load(file.substr(0, n))->result, kReadFailed) << n;
}

// The older layout stops quietly where the file ends between chunks, and fails inside one.
TEST(LwoReader, TruncatedLwobKeepsWholeChunks) {
    Bytes pols;
    pols.u16(3).u16(0).u16(1).u16(2).u16(1);
    pols.u16(3).u16(0).u16(2).u16(3).u16(1);
    const std::string head = form("LWOB", {}).substr(0, 12);
    const std::string srfs = chunk("SRFS", Bytes().name("A"));
    const std::string pnts = chunk("PNTS", points(kSquare));
    const std::string polsChunk = chunk("POLS", pols);
    const std::string surf = chunk("SURF", Bytes().name("A").raw(subChunk("COLR", Bytes().u32(0xFF000000))));
    const std::string file = form("LWOB", {srfs, pnts, polsChunk, surf});
    const std::size_t afterPols = head.size() + srfs.size() + pnts.size() + polsChunk.size();
    ASSERT_EQ(load(file)->result, kReadOk);
    for (std::size_t n = 0; n < file.size(); ++n) {
        const int expected = n == afterPols ? kReadOk : kReadFailed;
        EXPECT_EQ(load(file.substr(0, n))->result, expected) << n;
    }
}

}  // namespace
}  // namespace plikatra
