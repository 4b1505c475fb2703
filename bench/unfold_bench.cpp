// Unfolding and layout on generated closed shapes: the reference engine against the indexed
// one on the same models in one run, the indexed one alone on models up to 1,280,000 faces,
// and the peak memory of the largest.
//
//   bench_unfold --benchmark_counters_tabular=true
//
// Ratios between engines are only meaningful within one run on a quiet machine.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include <memory>

#include "app/unfold_run.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/layout.h"
#include "development/unfold_engine.h"
#include "model/primitive_shapes.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

enum Shape {
    kIcosphere5120,
    kIcosphere20480,
    kTorus70000,
    kTorus80000,
    kTorus320000,
    kTorus1280000,
};

const char* kShapeNames[] = {"icosphere_5120", "icosphere_20480", "torus_70000",
                             "torus_80000",    "torus_320000",    "torus_1280000"};

std::unique_ptr<Model> shape(int which) {
    switch (which) {
        case kIcosphere5120: return makeIcosphere(4);
        case kIcosphere20480: return makeIcosphere(5);
        case kTorus70000: return makeTorus(350, 200);
        case kTorus80000: return makeTorus(400, 200);
        case kTorus320000: return makeTorus(800, 400);
        default: return makeTorus(1600, 800);
    }
}

enum Engine { kReference, kIndexed };

const UnfoldEngine& engineFor(int which) {
    static const ReferenceUnfoldEngine reference;
    static const IndexedUnfoldEngine indexed;
    return which == kReference ? static_cast<const UnfoldEngine&>(reference) : indexed;
}

const char* kEngineNames[] = {"reference", "indexed"};

// Peak resident memory of the process so far, in bytes.
double peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// Resident memory now, in bytes.
double residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// The empty program's peak, taken before any model exists.
const double kStartPeak = peakResidentBytes();

void label(benchmark::State& state, const Model& m, int which, int engine) {
    state.SetLabel(std::string(kShapeNames[which]) + " " + kEngineNames[engine]);
    state.counters["faces"] = static_cast<double>(m.faceCount);
    state.counters["parts"] = static_cast<double>(m.parts.size());
}

// Growing the parts alone.
void BM_Grow(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int engine = static_cast<int>(state.range(1));
    auto m = shape(which);
    bench::SilentUnfold progress;
    for (auto _ : state) {
        state.PauseTiming();
        discardDevelopment(*m);
        state.ResumeTiming();
        engineFor(engine).growParts(*m, UnfoldOptions{}, progress);
    }
    label(state, *m, which, engine);
}

// "Create Development" as the program runs it: growing, layout, joining, numbering, flaps
// and opened cuts. The reference engine comes with the scanning layout, as before.
void BM_CreateDevelopment(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int engine = static_cast<int>(state.range(1));
    auto m = shape(which);
    bench::SilentUi quiet;
    LayoutParams layout;
    layout.search = engine == kReference ? LayoutSearch::Scan : LayoutSearch::Indexed;
    UnfoldTimes times;
    const double before = residentBytes();
    for (auto _ : state) {
        state.PauseTiming();
        discardDevelopment(*m);
        state.ResumeTiming();
        runUnfolding(*m, engineFor(engine), UnfoldOptions{}, layout, quiet, &times);
    }
    label(state, *m, which, engine);
    state.counters["grow_ms"] = times.unfoldMs;
    state.counters["layout_ms"] = times.layoutMs;
    if (which == kTorus1280000) {
        const double faces = static_cast<double>(m->faceCount);
        // The model and its development, over the empty program.
        state.counters["peak_bytes_per_face"] = (peakResidentBytes() - kStartPeak) / faces;
        // At most what unfolding and layout add to the model.
        state.counters["unfold_bytes_per_face"] = (peakResidentBytes() - before) / faces;
    }
}

// The layout alone, on the parts of one development: thousands of parts.
void BM_Layout(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int engine = static_cast<int>(state.range(1));
    auto m = shape(which);
    bench::SilentUi quiet;
    bench::SilentUnfold progress;
    engineFor(kIndexed).growParts(*m, UnfoldOptions{}, progress);
    LayoutParams layout;
    layout.search = engine == kReference ? LayoutSearch::Scan : LayoutSearch::Indexed;
    for (auto _ : state) layoutParts(*m, layout, quiet);
    label(state, *m, which, engine);
}

}  // namespace

BENCHMARK(BM_Grow)
    ->ArgsProduct({{kIcosphere5120, kIcosphere20480}, {kReference, kIndexed}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_CreateDevelopment)
    ->ArgsProduct({{kIcosphere5120, kIcosphere20480}, {kReference, kIndexed}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Layout)
    ->ArgsProduct({{kTorus320000}, {kReference, kIndexed}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
// Before any other model of 1,280,000 faces, so that the memory counters see its peak.
BENCHMARK(BM_CreateDevelopment)
    ->ArgsProduct({{kTorus70000, kTorus80000, kTorus320000, kTorus1280000}, {kIndexed}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Grow)
    ->ArgsProduct({{kTorus80000, kTorus320000, kTorus1280000}, {kIndexed}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
