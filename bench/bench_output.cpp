// SVG and metafile export of a development of 20,000 triangles (see flat_development.h).
#include <benchmark/benchmark.h>

#include "development/development_drawing.h"
#include "flat_development.h"
#include "output/canvas_drawing.h"
#include "output/emf_writer.h"
#include "output/flap_pieces.h"
#include "output/svg_writer.h"

using namespace plikatra;

namespace {

const Model& model() {
    static const std::unique_ptr<Model> m = makeFlatDevelopment();
    return *m;
}

DevelopmentDrawing drawing() {
    DrawingOptions o;
    o.drawNumbers = true;
    return drawDevelopment(model(), o);
}

void BM_DrawDevelopment(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(drawing());
    state.counters["faces"] = static_cast<double>(drawing().faces.size());
}

void BM_VisibleFlapPieces(benchmark::State& state) {
    const DevelopmentDrawing d = drawing();
    size_t pieces = 0;
    for (auto _ : state) pieces = visibleFlapPieces(d).size();
    state.counters["flaps"] = static_cast<double>(d.flaps.size());
    state.counters["pieces"] = static_cast<double>(pieces);
}

void BM_SvgExport(benchmark::State& state) {
    const DevelopmentDrawing d = drawing();
    FreeTypeTextMetrics metrics;
    size_t bytes = 0;
    for (auto _ : state) bytes = exportSvg(d, metrics, {}).size();
    state.counters["faces"] = static_cast<double>(d.faces.size());
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_EmfExport(benchmark::State& state) {
    const DevelopmentDrawing d = drawing();
    FreeTypeTextMetrics metrics;
    size_t bytes = 0;
    for (auto _ : state) bytes = exportMetafile(d, metrics, {}).size();
    state.counters["faces"] = static_cast<double>(d.faces.size());
    state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(BM_DrawDevelopment)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VisibleFlapPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SvgExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmfExport)->Unit(benchmark::kMillisecond);
