#include "development/development.h"

#include <algorithm>
#include <cmath>

namespace plikatra {

void discardDevelopment(Model& model) {
    model.parts.clear();
    for (auto& s : model.solids)
        for (auto& f : s->faces) {
            f->placed = false;
            f->part = nullptr;
            for (auto& h : f->halfedges) {
                h->twin = nullptr;
                h->hasFlap = false;
                h->flapInsetStart = h->flapInsetEnd = kUsualFlapInset;
            }
        }
    model.bFinished = false;
    model.bReverse = false;
    model.facesUnfolded = 0;
    model.pagesAcross = 1;
    model.pagesDown = 1;
}

SheetRect sheetExtent(const Model& model) {
    double minX = kDoubleMax, minY = kDoubleMax, maxX = -kDoubleMax, maxY = -kDoubleMax;
    for (const auto& p : model.parts) {
        minX = std::min(minX, p->x);
        minY = std::min(minY, p->y);
        maxX = std::max(maxX, p->x + p->width);
        maxY = std::max(maxY, p->y + p->height);
    }
    const double mag = model.dMag2d;
    for (const auto& t : model.texts) {
        minX = std::min(minX, t->x);
        minY = std::min(minY, t->y - t->height / mag);
        maxX = std::max(maxX, t->x + t->width / mag);
        maxY = std::max(maxY, t->y + 0.5 * t->height / mag);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

void computeSheetExtent(Model& model) {
    const SheetRect r = sheetExtent(model);
    model.dKavimozuX = r.x;
    model.dKavimozuY = r.y;
    model.dKavimozuWidth = r.width;
    model.dKavimozuHeight = r.height;
}

namespace {
// Beyond this many cells a count means nothing more than "too many to print".
constexpr double kManyPages = 1e6;

int pagesFor(double extent, double usable) {
    // A non-positive usable size or a non-finite extent cannot be divided into pages.
    if (!(usable > 0.0) || !std::isfinite(extent)) return 1;
    const double n = extent / usable;
    if (n >= 5.0) return 5;
    return std::clamp(static_cast<int>(n) + 1, 1, 5);
}

// One past the last cell an edge reaches, uncapped; 0 or less for an edge before the origin.
int endCellFor(double edge, double usable) {
    if (!(usable > 0.0) || !std::isfinite(edge)) return 1;
    return static_cast<int>(std::clamp(std::floor(edge / usable), -kManyPages, kManyPages)) + 1;
}

// The first cell a left or top edge reaches: 0 unless the edge lies before the origin. A
// hair's breadth before it (a part dragged back to the edge) needs no cell of its own.
int firstCellFor(double edge, double usable) {
    constexpr double kSlackCm = 1e-6;
    if (!(usable > 0.0) || std::isnan(edge) || edge > -kSlackCm) return 0;
    return static_cast<int>(std::max(std::floor(edge / usable), -kManyPages));
}

// Where the used area ends on each side, in centimetres; a side without anything stays at
// the largest double (left, top) or its negative (right, bottom).
struct UsedArea {
    double left = kDoubleMax, top = kDoubleMax, right = -kDoubleMax, bottom = -kDoubleMax;
};

// Right and bottom go by the parts' boxes; left and top by the faces themselves, because a
// box reaches a margin's width past its faces, which the layout and Cut Part leave at the
// origin's very edge. Text items count with their left and top edges, and with their
// right edge and base line.
UsedArea usedArea(const Model& model) {
    UsedArea a;
    const double mag = model.dMag2d;
    for (const auto& p : model.parts) {
        a.right = std::max(a.right, (p->x + p->width) * mag);
        a.bottom = std::max(a.bottom, (p->y + p->height) * mag);
        for (const Face* f : p->faces)
            for (const auto& h : f->halfedges) {
                a.left = std::min(a.left, (p->x + h->flatX) * mag);
                a.top = std::min(a.top, (p->y + h->flatY) * mag);
            }
    }
    for (const auto& t : model.texts) {
        a.left = std::min(a.left, t->x * mag);
        a.top = std::min(a.top, t->y * mag - t->height);
        a.right = std::max(a.right, t->x * mag + t->width);
        a.bottom = std::max(a.bottom, t->y * mag);
    }
    return a;
}
}  // namespace

void computePageGrid(Model& model, const PageSetup& page) {
    if (!model.bFinished) {
        model.pagesAcross = model.pagesDown = 1;
        return;
    }
    // Measured from the origin: the grid always holds the origin's page.
    const UsedArea a = usedArea(model);
    model.pagesAcross = pagesFor(std::max(0.0, a.right), page.width - 2 * page.marginSide);
    model.pagesDown = pagesFor(std::max(0.0, a.bottom), page.height - 2 * page.marginTop);
}

PageSpan pagesReached(const Model& model, const PageSetup& page) {
    PageSpan s;
    if (!model.bFinished) return s;
    const UsedArea a = usedArea(model);
    const double w = page.width - 2 * page.marginSide, h = page.height - 2 * page.marginTop;
    s.firstColumn = firstCellFor(a.left, w);
    s.firstRow = firstCellFor(a.top, h);
    s.endColumn = endCellFor(a.right, w);
    s.endRow = endCellFor(a.bottom, h);
    return s;
}

SheetSize printedSheetSize(const Model& model, const PageSetup& page) {
    SheetSize r;
    r.width = 2 * page.marginSide + (page.width - 2 * page.marginSide) * model.pagesAcross;
    r.height = 2 * page.marginTop + (page.height - 2 * page.marginTop) * model.pagesDown;
    return r;
}

LineRole lineRole(const Halfedge& h, const LineRules& rules) {
    if (!h.lineShown) return LineRole::Hidden;
    const Edge* e = h.edge;
    if (h.twin && rules.cullFlatFolds && e && e->foldAngle > rules.flatFoldAngle)
        return LineRole::Hidden;
    const bool foldLine = h.twin || (h.hasFlap && rules.showFlaps);
    if (!foldLine) return rules.cutLineType == 1 ? LineRole::Hidden : LineRole::Cut;
    const bool mountain = e ? e->mountain : true;
    const int type = mountain ? rules.mountainLineType : rules.valleyLineType;
    if (type == kLineNone) return LineRole::Hidden;
    return mountain ? LineRole::Mountain : LineRole::Valley;
}

int lineTypeOf(LineRole role, const LineRules& rules) {
    int type = kLineNone;
    switch (role) {
        case LineRole::Cut: type = kLineSolid; break;
        case LineRole::Mountain: type = rules.mountainLineType; break;
        case LineRole::Valley: type = rules.valleyLineType; break;
        case LineRole::Hidden: return kLineNone;
    }
    // A code outside the table (only from a hand-edited profile) draws solid.
    return type >= kLineSolid && type < kLineNone ? type : kLineSolid;
}

}  // namespace plikatra
