// Flaps placed where they fit: judged by the brute-force flap oracle of the test checker on
// shapes whose flaps are much larger than their faces, with sharp corners (uneven triangles of
// a random hull, the rim of an open grid) and thin faces (a torus of long narrow quadrilaterals).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "app/options.h"
#include "app/unfold_run.h"
#include "development/development.h"
#include "development/fewest_parts.h"
#include "development/flap_placement.h"
#include "development/indexed_unfold_engine.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"

using namespace plikatra;

namespace {

class FlapPlacement : public testing::Test {
protected:
    // Unfolds `m` with `algorithm` after giving every halfedge a flap of `heightCm`.
    void unfold(Model& m, int algorithm, double heightCm) {
        setFlapHeights(m, heightCm);
        settings_.iAlgorithmType = algorithm;
        settings_.iFewestPartsSeconds = 600;
        UnfoldOptions options = unfoldOptionsOf(settings_);
        options.searchFaceBudget = 2e4;  // the growth budget ends the search, not the clock
        ASSERT_TRUE(runUnfolding(m, indexed_, options, layoutParamsOf(settings_, kLayoutAuto),
                                 rec_));
    }

    Settings settings_;
    RecordingFrontEnd rec_;
    IndexedUnfoldEngine indexed_;
};

struct Counts {
    int numbered = 0, flaps = 0, twoFlaps = 0, full = 0;
};
Counts countFlaps(const Model& m, double heightCm) {
    Counts c;
    for (const auto& s : m.solids)
        for (const auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            ++c.numbered;
            const int n = (e->a && e->a->hasFlap) + (e->b && e->b->hasFlap);
            c.flaps += n;
            c.twoFlaps += n == 2;
            for (const Halfedge* h : {e->a, e->b})
                if (h && h->hasFlap && h->flapHeight == heightCm) ++c.full;
        }
    return c;
}

}  // namespace

TEST_F(FlapPlacement, NoFlapCollidesOnSharpCornersAndThinFaces) {
    struct Case {
        std::string name;
        std::unique_ptr<Model> model;
    };
    Case cases[] = {{"random hull", makeRandomHull(60, 3)},
                    {"thin torus", makeTorus(64, 6, 0.3)},
                    {"wavy open grid", makeGrid(8, 8, 0.8, true)}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model& m = *c.model;
        unfold(m, 1, 1.0);
        ASSERT_FALSE(test::findBadFlaps(m, false).empty()) << "flaps large enough to collide";
        const FlapPlacementReport r = placeFittingFlaps(m, false);
        EXPECT_TRUE(test::findBadFlaps(m, false).empty());
        const Counts n = countFlaps(m, 1.0);
        EXPECT_EQ(n.twoFlaps, 0);
        EXPECT_EQ(n.flaps, r.flaps);
        EXPECT_EQ(r.flaps + r.dropped, n.numbered);
        EXPECT_EQ(n.full, r.flaps - r.shortened);
        // Both remedies were needed here.
        EXPECT_GT(r.moved, 0);
        EXPECT_GT(r.shortened, 0);
    }
}

TEST_F(FlapPlacement, FlapsThatFitStayOnTheFirstHalfedgeAtFullHeight) {
    auto m = makeBox(1, 2, 3);
    unfold(*m, 1, 0.01);
    const FlapPlacementReport r = placeFittingFlaps(*m, false);
    EXPECT_EQ(r.moved + r.shortened + r.dropped, 0);
    for (const auto& e : m->solids[0]->edges)
        if (e->joinNumber != -1) {
            EXPECT_TRUE(e->a->hasFlap);
            EXPECT_FALSE(e->b->hasFlap);
        }
}

TEST_F(FlapPlacement, TheFewestPartsMethodPlacesFlapsThatFit) {
    auto m = makeRandomHull(60, 3);
    unfold(*m, kAlgorithmFewestParts, 1.0);
    EXPECT_TRUE(test::findBadFlaps(*m, false).empty());
    EXPECT_GT(countFlaps(*m, 1.0).flaps, 0);
}

TEST_F(FlapPlacement, NarrowedFlapsFitAtFullHeightWhereUsualOnesWereLowered) {
    struct Case {
        std::string name;
        std::unique_ptr<Model> model;
    };
    Case cases[] = {{"random hull", makeRandomHull(60, 3)}, {"thin torus", makeTorus(64, 6, 0.3)}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model& m = *c.model;
        // Flaps a third of a typical edge high: most fit whole, the rest meet sharp corners.
        unfold(m, 1, 1.0);
        double sum = 0;
        int n = 0;
        for (const auto& part : m.parts)
            for (const Face* f : part->faces)
                for (const auto& h : f->halfedges) {
                    sum += std::hypot(h->next->flatX - h->flatX, h->next->flatY - h->flatY) * m.dMag2d;
                    ++n;
                }
        const double height = sum / n / 3;
        setFlapHeights(m, height);
        const FlapPlacementReport usual = placeFittingFlaps(m, false, false);
        EXPECT_EQ(usual.narrowed, 0);
        setFlapHeights(m, height);
        const FlapPlacementReport r = placeFittingFlaps(m, false);
        // The independent oracle draws the narrowed outlines from the halfedges' insets.
        EXPECT_TRUE(test::findBadFlaps(m, false).empty());
        EXPECT_GT(r.narrowed, 0);
        // More flaps at full height, and fewer left out (those may now be placed lowered).
        EXPECT_GT(r.flaps - r.shortened, usual.flaps - usual.shortened);
        EXPECT_LT(r.dropped, usual.dropped);
        int narrowedFull = 0;
        for (const auto& s : m.solids)
            for (const auto& e : s->edges)
                for (const Halfedge* h : {e->a, e->b}) {
                    if (!h || h->hasFlap) continue;
                    EXPECT_FALSE(flapNarrowed(*h)) << "a halfedge without a flap keeps the usual sides";
                }
        for (const auto& s : m.solids)
            for (const auto& e : s->edges)
                for (const Halfedge* h : {e->a, e->b})
                    narrowedFull += h && h->hasFlap && flapNarrowed(*h) && h->flapHeight == height;
        EXPECT_GT(narrowedFull, 0);
    }
}
