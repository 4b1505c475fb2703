#include "import/stl_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <bit>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

const std::string kStl = PLIKATRA_CORPUS_DIR "/stl/";

struct Read {
    int result = -1;
    ModelStats stats;
    std::vector<std::string> messages;
};

Read readBytes(const std::string& bytes, const std::string& name = "model.stl") {
    RecordingFrontEnd ui;
    Model model;
    Read r;
    r.result = readStlData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, name, model,
                           ReadContext{ui, kMinTextureSide});
    if (r.result == kReadOk) r.stats = modelStats(model);
    r.messages = ui.texts();
    return r;
}

Read readFile(const std::string& name) { return readBytes(test::readFile(kStl + name), name); }

// A binary file: header, count, then each triangle's normal (zero), corners and attribute.
std::string binary(const std::vector<std::array<float, 9>>& triangles, const std::string& header,
                   std::uint32_t count) {
    std::string s(header);
    s.resize(80, '\0');
    s.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& t : triangles) {
        s.append(12, '\0');
        s.append(reinterpret_cast<const char*>(t.data()), 36);
        s.append(2, '\0');
    }
    return s;
}

const std::vector<std::array<float, 9>> kTetrahedron = {{
    {0, 0, 0, 0, 1, 0, 1, 0, 0},
    {0, 0, 0, 1, 0, 0, 0, 0, 1},
    {0, 0, 0, 0, 0, 1, 0, 1, 0},
    {0, 0, 1, 1, 0, 0, 0, 1, 0},
}};

TEST(StlReader, AsciiAndBinaryGiveTheSameClosedMesh) {
    // The form is told by the content: a binary header that begins with "solid" is still binary.
    for (const char* name : {"cube.ascii.stl", "cube.bin.stl", "wrongHeader.bin.stl"}) {
        SCOPED_TRACE(name);
        const Read r = readFile(name);
        ASSERT_EQ(r.result, kReadOk);
        EXPECT_EQ(r.stats.solids, 1);
        EXPECT_EQ(r.stats.faces, 12);
        EXPECT_EQ(r.stats.vertices, 8);  // corners at one position are one vertex
        EXPECT_EQ(r.stats.edges, 18);
        EXPECT_EQ(r.stats.openEdges, 0);
        EXPECT_TRUE(r.messages.empty());
    }
    // Minus zero and zero are one corner.
    const Read minusZero = readFile("tetrahedronMinusZero.bin.stl");
    ASSERT_EQ(minusZero.result, kReadOk);
    EXPECT_EQ(minusZero.stats.vertices, 4);
    EXPECT_EQ(minusZero.stats.openEdges, 0);
    // Bytes after the last counted triangle are passed by.
    std::string trailing = binary(kTetrahedron, "tetrahedron", 4) + "trailing bytes\n";
    EXPECT_EQ(readBytes(trailing).stats.openEdges, 0);
}

TEST(StlReader, EverySolidBlockIsASolidAndFacetsAreReadLoosely) {
    // Keywords in any case, a facet of four corners kept as one face, a solid without
    // "endsolid", and a facet without a normal.
    const std::string text =
        "solid first part\n facet normal 0 0 1\n outer loop\n vertex 0 0 0\n vertex 1 0 0\n"
        " vertex 1 1 0\n vertex 0 1 0\n endloop\n endfacet\nendsolid first part\n"
        "SOLID second\nFACET\nOUTER LOOP\nVERTEX 5 0 0\nVERTEX 6 0 0\nVERTEX 5 1 0\nENDLOOP\nENDFACET\n";
    const Read r = readBytes(text);
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.stats.solids, 2);
    EXPECT_EQ(r.stats.faces, 2);
    EXPECT_EQ(r.stats.vertices, 7);
    EXPECT_TRUE(r.messages.empty());

    const Read quad = readFile("quad.ascii.stl");
    ASSERT_EQ(quad.result, kReadOk);
    EXPECT_EQ(quad.stats.faces, 4);
}

TEST(StlReader, DamageIsNamedOnceAndNeverFatal) {
    // A count beyond the file: the triangles it holds open, with a warning naming the file.
    const Read shortFile = readFile("incorrectFaceCounter.bin.stl");
    ASSERT_EQ(shortFile.result, kReadOk);
    EXPECT_EQ(shortFile.stats.faces, 4);
    ASSERT_EQ(shortFile.messages.size(), 1u);
    EXPECT_NE(shortFile.messages[0].find("incorrectFaceCounter.bin.stl\" ends early"), std::string::npos);
    EXPECT_NE(shortFile.messages[0].find("66 triangles"), std::string::npos);

    // A facet of two corners, or of three with two at one place, is no face: it is left out
    // and counted.
    std::vector<std::array<float, 9>> withSliver = kTetrahedron;
    withSliver.push_back({0, 0, 0, 0, 0, 0, 1, 0, 0});
    const Read sliver = readBytes(binary(withSliver, "sliver", 5), "sliver.stl");
    ASSERT_EQ(sliver.result, kReadOk);
    EXPECT_EQ(sliver.stats.faces, 4);
    ASSERT_EQ(sliver.messages.size(), 1u);
    EXPECT_NE(sliver.messages[0].find("sliver.stl: 1 facets"), std::string::npos);
    const Read two = readFile("twoVertices.ascii.stl");
    ASSERT_EQ(two.result, kReadOk);
    EXPECT_EQ(two.messages.size(), 1u);

    // Nothing to read is a failure, not an empty model.
    EXPECT_EQ(readBytes("").result, kReadFailed);
    EXPECT_EQ(readBytes("solid empty\nendsolid empty\n").result, kReadFailed);
    EXPECT_EQ(readBytes(binary({}, "none", 0)).result, kReadFailed);
}

TEST(StlReader, EveryCutAndRandomBytesEndCleanly) {
    const std::string whole = binary(kTetrahedron, "tetrahedron", 4);
    const std::string text = test::readFile(kStl + "cube.ascii.stl");
    for (std::size_t n = 0; n < whole.size(); ++n) readBytes(whole.substr(0, n));
    for (std::size_t n = 0; n < text.size(); n += 7) readBytes(text.substr(0, n));
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        std::string bytes = whole;
        for (int k = 0; k < 8; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
        readBytes(bytes);
    }
    // A cut inside the triangles keeps the whole ones and says the file ends early.
    const Read cut = readBytes(whole.substr(0, whole.size() - 60), "cut.stl");
    ASSERT_EQ(cut.result, kReadOk);
    EXPECT_EQ(cut.stats.faces, 2);
    ASSERT_EQ(cut.messages.size(), 1u);
    EXPECT_NE(cut.messages[0].find("cut.stl\" ends early"), std::string::npos);
}

TEST(StlReader, SharedCorpusGearWheelIsTheSameInBothForms) {
    const std::string dir = PLIKATRA_SHARED_CORPUS_DIR "/stl/objects/";
    if (!std::filesystem::exists(dir + "gearwheel.bin.stl")) GTEST_SKIP() << "no shared corpus beside the checkout";
    const Read ascii = readBytes(test::readFile(dir + "gearwheel.ascii.stl"));
    const Read bin = readBytes(test::readFile(dir + "gearwheel.bin.stl"));
    ASSERT_EQ(ascii.result, kReadOk);
    ASSERT_EQ(bin.result, kReadOk);
    EXPECT_EQ(ascii.stats.faces, bin.stats.faces);
    EXPECT_EQ(ascii.stats.vertices, bin.stats.vertices);
    EXPECT_EQ(ascii.stats.openEdges, bin.stats.openEdges);
    EXPECT_GT(bin.stats.faces, 1000);
}

}  // namespace
}  // namespace plikatra

namespace plikatra {
namespace {

// Everything the model's order shows: each vertex's coordinates, each face's corners, each
// edge's ends and sides, by position in their lists.
std::string modelOrder(const Model& model) {
    std::string out;
    for (const auto& s : model.solids) {
        out += "solid " + s->name + "\n";
        for (const auto& v : s->vertices)
            out += format("v %a %a %a\n", v->position.x, v->position.y, v->position.z);
        for (const auto& f : s->faces) {
            out += "f";
            for (const auto& h : f->halfedges) out += " " + std::to_string(h->origin->index);
            out += "\n";
        }
        for (const auto& e : s->edges)
            out += format("e %d %d %d %d\n", e->va->index, e->vb->index, e->a->face->index,
                          e->b ? e->b->face->index : -1);
    }
    return out;
}

TEST(StlReader, ABinaryFileReadFromDiskInPiecesIsTheModelOfItsBytes) {
    // A wavy strip of 24,000 triangles, more than one piece of the file, with corners at -0
    // and +0, signalling and quiet not-a-numbers of one payload, and a sliver facet.
    std::vector<std::array<float, 9>> triangles;
    const float nanQuiet = std::bit_cast<float>(0x7FC00123u), nanSignalling = std::bit_cast<float>(0x7F800123u);
    for (int i = 0; i < 12000; ++i) {
        const float x = i * 0.25f, z = (i % 7) * 0.125f;
        triangles.push_back({x, 0, z, x + 0.25f, 0, z, x, 1, 0});
        triangles.push_back({x + 0.25f, 0, z, x + 0.25f, 1, 0, x, 1, 0});
    }
    triangles.push_back({-0.0f, 5, 5, 1, 5, 5, 0, 6, 5});
    triangles.push_back({0.0f, 5, 5, 0, 6, 5, 0, 5, 6});
    triangles.push_back({nanQuiet, 9, 9, 1, 9, 9, 1, 8, 9});
    triangles.push_back({nanSignalling, 9, 9, 1, 9, 9, 1, 8, 8});
    triangles.push_back({3, 3, 3, 3, 3, 3, 4, 4, 4});
    const std::string bytes = binary(triangles, "strip", static_cast<std::uint32_t>(triangles.size()));
    test::TempDir dir;
    const std::string path = dir.write("strip.stl", bytes);

    RecordingFrontEnd fromDiskUi, fromBytesUi;
    Model fromDisk, fromBytes;
    ASSERT_EQ(readStl(path, fromDisk, ReadContext{fromDiskUi, kMinTextureSide}), kReadOk);
    ASSERT_EQ(readStlData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, path, fromBytes,
                          ReadContext{fromBytesUi, kMinTextureSide}),
              kReadOk);
    EXPECT_EQ(modelOrder(fromDisk), modelOrder(fromBytes));
    EXPECT_EQ(fromDiskUi.texts(), fromBytesUi.texts());
    ASSERT_EQ(fromDiskUi.texts().size(), 1u);  // the sliver, said once
    // One vertex for -0 and +0, one for the two not-a-numbers, as a double-keyed table has it.
    const Solid& solid = *fromDisk.solids[0];
    // The strip's lower corners are all apart, its upper ones shared.
    EXPECT_EQ(solid.vertices.size(), 2u * 12000 + 12001 + 4 + 4 + 2);

    // A file that does not match its count is read whole, as its bytes are.
    const std::string longer = bytes + "trailing";
    const std::string longerPath = dir.write("longer.stl", longer);
    RecordingFrontEnd longerUi;
    Model longerModel;
    ASSERT_EQ(readStl(longerPath, longerModel, ReadContext{longerUi, kMinTextureSide}), kReadOk);
    EXPECT_EQ(modelOrder(longerModel), modelOrder(fromBytes));
}

}  // namespace
}  // namespace plikatra
