// Real .3ds files from several writers, with the images that come with some of them,
// read-only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/settings.h"
#include "development_checker.h"
#include "test_util.h"
#include "quiet_readers.h"
#include "import/tds_reader.h"
#include "model/construction.h"
#include "model/normalize.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

const fs::path kTdsCorpus = fs::path(PLIKATRA_CORPUS_DIR) / "3ds";

class TdsCorpus : public testing::Test {
protected:

    void load(const std::string& relative, Model& m) {
        ASSERT_EQ(read3ds((kTdsCorpus / relative).string(), m, ReadContext{ui_}), kReadOk) << relative;
    }

    RecordingFrontEnd ui_;
};

// The checker's rules, with two allowances that these models need for reasons outside the
// reader. The layout tests a place with the part's box moved by 0.1 percent of its size, so
// neighbouring parts may overlap by less than that; such overlaps are measured here instead.
// Parts of thousands of faces carry rounding of about 1e-13 into their flat positions, which
// exceeds a relative 1e-9 on their shortest edges; 1e-8 holds.
std::vector<std::string> developmentErrors(const Model& m) {
    std::vector<std::string> errors;
    for (const std::string& e : test::checkDevelopment(m, {1e-8, true, false}))
        if (e.rfind("part boxes", 0) != 0) errors.push_back(e);
    for (std::size_t i = 0; i < m.parts.size(); ++i)
        for (std::size_t j = i + 1; j < m.parts.size(); ++j) {
            const Part& p = *m.parts[i];
            const Part& q = *m.parts[j];
            const double ox = std::min(p.x + p.width, q.x + q.width) - std::max(p.x, q.x);
            const double oy = std::min(p.y + p.height, q.y + q.height) - std::max(p.y, q.y);
            if (ox > 0.001 * std::min(p.width, q.width) && oy > 0.001 * std::min(p.height, q.height))
                errors.push_back("parts " + std::to_string(i) + " and " + std::to_string(j) + " overlap");
        }
    return errors;
}

TEST_F(TdsCorpus, EveryFileLoadsAndUnfolds) {
    ASSERT_TRUE(fs::is_directory(kTdsCorpus));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kTdsCorpus)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".3ds") continue;
        ++files;
        Model m;
        const int result = read3ds(entry.path().string(), m);
        // wrong.3ds is a line of text, not a chunk file: its first word is no main chunk.
        if (entry.path().filename() == "wrong.3ds") {
            EXPECT_EQ(result, kReadFailed);
            continue;
        }
        ASSERT_EQ(result, kReadOk) << entry.path();
        normalizeModel(m);
        computeEdgeMetrics(m);
        ASSERT_TRUE(createDevelopment(m)) << entry.path();
        const auto errors = developmentErrors(m);
        EXPECT_TRUE(errors.empty()) << entry.path() << ": " << (errors.empty() ? "" : errors.front());
    }
    EXPECT_GE(files, 10);
}

TEST_F(TdsCorpus, IdsInsideUnknownChunksAreTakenAsChunks) {
    // Five objects of one mesh each. The mesh of "wheel38" holds a local axis chunk, which
    // the walk steps through two bytes at a time; its translation 9.02 is stored as the
    // bytes of a vertex-list id, whose "length" runs far past the mesh, so the mesh's faces
    // are never reached and the solid, left without faces, is dropped.
    Model m;
    load("car_wheel/car-wheel.3ds", m);
    ASSERT_EQ(m.solids.size(), 4u);
    EXPECT_EQ(m.solids[0]->name, "tyre12434");
    EXPECT_EQ(m.solids[1]->name, "wheel410");
    EXPECT_EQ(m.solids[2]->name, "silver146");
    EXPECT_EQ(m.solids[3]->name, "silver132");
    EXPECT_EQ(m.solids[0]->vertices.size(), 2964u);
    EXPECT_EQ(m.faceCount, 5828 + 1187 + 238 + 194);
}

TEST_F(TdsCorpus, CubeWithMaterialGroupsAndTextureCoordinates) {
    // Five materials ("tex" with texture.png, which is not there, then red, green, blue and
    // white), one cube of 8 vertices and 12 triangles, one coordinate per vertex, and five
    // groups after the faces: two faces each, four for white.
    Model m;
    load("o3dv/cube_with_texture_transformations.3ds", m);
    ASSERT_EQ(m.materials.size(), 5u);
    const char* names[] = {"tex", "red", "green", "blue", "white"};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(m.materials[k]->name, names[k]);
    EXPECT_EQ(m.materials[0]->textureFile, "texture.png");
    EXPECT_FALSE(m.materials[0]->hasTexture);
    ASSERT_EQ(m.solids.size(), 1u);
    EXPECT_EQ(m.solids[0]->name, "cube");
    EXPECT_EQ(m.solids[0]->vertices.size(), 8u);
    EXPECT_EQ(m.faceCount, 12);
    EXPECT_TRUE(m.bTextureCoodinates);
    std::vector<int> perMaterial(5);
    for (const auto& f : m.solids[0]->faces) {
        ASSERT_GE(f->materialIndex, 0);
        ++perMaterial[f->materialIndex];
        for (const auto& h : f->halfedges) EXPECT_NE(h->texCoord, nullptr);
    }
    EXPECT_EQ(perMaterial, (std::vector<int>{2, 2, 2, 2, 4}));
}

TEST_F(TdsCorpus, TexturesBesideTheModelAreLoaded) {
    // The camera's GPL-2.0 set is not carried in the repository; it is read where the whole
    // corpus lies beside the checkout.
    const fs::path camera = fs::path(PLIKATRA_SHARED_CORPUS_DIR) / "3ds/camera/camera.3ds";
    if (fs::exists(camera)) {
        // Six bitmaps are there; FILMSP.TIF is not.
        Model m;
        ASSERT_EQ(read3ds(camera.string(), m, ReadContext{ui_}), kReadOk);
        int textured = 0;
        for (const auto& mat : m.materials) {
            if (mat->textureFile.empty()) continue;
            EXPECT_EQ(mat->hasTexture, mat->textureFile != "FILMSP.TIF") << mat->textureFile;
            textured += mat->hasTexture;
        }
        EXPECT_EQ(textured, 6);
    } else {
        std::cout << "[ SKIPPED  ] camera.3ds: the GPL-2.0 models are only in the shared corpus, not at "
                  << camera << std::endl;
    }
    {
        Model m;
        load("pool_ball/ball-1.3ds", m);
        ASSERT_EQ(m.materials.size(), 1u);
        EXPECT_EQ(m.materials[0]->textureFile, "BALL10.bmp");
        EXPECT_TRUE(m.materials[0]->hasTexture);
        ASSERT_EQ(m.solids.size(), 1u);
        EXPECT_EQ(m.solids[0]->name, "Sphere16");
        EXPECT_EQ(m.solids[0]->vertices.size(), 1889u);
    }
    EXPECT_TRUE(ui_.entries.empty());
}

}  // namespace
}  // namespace plikatra
