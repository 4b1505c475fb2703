// The indexed packer against the scan on many rectangles: varied, equal and thin sizes,
// parts larger than a page, with and without page-break avoidance. Every position must be
// the same double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "development/layout.h"
#include "model/construction.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;

namespace {

class Sizes {
public:
    explicit Sizes(std::uint32_t seed) : state_(seed) {}
    double uniform() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 16777216.0;
    }

private:
    std::uint32_t state_;
};

// A model whose parts are single w × h rectangles, laid flat away from the origin.
std::unique_ptr<Model> rectangles(int count, int kind, std::uint32_t seed) {
    auto m = std::make_unique<Model>();
    m->dMag2d = 1.0;
    m->dMag3d = 1.0;
    m->boundsMin = {0, 0, 0};
    m->boundsMax = {10, 10, 10};
    Sizes r(seed);
    for (int i = 0; i < count; ++i) {
        double w, h;
        switch (kind) {
            case 0:  // from a fraction of a millimetre to beyond a page, spread evenly in scale
                w = 0.05 * std::pow(600.0, r.uniform());
                h = 0.05 * std::pow(600.0, r.uniform());
                break;
            case 1:  // three sizes only: equal areas and equal scores everywhere
                w = 1.0 + std::floor(r.uniform() * 3);
                h = w;
                break;
            default:  // thin strips either way
                w = r.uniform() < 0.5 ? 0.2 + r.uniform() : 4 + 8 * r.uniform();
                h = w < 2 ? 4 + 8 * r.uniform() : 0.2 + r.uniform();
                break;
        }
        Solid* s = test::addPolygonSolid(*m, {{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}},
                                         {{0, 1, 2, 3}});
        Face* f = s->faces[0].get();
        cleanFace(*f);
        const double xs[] = {0, w, w, 0}, ys[] = {0, 0, h, h};
        for (int k = 0; k < 4; ++k) {
            f->halfedges[static_cast<size_t>(k)]->flatX = xs[k] + 3.5;
            f->halfedges[static_cast<size_t>(k)]->flatY = ys[k] - 1.25;
        }
        auto p = std::make_unique<Part>();
        p->index = i;
        p->solid = s;
        p->faces.push_back(f);
        f->part = p.get();
        f->placed = true;
        m->parts.push_back(std::move(p));
    }
    return m;
}

// The scan costs about the cube of the part count; the unoptimised sanitizer build gets fewer.
#ifdef PLIKATRA_SANITIZE
constexpr int kParts = 250;
#else
constexpr int kParts = 1000;
#endif

}  // namespace

TEST(Packing, IndexedPlacesEveryPartWhereTheScanDoes) {
    RecordingFrontEnd quiet;
    for (int kind : {0, 1, 2})
        for (std::uint32_t seed : {1u, 2u})
            for (int mode : {kLayoutAuto, kLayoutGivenScale})
                for (bool pageDivide : {true, false}) {
                    if (mode == kLayoutAuto && !pageDivide) continue;  // the same run
                    const std::string what = "kind " + std::to_string(kind) + " seed " +
                                             std::to_string(seed) + " mode " +
                                             std::to_string(mode) + (pageDivide ? " breaks" : "");
                    auto a = rectangles(kParts, kind, seed), b = rectangles(kParts, kind, seed);
                    LayoutParams params;
                    params.mode = mode;
                    params.pageDivide = pageDivide;
                    params.spacingMm = 2;
                    params.search = LayoutSearch::Scan;
                    layoutParts(*a, params, quiet);
                    params.search = LayoutSearch::Indexed;
                    layoutParts(*b, params, quiet);
                    for (size_t i = 0; i < a->parts.size(); ++i) {
                        ASSERT_EQ(a->parts[i]->x, b->parts[i]->x) << what << ": part " << i;
                        ASSERT_EQ(a->parts[i]->y, b->parts[i]->y) << what << ": part " << i;
                    }
                    EXPECT_EQ(a->dKavimozuWidth, b->dKavimozuWidth) << what;
                    EXPECT_EQ(a->dKavimozuHeight, b->dKavimozuHeight) << what;
                    EXPECT_EQ(a->dMag2d, b->dMag2d) << what;
                }
}

TEST(Packing, InfiniteSizesFallBackToTheScan) {
    // A corner at infinity (broken geometry) makes a part infinitely wide; the indexes cannot
    // hold it and the scan places everything, as it always did.
    RecordingFrontEnd quiet;
    auto a = rectangles(20, 0, 3), b = rectangles(20, 0, 3);
    for (Model* m : {a.get(), b.get()})
        m->parts[5]->faces[0]->halfedges[2]->flatX = std::numeric_limits<double>::infinity();
    LayoutParams params;
    params.search = LayoutSearch::Scan;
    layoutParts(*a, params, quiet);
    params.search = LayoutSearch::Indexed;
    layoutParts(*b, params, quiet);
    for (size_t i = 0; i < a->parts.size(); ++i) {
        EXPECT_EQ(a->parts[i]->x, b->parts[i]->x) << i;
        EXPECT_EQ(a->parts[i]->y, b->parts[i]->y) << i;
    }
}
