// Unfolding and layout on generated closed shapes, measured separately.
#include <benchmark/benchmark.h>

#include "app/settings.h"
#include "app/ui.h"
#include "development/development.h"
#include "development/layout.h"
#include "development/unfolding.h"
#include "model/primitive_shapes.h"

using namespace plikatra;

namespace {

class SilentProgress : public UnfoldProgress {
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
    RecordingUi quiet;
    setUi(&quiet);
    auto m = shape(static_cast<int>(state.range(0)));
    const ReferenceUnfoldEngine engine;
    SilentProgress progress;
    for (auto _ : state) {
        state.PauseTiming();
        discardDevelopment(*m);
        state.ResumeTiming();
        engine.growParts(*m, progress);
    }
    state.SetLabel(kNames[state.range(0)]);
    state.counters["parts"] = static_cast<double>(m->parts.size());
    state.counters["faces"] = static_cast<double>(m->faceCount);
    setUi(nullptr);
}

void BM_Layout(benchmark::State& state) {
    RecordingUi quiet;
    setUi(&quiet);
    auto m = shape(static_cast<int>(state.range(0)));
    const ReferenceUnfoldEngine engine;
    SilentProgress progress;
    engine.growParts(*m, progress);
    layoutOptions().mode = kLayoutAuto;
    for (auto _ : state) layoutParts(*m, false, false);
    state.SetLabel(kNames[state.range(0)]);
    state.counters["parts"] = static_cast<double>(m->parts.size());
    setUi(nullptr);
}

}  // namespace

BENCHMARK(BM_Unfold)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Layout)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
