#include "development/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "development/nesting.h"
#include "development/packing.h"
#include "development/progress_pacer.h"

namespace plikatra {

namespace {

struct Extents {
    double dx, dy, dz;
};

Extents fileExtents(const Model& m) {
    return {m.boundsMax.x - m.boundsMin.x, m.boundsMax.y - m.boundsMin.y,
            m.boundsMax.z - m.boundsMin.z};
}

// Moves a part's flat positions so its faces start at (margin, margin) and sets its size.
void normalizePart(Part& part, double margin) {
    double minX = kDoubleMax, minY = kDoubleMax, maxX = -kDoubleMax, maxY = -kDoubleMax;
    for (Face* f : part.faces)
        for (auto& h : f->halfedges) {
            minX = std::min(minX, h->flatX);
            minY = std::min(minY, h->flatY);
            maxX = std::max(maxX, h->flatX);
            maxY = std::max(maxY, h->flatY);
        }
    if (minX > maxX) {  // a part without corners
        part.width = part.height = 2 * margin;
        return;
    }
    part.width = maxX - minX + 2 * margin;
    part.height = maxY - minY + 2 * margin;
    const double ox = margin - minX, oy = margin - minY;
    for (Face* f : part.faces)
        for (auto& h : f->halfedges) {
            h->flatX += ox;
            h->flatY += oy;
        }
}

// Half the spacing between parts, in development units.
double partMargin(const Model& model, const LayoutParams& params) {
    if (params.mode == kLayoutGivenScale) return params.spacingMm * 0.1 / model.dMag2d * 0.5;
    const Extents e = fileExtents(model);
    return std::max({e.dx, e.dy, e.dz}) * params.spacingPercent * model.dMag3d * 0.005;
}

// Largest box first; equal areas keep list order. A size that is not a number (damaged
// geometry) goes last rather than breaking the order.
std::vector<Part*> partsBySize(const Model& model) {
    std::vector<Part*> order;
    order.reserve(model.parts.size());
    for (auto& p : model.parts) order.push_back(p.get());
    const auto area = [](const Part* p) {
        const double a = p->width * p->height;
        return std::isnan(a) ? -std::numeric_limits<double>::infinity() : a;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Part* a, const Part* b) { return area(a) > area(b); });
    return order;
}

}  // namespace

void layoutParts(Model& model, const LayoutParams& params, Ui& ui) {
    const PageSetup& page = params.page;
    const double margin = partMargin(model, params);
    model.dKavimozuMargin = margin;
    for (auto& p : model.parts) normalizePart(*p, margin);
    const std::vector<Part*> order = partsBySize(model);

    Sheet sheet;
    sheet.usableW = page.cellWidth() / model.dMag2d;
    sheet.usableH = page.cellHeight() / model.dMag2d;
    sheet.aspect = sheet.usableH / sheet.usableW;
    sheet.pageDivide = params.mode == kLayoutGivenScale && params.pageDivide;
    std::unique_ptr<Packer> packer;
    if (params.search == LayoutSearch::Indexed) packer = makeIndexedPacker(sheet, order);
    if (!packer) packer = makeScanPacker(sheet);

    {
        Progress progress(&ui.progress(), kLayoutTitle, false);
        progress.setCaption("Progress");
        const int n = static_cast<int>(order.size());
        progress.setRange(0, n);
        ProgressPacer pacer(params.reportInterval);
        int i = 0;
        for (Part* part : order) {
            ++i;
            if (pacer.due() || i == n) {
                progress.setText("%s  %d/%d", kLayoutText, i, n);
                progress.setPos(i);
                progress.peekAndPump();
                ui.status(format("Arranging parts layout:%d/%d", i, n));
            }
            packer->place(*part);
        }
    }
    const Sheet& packed = packer->sheet();
    model.dKavimozuWidth = packed.usedW;
    model.dKavimozuHeight = packed.usedH;
    // The box layout is what arranging by outline must beat, and what Cancel leaves.
    if (params.method == LayoutMethod::Outline && params.mode == kLayoutGivenScale) {
        nestParts(model, params, ui);
        return;
    }

    if (params.mode == kLayoutAuto && packed.usedW > 0 && packed.usedH > 0) {
        const double fit =
            0.99 * std::min(page.cellWidth() / packed.usedW, page.cellHeight() / packed.usedH);
        model.dMag2d = std::max(kSmallestStoredScale, fit);
        model.pagesAcross = model.pagesDown = 1;
    }
}

}  // namespace plikatra
