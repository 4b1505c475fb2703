#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/settings.h"
#include "app/open_model.h"
#include "app/options.h"
#include "app/unfold_run.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/part_growing.h"
#include "development/progress_pacer.h"
#include "development_checker.h"
#include "model/construction.h"
#include "model/normalize.h"
#include "recording_front_end.h"
#include "model/primitive_shapes.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::addPolygonSolid;
using plikatra::test::checkDevelopment;

namespace {

class Quiet : public testing::Test {
protected:
    Settings& settings() { return settings_; }
    bool createDevelopment(Model& m) { return plikatra::createDevelopment(m, settings_, &rec); }

    Settings settings_;
    RecordingFrontEnd rec;
};

void expectSound(const Model& m, const std::string& what) {
    const auto errors = checkDevelopment(m);
    EXPECT_TRUE(errors.empty()) << what << ": " << (errors.empty() ? "" : errors.front());
}

void finishByHand(Model& m) {
    finishSolids(m, kAreaThreshold);
    normalizeModel(m);
    computeEdgeMetrics(m);
}

}  // namespace

using Unfolding = Quiet;

TEST_F(Unfolding, ShapesGiveSoundDevelopments) {
    struct Case {
        const char* name;
        std::unique_ptr<Model> model;
    };
    std::vector<Case> cases;
    cases.push_back({"cube", makeBox(1, 1, 1)});
    cases.push_back({"flat box", makeBox(3, 0.2, 1)});
    cases.push_back({"tetrahedron", makeTetrahedron()});
    cases.push_back({"icosphere", makeIcosphere(2)});
    cases.push_back({"torus", makeTorus(24, 12)});
    cases.push_back({"ring", makeRing(16)});
    for (int algorithm : {0, 1, 2}) {
        for (auto& c : cases) {
            Model& m = *c.model;
            discardDevelopment(m);
            settings().iAlgorithmType = algorithm;
            ASSERT_TRUE(createDevelopment(m)) << c.name;
            EXPECT_TRUE(m.bFinished);
            expectSound(m, std::string(c.name) + " algorithm " + std::to_string(algorithm));
        }
    }
}

TEST_F(Unfolding, CorpusModelsGiveSoundDevelopments) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) GTEST_SKIP();
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".obj") continue;
        LoadOutcome outcome;
        auto m = readModelFile(entry.path().string(), ModelFileOptions{}, rec, outcome);
        ASSERT_TRUE(m) << entry.path();
        ASSERT_TRUE(createDevelopment(*m));
        // Real models have non-planar faces; the checker measures only planar ones.
        const auto errors = checkDevelopment(*m, {1e-9, true, false});
        EXPECT_TRUE(errors.empty()) << entry.path() << ": " << (errors.empty() ? "" : errors.front());
        ++n;
    }
    EXPECT_GE(n, 7);
}

TEST_F(Unfolding, CubeIsOnePartAtOrigin) {
    auto m = makeBox(2, 2, 2);
    ASSERT_TRUE(createDevelopment(*m));
    ASSERT_EQ(m->parts.size(), 1u);
    EXPECT_EQ(m->parts[0]->x, 0.0);
    EXPECT_EQ(m->parts[0]->y, 0.0);
    EXPECT_EQ(m->parts[0]->faces.size(), 6u);
    // 12 edges, 5 folds of a spanning tree: 7 cut edges numbered 1..7.
    int maxNumber = 0, flaps = 0;
    for (auto& e : m->solids[0]->edges) {
        maxNumber = std::max(maxNumber, e->joinNumber);
        flaps += e->a->hasFlap + e->b->hasFlap;
    }
    EXPECT_EQ(maxNumber, 7);
    EXPECT_EQ(flaps, 7);
    EXPECT_EQ(m->facesUnfolded, 6);
    EXPECT_EQ(m->totalFacesToUnfold, 6);
}

TEST_F(Unfolding, AutoModeFitsOnePageAt99Percent) {
    std::vector<std::unique_ptr<Model>> models;
    models.push_back(makeIcosphere(1));
    models.push_back(makeBox(4, 1, 1));
    models.push_back(makeBox(1, 4, 1));
    for (auto& m : models) {
        ASSERT_TRUE(createDevelopment(*m));
        const Settings& s = settings();
        const double fx = m->dKavimozuWidth * m->dMag2d / (s.pageWidth - 2 * s.dPageMarginSide);
        const double fy = m->dKavimozuHeight * m->dMag2d / (s.pageHeight - 2 * s.dPageMarginTop);
        EXPECT_NEAR(std::max(fx, fy), 0.99, 1e-12);
        EXPECT_EQ(m->pagesAcross, 1);
        EXPECT_EQ(m->pagesDown, 1);
    }
}

TEST_F(Unfolding, CutEdgeNeverFolded) {
    auto m = makeBox(1, 1, 1);
    for (auto& e : m->solids[0]->edges) e->kind = kEdgeCut;
    m->solids[0]->edges[4]->kind = kEdgeNormal;
    ASSERT_TRUE(createDevelopment(*m));
    for (auto& e : m->solids[0]->edges)
        if (e->kind == kEdgeCut) {
            EXPECT_EQ(e->a->twin, nullptr);
        }
    EXPECT_EQ(m->parts.size(), 5u);  // one fold allowed: 6 faces in 5 parts
    expectSound(*m, "cut cube");
}

TEST_F(Unfolding, KeepEdgeDoublesPriority) {
    Edge e;
    e.length = 2.0;
    e.foldAngle = 90.0;
    EXPECT_EQ(edgePriority(e, 0), 90.0);
    EXPECT_EQ(edgePriority(e, 1), 2.0);
    EXPECT_EQ(edgePriority(e, 2), 2.0 * 10.0);
    EXPECT_EQ(edgePriority(e, 7), 2.0);
    e.kind = kEdgeKeep;
    EXPECT_EQ(edgePriority(e, 1), 4.0);
}

TEST_F(Unfolding, FoldedBackEdgeNeverAttachedWithAngleAlgorithm) {
    // Two triangles folded flat onto each other: fold angle 0.
    Model m;
    addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, 1, 0}}, {{0, 1, 2}, {1, 0, 3}});
    finishByHand(m);
    ASSERT_NEAR(m.solids[0]->edges[0]->foldAngle, 0.0, 1e-9);
    settings().iAlgorithmType = 0;
    ASSERT_TRUE(createDevelopment(m));
    EXPECT_EQ(m.parts.size(), 2u);
    discardDevelopment(m);
    settings().iAlgorithmType = 1;
    ASSERT_TRUE(createDevelopment(m));
    // By length the fold is taken: the second triangle lands exactly on the first. Its sides
    // only touch the outline (collinear, shared ends), which the crossing test does not count.
    EXPECT_EQ(m.parts.size(), 1u);
}

TEST_F(Unfolding, EqualPrioritiesTakeTheFirstMet) {
    // The sides of a square pyramid without base: every fold has the same length and angle.
    Model m;
    addPolygonSolid(m, {{0, 0, 0.5}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}},
                    {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}});
    finishByHand(m);
    for (int algorithm : {0, 1, 2}) {
        discardDevelopment(m);
        settings().iAlgorithmType = algorithm;
        ASSERT_TRUE(createDevelopment(m));
        ASSERT_EQ(m.parts.size(), 1u);
        const Part& p = *m.parts[0];
        // Seed: the first face with the longest open edge (all rims are equal). Its ring meets
        // the side shared with face 3 before the one shared with face 1; then face 0 again
        // comes before face 3 in the part, so face 1 follows, and face 2 last.
        std::vector<int> order;
        for (const Face* f : p.faces) order.push_back(f->index);
        EXPECT_EQ(order, (std::vector<int>{0, 3, 1, 2})) << "algorithm " << algorithm;
    }
}

TEST_F(Unfolding, HiddenSolidNotUnfoldedButNumbered) {
    auto m = makeBox(1, 1, 1);
    auto other = makeTetrahedron();
    m->solids.push_back(std::move(other->solids[0]));
    other->solids.clear();
    m->solids[1]->visible = false;
    ASSERT_TRUE(createDevelopment(*m));
    for (auto& f : m->solids[1]->faces) EXPECT_FALSE(f->placed);
    int numbered = 0;
    for (auto& e : m->solids[1]->edges) numbered += e->joinNumber > 0;
    EXPECT_EQ(numbered, 6);
    expectSound(*m, "hidden");
    EXPECT_EQ(m->totalFacesToUnfold, 6);
}

TEST_F(Unfolding, FlatAnnulusClosesItsLoop) {
    // A flat ring of quads around a hole unfolds as it lies; the last face comes back onto the
    // first and the closing edge is joined instead of cut.
    Model m;
    std::vector<Point3> pts;
    std::vector<std::vector<int>> faces;
    const int n = 12;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * 3.14159265358979323846 * i / n;
        pts.push_back({std::cos(a), 0, std::sin(a)});
        pts.push_back({2 * std::cos(a), 0, 2 * std::sin(a)});
    }
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        faces.push_back({2 * i, 2 * j, 2 * j + 1, 2 * i + 1});
    }
    addPolygonSolid(m, pts, faces);
    finishByHand(m);
    ASSERT_TRUE(createDevelopment(m));
    ASSERT_EQ(m.parts.size(), 1u);
    int cut = 0;
    for (auto& e : m.solids[0]->edges)
        if (e->b && !e->a->twin) ++cut;
    EXPECT_EQ(cut, 0);
    expectSound(m, "annulus");
}

TEST_F(Unfolding, CancelKeepsPartsAndContinuesNumbering) {
    auto m = makeIcosphere(1);
    // Algorithm 0 makes parts small enough that there are several. The count is shown and
    // Cancel polled before every face here, so that the 30th poll falls inside the run.
    rec.progressWindow.cancelAtPump = 30;
    const ReferenceUnfoldEngine engine;
    LayoutParams layout = layoutParamsOf(settings(), kLayoutAuto);
    EXPECT_FALSE(runUnfolding(*m, engine, unfoldOptionsOf(settings()), layout, rec, nullptr,
                              std::chrono::milliseconds(0)));
    EXPECT_EQ(rec.texts().back(), "Canceled development creation");
    EXPECT_FALSE(m->bFinished);
    const size_t partsBefore = m->parts.size();
    const int unfoldedBefore = m->facesUnfolded;
    EXPECT_GE(partsBefore, 1u);
    EXPECT_GT(unfoldedBefore, 0);
    for (auto& s : m->solids)
        for (auto& e : s->edges) EXPECT_EQ(e->joinNumber, -1);
    ASSERT_TRUE(createDevelopment(*m));  // Cancel is pressed only once
    EXPECT_EQ(m->facesUnfolded, 80);
    for (size_t i = 0; i < m->parts.size(); ++i) EXPECT_EQ(m->parts[i]->index, static_cast<int>(i));
    expectSound(*m, "after cancel");
}

TEST_F(Unfolding, OpenedCutsMoveDisplayPositions) {
    auto m = makeBox(1, 1, 1);
    ASSERT_TRUE(createDevelopment(*m));
    int moved = 0;
    for (auto& f : m->solids[0]->faces)
        for (auto& h : f->halfedges) {
            const double d = distance3(displayPosition(*h), h->origin->position);
            if (d > 0) {
                ++moved;
                // The offset is kept in single precision: it is only drawn.
                EXPECT_NEAR(d, 0.1 * m->meanEdgeLength, 1e-6 * m->meanEdgeLength);
            }
        }
    EXPECT_GT(moved, 0);
}

TEST_F(Unfolding, DiscardKeepsLinesAndFlapHeights) {
    auto m = makeBox(1, 1, 1);
    ASSERT_TRUE(createDevelopment(*m));
    Halfedge* h = m->solids[0]->faces[0]->halfedges[0].get();
    h->lineShown = false;
    h->flapHeight = 0.8;
    m->texts.push_back(std::make_unique<TextItem>());
    discardDevelopment(*m);
    EXPECT_TRUE(m->parts.empty());
    EXPECT_FALSE(m->bFinished);
    EXPECT_EQ(m->facesUnfolded, 0);
    EXPECT_FALSE(h->lineShown);
    EXPECT_EQ(h->flapHeight, 0.8);
    EXPECT_EQ(h->twin, nullptr);
    EXPECT_FALSE(h->hasFlap);
    EXPECT_EQ(m->texts.size(), 1u);
}

TEST_F(Unfolding, CountShownAtABoundedRateAndCancelPolledAtOnce) {
    // With an interval longer than the run, the count is shown (and Cancel polled) once, at
    // the first attached face, not once per face.
    auto m = makeIcosphere(3);
    const IndexedUnfoldEngine engine;
    LayoutParams layout = layoutParamsOf(settings(), kLayoutAuto);
    layout.reportInterval = std::chrono::hours(1);
    ASSERT_TRUE(runUnfolding(*m, engine, unfoldOptionsOf(settings()), layout, rec, nullptr,
                             std::chrono::hours(1)));
    int counts = 0, statuses = 0;
    for (const std::string& t : rec.progressWindow.texts) counts += t.rfind("Unfolding...  ", 0) == 0;
    for (const std::string& t : rec.statusTexts) statuses += t.rfind("Unfolding:", 0) == 0;
    EXPECT_EQ(counts, 1);
    EXPECT_EQ(statuses, 1);
    // The layout shows its first and its last part.
    int arranged = 0;
    for (const std::string& t : rec.statusTexts) arranged += t.rfind("Arranging parts layout:", 0) == 0;
    EXPECT_EQ(arranged, m->parts.size() > 1 ? 2 : 1);
    EXPECT_EQ(rec.statusTexts.back(), "Ready");

    // Cancel pressed before the run is seen at the first face, whatever the interval.
    auto again = makeIcosphere(3);
    RecordingFrontEnd impatient;
    impatient.progressWindow.cancelAtPump = 1;
    EXPECT_FALSE(runUnfolding(*again, engine, unfoldOptionsOf(settings()), layout, impatient));
    EXPECT_EQ(again->facesUnfolded, 1);
    EXPECT_EQ(impatient.texts().back(), "Canceled development creation");
}

TEST(ProgressPacer, FirstStepAlwaysDueAndZeroMeansEveryStep) {
    ProgressPacer slow(std::chrono::hours(1));
    EXPECT_TRUE(slow.due());
    EXPECT_FALSE(slow.due());
    EXPECT_FALSE(slow.due());
    ProgressPacer every(std::chrono::milliseconds(0));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(every.due());
}
