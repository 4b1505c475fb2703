// The fewest-parts unfolding beside the three greedy priorities, on generated shapes and on
// models of the test corpus (closed and open meshes, models of many solids, 500 to 20,000
// faces): per shape the parts of methods 0 to 3, the least any development can have, the
// time of method 3 with the default bound, and its flaps, at the sheet's flap height and once
// more a third of the median edge high, placed with the usual sides only and with narrowing:
// how many collide, how many are narrowed, how many are shortened below half height, how many
// are left out; at the end the sums over the set and the ratio of method 3 to the best greedy
// method.
//
// "Shortened below half height" is counted two ways. Against the height asked for: a flap
// lower than half of it. Against what its face allows: a flap lower than half of the lesser
// of the height asked for and the depth of the face it is glued under (the farthest its
// corners lie from the edge), since no flap of any shape reaches deeper than that face. A
// narrowed flap at full height is not shortened.
//
//   bench_fewest_parts --benchmark_counters_tabular=true
//
// FEWEST_PARTS_SECONDS=10 in the environment sets another time bound than the default.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/open_model.h"
#include "app/options.h"
#include "app/unfold_run.h"
#include "base/settings.h"
#include "development/development.h"
#include "development/fewest_parts.h"
#include "development/flap_checks.h"
#include "development/flap_placement.h"
#include "development/indexed_unfold_engine.h"
#include "development/piece_merger.h"
#include "model/primitive_shapes.h"
#include "bench_shapes.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

using bench::Shape;

std::unique_ptr<Model> corpus(const char* path) {
    return bench::readCorpusModel(PLIKATRA_CORPUS_DIR, path);
}

const Shape kShapes[] = {
    {"icosphere_1280", [] { return makeIcosphere(3); }},
    {"icosphere_20480", [] { return makeIcosphere(5); }},
    {"hull_998", [] { return makeRandomHull(501, 7); }},
    {"hull_4998", [] { return makeRandomHull(2501, 8); }},
    {"torus_2000", [] { return makeTorus(50, 40); }},
    {"perturbed_torus_800", [] { return makePerturbedTorus(40, 20, 0.2, 3); }},
    {"perturbed_torus_5000", [] { return makePerturbedTorus(100, 50, 0.3, 4); }},
    {"grid_800", [] { return makeGrid(20, 20, 0.6, true); }},
    {"grid_quads_2500", [] { return makeGrid(50, 50, 0.8, false); }},
    {"face_806", [] { return corpus("obj/face/face.obj"); }},
    {"drill_886", [] { return corpus("3ds/drill/drill.3ds"); }},
    {"turntable_1474", [] { return corpus("obj/turntable/turntable.obj"); }},
    {"box_layers_1446", [] { return corpus("lwo/nangtani/lwo2_box3-uv-layers.lwo"); }},
    {"gear_1767", [] { return corpus("3ds/gear/gear.3ds"); }},
    {"wild_dsan_1788", [] { return corpus("mqo/wild_dsan/wild_dsan.mqo"); }},
    {"pool_ball_3480", [] { return corpus("3ds/pool_ball/ball-1.3ds"); }},
    {"duck_4212", [] { return corpus("obj/duck/duck-full.obj"); }},
    {"car_wheel_7447", [] { return corpus("3ds/car_wheel/car-wheel.3ds"); }},
    {"endoscope_8638", [] { return corpus("3ds/endoscope/endoscope.3ds"); }},
};
constexpr int kShapeCount = static_cast<int>(sizeof kShapes / sizeof kShapes[0]);

// Flap figures of one placement.
struct Flaps {
    long flaps = 0, colliding = 0, narrowed = 0, belowHalf = 0, belowHalfOfFace = 0, dropped = 0;
    double ms = 0;  // the placement's time
    void add(const Flaps& o) {
        ms += o.ms;
        flaps += o.flaps;
        colliding += o.colliding;
        narrowed += o.narrowed;
        belowHalf += o.belowHalf;
        belowHalfOfFace += o.belowHalfOfFace;
        dropped += o.dropped;
    }
};

// Centimetres from the edge of `h` to the farthest corner of the face it is glued under; 0
// when that face is in no part.
double gluedDepth(const Model& m, const Halfedge& h) {
    const Halfedge* g = h.pair;
    if (!g || !g->next || !g->face || !g->face->part) return 0;
    const double ex = g->next->flatX - g->flatX, ey = g->next->flatY - g->flatY;
    const double len = std::hypot(ex, ey);
    if (!(len > 0)) return 0;
    double depth = 0;
    for (const auto& q : g->face->halfedges)
        depth = std::max(depth, std::fabs((q->flatX - g->flatX) * ey - (q->flatY - g->flatY) * ex) / len);
    return depth * m.dMag2d;
}

// Places the flaps of the development anew at `height` and counts.
Flaps placeAndCount(Model& m, double height, bool narrow, bool flapReverse) {
    setFlapHeights(m, height);
    const auto t0 = std::chrono::steady_clock::now();
    placeFittingFlaps(m, flapReverse, narrow);
    Flaps f;
    f.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    f.colliding = static_cast<long>(findCollidingFlaps(m, flapReverse).size());
    for (const auto& s : m.solids)
        for (const auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            bool any = false;
            for (const Halfedge* h : {e->a, e->b})
                if (h && h->hasFlap) {
                    any = true;
                    ++f.flaps;
                    f.narrowed += flapNarrowed(*h);
                    f.belowHalf += h->flapHeight < 0.5 * height;
                    const double depth = gluedDepth(m, *h);
                    const double allowed = depth > 0 ? std::min(height, depth) : height;
                    f.belowHalfOfFace += h->flapHeight < 0.5 * allowed;
                }
            f.dropped += !any;
        }
    return f;
}

struct Row {
    std::string name;
    int faces = 0, lower = 0, parts[4] = {};
    // [sheet height, a third of the median edge][usual sides only, narrowing]
    Flaps flaps[2][2];
    double ms3 = 0;
};
Row rows[kShapeCount];

void BM_FewestParts(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    auto m = kShapes[which].make();
    if (!m) {
        state.SkipWithError("model not read");
        return;
    }
    const IndexedUnfoldEngine engine;
    bench::SilentUi ui;
    Settings settings;
    if (const char* seconds = std::getenv("FEWEST_PARTS_SECONDS"))
        settings.iFewestPartsSeconds = std::max(1, std::atoi(seconds));
    const LayoutParams layout = layoutParamsOf(settings, kLayoutAuto);
    Row& row = rows[which];
    row.name = kShapes[which].name;
    row.faces = m->faceCount;
    row.lower = static_cast<int>(components(buildMesh(visibleFaces(*m))).size());
    for (auto _ : state) {
        for (int algorithm = 0; algorithm <= kAlgorithmFewestParts; ++algorithm) {
            discardDevelopment(*m);
            settings.iAlgorithmType = algorithm;
            const auto t0 = std::chrono::steady_clock::now();
            runUnfolding(*m, engine, unfoldOptionsOf(settings), layout, ui);
            const auto t1 = std::chrono::steady_clock::now();
            row.parts[algorithm] = static_cast<int>(m->parts.size());
            if (algorithm == kAlgorithmFewestParts)
                row.ms3 = std::chrono::duration<double, std::milli>(t1 - t0).count();
        }
    }
    // The median edge on paper, before any flap is placed anew.
    std::vector<double> edges;
    for (const auto& part : m->parts)
        for (const Face* f : part->faces)
            for (const auto& h : f->halfedges)
                edges.push_back(std::hypot(h->next->flatX - h->flatX, h->next->flatY - h->flatY) *
                                m->dMag2d);
    double third = 0;
    if (!edges.empty()) {
        std::nth_element(edges.begin(), edges.begin() + static_cast<std::ptrdiff_t>(edges.size() / 2),
                         edges.end());
        third = edges[edges.size() / 2] / 3;
    }
    for (int narrow = 0; narrow < 2; ++narrow) {
        row.flaps[0][narrow] = placeAndCount(*m, settings.dNorishiroHeight, narrow, settings.bNorishiroReverse);
        if (third > 0) row.flaps[1][narrow] = placeAndCount(*m, third, narrow, settings.bNorishiroReverse);
    }
    state.SetLabel(row.name);
    state.counters["faces"] = row.faces;
    state.counters["lower"] = row.lower;
    for (int a = 0; a < 4; ++a) state.counters["parts" + std::to_string(a)] = row.parts[a];
    state.counters["ms3"] = row.ms3;
    state.counters["colliding3"] = static_cast<double>(row.flaps[0][1].colliding);
}

double percent(long part, long whole) { return whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0; }

void printFlaps(const char* what, const Flaps& f) {
    std::printf("  %-28s flaps %6ld, colliding %ld, narrowed %ld (%.1f%%), below half height %ld "
                "(%.1f%%), below half of what the face allows %ld (%.1f%%), left out %ld; placed in %.0f ms\n",
                what, f.flaps, f.colliding, f.narrowed, percent(f.narrowed, f.flaps), f.belowHalf,
                percent(f.belowHalf, f.flaps), f.belowHalfOfFace, percent(f.belowHalfOfFace, f.flaps),
                f.dropped, f.ms);
}

// The table of the whole set, with its sums.
void BM_Summary(benchmark::State& state) {
    for (auto _ : state) {
    }
    long best = 0, fewest = 0, lower = 0;
    Flaps sum[2][2];
    std::printf("\n%-22s %6s %6s %6s %6s %6s %6s %8s | %6s %6s %6s %6s | %6s %6s %6s %6s\n",
                "shape", "faces", "lower", "m0", "m1", "m2", "m3", "m3 ms", "flaps", "narrow",
                "<half", "<face", "flaps", "narrow", "<half", "<face");
    for (const Row& r : rows) {
        if (r.name.empty()) continue;
        const Flaps& a = r.flaps[0][1];
        const Flaps& b = r.flaps[1][1];
        std::printf("%-22s %6d %6d %6d %6d %6d %6d %8.0f | %6ld %6ld %6ld %6ld | %6ld %6ld %6ld %6ld\n",
                    r.name.c_str(), r.faces, r.lower, r.parts[0], r.parts[1], r.parts[2],
                    r.parts[3], r.ms3, a.flaps, a.narrowed, a.belowHalf, a.belowHalfOfFace,
                    b.flaps, b.narrowed, b.belowHalf, b.belowHalfOfFace);
        for (int h = 0; h < 2; ++h)
            for (int n = 0; n < 2; ++n) sum[h][n].add(r.flaps[h][n]);
        best += std::min({r.parts[0], r.parts[1], r.parts[2]});
        fewest += r.parts[3];
        lower += r.lower;
    }
    std::printf("sums: best greedy %ld, fewest parts %ld (ratio %.3f), least possible %ld\n", best,
                fewest, best ? static_cast<double>(fewest) / best : 0.0, lower);
    std::printf("flaps at the sheet's flap height:\n");
    printFlaps("usual sides only:", sum[0][0]);
    printFlaps("narrowed where needed:", sum[0][1]);
    std::printf("flaps a third of the median edge high:\n");
    printFlaps("usual sides only:", sum[1][0]);
    printFlaps("narrowed where needed:", sum[1][1]);
    std::printf("\n");
}

}  // namespace

BENCHMARK(BM_FewestParts)
    ->DenseRange(0, kShapeCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Summary)->Iterations(1);
