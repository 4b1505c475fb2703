// Arranging parts by outline against packing their boxes, at the same given scale on A4 with
// the default spacing and unfolding settings: per model the pages of each (faces counted,
// empty pages not) and the layout times, then the sums over the set and their ratio; then
// the layout of scan-like developments of about 1,500 and 3,000 parts timed by each method.
//
//   bench_nesting --benchmark_counters_tabular=true
//
// NEST_ASSEMBLED_CM=30 in the environment sets another assembled height than 20 cm (the
// longest side for flat models, as the layout dialog proposes);
// NEST_ROTATION_STEP=30 another rotation step than 90 degrees.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/open_model.h"
#include "app/options.h"
#include "base/settings.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/layout.h"
#include "development/layout_dialog.h"
#include "development/nesting.h"
#include "model/model_clone.h"
#include "model/primitive_shapes.h"
#include "scan_like_model.h"
#include "bench_shapes.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

using bench::Shape;

std::unique_ptr<Model> corpus(const char* path) {
    return bench::readCorpusModel(PLIKATRA_SHARED_CORPUS_DIR, path);
}

const Shape kShapes[] = {
    {"face", [] { return corpus("obj/face/face.obj"); }},
    {"drill", [] { return corpus("3ds/drill/drill.3ds"); }},
    {"turntable", [] { return corpus("obj/turntable/turntable.obj"); }},
    {"gear", [] { return corpus("3ds/gear/gear.3ds"); }},
    {"wild_dsan", [] { return corpus("mqo/wild_dsan/wild_dsan.mqo"); }},
    {"d-chan", [] { return corpus("mqo/dchan/d-chan.mqo"); }},
    {"pool_ball", [] { return corpus("3ds/pool_ball/ball-1.3ds"); }},
    {"duck", [] { return corpus("obj/duck/duck-full.obj"); }},
    {"swing_set", [] { return corpus("lwo/swingSet/swingSet.lwo"); }},
    {"gearwheel", [] { return corpus("stl/objects/gearwheel.bin.stl"); }},
    {"car_wheel", [] { return corpus("3ds/car_wheel/car-wheel.3ds"); }},
    {"endoscope", [] { return corpus("3ds/endoscope/endoscope.3ds"); }},
    {"icosphere_5120", [] { return makeIcosphere(4); }},
    {"perturbed_torus_800", [] { return makePerturbedTorus(40, 20, 0.2, 3); }},
    {"hull_998", [] { return makeRandomHull(501, 7); }},
    {"scan_like_70000", [] { return makeScanLikeSphere(59); }},
};
constexpr int kShapeCount = static_cast<int>(sizeof kShapes / sizeof kShapes[0]);

double assembledCm() {
    const char* v = std::getenv("NEST_ASSEMBLED_CM");
    return v ? std::atof(v) : 20.0;
}

int rotationStep() {
    const char* v = std::getenv("NEST_ROTATION_STEP");
    return v ? std::atoi(v) : kDefaultRotationStep;
}

// The shape unfolded with the default settings (parts grown, not laid out) at the assembled
// height.
std::unique_ptr<Model> grown(int which) {
    auto m = kShapes[which].make();
    if (!m) return nullptr;
    const IndexedUnfoldEngine engine;
    bench::SilentUi ui;
    class Silent : public UnfoldProgress {
        void beforeAttach(const Model&) override {}
        void afterAttach(const Model&) override {}
    } silent;
    engine.growParts(*m, unfoldOptionsOf(Settings{}), silent);
    // The scale the layout dialog proposes (10 cm tall, or long when flat), made larger.
    LayoutDialog d = LayoutDialog::initial(*m, LayoutParams{}, false);
    m->dMag2d = d.scale * assembledCm() / 10.0 / m->dMag3d;
    return m;
}

LayoutParams paramsFor(LayoutMethod method) {
    LayoutParams p = layoutParamsOf(Settings{}, kLayoutGivenScale);
    p.method = method;
    p.rotationStep = rotationStep();
    return p;
}

struct Row {
    std::string name;
    int parts = 0, boxPages = 0, nestPages = 0;
    double boxMs = 0, nestMs = 0;
};
Row rows[kShapeCount];

double layoutMs(Model& m, LayoutMethod method) {
    bench::SilentUi ui;
    const auto t0 = std::chrono::steady_clock::now();
    layoutParts(m, paramsFor(method), ui);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void BM_Pages(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    auto base = grown(which);
    if (!base) {
        state.SkipWithError("model not read");
        return;
    }
    Row& row = rows[which];
    row.name = kShapes[which].name;
    row.parts = static_cast<int>(base->parts.size());
    const PageSetup page;
    for (auto _ : state) {
        auto box = cloneModel(*base), nest = cloneModel(*base);
        row.boxMs = layoutMs(*box, LayoutMethod::Box);
        row.nestMs = layoutMs(*nest, LayoutMethod::Outline);
        row.boxPages = pagesUsed(*box, page);
        row.nestPages = pagesUsed(*nest, page);
    }
    state.SetLabel(row.name);
    state.counters["parts"] = row.parts;
    state.counters["box_pages"] = row.boxPages;
    state.counters["nest_pages"] = row.nestPages;
    state.counters["box_ms"] = row.boxMs;
    state.counters["nest_ms"] = row.nestMs;
}

void BM_Summary(benchmark::State& state) {
    for (auto _ : state) {
    }
    long box = 0, nest = 0;
    int worse = 0;
    std::printf("\nassembled height %.1f cm, rotation step %d degrees\n", assembledCm(),
                rotationStep());
    std::printf("%-22s %6s %6s %6s %9s %9s\n", "shape", "parts", "box", "nest", "box ms", "nest ms");
    for (const Row& r : rows) {
        if (r.name.empty()) continue;
        std::printf("%-22s %6d %6d %6d %9.1f %9.1f\n", r.name.c_str(), r.parts, r.boxPages,
                    r.nestPages, r.boxMs, r.nestMs);
        box += r.boxPages;
        nest += r.nestPages;
        worse += r.nestPages > r.boxPages;
    }
    std::printf("pages: box %ld, nest %ld, nest/box %.3f (%.1f%% fewer); models where nest is "
                "worse: %d\n\n",
                box, nest, box ? static_cast<double>(nest) / box : 0.0,
                box ? 100.0 * (box - nest) / box : 0.0, worse);
}

// The whole layout step of scan-like developments, box packing included for the outlines (it
// is what they must beat): 35,280 faces in about 1,500 parts, and 69,620 faces in about 3,000.
void BM_Layout(benchmark::State& state) {
    const LayoutMethod method = state.range(0) ? LayoutMethod::Outline : LayoutMethod::Box;
    const int frequency = static_cast<int>(state.range(1));
    static std::unique_ptr<Model> models[2];
    std::unique_ptr<Model>& base = models[frequency == 59];
    if (!base) {
        base = makeScanLikeSphere(frequency);
        const IndexedUnfoldEngine engine;
        class Silent : public UnfoldProgress {
            void beforeAttach(const Model&) override {}
            void afterAttach(const Model&) override {}
        } silent;
        engine.growParts(*base, unfoldOptionsOf(Settings{}), silent);
        base->dMag2d = LayoutDialog::initial(*base, LayoutParams{}, false).scale * assembledCm() /
                       10.0 / base->dMag3d;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto m = cloneModel(*base);
        bench::SilentUi ui;
        state.ResumeTiming();
        layoutParts(*m, paramsFor(method), ui);
    }
    state.SetLabel(method == LayoutMethod::Outline ? "outline" : "box");
    state.counters["parts"] = static_cast<double>(base->parts.size());
}

}  // namespace

BENCHMARK(BM_Pages)->DenseRange(0, kShapeCount - 1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Summary)->Iterations(1);
BENCHMARK(BM_Layout)
    ->Args({0, 42})
    ->Args({1, 42})
    ->Args({0, 59})
    ->Args({1, 59})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
