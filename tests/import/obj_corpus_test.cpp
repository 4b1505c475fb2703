// Real OBJ files written by other programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "import/obj_reader.h"
#include "quiet_readers.h"
#include "model/model_stats.h"

namespace plikatra {
namespace {

const std::string kObjDir = std::string(PLIKATRA_CORPUS_DIR) + "/obj";

int totalVertices(const Model& m) {
    int n = 0;
    for (const auto& s : m.solids) n += static_cast<int>(s->vertices.size());
    return n;
}

TEST(ObjCorpus, EveryFileLoads) {
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kObjDir)) {
        if (entry.path().extension() != ".obj") continue;
        ++files;
        Model model;
        EXPECT_EQ(readObj(entry.path().string(), model), 0) << entry.path();
        EXPECT_GT(model.faceCount, 0) << entry.path();
    }
    EXPECT_GE(files, 7);
}

TEST(ObjCorpus, CornellBox) {
    // Objects ("o") do not start solids; 18 quads, half of them numbered from the end.
    Model m;
    ASSERT_EQ(readObj(kObjDir + "/cornell_box/cornell_box.obj", m), 0);
    ASSERT_EQ(m.solids.size(), 1u);
    EXPECT_EQ(m.faceCount, 18);
    EXPECT_EQ(totalVertices(m), 72);  // 4 of the 76 vertices are used by no face
    ASSERT_EQ(m.materials.size(), 10u);
    // usemtl order: white light white white blue green red white white white.
    EXPECT_EQ(m.materials[0]->diffuse.b, 1.0f);
    EXPECT_EQ(m.materials[4]->flatColor.r, 0.0f);
    EXPECT_EQ(m.materials[4]->flatColor.b, 1.0f);
    EXPECT_EQ(m.materials[2]->diffuse.r, 1.0f);  // a repeated name takes its colour too
    EXPECT_FALSE(m.bTextureCoodinates);
}

// 163 "usemtl" lines over four names: every one of the 163 materials carries its name's
// colour, none the default.
TEST(ObjCorpus, RecordPlayerMaterialsAllTakeTheirColours) {
    Model m;
    ASSERT_EQ(readObj(kObjDir + "/turntable/turntable.obj", m), 0);
    ASSERT_EQ(m.materials.size(), 163u);
    const std::pair<const char*, float> colours[] = {
        {"black", 0.2f}, {"shiny_metal", 0.677647f}, {"aluminium", 0.752941f},
        {"shiny_metal_stripe", 0.628235f}};
    for (const auto& mat : m.materials) {
        bool named = false;
        for (const auto& [name, grey] : colours) {
            if (mat->name != name) continue;
            named = true;
            EXPECT_EQ(mat->diffuse.r, grey) << name;
            EXPECT_EQ(mat->flatColor.g, grey) << name;
            EXPECT_EQ(mat->ambient.b, grey) << name;
        }
        EXPECT_TRUE(named) << mat->name;
    }
}

TEST(ObjCorpus, FaceWithTwoGroups) {
    Model m;
    ASSERT_EQ(readObj(kObjDir + "/face/face.obj", m), 0);
    ASSERT_EQ(m.solids.size(), 2u);
    EXPECT_EQ(m.solids[0]->name, "face");
    EXPECT_EQ(m.solids[1]->name, "lips");
    EXPECT_EQ(m.solids[0]->vertices.size(), 410u);
    EXPECT_EQ(m.solids[1]->vertices.size(), 78u);
    EXPECT_EQ(m.faceCount, 806);
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_EQ(m.materials[0]->diffuse.g, static_cast<float>(0.501961));
    EXPECT_EQ(m.materials[1]->ambient.b, static_cast<float>(0.180392));
    EXPECT_FALSE(m.bTextureCoodinates);
}

TEST(ObjCorpus, TorusAndSpacedNames) {
    Model torus;
    ASSERT_EQ(readObj(kObjDir + "/catmark_torus/catmark_torus_creases0.obj", torus), 0);
    const ModelStats st = modelStats(torus);
    EXPECT_EQ(st.faces, 32);
    EXPECT_EQ(st.edges, 64);  // closed quad torus: E = 2F, no open edge
    EXPECT_EQ(st.openEdges, 0);
    EXPECT_TRUE(torus.bTextureCoodinates);

    // "mtllib cube with white spaces.mtl" names the library "cube", which does not exist, so
    // the colours stay at their defaults; names keep only their first word.
    Model cube;
    ASSERT_EQ(readObj(kObjDir + "/white_spaces/cube with white spaces.obj", cube), 0);
    ASSERT_EQ(cube.solids.size(), 1u);
    EXPECT_EQ(cube.solids[0]->name, "Cube");
    EXPECT_EQ(cube.faceCount, 6);
    ASSERT_EQ(cube.materials.size(), 5u);
    EXPECT_EQ(cube.materials[4]->name, "White");
    EXPECT_EQ(cube.materials[0]->diffuse.r, Material().diffuse.r);
    ASSERT_NE(cube.solids[0]->faces[0]->halfedges[2]->texCoord, nullptr);
    EXPECT_DOUBLE_EQ(cube.solids[0]->faces[0]->halfedges[2]->texCoord->v, 0.0);  // vt 1 1
}

}  // namespace
}  // namespace plikatra
