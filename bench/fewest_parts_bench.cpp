// The fewest-parts unfolding beside the three greedy priorities, on generated shapes and on
// models of the test corpus (closed and open meshes, models of many solids, 500 to 20,000
// faces): per shape the parts of methods 0 to 3, the least any development can have, the
// time of method 3 with the default bound, and its flaps (colliding, lowered below half their
// height, left out), at the sheet's own scale and once more a third of the median edge high;
// at the end the sums over the set and the ratio of method 3 to the best
// greedy method.
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
#include "silent_ui.h"

using namespace plikatra;

namespace {

struct Shape {
    const char* name;
    std::unique_ptr<Model> (*make)();
};

std::unique_ptr<Model> corpus(const char* path) {
    bench::SilentUi ui;
    LoadOutcome outcome;
    return readModelFile(std::string(PLIKATRA_CORPUS_DIR) + "/" + path, ModelFileOptions{}, ui,
                         outcome);
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

struct Row {
    std::string name;
    int faces = 0, lower = 0, parts[4] = {}, colliding = 0, flaps = 0, belowHalf = 0,
        dropped = 0;
    // The same development with flaps a third of its median edge high, as on a sheet printed
    // large enough to build.
    int relFlaps = 0, relColliding = 0, relBelowHalf = 0, relDropped = 0;
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
    row.colliding = static_cast<int>(findCollidingFlaps(*m, settings.bNorishiroReverse).size());
    row.flaps = row.belowHalf = row.dropped = 0;
    for (const auto& s : m->solids)
        for (const auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            bool any = false;
            for (const Halfedge* h : {e->a, e->b})
                if (h && h->hasFlap) {
                    any = true;
                    ++row.flaps;
                    if (h->flapHeight < 0.5 * settings.dNorishiroHeight) ++row.belowHalf;
                }
            row.dropped += !any;
        }
    std::vector<double> edges;
    for (const auto& part : m->parts)
        for (const Face* f : part->faces)
            for (const auto& h : f->halfedges)
                edges.push_back(std::hypot(h->next->flatX - h->flatX, h->next->flatY - h->flatY) *
                                m->dMag2d);
    if (!edges.empty()) {
        std::nth_element(edges.begin(), edges.begin() + static_cast<std::ptrdiff_t>(edges.size() / 2),
                         edges.end());
        const double height = edges[edges.size() / 2] / 3;
        setFlapHeights(*m, height);
        const FlapPlacementReport placed = placeFittingFlaps(*m, settings.bNorishiroReverse);
        row.relFlaps = placed.flaps;
        row.relBelowHalf = placed.belowHalf;
        row.relDropped = placed.dropped;
        row.relColliding =
            static_cast<int>(findCollidingFlaps(*m, settings.bNorishiroReverse).size());
    }
    state.SetLabel(row.name);
    state.counters["faces"] = row.faces;
    state.counters["lower"] = row.lower;
    for (int a = 0; a < 4; ++a) state.counters["parts" + std::to_string(a)] = row.parts[a];
    state.counters["ms3"] = row.ms3;
    state.counters["colliding3"] = row.colliding;
}

// The table of the whole set, with its sums.
void BM_Summary(benchmark::State& state) {
    for (auto _ : state) {
    }
    long best = 0, fewest = 0, lower = 0, flaps = 0, below = 0, dropped = 0, colliding = 0;
    long relFlaps = 0, relBelow = 0, relDropped = 0, relColliding = 0;
    std::printf("\n%-22s %6s %6s %6s %6s %6s %6s %8s %6s %6s %6s %6s | %6s %6s %6s %6s\n",
                "shape", "faces", "lower", "m0", "m1", "m2", "m3", "m3 ms", "flaps", "coll",
                "<half", "none", "flaps", "coll", "<half", "none");
    for (const Row& r : rows) {
        if (r.name.empty()) continue;
        std::printf("%-22s %6d %6d %6d %6d %6d %6d %8.0f %6d %6d %6d %6d | %6d %6d %6d %6d\n",
                    r.name.c_str(), r.faces, r.lower, r.parts[0], r.parts[1], r.parts[2],
                    r.parts[3], r.ms3, r.flaps, r.colliding, r.belowHalf, r.dropped, r.relFlaps,
                    r.relColliding, r.relBelowHalf, r.relDropped);
        relFlaps += r.relFlaps;
        relBelow += r.relBelowHalf;
        relDropped += r.relDropped;
        relColliding += r.relColliding;
        best += std::min({r.parts[0], r.parts[1], r.parts[2]});
        fewest += r.parts[3];
        lower += r.lower;
        flaps += r.flaps;
        below += r.belowHalf;
        dropped += r.dropped;
        colliding += r.colliding;
    }
    std::printf("sums: best greedy %ld, fewest parts %ld (ratio %.3f), least possible %ld; "
                "flaps %ld, colliding %ld, below half height %ld (%.1f%%), left out %ld\n\n",
                best, fewest, best ? static_cast<double>(fewest) / best : 0.0, lower, flaps,
                colliding, below, flaps ? 100.0 * below / flaps : 0.0, dropped);
    std::printf("flaps a third of the median edge high: %ld, colliding %ld, below half height "
                "%ld (%.1f%%), left out %ld\n\n",
                relFlaps, relColliding, relBelow, relFlaps ? 100.0 * relBelow / relFlaps : 0.0,
                relDropped);
}

}  // namespace

BENCHMARK(BM_FewestParts)
    ->DenseRange(0, kShapeCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Summary)->Iterations(1);
