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
    forEachHalfedge(model, [&](const Part& part, const Halfedge& h) {
        if (!h.hasFlap || !h.next) return;
        const FlapStyle style = flapStyleOf(h, model.flapStyle);
        if (style == FlapStyle::None) return;
        const FlapBase base = flapBaseOf(model, sheetPoint(part, h), sheetPoint(part, *h.next),
                                         o.flapReverse, h.flapInsetStart, h.flapInsetEnd);
        DrawnFlap f{&part, &h, base.base0, base.base1, h.flapHeight};
        f.inset0 = base.inset0;
        f.inset1 = base.inset1;
        f.style = style;
        if (h.pair && h.pair->face && h.pair->face->part && h.pair->next) {
            f.glued = h.pair->face;
            f.gluedPart = h.pair->face->part;
            f.gluedMaterial = o.useMaterial ? &faceMaterial(model, *f.glued) : nullptr;
        }
        d.flaps.push_back(f);
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
        // A flap drawn in no style leaves its edge a plain cut.
        const bool fold = h.twin || (h.hasFlap && rules.showFlaps &&
                                     flapStyleOf(h, model.flapStyle) != FlapStyle::None);
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

std::vector<Point2> flapOutline(Point2 base0, Point2 base1, double h, double i0, double i1) {
    const double dx = base1.x - base0.x, dy = base1.y - base0.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length >= 1e-6)) return {};
    const Point2 u{dx / length, dy / length};
    const Point2 n{u.y, -u.x};
    // The usual flap keeps its exact arithmetic, so that its outputs stay as they were.
    if (i0 == kUsualFlapInset && i1 == kUsualFlapInset) {
        if (2 * h < length)
            return {base0,
                    {base0.x + h * u.x + h * n.x, base0.y + h * u.y + h * n.y},
                    {base1.x - h * u.x + h * n.x, base1.y - h * u.y + h * n.y},
                    base1};
        return {base0, {(base0.x + base1.x) / 2 + h * n.x, (base0.y + base1.y) / 2 + h * n.y}, base1};
    }
    // A damaged or hostile value must not turn the flap inside out.
    if (!(i0 > 0) || !std::isfinite(i0)) i0 = kUsualFlapInset;
    if (!(i1 > 0) || !std::isfinite(i1)) i1 = kUsualFlapInset;
    const double r0 = h * i0, r1 = h * i1;
    if (r0 + r1 < length)
        return {base0,
                {base0.x + r0 * u.x + h * n.x, base0.y + r0 * u.y + h * n.y},
                {base1.x - r1 * u.x + h * n.x, base1.y - r1 * u.y + h * n.y},
                base1};
    const double s = length * i0 / (i0 + i1);
    return {base0, {base0.x + s * u.x + h * n.x, base0.y + s * u.y + h * n.y}, base1};
}

FlapStyle flapStyleOf(const Halfedge& flap, FlapStyle development) {
    const int own = flap.edge ? flap.edge->flapStyle : -1;
    return own >= 0 && own < kFlapStyleCount ? static_cast<FlapStyle>(own) : development;
}

namespace {

// Carries points of the flap's side of its edge onto the face it is glued under.
std::vector<Point2> foldedOntoGlued(const DrawnFlap& flap, const std::vector<Point2>& outline) {
    const Halfedge* h = flap.halfedge;
    const Halfedge* g = h ? h->pair : nullptr;
    if (!flap.glued || !flap.gluedPart || !g || !g->next || outline.empty()) return {};
    // The same edge on the glued face's part, in the direction base0 to base1 run here: the
    // flap's own halfedge runs one way, its pair the other.
    const Point2 a{flap.base0}, b{flap.base1};
    const Part& gp = *flap.gluedPart;
    const Point2 gStart = sheetPoint(gp, *g), gEnd = sheetPoint(gp, *g->next);
    // base0 is the flap halfedge's start exactly when the drawing did not turn it round; its
    // pair starts where it ends.
    const Point2 h0 = sheetPoint(*flap.part, *h);
    const bool same = std::hypot(h0.x - a.x, h0.y - a.y) <= std::hypot(h0.x - b.x, h0.y - b.y);
    const Point2 a2 = same ? gEnd : gStart, b2 = same ? gStart : gEnd;
    const double len = std::hypot(b.x - a.x, b.y - a.y), len2 = std::hypot(b2.x - a2.x, b2.y - a2.y);
    if (!(len > 0) || !(len2 > 0)) return {};
    const Point2 e{(b.x - a.x) / len, (b.y - a.y) / len}, out{e.y, -e.x};
    const Point2 e2{(b2.x - a2.x) / len2, (b2.y - a2.y) / len2};
    // Into the glued face: towards its centre.
    Point2 centre{0, 0};
    for (const auto& q : flap.glued->halfedges) {
        const Point2 p = sheetPoint(gp, *q);
        centre.x += p.x;
        centre.y += p.y;
    }
    const double k = static_cast<double>(flap.glued->halfedges.size());
    centre = {centre.x / k, centre.y / k};
    Point2 in{e2.y, -e2.x};
    if ((centre.x - a2.x) * in.x + (centre.y - a2.y) * in.y < 0) in = {-in.x, -in.y};
    std::vector<Point2> folded;
    folded.reserve(outline.size());
    for (const Point2& p : outline) {
        const double s = (p.x - a.x) * e.x + (p.y - a.y) * e.y;
        const double t = (p.x - a.x) * out.x + (p.y - a.y) * out.y;
        folded.push_back({a2.x + s * e2.x + t * in.x, a2.y + s * e2.y + t * in.y});
    }
    return folded;
}

}  // namespace

std::vector<Point2> flapShadowOutline(const DrawnFlap& flap, double mag2d) {
    if (flap.style != FlapStyle::Shadow) return {};
    return foldedOntoGlued(flap, flapOutline(flap, mag2d));
}

std::vector<Point2> flapLookArea(const DrawnFlap& flap, double mag2d) {
    if (!flap.glued) return {};
    if (flap.style == FlapStyle::Textured) return flapOutline(flap, mag2d);
    if (flap.style != FlapStyle::HalfTextured) return {};
    // The band is the same flap at half its height: with the same sides it follows the outline.
    DrawnFlap band = flap;
    band.height = flap.height / 2;
    return flapOutline(band, mag2d);
}

bool flapTexCoords(const DrawnFlap& flap, const std::vector<Point2>& area, std::vector<TexCoord>& out) {
    out.clear();
    const Face* f = flap.glued;
    if (!f || f->halfedges.size() < 3 || area.empty()) return false;
    // The face's texture mapping is affine over its plane: its first three corners fix it.
    const Halfedge *c0 = f->halfedges[0].get(), *c1 = f->halfedges[1].get(), *c2 = f->halfedges[2].get();
    if (!c0->texCoord || !c1->texCoord || !c2->texCoord) return false;
    const Point2 p0 = sheetPoint(*flap.gluedPart, *c0), p1 = sheetPoint(*flap.gluedPart, *c1),
                 p2 = sheetPoint(*flap.gluedPart, *c2);
    const double ax = p1.x - p0.x, ay = p1.y - p0.y, bx = p2.x - p0.x, by = p2.y - p0.y;
    const double det = ax * by - ay * bx;
    if (!(std::fabs(det) > 0)) return false;
    const std::vector<Point2> folded = foldedOntoGlued(flap, area);
    if (folded.size() != area.size()) return false;
    const TexCoord &t0 = *c0->texCoord, &t1 = *c1->texCoord, &t2 = *c2->texCoord;
    for (const Point2& q : folded) {
        const double dx = q.x - p0.x, dy = q.y - p0.y;
        const double s = (dx * by - dy * bx) / det, t = (ax * dy - ay * dx) / det;
        out.push_back({t0.u + s * (t1.u - t0.u) + t * (t2.u - t0.u),
                       t0.v + s * (t1.v - t0.v) + t * (t2.v - t0.v)});
    }
    return true;
}

}  // namespace plikatra
