// Real LWO files from several writers, with the images that come with them, read-only.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "import/lwo_reader.h"
#include "quiet_readers.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

const fs::path kLwoCorpus = fs::path(PLIKATRA_CORPUS_DIR) / "lwo";

void load(const std::string& relative, Model& m) {
    EXPECT_EQ(readLwo((kLwoCorpus / relative).string(), m), kReadOk) << relative;
}

TEST(LwoCorpus, EveryFileGivesADefinedResult) {
    ASSERT_TRUE(fs::is_directory(kLwoCorpus));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kLwoCorpus)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        Model model;
        const int result = readLwo(entry.path().string(), model);
        const std::string name = entry.path().filename().string();
        // The images are no forms at all, and LWO3 is a form type of its own.
        const bool refused = entry.path().extension() != ".lwo" || name.rfind("lwo3_", 0) == 0;
        EXPECT_EQ(result, refused ? kReadFailed : kReadOk) << entry.path();
        if (result == kReadOk) {
            EXPECT_GT(model.faceCount, 0) << entry.path();
        }
    }
    EXPECT_GE(files, 13);
}

TEST(LwoCorpus, CountsCheckedByHand) {
    {
        // LWOB: one surface name, eight points, six quadrilaterals.
        Model m;
        load("nangtani/lwob_box0.5.lwo", m);
        ASSERT_EQ(m.materials.size(), 1u);
        EXPECT_EQ(m.materials[0]->name, "Default");
        EXPECT_TRUE(m.materials[0]->colorGiven);
        EXPECT_EQ(m.solids[0]->vertices.size(), 8u);
        EXPECT_EQ(m.faceCount, 6);
    }
    {
        // LWO2: tags DkBlu and Default; a PTAG of type COLR is passed by, the SURF one used.
        Model m;
        load("sciecode/lwo2_cube.lwo", m);
        ASSERT_EQ(m.materials.size(), 2u);
        EXPECT_EQ(m.materials[0]->name, "DkBlu");
        EXPECT_EQ(m.solids[0]->vertices.size(), 8u);
        EXPECT_EQ(m.faceCount, 6);
        for (const auto& f : m.solids[0]->faces) EXPECT_EQ(f->materialIndex, 1);
    }
    {
        // Three layers of 798, 8 and 554 points; only the second has a TXUV map, written
        // after its points and before its six quadrilaterals.
        Model m;
        load("nangtani/lwo2_box3-uv-layers.lwo", m);
        EXPECT_EQ(m.materials.size(), 8u);
        EXPECT_EQ(m.solids[0]->vertices.size(), 1360u);
        EXPECT_TRUE(m.bTextureCoodinates);
        int textured = 0;
        for (const auto& f : m.solids[0]->faces)
            for (const auto& h : f->halfedges)
                if (h->texCoord) {
                    ++textured;
                    EXPECT_GE(h->origin->index, 798);
                    EXPECT_LT(h->origin->index, 806);
                }
        EXPECT_EQ(textured, 24);
    }
}

}  // namespace
}  // namespace plikatra
