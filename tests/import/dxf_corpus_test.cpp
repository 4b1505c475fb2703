// Real DXF files from several writers, read-only.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "import/dxf_reader.h"
#include "quiet_readers.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

const fs::path kDxfCorpus = fs::path(PLIKATRA_CORPUS_DIR) / "dxf";

std::size_t cornerCount(const Face& f) { return f.halfedges.size(); }

TEST(DxfCorpus, EveryFileGivesItsResult) {
    ASSERT_TRUE(fs::is_directory(kDxfCorpus));
    // Only gdal_3dface fails: both of its faces have their corners on one line.
    const std::map<std::string, int> expected = {
        {"acadsharp_sample_AC1009_ascii.dxf", kReadOk}, {"bjnortier_threeDFaces.dxf", kReadOk},
        {"ezdxf_3dface.dxf", kReadOk},                  {"ezdxf_Minimal_DXF_AC1006.dxf", kReadOk},
        {"ezdxf_POLI-ALL210_12.DXF", kReadOk},          {"gdal_3dface.dxf", kReadFailed},
        {"netdxf_sample.dxf", kReadOk},
    };
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kDxfCorpus)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        Model model;
        const int result = readDxf(entry.path().string(), model);
        const auto it = expected.find(entry.path().filename().string());
        if (it != expected.end()) {
            EXPECT_EQ(result, it->second) << entry.path();
        } else {
            EXPECT_TRUE(result == kReadOk || result == kReadFailed) << entry.path();
        }
        if (result == kReadOk) {
            EXPECT_GT(model.faceCount, 0) << entry.path();
        }
    }
    EXPECT_GE(files, 7);
}

TEST(DxfCorpus, CountsCheckedByHand) {
    {
        // Two 3DFACEs on layer "1": a square, then a triangle written as a quadrilateral whose
        // fourth corner repeats the third, sharing two corners with the square.
        Model m;
        ASSERT_EQ(readDxf((kDxfCorpus / "ezdxf_Minimal_DXF_AC1006.dxf").string(), m), kReadOk);
        ASSERT_EQ(m.solids.size(), 1u);
        EXPECT_EQ(m.solids[0]->name, "1");
        EXPECT_EQ(m.solids[0]->vertices.size(), 5u);
        ASSERT_EQ(m.solids[0]->faces.size(), 2u);
        EXPECT_EQ(cornerCount(*m.solids[0]->faces[0]), 4u);
        EXPECT_EQ(cornerCount(*m.solids[0]->faces[1]), 3u);
    }
    {
        // One 3DFACE quadrilateral and a polyface mesh of five vertices with the face records
        // (1, 2, 3, -4) and (-1, 4, 5), all on layer "0".
        Model m;
        ASSERT_EQ(readDxf((kDxfCorpus / "acadsharp_sample_AC1009_ascii.dxf").string(), m), kReadOk);
        ASSERT_EQ(m.solids.size(), 1u);
        EXPECT_EQ(m.solids[0]->name, "0");
        EXPECT_EQ(m.solids[0]->vertices.size(), 9u);
        ASSERT_EQ(m.faceCount, 3);
        EXPECT_EQ(cornerCount(*m.solids[0]->faces[1]), 4u);
        EXPECT_EQ(cornerCount(*m.solids[0]->faces[2]), 3u);
        EXPECT_EQ(m.solids[0]->faces[2]->halfedges[0]->origin, m.solids[0]->faces[1]->halfedges[0]->origin);
    }
    {
        // A cube of twelve triangles.
        Model m;
        ASSERT_EQ(readDxf((kDxfCorpus / "bjnortier_threeDFaces.dxf").string(), m), kReadOk);
        EXPECT_EQ(m.solids[0]->vertices.size(), 8u);
        EXPECT_EQ(m.faceCount, 12);
    }
}

}  // namespace
}  // namespace plikatra
