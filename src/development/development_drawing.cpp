#include "development/development_drawing.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "development/edge_numbering.h"

namespace plikatra {

namespace {

Point2 sheetPoint(const Part& part, const Halfedge& h) {
    return {part.x + h.flatX, part.y + h.flatY};
}

template <typename Fn>
void forEachHalfedge(const Model& model, Fn fn) {
    for (const auto& part : model.parts)
        for (const Face* face : part->faces)
            for (const auto& h : face->halfedges) fn(*part, *h);
}

void addFaces(const Model& model, const DrawingOptions& o, DevelopmentDrawing& d) {
    for (const auto& part : model.parts)
        for (const Face* face : part->faces) {
            DrawnFace f;
            f.part = part.get();
            f.face = face;
            f.corners.reserve(face->halfedges.size());
            for (const auto& h : face->halfedges) f.corners.push_back(sheetPoint(*part, *h));
            f.material = o.useMaterial ? &faceMaterial(model, *face) : nullptr;
            d.faces.push_back(std::move(f));
        }
}

void addFlaps(const Model& model, const DrawingOptions& o, DevelopmentDrawing& d) {
    if (!o.lines.showFlaps) return;
    const bool flip = model.bReverse != o.flapReverse;
    forEachHalfedge(model, [&](const Part& part, const Halfedge& h) {
        if (!h.hasFlap || !h.next) return;
        const Point2 a = sheetPoint(part, h), b = sheetPoint(part, *h.next);
        d.flaps.push_back({&part, &h, flip ? a : b, flip ? b : a, h.flapHeight});
    });
}

void addLines(const Model& model, const DrawingOptions& o, DevelopmentDrawing& d) {
    const LineRules& rules = o.lines;
    // A fold is drawn once, from whichever of its two halfedges comes first.
    std::unordered_set<const Halfedge*> drawn;
    forEachHalfedge(model, [&](const Part& part, const Halfedge& h) {
        if (!h.next) return;
        const Edge* e = h.edge;
        if (h.twin && rules.cullFlatFolds && e && e->foldAngle > rules.flatFoldAngle) return;
        if (h.twin && drawn.count(h.twin)) return;
        if (!h.lineShown) return;
        DrawnLine line{&part, &h, sheetPoint(part, h), sheetPoint(part, *h.next), LineRole::Cut,
                       kLineSolid};
        const bool fold = h.twin || (h.hasFlap && rules.showFlaps);
        if (!fold) {
            if (rules.cutLineType == 1) line.lineType = kLineNone;
        } else {
            const bool mountain = e ? e->mountain : true;
            line.role = mountain ? LineRole::Mountain : LineRole::Valley;
            const int type = mountain ? rules.mountainLineType : rules.valleyLineType;
            line.lineType = type == kLineNone ? kLineNone : lineTypeOf(line.role, rules);
        }
        if (line.visible()) drawn.insert(&h);
        d.lines.push_back(line);
    });
}

// How far the face of `h` reaches from the line of `h`, in development units: the face's
// height at that edge.
double faceHeightAt(const Part& part, const Halfedge& h) {
    const Point2 a = sheetPoint(part, h), b = sheetPoint(part, *h.next);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0) || !h.face) return 0.0;
    double height = 0.0;
    for (const auto& corner : h.face->halfedges) {
        const Point2 p = sheetPoint(part, *corner);
        height = std::max(height, std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / length);
    }
    return height;
}

// Share of the font size a number on `h` is set at so that it stands no taller than a third of
// its face there, but not below the smallest fitted size (nor above the font size).
double fittedScale(const Part& part, const Halfedge& h, double mag2d, int fontSize) {
    constexpr double kPointCm = 2.54 / 72;
    if (fontSize <= 0) return 1.0;
    const double floor = std::min(1.0, kSmallestFittedNumberSize / fontSize);
    const double fits = faceHeightAt(part, h) * std::fabs(mag2d) / 3 / (fontSize * kPointCm);
    if (!(fits < 1.0)) return 1.0;  // also keeps the font size for damaged, non-number corners
    return std::max(floor, fits);
}

void addNumbers(const Model& model, const DrawingOptions& o, DevelopmentDrawing& d) {
    if (!o.drawNumbers) return;
    const bool flip = model.bReverse != o.numberReverse;
    forEachHalfedge(model, [&](const Part& part, const Halfedge& h) {
        if (!h.edge || !h.next || h.edge->joinNumber == -1) return;
        const Point2 a = sheetPoint(part, h), b = sheetPoint(part, *h.next);
        const int n = h.edge->joinNumber;
        const double scale =
            o.fitNumbersToFaces ? fittedScale(part, h, model.dMag2d, o.numberFontSize) : 1.0;
        d.numbers.push_back({&part, &h, flip ? a : b, flip ? b : a, n, readsAsAnotherNumberTurned(n), scale});
    });
}

}  // namespace

const Material& faceMaterial(const Model& model, const Face& face) {
    const int i = face.materialIndex;
    if (i >= 0 && static_cast<size_t>(i) < model.materials.size() &&
        model.materials[static_cast<size_t>(i)])
        return *model.materials[static_cast<size_t>(i)];
    return model.defaultMaterial;
}

SheetGrid sheetGridOf(const Model& model, const PageSetup& page) {
    SheetGrid g;
    g.page = page;
    const PageSpan span = pagesReached(model, page);
    g.firstColumn = span.firstColumn;
    g.firstRow = span.firstRow;
    // From the origin on, the model's grid (measured from the origin) decides; a grid that
    // starts before the origin ends where the used area does.
    auto side = [](int first, int modelPages, int end, bool& cut) {
        const long long last = first < 0 ? std::max(end, first + 1) : std::max(modelPages, end);
        if (static_cast<long long>(end) - first > kMaxPagesPerSide) cut = true;
        return static_cast<int>(std::clamp<long long>(last - first, 1, kMaxPagesPerSide));
    };
    g.pagesAcross = side(g.firstColumn, model.pagesAcross, span.endColumn, g.cutOff);
    g.pagesDown = side(g.firstRow, model.pagesDown, span.endRow, g.cutOff);
    g.sheetWidth = 2 * page.marginSide + page.cellWidth() * g.pagesAcross;
    g.sheetHeight = 2 * page.marginTop + page.cellHeight() * g.pagesDown;
    return g;
}

DevelopmentDrawing drawDevelopment(const Model& model, const DrawingOptions& options) {
    DevelopmentDrawing d;
    d.mag2d = model.dMag2d;
    d.mirrored = model.bReverse;
    addFlaps(model, options, d);
    addFaces(model, options, d);
    addLines(model, options, d);
    addNumbers(model, options, d);
    for (const auto& t : model.texts) d.texts.push_back(t.get());
    d.grid = sheetGridOf(model, options.page);
    return d;
}

std::array<Point2, 4> numberMarkBar(double width, double em) {
    const double top = kNumberMarkTop * em, bottom = kNumberMarkBottom * em;
    return {Point2{0.0, top}, Point2{0.0, bottom}, Point2{width, bottom}, Point2{width, top}};
}

std::vector<Point2> flapOutline(Point2 base0, Point2 base1, double h) {
    const double dx = base1.x - base0.x, dy = base1.y - base0.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length >= 1e-6)) return {};
    const Point2 u{dx / length, dy / length};
    const Point2 n{u.y, -u.x};
    if (2 * h < length)
        return {base0,
                {base0.x + h * u.x + h * n.x, base0.y + h * u.y + h * n.y},
                {base1.x - h * u.x + h * n.x, base1.y - h * u.y + h * n.y},
                base1};
    return {base0, {(base0.x + base1.x) / 2 + h * n.x, (base0.y + base1.y) / 2 + h * n.y}, base1};
}

}  // namespace plikatra
