#include "development/flap_sheet.h"

#include <algorithm>
#include <cmath>

#include "development/development_drawing.h"
#include "development/face_overlap.h"
#include "development/flap_checks.h"

namespace plikatra {

namespace {

// Sheet units: well over the rounding of positions written to six decimals.
constexpr double kStoredPositionTolerance = 4e-6;

Point2 sheetAt(const Part& part, const Halfedge& h) { return {part.x + h.flatX, part.y + h.flatY}; }

struct Box {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    void add(const Point2& p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    bool finite() const {
        return std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1);
    }
};

}  // namespace

std::vector<Point2> flapShapeOf(const Model& model, const Part& part, const Halfedge& h,
                                bool flapReverse, double heightCm, FlapInsets insets) {
    // A flap stands where the drawing puts it, with the insets asked for.
    const FlapBase base =
        flapBaseOf(model, sheetAt(part, h), sheetAt(part, *h.next), flapReverse, insets.start, insets.end);
    return flapOutline(base.base0, base.base1, heightCm / model.dMag2d, base.inset0, base.inset1);
}

FlapSheet::FlapSheet(const Model& model, const Part& part, bool flapReverse, bool withFlaps)
    : model_(model), part_(part), flapReverse_(flapReverse) {
    for (const Face* f : part.faces) {
        std::vector<Point2> corners;
        for (const auto& h : f->halfedges) corners.push_back(sheetAt(part, *h));
        shapes_.push_back(std::move(corners));
        // A flap drawn in no style is not on the paper.
        if (withFlaps)
            for (const auto& h : f->halfedges)
                if (h->hasFlap && h->next && flapStyleOf(*h, model.flapStyle) != FlapStyle::None)
                    flaps_.push_back(h.get());
    }
    faces_ = shapes_.size();
    for (const Halfedge* h : flaps_) shapes_.push_back(outlineAt(*h, h->flapHeight));
    // Cells about twice the typical face; the faces, unlike the flaps, never change size,
    // so a flap is judged alike before and after shortening.
    std::vector<double> sizes;
    for (std::size_t i = 0; i < faces_; ++i) {
        Box b;
        for (const Point2& p : shapes_[i]) b.add(p);
        if (b.finite()) sizes.push_back(std::max(b.x1 - b.x0, b.y1 - b.y0));
    }
    double typical = 1.0;
    if (!sizes.empty()) {
        auto mid = sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2);
        std::nth_element(sizes.begin(), mid, sizes.end());
        if (*mid > 0) typical = *mid;
    }
    grid_.emplace(2 * typical);
    // Flat positions come back from a work file to six decimals, so a flap that touched its
    // neighbour or the edge of the face it is glued under may overlap it by a few millionths
    // after reopening; that is no collision.
    tolerance_ = std::max(1e-7 * typical, kStoredPositionTolerance);
    for (std::size_t i = 0; i < shapes_.size(); ++i) insert(i);
}

std::vector<Point2> FlapSheet::outlineAt(const Halfedge& h, double heightCm,
                                         FlapInsets insets) const {
    return flapShapeOf(model_, part_, h, flapReverse_, heightCm, insets);
}

unsigned FlapSheet::faults(std::size_t flap, const std::vector<Point2>& outline,
                           std::vector<std::size_t>* partners, bool withFlaps) const {
    unsigned f = 0;
    if (overlapsSomething(faces_ + flap, outline, partners, withFlaps)) f |= kFlapOverlapsPart;
    if (!insideTwin(*flaps_[flap], outline)) f |= kFlapOutsideTwin;
    return f;
}

unsigned FlapSheet::faults(std::size_t flap) const {
    if (!(flaps_[flap]->flapHeight > 0)) return 0;
    return faults(flap, shapes_[faces_ + flap]);
}

unsigned FlapSheet::faultsOfNew(const Halfedge& h, const std::vector<Point2>& outline) const {
    unsigned f = 0;
    if (overlapsSomething(kNone, outline, nullptr, true)) f |= kFlapOverlapsPart;
    if (!insideTwin(h, outline)) f |= kFlapOutsideTwin;
    return f;
}

std::size_t FlapSheet::addFlap(const Halfedge* h, std::vector<Point2> outline) {
    flaps_.push_back(h);
    shapes_.push_back(std::move(outline));
    insert(shapes_.size() - 1);
    return flaps_.size() - 1;
}

void FlapSheet::insert(std::size_t i) {
    Box b;
    for (const Point2& p : shapes_[i]) b.add(p);
    if (shapes_[i].empty()) return;
    // The grid takes finite boxes only; a shape with a coordinate that is not one meets
    // every query.
    if (!b.finite()) {
        unplaced_.push_back(i);
        return;
    }
    grid_->add(static_cast<int>(i), b.x0, b.y0, b.x1, b.y1);
}

bool FlapSheet::overlapsSomething(std::size_t self, const std::vector<Point2>& outline,
                                  std::vector<std::size_t>* partners, bool withFlaps) const {
    if (outline.empty()) return false;
    Box b;
    for (const Point2& p : outline) b.add(p);
    auto meets = [&](std::size_t i) {
        return i != self && !shapes_[i].empty() && (withFlaps || i < faces_) &&
               polygonsOverlap(outline.data(), outline.size(), shapes_[i].data(), shapes_[i].size(), tolerance_);
    };
    if (!partners && b.finite()) {
        // Only whether: the first shape met answers. A flap far larger than the faces under it
        // (a fine mesh laid out small) meets thousands, and listing them all first made the
        // check of a million-face development take minutes.
        for (std::size_t i : unplaced_)
            if (meets(i)) return true;
        return grid_->anyMeeting(b.x0, b.y0, b.x1, b.y1, [&](int id) { return meets(static_cast<std::size_t>(id)); });
    }
    std::vector<std::size_t> near(unplaced_);
    if (!b.finite()) {
        for (std::size_t i = 0; i < shapes_.size(); ++i) near.push_back(i);
    } else {
        grid_->anyMeeting(b.x0, b.y0, b.x1, b.y1, [&](int id) {
            near.push_back(static_cast<std::size_t>(id));
            return false;
        });
    }
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    bool found = false;
    for (std::size_t i : near) {
        if (!meets(i)) continue;
        found = true;
        if (!partners) return true;
        if (i >= faces_) partners->push_back(i - faces_);
    }
    return found;
}

// The flap folded onto the face across its edge: each point keeps its distance along the
// edge and its distance from it, now measured into that face.
bool FlapSheet::insideTwin(const Halfedge& h, const std::vector<Point2>& outline) const {
    const Halfedge* g = h.pair;
    if (outline.empty() || !g || !g->next || !g->face || !g->face->part) return true;
    const Face& twin = *g->face;
    const Point2 a = sheetAt(part_, h), b = sheetAt(part_, *h.next);
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (!(len > 0)) return true;
    const Point2 e{(b.x - a.x) / len, (b.y - a.y) / len};
    // The side the flap stands on, away from its own face.
    Point2 out{e.y, -e.x};
    double sOut = 0;
    for (const Point2& p : outline) sOut += (p.x - a.x) * out.x + (p.y - a.y) * out.y;
    if (sOut < 0) out = {-out.x, -out.y};

    std::vector<Point2> face;
    Point2 centre{0, 0};
    for (const auto& q : twin.halfedges) {
        face.push_back({q->flatX, q->flatY});
        centre.x += q->flatX;
        centre.y += q->flatY;
    }
    centre.x /= static_cast<double>(face.size());
    centre.y /= static_cast<double>(face.size());
    // The same edge in the twin's frame runs from g's next corner to g's start.
    const Point2 a2{g->next->flatX, g->next->flatY}, b2{g->flatX, g->flatY};
    const double len2 = std::hypot(b2.x - a2.x, b2.y - a2.y);
    if (!(len2 > 0)) return true;
    const Point2 e2{(b2.x - a2.x) / len2, (b2.y - a2.y) / len2};
    Point2 in{e2.y, -e2.x};
    if ((centre.x - a2.x) * in.x + (centre.y - a2.y) * in.y < 0) in = {-in.x, -in.y};
    std::vector<Point2> folded;
    for (const Point2& p : outline) {
        const double s = (p.x - a.x) * e.x + (p.y - a.y) * e.y;
        const double t = (p.x - a.x) * out.x + (p.y - a.y) * out.y;
        folded.push_back({a2.x + s * e2.x + t * in.x, a2.y + s * e2.y + t * in.y});
    }
    return convexPolygonInside(folded.data(), folded.size(), face.data(), face.size(),
                               tolerance_);
}

}  // namespace plikatra
