// Models built to hurt: no number, infinite or merging coordinates, a single repeated point,
// counts far beyond the file. Each loads and can be unfolded, saved and read back, or fails
// with the loader's message, in bounded time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_model.h"
#include "base/settings.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

class HostileModels : public testing::Test {
protected:
    // Opens `bytes` as a file named `name` through the document.
    LoadOutcome open(const std::string& name, const std::string& bytes) {
        ui.entries.clear();
        return doc.open(dir.write(name, bytes));
    }
    // Unfolds the document's model, saves it and reads the file back.
    void unfoldSaveAndReopen() {
        ASSERT_TRUE(doc.createDevelopment(true));
        EXPECT_TRUE(doc.exportEps(dir.path() + "/out.eps"));
        ASSERT_TRUE(doc.save(dir.path() + "/out.ufd"));
        EXPECT_EQ(doc.open(dir.path() + "/out.ufd").result, kReadOk);
    }
    void expectRefused(const std::string& name, const std::string& bytes, const char* what) {
        const LoadOutcome r = open(name, bytes);
        EXPECT_EQ(r.result, kReadFailed) << what;
        EXPECT_EQ(ui.texts(), std::vector<std::string>{kMsgLoadFailed}) << what;
    }

    RecordingFrontEnd ui;
    Settings settings;
    Document doc{ui, settings};
    test::TempDir dir;
};

const char* const kTetrahedron = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n";

TEST_F(HostileModels, CoordinatesThatAreNoNumbers) {
    ASSERT_EQ(open("sound.obj", kTetrahedron).result, kReadOk);
    unfoldSaveAndReopen();
    // A face with a corner that is no number has no area and is dropped, but the point stays
    // in the model, and no saved file could hold it.
    expectRefused("nan.obj", std::string(kTetrahedron) + "v nan nan nan\nf 1 2 5\n", "no number");
    // Infinite coordinates leave no model that has a size.
    expectRefused("inf.obj", std::string(kTetrahedron) + "v inf 0 0\nf 1 2 5\n", "infinite corner");
    expectRefused("huge.obj", "v -1e308 0 0\nv 1e308 0 0\nv 0 1e308 0\nf 1 2 3\n", "extent overflows");
    // Far-away points make a small face collapse when normalised: its corners become one.
    expectRefused("merge.obj", std::string(kTetrahedron) + "v 1e12 0 0\nv 1e12 1 0\nf 1 2 5\nf 5 6 2\n",
                  "corners merged");
}

TEST_F(HostileModels, ModelOfOneRepeatedPoint) {
    std::string obj;
    for (int i = 0; i < 1000; ++i) obj += "v 2 2 2\n";
    for (int i = 1; i + 2 <= 1000; i += 3) obj += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " +
                                               std::to_string(i + 2) + "\n";
    expectRefused("point.obj", obj, "one repeated point");
}

// Counts that promise more records than the file holds fail without allocating for them.
TEST_F(HostileModels, CountsBeyondTheFile) {
    // Main, editor, object "o", mesh, then a vertex list of 65535 records in 12 bytes.
    const unsigned char raw[] = {0x4D, 0x4D, 0x00, 0x01, 0x00, 0x00, 0x3D, 0x3D, 0x00, 0x01, 0x00, 0x00,
                                 0x00, 0x40, 0x20, 0x00, 0x00, 0x00, 'o',  0x00, 0x00, 0x41, 0x18, 0x00,
                                 0x00, 0x00, 0x10, 0x41, 0x0C, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    const std::string tds(reinterpret_cast<const char*>(raw), sizeof raw);
    const LoadOutcome r = open("count.3ds", tds);
    EXPECT_EQ(r.result, kReadFailed);
    std::string mqo = "Metasequoia Document\nFormat Text Ver 1.0\nObject \"o\" {\n\tBVertex 1 {\n"
                      "\t\tVector 1000000000 [12000000000]\n";
    expectRefused("count.mqo", mqo, "binary vertex count");
    std::string lwo("FORM\x7f\xff\xff\xf0LWO2PNTS\x7f\xff\xff\xf0", 20);
    expectRefused("count.lwo", lwo, "point chunk beyond the file");
    std::string hexa("\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00", 12);
    hexa += std::string(128, '\0');                  // the root's matrix
    hexa += std::string("\x7f\xff\xff\xff", 4);      // children
    expectRefused("count.6kt", hexa, "child count");
}

}  // namespace
}  // namespace plikatra
