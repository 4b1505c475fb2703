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
            }
        }
    model.bFinished = false;
    model.bReverse = false;
    model.facesUnfolded = 0;
    model.pagesAcross = 1;
    model.pagesDown = 1;
}

void computeSheetExtent(Model& model) {
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
    model.dKavimozuX = minX;
    model.dKavimozuY = minY;
    model.dKavimozuWidth = maxX - minX;
    model.dKavimozuHeight = maxY - minY;
}

namespace {
int pagesFor(double extent, double usable) {
    // A non-positive usable size or a non-finite extent cannot be divided into pages.
    if (!(usable > 0.0) || !std::isfinite(extent)) return 1;
    const double n = extent / usable;
    if (n >= 5.0) return 5;
    return std::clamp(static_cast<int>(n) + 1, 1, 5);
}
}  // namespace

void computePageGrid(Model& model, const PageSetup& page) {
    if (!model.bFinished) {
        model.pagesAcross = model.pagesDown = 1;
        return;
    }
    double right = 0.0, bottom = 0.0;
    for (const auto& p : model.parts) {
        right = std::max(right, (p->x + p->width) * model.dMag2d);
        bottom = std::max(bottom, (p->y + p->height) * model.dMag2d);
    }
    for (const auto& t : model.texts) {
        right = std::max(right, t->x * model.dMag2d + t->width);
        bottom = std::max(bottom, t->y * model.dMag2d);
    }
    model.pagesAcross = pagesFor(right, page.width - 2 * page.marginSide);
    model.pagesDown = pagesFor(bottom, page.height - 2 * page.marginTop);
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
