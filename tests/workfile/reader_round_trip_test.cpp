#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "test_util.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "reader_support.h"
#include "workfile/work_file_writer.h"

namespace plikatra {
namespace {

using test::ReaderTest;
using test::replaced;

// The fold direction of an edge between two faces is recomputed from the geometry after every
// load, so only the bit of open edges has to come back; this clears it on the others.
std::string withoutFoldMountainBits(const std::string& text) {
    std::istringstream in(text);
    std::string out, line;
    int edgesLeft = 0;
    bool inSolids = true;
    while (std::getline(in, line)) {
        if (line == "defaultmaterial") inSolids = false;
        if (edgesLeft > 0) {
            --edgesLeft;
            long f[6];
            if (std::sscanf(line.c_str(), "%ld %ld %ld %ld %ld %ld", &f[0], &f[1], &f[2], &f[3],
                            &f[4], &f[5]) == 6 &&
                f[0] != -1 && f[1] != -1)
                line = std::to_string(f[0]) + " " + std::to_string(f[1]) + " " +
                       std::to_string(f[2]) + " " + std::to_string(f[3]) + " " +
                       std::to_string(f[4] & ~16L) + " " + std::to_string(f[5]);
        } else if (inSolids && line.rfind("edges ", 0) == 0) {
            edgesLeft = std::atoi(line.c_str() + 6);
        }
        out += line + "\n";
    }
    return out;
}

// The file holds positions to six decimals: flat and 3D lengths then agree only to about 1e-6
// (relative 1e-3 on the shortest edges of the corpus), and part boxes that touched may overlap
// by that much. Everything else must hold as after an unfolding.
void expectSoundAfterRounding(const Model& m, const std::string& what, bool checkCrossings) {
    auto errors = test::checkDevelopment(m, {1e-3, false, checkCrossings});
    std::erase_if(errors, [](const std::string& e) { return e.find("overlap") != std::string::npos; });
    EXPECT_TRUE(errors.empty()) << what << ": " << (errors.empty() ? "" : errors.front());
    for (size_t i = 0; i < m.parts.size(); ++i)
        for (size_t j = i + 1; j < m.parts.size(); ++j) {
            const Part& p = *m.parts[i];
            const Part& q = *m.parts[j];
            const double ox = std::min(p.x + p.width, q.x + q.width) - std::max(p.x, q.x);
            const double oy = std::min(p.y + p.height, q.y + q.height) - std::max(p.y, q.y);
            EXPECT_FALSE(ox > 2e-6 && oy > 2e-6) << what << ": parts " << i << " and " << j;
        }
}

// Writes, reads back and writes again: the second file must equal the first up to the fold
// bits, a third must equal the second exactly, and the development read back must be sound.
void expectRoundTrip(ReaderTest& t, Model& original, const std::string& what,
                     bool checkCrossings) {
    const std::string first = workFileText(original, t.stateOf(original));
    LoadOutcome outcome;
    auto back = t.load(first, outcome);
    ASSERT_TRUE(back) << what << ": result " << outcome.result;
    EXPECT_EQ(outcome.result, kReadOk);
    const std::string second = workFileText(*back, t.stateOf(*back));
    EXPECT_EQ(withoutFoldMountainBits(second), withoutFoldMountainBits(first)) << what;

    auto again = t.load(second);
    ASSERT_TRUE(again) << what;
    EXPECT_EQ(workFileText(*again, t.stateOf(*again)), second) << what;

    EXPECT_TRUE(back->fromWorkFile);
    EXPECT_EQ(back->bFinished, original.bFinished) << what;
    EXPECT_EQ(back->pagesAcross, original.pagesAcross) << what;
    EXPECT_EQ(back->pagesDown, original.pagesDown) << what;
    if (original.bFinished) expectSoundAfterRounding(*back, what, checkCrossings);

    // Join numbers are not stored: they come back from the twins, as the unfolding gave them.
    std::vector<int> before, after;
    for (auto& s : original.solids)
        for (auto& e : s->edges) before.push_back(e->joinNumber);
    for (auto& s : back->solids)
        for (auto& e : s->edges) after.push_back(e->joinNumber);
    EXPECT_EQ(after, before) << what;
}

TEST_F(ReaderTest, CubeAndIcosphereComeBackWithTheirDevelopment) {
    auto cube = makeBox(2.0, 1.0, 0.5);
    ASSERT_TRUE(createDevelopment(*cube));
    expectRoundTrip(*this, *cube, "box", true);

    auto sphere = makeIcosphere(2);
    ASSERT_TRUE(createDevelopment(*sphere));
    expectRoundTrip(*this, *sphere, "icosphere", true);

    // Without development: no parts, and the opened cuts are not computed.
    auto plain = makeIcosphere(1);
    expectRoundTrip(*this, *plain, "icosphere without development", true);
}

TEST_F(ReaderTest, CorpusModelsComeBackWithTheirDevelopment) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus";
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".obj") continue;
        LoadOutcome outcome;
        auto m = readModelFile(entry.path().string(), ModelFileOptions{}, ui_, outcome);
        ASSERT_TRUE(m) << entry.path();
        ASSERT_TRUE(createDevelopment(*m)) << entry.path();
        // Real models have non-planar faces, which the checker cannot measure.
        expectRoundTrip(*this, *m, entry.path().filename().string(), false);
        ++n;
    }
    EXPECT_GE(n, 7);
}

// The hand-built file holds everything the format has: a flap, an erased fold line, open and
// keep edges, an edge without halfedges, a textured material and a text.
TEST_F(ReaderTest, HandBuiltFileRestoresEveryRecord) {
    const std::string file = golden("development.ufd");
    auto m = load(file);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->solids.size(), 1u);
    const Solid& s = *m->solids[0];
    EXPECT_EQ(s.name, "sheet");
    ASSERT_EQ(s.faces.size(), 2u);
    ASSERT_EQ(s.edges.size(), 6u);
    EXPECT_EQ(m->faceCount, 2);

    const Edge& fold = *s.edges[2];
    ASSERT_TRUE(fold.a && fold.b);
    EXPECT_EQ(fold.a->pair, fold.b);
    EXPECT_EQ(fold.a->twin, fold.b);
    EXPECT_EQ(fold.b->twin, fold.a);
    EXPECT_EQ(fold.kind, kEdgeKeep);
    EXPECT_EQ(fold.a->face, s.faces[0].get());
    EXPECT_EQ(fold.b->face, s.faces[1].get());
    EXPECT_EQ(fold.joinNumber, -1);
    // An open edge keeps its stored direction; its kind is "open" whatever was stored.
    EXPECT_TRUE(s.edges[0]->mountain);
    EXPECT_EQ(s.edges[3]->kind, kEdgeOpen);
    EXPECT_FALSE(s.edges[5]->a || s.edges[5]->b);

    const Halfedge& c = *s.faces[1]->halfedges[1];
    EXPECT_TRUE(c.hasFlap);
    EXPECT_DOUBLE_EQ(c.flapHeight, 0.75);
    EXPECT_FALSE(s.faces[0]->halfedges[2]->lineShown);
    EXPECT_DOUBLE_EQ(s.faces[0]->halfedges[2]->texCoord->v, 0.25);
    // Rings are closed.
    for (auto& f : s.faces)
        for (auto& h : f->halfedges) EXPECT_EQ(h->next->prev, h.get());

    ASSERT_EQ(m->parts.size(), 1u);
    EXPECT_EQ(m->parts[0]->faces.size(), 2u);
    EXPECT_EQ(m->parts[0]->solid, &s);
    EXPECT_DOUBLE_EQ(m->parts[0]->height, 3.5);
    EXPECT_TRUE(s.faces[1]->placed);

    ASSERT_EQ(m->materials.size(), 1u);
    const Material& mat = *m->materials[0];
    EXPECT_EQ(mat.name, "paper");
    EXPECT_FLOAT_EQ(mat.specular.g, 0.2f);
    EXPECT_FLOAT_EQ(mat.shininess, 12.5f);
    ASSERT_TRUE(mat.hasTexture && mat.texture);
    EXPECT_EQ(mat.texture->width, 2);
    EXPECT_EQ(mat.texture->height, 2);
    const size_t pixels = file.find("\n2 2\n") + 5;
    EXPECT_EQ(std::string(mat.texture->pixels.begin(), mat.texture->pixels.end()),
              file.substr(pixels, 12));

    ASSERT_EQ(m->texts.size(), 1u);
    EXPECT_EQ(m->texts[0]->text, "Hello world");
    EXPECT_EQ(m->texts[0]->fontName, "Liberation Sans");
    EXPECT_EQ(m->texts[0]->color, 10u | 20u << 8 | 30u << 16);

    EXPECT_DOUBLE_EQ(m->dMag2d, 20.0);
    EXPECT_TRUE(m->bReverse);
    EXPECT_TRUE(m->bFinished);
    EXPECT_EQ(settings().iAngleEps, 170);
    EXPECT_EQ(settings().iTaniLineType, 3);
    EXPECT_FALSE(settings().bDrawNorishiro);
    EXPECT_TRUE(settings().bDrawEdgeNumber);
    EXPECT_FALSE(settings().bUseMaterial);
    EXPECT_DOUBLE_EQ(settings().dTextureLineAlpha, 0.75);
    EXPECT_EQ(settings().iPageType, 3);
    EXPECT_DOUBLE_EQ(settings().pageWidth, 42.0);
    EXPECT_DOUBLE_EQ(settings().dPageMarginTop, 2.0);
    EXPECT_TRUE(settings().bDrawWhiteBkLine);
    // Line alpha is the program's own, not the file's.
    EXPECT_FALSE(settings().bEnableLineAlpha);
    EXPECT_TRUE(ui_.entries.empty());

    // Written again, only the fold bit of the edge between the faces may differ, and edges
    // with fewer than two halfedges are open now.
    EXPECT_EQ(withoutFoldMountainBits(workFileText(*m, stateOf(*m))),
              withoutFoldMountainBits(replaced(
                  replaced(replaced(file, "bEnableLineAlpha 1", "bEnableLineAlpha 0"),
                           "1 -1 2 3 22 0\n1 -1 3 0 0 0", "1 -1 2 3 21 0\n1 -1 3 0 5 0"),
                  "-1 -1 1 3 0 0", "-1 -1 1 3 5 0")));
}

}  // namespace
}  // namespace plikatra
