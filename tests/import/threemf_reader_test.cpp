#include "import/threemf_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/document.h"
#include "base/settings.h"
#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

const std::string kTwoCubes = PLIKATRA_SOURCE_DIR "/tests/data/3mf/two_cubes.3mf";

struct Read {
    int result = -1;
    ModelStats stats;
    Point3 low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    std::vector<int> facesOfMaterial;  // per material of the model
    std::vector<std::string> materialNames;
    std::vector<Rgb> colors;
    std::vector<std::string> messages;
};

Read readBytes(const std::string& bytes, const std::string& name = "model.3mf") {
    RecordingFrontEnd ui;
    Model model;
    Read r;
    r.result = read3mfData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, name, model,
                           ReadContext{ui, kMinTextureSide});
    r.messages = ui.texts();
    if (r.result != kReadOk) return r;
    r.stats = modelStats(model);
    r.facesOfMaterial.assign(model.materials.size(), 0);
    for (const auto& m : model.materials) {
        r.materialNames.push_back(m->name);
        r.colors.push_back(m->flatColor);
    }
    for (const auto& s : model.solids) {
        for (const auto& v : s->vertices) {
            const Point3& p = v->position;
            r.low = {std::min(r.low.x, p.x), std::min(r.low.y, p.y), std::min(r.low.z, p.z)};
            r.high = {std::max(r.high.x, p.x), std::max(r.high.y, p.y), std::max(r.high.z, p.z)};
        }
        for (const auto& f : s->faces)
            if (f->materialIndex >= 0) ++r.facesOfMaterial[f->materialIndex];
    }
    return r;
}

// A zip archive of `parts` stored without compression, which is all a package needs to be.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string out, directory;
    auto u16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); };
    auto u32 = [&](std::string& s, unsigned long v) { u16(s, v & 0xFFFF), u16(s, v >> 16 & 0xFFFF); };
    for (const auto& [name, data] : parts) {
        const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size());
        const unsigned long offset = out.size();
        for (std::string* s : {&out, &directory}) {
            const bool central = s == &directory;
            u32(*s, central ? 0x02014b50 : 0x04034b50);
            if (central) u16(*s, 20);
            u16(*s, 20), u16(*s, 0), u16(*s, 0), u16(*s, 0), u16(*s, 0);
            u32(*s, crc), u32(*s, data.size()), u32(*s, data.size());
            u16(*s, name.size()), u16(*s, 0);
            if (central) u16(*s, 0), u16(*s, 0), u16(*s, 0), u32(*s, 0), u32(*s, offset);
            *s += name;
        }
        out += data;
    }
    const unsigned long start = out.size();
    out += directory;
    u32(out, 0x06054b50), u16(out, 0), u16(out, 0), u16(out, parts.size()), u16(out, parts.size());
    u32(out, directory.size()), u32(out, start), u16(out, 0);
    return out;
}

// A package whose model part holds `resources` and `build`.
std::string package(const std::string& resources, const std::string& build) {
    return storedZip({
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
         "Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
         "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>"},
        {"3D/3dmodel.model",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><model unit=\"millimeter\" "
         "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\"><resources>" +
             resources + "</resources><build>" + build + "</build></model>"},
    });
}

// A tetrahedron as object `id`, with one extra triangle given by `extra`.
std::string tetrahedron(int id, const std::string& extra = "") {
    return "<object id=\"" + std::to_string(id) +
           "\" type=\"model\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex x=\"1\" y=\"0\" "
           "z=\"0\"/><vertex x=\"0\" y=\"1\" z=\"0\"/><vertex x=\"0\" y=\"0\" z=\"1\"/><vertex x=\"1\" "
           "y=\"0\" z=\"0\"/></vertices><triangles><triangle v1=\"0\" v2=\"2\" v3=\"1\"/><triangle "
           "v1=\"0\" v2=\"1\" v3=\"3\"/><triangle v1=\"1\" v2=\"2\" v3=\"3\"/><triangle v1=\"2\" v2=\"0\" "
           "v3=\"3\"/>" +
           extra + "</triangles></mesh></object>";
}

TEST(ThreeMfReader, BuildItemsAndComponentsPlaceMeshesWithTheirBaseMaterials) {
    // Two instances of a unit cube through a components object (the second moved 3 along x),
    // the whole turned a quarter about z and moved to (10, 20, 30) by its build item. The
    // object's default is the grey base material; two triangles of each cube name the red one.
    const Read r = readBytes(test::readFile(kTwoCubes));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.stats.solids, 2);
    EXPECT_EQ(r.stats.faces, 24);
    EXPECT_EQ(r.stats.vertices, 16);
    EXPECT_EQ(r.stats.openEdges, 0);
    EXPECT_DOUBLE_EQ(r.low.x, 9);
    EXPECT_DOUBLE_EQ(r.high.x, 10);
    EXPECT_DOUBLE_EQ(r.low.y, 20);
    EXPECT_DOUBLE_EQ(r.high.y, 24);
    EXPECT_DOUBLE_EQ(r.low.z, 30);
    EXPECT_DOUBLE_EQ(r.high.z, 31);
    ASSERT_EQ(r.materialNames, (std::vector<std::string>{"Grey", "Red"}));
    EXPECT_EQ(r.facesOfMaterial, (std::vector<int>{20, 4}));
    EXPECT_FLOAT_EQ(r.colors[1].r, 1.0f);
    EXPECT_FLOAT_EQ(r.colors[1].g, 0.0f);
    EXPECT_NEAR(r.colors[0].g, 128 / 255.0, 1e-6);

    // Corners written twice at one place are joined; a triangle that collapses is left out
    // and named once.
    const Read sliver = readBytes(package(tetrahedron(1, "<triangle v1=\"0\" v2=\"1\" v3=\"4\"/>"),
                                          "<item objectid=\"1\"/>"),
                                  "sliver.3mf");
    ASSERT_EQ(sliver.result, kReadOk);
    EXPECT_EQ(sliver.stats.vertices, 4);
    EXPECT_EQ(sliver.stats.faces, 4);
    EXPECT_EQ(sliver.stats.openEdges, 0);
    ASSERT_EQ(sliver.messages.size(), 1u);
    EXPECT_NE(sliver.messages[0].find("sliver.3mf"), std::string::npos);
    EXPECT_NE(sliver.messages[0].find("1 triangles"), std::string::npos);
}

TEST(ThreeMfReader, NestedComponentsThatMultiplyAreBounded) {
    // Twenty levels of objects that each place the level below twice: a million tetrahedra
    // from a few kilobytes. What fits the bound opens, with a warning, in bounded time.
    std::string resources = tetrahedron(1);
    for (int id = 2; id <= 21; ++id)
        resources += "<object id=\"" + std::to_string(id) + "\" type=\"model\"><components><component objectid=\"" +
                     std::to_string(id - 1) + "\"/><component objectid=\"" + std::to_string(id - 1) +
                     "\" transform=\"1 0 0 0 1 0 0 0 1 2 0 0\"/></components></object>";
    const auto start = std::chrono::steady_clock::now();
    const Read r = readBytes(package(resources, "<item objectid=\"21\"/>"), "nested.3mf");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_LT(r.stats.solids, 1 << 16);
    EXPECT_GT(r.stats.solids, 1000);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find("left out"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
}

TEST(ThreeMfReader, DamagedPackagesAreRefusedCleanly) {
    EXPECT_EQ(readBytes("").result, kReadFailed);
    EXPECT_EQ(readBytes("solid not a package\n").result, kReadFailed);
    EXPECT_EQ(readBytes(storedZip({{"readme.txt", "hello"}})).result, kReadFailed);
    // A build that places nothing, or only an object that does not exist, is no model.
    EXPECT_EQ(readBytes(package(tetrahedron(1), "")).result, kReadFailed);
    EXPECT_EQ(readBytes(package(tetrahedron(1), "<item objectid=\"7\"/>")).result, kReadFailed);

    const std::string whole = test::readFile(kTwoCubes);
    for (std::size_t n = 0; n < whole.size(); ++n) EXPECT_NE(readBytes(whole.substr(0, n)).result, kReadOk);
    const std::string stored = package(tetrahedron(1), "<item objectid=\"1\"/>");
    for (std::size_t n = 0; n < stored.size(); n += 3) readBytes(stored.substr(0, n));
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {
        std::string bytes = i % 2 ? whole : stored;
        for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
        readBytes(bytes);
    }
}

TEST(ThreeMfReader, CancelWhileThePackageIsParsedStopsTheRead) {
    RecordingFrontEnd ui;
    ui.progressWindow.cancelAtPump = 1;
    Model model;
    const std::string bytes = test::readFile(kTwoCubes);
    EXPECT_EQ(read3mfData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, "c.3mf", model,
                          ReadContext{ui, kMinTextureSide}),
              kReadCancelled);
    EXPECT_TRUE(ui.progressWindow.cancelPressed);
    EXPECT_EQ(ui.progressWindow.openWindows(), 0);
    EXPECT_TRUE(model.solids.empty());
}

TEST(ThreeMfReader, APackageOpensUnfoldsAndSaves) {
    RecordingFrontEnd ui;
    Settings settings;
    Document doc{ui, settings};
    test::TempDir dir;
    ASSERT_EQ(doc.open(kTwoCubes).result, kReadOk);
    ASSERT_TRUE(doc.createDevelopment(true));
    ASSERT_TRUE(doc.save(dir.path() + "/cubes.ufd"));
    ASSERT_EQ(doc.open(dir.path() + "/cubes.ufd").result, kReadOk);
}

}  // namespace
}  // namespace plikatra
