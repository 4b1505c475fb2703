// The fewest-parts unfolding on generated shapes: its time with the default bound, and the
// part counts of the three greedy priorities beside its own.
//
//   bench_fewest_parts --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "development/development.h"
#include "development/fewest_parts.h"
#include "development/indexed_unfold_engine.h"
#include "model/primitive_shapes.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

enum Shape {
    kIcosphere320,
    kIcosphere1280,
    kTorus288,
    kHull998,
    kPerturbedTorus800,
    kGrid800,
    kIcosphere20480,
    kTorus20000,
};

const char* kShapeNames[] = {"icosphere_320",          "icosphere_1280", "torus_288",
                             "hull_998",               "perturbed_torus_800", "grid_800",
                             "icosphere_20480",        "torus_20000"};

std::unique_ptr<Model> shape(int which) {
    switch (which) {
        case kIcosphere320: return makeIcosphere(2);
        case kIcosphere1280: return makeIcosphere(3);
        case kTorus288: return makeTorus(24, 12);
        case kHull998: return makeRandomHull(501, 7);
        case kPerturbedTorus800: return makePerturbedTorus(40, 20, 0.2, 3);
        case kGrid800: return makeGrid(20, 20, 0.6, true);
        case kIcosphere20480: return makeIcosphere(5);
        default: return makeTorus(200, 100);
    }
}

// The fourth method's growing step, with the default time bound.
void BM_FewestParts(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    auto m = shape(which);
    const IndexedUnfoldEngine engine;
    bench::SilentUnfold progress;
    UnfoldOptions options;
    options.algorithm = kAlgorithmFewestParts;
    FewestPartsReport report;
    for (auto _ : state) {
        state.PauseTiming();
        discardDevelopment(*m);
        state.ResumeTiming();
        growFewestParts(*m, engine, options, progress, &report);
    }
    UnfoldOptions greedy;
    for (int algorithm = 0; algorithm < kAlgorithmFewestParts; ++algorithm) {
        discardDevelopment(*m);
        greedy.algorithm = algorithm;
        engine.growParts(*m, greedy, progress);
        state.counters["parts" + std::to_string(algorithm)] = static_cast<double>(m->parts.size());
    }
    state.SetLabel(kShapeNames[which]);
    state.counters["faces"] = static_cast<double>(m->faceCount);
    state.counters["parts3"] = report.parts;
    state.counters["lower"] = report.lowerBound;
    state.counters["restarts"] = report.restarts;
}

}  // namespace

BENCHMARK(BM_FewestParts)
    ->DenseRange(kIcosphere320, kTorus20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
