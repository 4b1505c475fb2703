// Polygons that pass a corner twice, as exporters write an outline with a hole joined to it by
// a bridge edge: such files open, keep the outline and unfold.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/document.h"
#include "base/settings.h"
#include "development_checker.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

// A closed box of side 4 whose top has a square hole leading into a well 2 deep. The top is
// one polygon: the outer square, a bridge from its first corner to the hole, the hole the
// other way round, and back over the bridge.
const std::vector<std::vector<float>> kPoints = {
    {0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 4}, {4, 0, 4}, {4, 4, 4}, {0, 4, 4},
    {1, 1, 4}, {3, 1, 4}, {3, 3, 4}, {1, 3, 4}, {1, 1, 2}, {3, 1, 2}, {3, 3, 2}, {1, 3, 2}};
const std::vector<std::vector<std::uint16_t>> kFaces = {
    {0, 3, 2, 1}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7},
    {4, 5, 6, 7, 4, 8, 11, 10, 9, 8},
    {8, 9, 13, 12}, {9, 10, 14, 13}, {10, 11, 15, 14}, {11, 8, 12, 15}, {12, 13, 14, 15}};

std::string objFile() {
    std::string s;
    for (const auto& p : kPoints) s += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
    for (const auto& f : kFaces) {
        s += "f";
        for (auto i : f) s += " " + std::to_string(i + 1);
        s += "\n";
    }
    return s;
}

// Big-endian IFF bytes.
struct Iff {
    std::string bytes;
    void u16(std::uint32_t v) {
        bytes += static_cast<char>(v >> 8 & 0xFF);
        bytes += static_cast<char>(v & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(v >> 16);
        u16(v & 0xFFFF);
    }
    void chunk(const char* id, const std::string& body) {
        bytes.append(id, 4);
        u32(static_cast<std::uint32_t>(body.size()));
        bytes += body;
    }
};

// The same box as an LWO file of the older layout (LWOB) or the newer one (LWO2). The reader
// turns the file's clockwise polygons around and mirrors z, so the faces stay as they are.
std::string lwoFile(bool lwo2) {
    Iff pnts, pols, form;
    for (const auto& p : kPoints)
        for (float v : p) {
            float stored = v / 100;
            std::uint32_t bits;
            std::memcpy(&bits, &stored, 4);
            pnts.u32(bits);
        }
    if (lwo2) pols.bytes = "FACE";
    for (const auto& f : kFaces) {
        pols.u16(static_cast<std::uint32_t>(f.size()));
        for (auto i : f) pols.u16(i);
        if (!lwo2) pols.u16(1);  // surface number
    }
    form.bytes = lwo2 ? "LWO2" : "LWOB";
    form.chunk("PNTS", pnts.bytes);
    form.chunk("POLS", pols.bytes);
    Iff file;
    file.chunk("FORM", form.bytes);
    return file.bytes;
}

TEST(BridgedFaces, OpenKeepTheirOutlineAndUnfold) {
    const test::TempDir dir;
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {{"box.obj", objFile()}, {"box-lwob.lwo", lwoFile(false)}, {"box-lwo2.lwo", lwoFile(true)}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        RecordingFrontEnd ui;
        Settings settings;
        Document doc(ui, settings);
        ASSERT_EQ(doc.open(dir.write(file.name, file.bytes)).result, kReadOk);
        EXPECT_TRUE(ui.entries.empty());
        const Model& m = *doc.model();
        // The box stays closed: every side of the top pairs with a wall or the outside.
        for (auto& s : m.solids)
            for (auto& e : s->edges) EXPECT_NE(e->b, nullptr);
        ASSERT_TRUE(doc.createDevelopment(true));
        const auto errors = test::checkDevelopment(m);
        EXPECT_TRUE(errors.empty()) << errors.front();
        ASSERT_TRUE(doc.save(dir.path() + "/box.ufd"));
        EXPECT_EQ(doc.open(dir.path() + "/box.ufd").result, kReadOk);
    }
}

}  // namespace
}  // namespace plikatra
