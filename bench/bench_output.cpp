// SVG and metafile export of a development of 20,000 triangles, built flat directly so that
// no unfolding time is spent: a 100 × 100 grid of squares, each cut along a diagonal, in
// parts of 10 × 10 squares spread over the sheet, cut edges numbered and flapped between
// parts.
#include <benchmark/benchmark.h>

#include "base/settings.h"
#include "development/development.h"
#include "development/development_drawing.h"
#include "model/construction.h"
#include "output/canvas_drawing.h"
#include "output/emf_writer.h"
#include "output/flap_pieces.h"
#include "output/svg_writer.h"

using namespace plikatra;

namespace {

constexpr int kGrid = 100;   // squares per side
constexpr int kBlock = 10;   // squares per part side
constexpr double kGap = 1.0;  // between parts, in squares

std::unique_ptr<Model> makeFlatDevelopment() {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid();
    // A gently waved surface so that folds are not flat.
    for (int j = 0; j <= kGrid; ++j)
        for (int i = 0; i <= kGrid; ++i) s->addVertex(i, j, ((i + j) % 2) * 0.05);
    auto vertex = [&](int i, int j) { return s->vertices[static_cast<size_t>(j * (kGrid + 1) + i)].get(); };
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i) {
            Face* a = s->addFace();
            a->addCorner(vertex(i, j));
            a->addCorner(vertex(i + 1, j));
            a->addCorner(vertex(i + 1, j + 1));
            Face* b = s->addFace();
            b->addCorner(vertex(i, j));
            b->addCorner(vertex(i + 1, j + 1));
            b->addCorner(vertex(i, j + 1));
        }
    finishSolids(*m, kAreaThreshold);
    computeEdgeMetrics(*m);

    const int blocks = kGrid / kBlock;
    std::vector<Part*> parts;
    for (int b = 0; b < blocks * blocks; ++b) {
        auto p = std::make_unique<Part>();
        const int bi = b % blocks, bj = b / blocks;
        p->index = b;
        p->solid = s;
        p->x = bi * (kBlock + kGap);
        p->y = bj * (kBlock + kGap);
        p->width = kBlock + kGap;
        p->height = kBlock + kGap;
        parts.push_back(p.get());
        m->parts.push_back(std::move(p));
    }
    for (auto& f : s->faces) {
        const Point3& c = f->halfedges[0]->origin->position;
        const Point3& d = f->halfedges[1]->origin->position;
        const int i = static_cast<int>(std::min(c.x, d.x)), j = static_cast<int>(std::min(c.y, d.y));
        Part* p = parts[static_cast<size_t>((j / kBlock) * blocks + i / kBlock)];
        f->placed = true;
        f->part = p;
        p->faces.push_back(f.get());
        for (auto& h : f->halfedges) {
            h->flatX = h->origin->position.x - (i / kBlock) * kBlock + kGap / 2;
            // The sheet's y runs down: mirrored, the faces turn the way unfolding lays them
            // out, and flaps stand outside their faces.
            h->flatY = (j / kBlock + 1) * kBlock - h->origin->position.y + kGap / 2;
        }
    }
    int number = 0;
    for (auto& e : s->edges) {
        if (!e->a || !e->b) continue;
        if (e->a->face->part == e->b->face->part) {
            e->a->twin = e->b;
            e->b->twin = e->a;
        } else {
            e->joinNumber = ++number;
            e->a->hasFlap = true;
            e->a->flapHeight = 0.3;
        }
    }
    m->dMag2d = 0.8;  // 88 cm across: five A4 cells
    m->bFinished = true;
    computePageGrid(*m, PageSetup{});
    return m;
}

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
