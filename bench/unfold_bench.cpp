// Unfolding and layout on generated closed shapes, measured separately.
#include <benchmark/benchmark.h>

#include "development/development.h"
#include "development/layout.h"
#include "development/unfold_engine.h"
#include "model/primitive_shapes.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

class SilentUnfold : public UnfoldProgress {
public:
    void beforeAttach(const Model&) override {}
    void afterAttach(const Model&) override {}
};

std::unique_ptr<Model> shape(int which) {
    switch (which) {
        case 0: return makeIcosphere(3);  // 1,280 faces
        case 1: return makeIcosphere(4);  // 5,120
        case 2: return makeIcosphere(5);  // 20,480
        default: return makeTorus(200, 50);  // 10,000 quadrilaterals
    }
}

const char* kNames[] = {"icosphere_1280", "icosphere_5120", "icosphere_20480", "torus_10000"};

void BM_Unfold(benchmark::State& state) {
    auto m = shape(static_cast<int>(state.range(0)));
    const ReferenceUnfoldEngine engine;
    SilentUnfold progress;
    for (auto _ : state) {
        state.PauseTiming();
        discardDevelopment(*m);
        state.ResumeTiming();
        engine.growParts(*m, UnfoldOptions{}, progress);
    }
    state.SetLabel(kNames[state.range(0)]);
    state.counters["parts"] = static_cast<double>(m->parts.size());
    state.counters["faces"] = static_cast<double>(m->faceCount);
}

void BM_Layout(benchmark::State& state) {
    bench::SilentUi quiet;
    auto m = shape(static_cast<int>(state.range(0)));
    const ReferenceUnfoldEngine engine;
    SilentUnfold progress;
    engine.growParts(*m, UnfoldOptions{}, progress);
    for (auto _ : state) layoutParts(*m, LayoutParams{}, quiet);
    state.SetLabel(kNames[state.range(0)]);
    state.counters["parts"] = static_cast<double>(m->parts.size());
}

}  // namespace

BENCHMARK(BM_Unfold)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Layout)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
