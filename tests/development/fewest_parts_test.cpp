// The fewest-parts unfolding, judged by the independent checker with the full face overlap
// test: every face once, flat lengths kept, no two faces of a part on each other, part boxes
// apart, and never more parts than the best of the greedy priorities.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/open_model.h"
#include "app/options.h"
#include "app/unfold_run.h"
#include "base/progress.h"
#include "development/development.h"
#include "development/fewest_parts.h"
#include "development/indexed_unfold_engine.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"

using namespace plikatra;
using plikatra::test::checkDevelopment;

namespace {

// Faces of a part may meet at corners that agree only up to rounding, where the strict test
// of boundary crossings sees sides cross by 1e-17; what must not happen is faces overlapping.
test::CheckOptions checkOptions() {
    test::CheckOptions o;
    o.checkCrossings = false;
    o.checkFaceOverlap = true;
    o.flapsAsAfterUnfolding = false;  // this method places flaps where they fit
    return o;
}
const test::CheckOptions kCheck = checkOptions();

class FewestParts : public testing::Test {
protected:
    FewestParts() { settings_.iFewestPartsSeconds = 1; }

    bool unfold(Model& m, int algorithm, const UnfoldEngine* engine = nullptr) {
        discardDevelopment(m);
        settings_.iAlgorithmType = algorithm;
        return runUnfolding(m, engine ? *engine : indexed_, unfoldOptionsOf(settings_),
                            layoutParamsOf(settings_, kLayoutAuto), rec_);
    }

    // Unfolds with every method; the fourth must be sound and need no more parts than the
    // best greedy one. Returns its part count.
    int expectSoundAndNoWorse(Model& m, const std::string& name) {
        SCOPED_TRACE(name);
        std::size_t best = SIZE_MAX;
        for (int a = 0; a < kAlgorithmFewestParts; ++a) {
            EXPECT_TRUE(unfold(m, a));
            best = std::min(best, m.parts.size());
        }
        EXPECT_TRUE(unfold(m, kAlgorithmFewestParts));
        const auto errors = checkDevelopment(m, kCheck);
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_LE(m.parts.size(), best);
        return static_cast<int>(m.parts.size());
    }

    Settings settings_;
    RecordingFrontEnd rec_;
    IndexedUnfoldEngine indexed_;
};

// Marks about one edge in ten cut and one in five keep, the same on every call.
void markEdges(Model& m) {
    unsigned state = 99;
    for (auto& s : m.solids)
        for (auto& e : s->edges) {
            state = state * 1664525u + 1013904223u;
            const unsigned r = (state >> 16) % 10;
            if (!e->b) continue;
            if (r == 0) e->kind = kEdgeCut;
            else if (r <= 2) e->kind = kEdgeKeep;
        }
}

}  // namespace

TEST_F(FewestParts, GeneratedShapesAreSoundWithNoMorePartsThanGreedy) {
    // Closed shapes that have a one-part unfolding the search reaches.
    EXPECT_EQ(expectSoundAndNoWorse(*makeIcosphere(2), "icosphere 320"), 1);
    // The torus needs a few hundred growths. The bound is far beyond what they take, so that
    // one part or the growth budget ends the search, not the clock of a busy machine (the
    // search stops once it has one part).
    settings_.iFewestPartsSeconds = 600;
    EXPECT_EQ(expectSoundAndNoWorse(*makeTorus(24, 12), "torus 288"), 1);
    settings_.iFewestPartsSeconds = 1;
    EXPECT_EQ(expectSoundAndNoWorse(*makeBox(3, 0.2, 1), "flat box"), 1);
    expectSoundAndNoWorse(*makeTetrahedron(), "tetrahedron");
    // Uneven triangles, non-planar quadrilaterals, open surfaces.
    expectSoundAndNoWorse(*makeRandomHull(150, 4), "hull");
    expectSoundAndNoWorse(*makePerturbedTorus(20, 10, 0.3, 5), "perturbed torus");
    expectSoundAndNoWorse(*makeGrid(12, 12, 0.8, true), "wavy grid of triangles");
    expectSoundAndNoWorse(*makeGrid(10, 10, 0.8, false), "wavy grid of quadrilaterals");
    // Cut marks are never folded; keep marks do not break anything.
    auto marked = makeIcosphere(2);
    markEdges(*marked);
    expectSoundAndNoWorse(*marked, "icosphere with marks");
    for (auto& e : marked->solids[0]->edges)
        if (e->kind == kEdgeCut) {
            EXPECT_FALSE(e->a->twin);
        }
    // Hidden solids stay out of the development.
    auto box = makeBox(1, 1, 1);
    box->solids[0]->visible = false;
    EXPECT_TRUE(unfold(*box, kAlgorithmFewestParts));
    EXPECT_TRUE(box->parts.empty());
}

TEST_F(FewestParts, CorpusModelsAreSoundWithNoMorePartsThanGreedy) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR);
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".obj" && ext != ".mqo" && ext != ".3ds" && ext != ".lwo") continue;
        LoadOutcome outcome;
        auto m = readModelFile(entry.path().string(), ModelFileOptions{}, rec_, outcome);
        // Large models take the greedy growths several times over; the generated shapes and
        // the benchmark cover them.
        if (!m || m->faceCount > 10000) continue;
        expectSoundAndNoWorse(*m, entry.path().filename().string());
        ++n;
    }
    EXPECT_GE(n, 10);
}

TEST_F(FewestParts, SameDevelopmentEveryRunWithEitherEngine) {
    auto a = makePerturbedTorus(12, 8, 0.3, 9);
    auto b = makePerturbedTorus(12, 8, 0.3, 9);
    // The growth budget, not the clock, ends the search.
    UnfoldOptions options = unfoldOptionsOf(settings_);
    options.algorithm = kAlgorithmFewestParts;
    options.searchMilliseconds = 600000;
    options.searchFaceBudget = 2e4;
    const ReferenceUnfoldEngine reference;
    const LayoutParams layout = layoutParamsOf(settings_, kLayoutAuto);
    ASSERT_TRUE(runUnfolding(*a, indexed_, options, layout, rec_));
    ASSERT_TRUE(runUnfolding(*b, reference, options, layout, rec_));
    ASSERT_EQ(a->parts.size(), b->parts.size());
    for (std::size_t p = 0; p < a->parts.size(); ++p) {
        ASSERT_EQ(a->parts[p]->faces.size(), b->parts[p]->faces.size());
        for (std::size_t f = 0; f < a->parts[p]->faces.size(); ++f) {
            const Face& fa = *a->parts[p]->faces[f];
            const Face& fb = *b->parts[p]->faces[f];
            ASSERT_EQ(fa.index, fb.index);
            for (std::size_t k = 0; k < fa.halfedges.size(); ++k) {
                EXPECT_EQ(fa.halfedges[k]->flatX, fb.halfedges[k]->flatX);
                EXPECT_EQ(fa.halfedges[k]->flatY, fb.halfedges[k]->flatY);
                EXPECT_EQ(!fa.halfedges[k]->twin, !fb.halfedges[k]->twin);
            }
        }
    }
}

TEST_F(FewestParts, CancelKeepsACompleteDevelopmentThatContinues) {
    // Large enough that the search cannot end in one part before Cancel comes; triangles,
    // since the checker's test of bent quadrilaterals folded flat into darts is unsure.
    auto m = makeGrid(20, 20, 0.6, true);
    const int faces = m->faceCount;
    // The progress is reported before every attachment of the three greedy growths; Cancel
    // comes once the search has begun.
    // The search reports about every 160 ms, however fast the machine: Cancel comes at its
    // second report, long before a bound that a slow (sanitizer) build could otherwise reach
    // first; the run that continues is bounded short.
    rec_.progressWindow.cancelAtPump = 3 * faces + 2;
    settings_.iAlgorithmType = kAlgorithmFewestParts;
    settings_.iFewestPartsSeconds = 60;
    const auto run = [&] {
        return runUnfolding(*m, indexed_, unfoldOptionsOf(settings_),
                            layoutParamsOf(settings_, kLayoutAuto), rec_, nullptr,
                            std::chrono::milliseconds(0));
    };
    EXPECT_FALSE(run());
    settings_.iFewestPartsSeconds = 1;
    int placed = 0;
    for (auto& f : m->solids[0]->faces) placed += f->placed;
    EXPECT_EQ(placed, faces);
    const std::size_t parts = m->parts.size();
    ASSERT_TRUE(run());
    const auto errors = checkDevelopment(*m, kCheck);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_LE(m->parts.size(), parts);
}
