#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/unfold_run.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/layout.h"
#include "development/nesting.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"

using namespace plikatra;

namespace {

struct Outline {
    std::vector<std::vector<Point2>> polys;  // sheet coordinates
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
};

// Each part's faces and the flaps it carries, on the sheet, as the drawing puts them.
std::vector<Outline> outlines(const Model& m) {
    std::vector<Outline> out;
    for (const auto& p : m.parts) {
        Outline o;
        for (auto poly : partOutline(m, *p, false)) {
            for (Point2& q : poly) {
                q = {q.x + p->x, q.y + p->y};
                o.x0 = std::min(o.x0, q.x);
                o.y0 = std::min(o.y0, q.y);
                o.x1 = std::max(o.x1, q.x);
                o.y1 = std::max(o.y1, q.y);
            }
            o.polys.push_back(std::move(poly));
        }
        out.push_back(std::move(o));
    }
    return out;
}

double cross(Point2 o, Point2 a, Point2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

bool segmentsCross(Point2 a, Point2 b, Point2 c, Point2 d) {
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool inside(Point2 p, const std::vector<Point2>& poly) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

bool polygonsOverlap(const std::vector<Point2>& a, const std::vector<Point2>& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            if (segmentsCross(a[i], a[(i + 1) % a.size()], b[j], b[(j + 1) % b.size()])) return true;
    return inside(a[0], b) || inside(b[0], a);
}

// Part pairs whose outlines overlap, as "i/j".
std::vector<std::string> overlappingParts(const Model& m) {
    const std::vector<Outline> o = outlines(m);
    std::vector<std::string> found;
    for (std::size_t i = 0; i < o.size(); ++i)
        for (std::size_t j = i + 1; j < o.size(); ++j) {
            if (o[i].x1 < o[j].x0 || o[j].x1 < o[i].x0 || o[i].y1 < o[j].y0 || o[j].y1 < o[i].y0) continue;
            bool hit = false;
            for (const auto& a : o[i].polys)
                for (const auto& b : o[j].polys)
                    if (!hit && a.size() > 2 && b.size() > 2 && polygonsOverlap(a, b)) hit = true;
            if (hit) found.push_back(std::to_string(i) + "/" + std::to_string(j));
        }
    return found;
}

// Parts whose outline fits a page but crosses a page break.
int partsAcrossBreaks(const Model& m, const PageSetup& page) {
    const double w = page.cellWidth() / m.dMag2d, h = page.cellHeight() / m.dMag2d;
    int crossing = 0;
    for (const Outline& o : outlines(m)) {
        // Lying as it does, with room to spare for the grid and the spacing.
        if (o.x1 - o.x0 > 0.9 * w || o.y1 - o.y0 > 0.9 * h) continue;
        const double eps = 1e-9 * w;
        if (std::floor((o.x0 + eps) / w) != std::floor((o.x1 - eps) / w) ||
            std::floor((o.y0 + eps) / h) != std::floor((o.y1 - eps) / h) || o.x0 < -eps || o.y0 < -eps)
            ++crossing;
    }
    return crossing;
}

using Factory = std::function<std::unique_ptr<Model>()>;

struct Case {
    const char* name;
    Factory make;
    double scale;  // cm on paper per model unit
};

const Case kCases[] = {
    {"torus", [] { return makeTorus(24, 12); }, 14.0},
    {"rough torus", [] { return makePerturbedTorus(30, 14, 0.15, 3); }, 12.0},
    {"hull", [] { return makeRandomHull(300, 5); }, 25.0},
    {"icosphere", [] { return makeIcosphere(3); }, 20.0},
    // Parts larger than a page, placed across page breaks among parts that fit one.
    {"large torus", [] { return makeTorus(24, 12); }, 35.0},
};

LayoutParams paramsFor(LayoutMethod method, int step = 90) {
    LayoutParams p;
    p.mode = kLayoutGivenScale;
    p.spacingMm = 3;
    p.method = method;
    p.rotationStep = step;
    return p;
}

std::unique_ptr<Model> unfolded(const Case& c, const LayoutParams& params, Ui& ui) {
    static const IndexedUnfoldEngine engine;
    auto m = c.make();
    m->dMag2d = c.scale / m->dMag3d;
    UnfoldOptions options;
    options.algorithm = 0;
    EXPECT_TRUE(runUnfolding(*m, engine, options, params, ui));
    return m;
}

void expectSameLayout(const Model& a, const Model& b, const std::string& what) {
    ASSERT_EQ(a.parts.size(), b.parts.size()) << what;
    for (std::size_t i = 0; i < a.parts.size(); ++i) {
        const Part &p = *a.parts[i], &q = *b.parts[i];
        ASSERT_EQ(p.x, q.x) << what << " part " << i;
        ASSERT_EQ(p.y, q.y) << what << " part " << i;
        for (std::size_t f = 0; f < p.faces.size(); ++f)
            for (std::size_t k = 0; k < p.faces[f]->halfedges.size(); ++k) {
                ASSERT_EQ(p.faces[f]->halfedges[k]->flatX, q.faces[f]->halfedges[k]->flatX) << what;
                ASSERT_EQ(p.faces[f]->halfedges[k]->flatY, q.faces[f]->halfedges[k]->flatY) << what;
            }
    }
}

}  // namespace

// The arrangement by outline is a sound development (turning keeps every edge's length), no
// two outlines with their flaps overlap, a part that fits a page lies on one, and it never
// takes more pages than the box layout; the same input gives the same layout.
TEST(Nesting, ValidLayoutOnNoMorePagesThanBoxes) {
    const PageSetup page;
    for (const Case& c : kCases)
        for (int step : {90, 30, 0}) {
            const std::string what = std::string(c.name) + " step " + std::to_string(step);
            RecordingFrontEnd ui;
            auto box = unfolded(c, paramsFor(LayoutMethod::Box), ui);
            auto nest = unfolded(c, paramsFor(LayoutMethod::Outline, step), ui);
            EXPECT_LE(pagesUsed(*nest, page), pagesUsed(*box, page)) << what;
            test::CheckOptions check;
            check.lengthTolerance = 1e-7;
            // No fault the unfolding did not already have; boxes of nested parts overlap by
            // design, since hollows are what the outlines use.
            std::vector<std::string> faults = test::checkDevelopment(*nest, check);
            faults.erase(std::remove_if(faults.begin(), faults.end(),
                                        [](const std::string& f) { return f.rfind("part boxes", 0) == 0; }),
                         faults.end());
            const std::vector<std::string> boxFaults = test::checkDevelopment(*box, check);
            for (const std::string& f : faults)
                EXPECT_NE(std::find(boxFaults.begin(), boxFaults.end(), f), boxFaults.end()) << what << ": " << f;
            EXPECT_EQ(overlappingParts(*nest), std::vector<std::string>{}) << what;
            EXPECT_EQ(partsAcrossBreaks(*nest, page), 0) << what;
            auto again = unfolded(c, paramsFor(LayoutMethod::Outline, step), ui);
            expectSameLayout(*nest, *again, what + " again");
        }
}

// Hollows and turns pay: on these models the outlines need clearly fewer pages than boxes.
TEST(Nesting, FewerPagesThanBoxesOverTheModels) {
    const PageSetup page;
    int boxPages = 0, nestPages = 0;
    for (const Case& c : kCases) {
        RecordingFrontEnd ui;
        boxPages += pagesUsed(*unfolded(c, paramsFor(LayoutMethod::Box), ui), page);
        nestPages += pagesUsed(*unfolded(c, paramsFor(LayoutMethod::Outline, 90), ui), page);
    }
    EXPECT_LT(nestPages, boxPages);
}

// Cancel while the outlines are arranged leaves the box layout exactly as it was.
TEST(Nesting, CancelKeepsTheBoxLayout) {
    const Case& c = kCases[1];
    static const IndexedUnfoldEngine engine;
    class Silent : public UnfoldProgress {
        void beforeAttach(const Model&) override {}
        void afterAttach(const Model&) override {}
    } silent;
    const auto grown = [&] {
        auto m = c.make();
        m->dMag2d = c.scale / m->dMag3d;
        UnfoldOptions options;
        options.algorithm = 0;
        engine.growParts(*m, options, silent);
        return m;
    };
    RecordingFrontEnd quiet;
    auto reference = grown();
    layoutParts(*reference, paramsFor(LayoutMethod::Box), quiet);
    LayoutParams params = paramsFor(LayoutMethod::Outline, 30);
    params.reportInterval = std::chrono::milliseconds(0);
    // The box packing pumps once a part before the arrangement starts; then Cancel comes as
    // the outlines are drawn, and as they are placed.
    for (int pump : {1, 2 * static_cast<int>(reference->parts.size()) - 3}) {
        auto m = grown();
        RecordingFrontEnd ui;
        ui.progressWindow.cancelAtPump = static_cast<int>(m->parts.size()) + pump;
        layoutParts(*m, params, ui);
        EXPECT_TRUE(ui.progressWindow.cancelPressed) << pump;
        expectSameLayout(*m, *reference, "cancelled at pump " + std::to_string(pump));
        EXPECT_EQ(m->dKavimozuWidth, reference->dKavimozuWidth);
        EXPECT_EQ(m->dKavimozuHeight, reference->dKavimozuHeight);
        EXPECT_EQ(ui.progressWindow.openWindows(), 0);
    }
}
