#include "flat_development.h"

#include <algorithm>
#include <vector>

#include "base/settings.h"
#include "development/development.h"
#include "model/construction.h"

namespace plikatra {

namespace {

constexpr int kGrid = 100;   // squares per side
constexpr int kBlock = 10;   // squares per part side
constexpr double kGap = 1.0;  // between parts, in squares

}  // namespace

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

}  // namespace plikatra
