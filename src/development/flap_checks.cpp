#include "development/flap_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "development/box_grid.h"
#include "development/development_drawing.h"
#include "development/face_overlap.h"

namespace plikatra {

namespace {

Point2 sheetAt(const Part& part, const Halfedge& h) { return {part.x + h.flatX, part.y + h.flatY}; }

// A flap stands where the drawing puts it.
std::vector<Point2> flapShape(const Model& model, const Part& part, const Halfedge& h,
                              bool flapReverse, double heightCm) {
    const bool flip = model.bReverse != flapReverse;
    const Point2 a = sheetAt(part, h), b = sheetAt(part, *h.next);
    return flapOutline(flip ? a : b, flip ? b : a, heightCm / model.dMag2d);
}

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

// One part's faces and flaps on the sheet, in a grid of boxes so that a flap meets only what
// lies near it. A flap's outline may only shrink once it is in the grid.
class PartSheet {
public:
    PartSheet(const Model& model, const Part& part, bool flapReverse)
        : model_(model), part_(part), flapReverse_(flapReverse) {
        for (const Face* f : part.faces) {
            std::vector<Point2> corners;
            for (const auto& h : f->halfedges) corners.push_back(sheetAt(part, *h));
            shapes_.push_back(std::move(corners));
            for (const auto& h : f->halfedges)
                if (h->hasFlap && h->next) flaps_.push_back(h.get());
        }
        faces_ = shapes_.size();
        for (const Halfedge* h : flaps_) {
            shapes_.push_back(flapShape(model, part, *h, flapReverse, h->flapHeight));
        }
        // Cells about twice the typical face; the faces, unlike the flaps, never change size,
        // so a flap is judged alike before and after shortening.
        std::vector<double> sizes;
        for (std::size_t i = 0; i < faces_; ++i) {
            const auto& s = shapes_[i];
            Box b;
            for (const Point2& p : s) b.add(p);
            if (b.finite()) sizes.push_back(std::max(b.x1 - b.x0, b.y1 - b.y0));
        }
        double typical = 1.0;
        if (!sizes.empty()) {
            auto mid = sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2);
            std::nth_element(sizes.begin(), mid, sizes.end());
            if (*mid > 0) typical = *mid;
        }
        grid_.emplace(2 * typical);
        tolerance_ = 1e-7 * typical;
        for (std::size_t i = 0; i < shapes_.size(); ++i) insert(i);
    }

    const std::vector<const Halfedge*>& flaps() const { return flaps_; }

    // The faults of flap `flap` if it had `outline`; with `partners`, the other flaps it lies
    // on are collected there, and faces count only when `withFaces`.
    unsigned faults(std::size_t flap, const std::vector<Point2>& outline,
                    std::vector<std::size_t>* partners = nullptr, bool withFlaps = true) const {
        unsigned f = 0;
        if (overlapsSomething(flap, outline, partners, withFlaps)) f |= kFlapOverlapsPart;
        if (!insideTwin(*flaps_[flap], outline)) f |= kFlapOutsideTwin;
        return f;
    }
    // A flap lowered to nothing has no area to collide with.
    unsigned faults(std::size_t flap) const {
        if (!(flaps_[flap]->flapHeight > 0)) return 0;
        return faults(flap, shapes_[faces_ + flap]);
    }
    const std::vector<Point2>& outline(std::size_t flap) const { return shapes_[faces_ + flap]; }

    std::vector<Point2> outlineAt(std::size_t flap, double heightCm) const {
        return flapShape(model_, part_, *flaps_[flap], flapReverse_, heightCm);
    }
    void setOutline(std::size_t flap, std::vector<Point2> outline) {
        shapes_[faces_ + flap] = std::move(outline);
    }

private:
    void insert(std::size_t i) {
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

    bool overlapsSomething(std::size_t flap, const std::vector<Point2>& outline,
                           std::vector<std::size_t>* partners, bool withFlaps) const {
        if (outline.empty()) return false;
        const std::size_t self = faces_ + flap;
        Box b;
        for (const Point2& p : outline) b.add(p);
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
            if (i == self || shapes_[i].empty() || (!withFlaps && i >= faces_)) continue;
            if (!polygonsOverlap(outline.data(), outline.size(), shapes_[i].data(),
                                 shapes_[i].size(), tolerance_))
                continue;
            found = true;
            if (!partners) return true;
            if (i >= faces_) partners->push_back(i - faces_);
        }
        return found;
    }

    // The flap folded onto the face across its edge: each point keeps its distance along the
    // edge and its distance from it, now measured into that face.
    bool insideTwin(const Halfedge& h, const std::vector<Point2>& outline) const {
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

    const Model& model_;
    const Part& part_;
    const bool flapReverse_;
    std::vector<std::vector<Point2>> shapes_;  // faces, then flaps
    std::vector<const Halfedge*> flaps_;
    std::size_t faces_ = 0;
    double tolerance_ = 0.0;
    std::optional<BoxGrid> grid_;         // the shapes with finite boxes, by their index
    std::vector<std::size_t> unplaced_;   // the others
};

}  // namespace

std::vector<FlaggedFlap> findCollidingFlaps(const Model& model, bool flapReverse) {
    std::vector<FlaggedFlap> out;
    for (const auto& part : model.parts) {
        const PartSheet sheet(model, *part, flapReverse);
        for (std::size_t i = 0; i < sheet.flaps().size(); ++i)
            if (const unsigned f = sheet.faults(i)) out.push_back({sheet.flaps()[i], f});
    }
    return out;
}

namespace {

// The greatest height, to a thousandth of `height`, at which `fits` holds; 0 when none does.
template <class Fits>
double greatestFitting(double height, Fits fits) {
    double lo = 0.0, hi = height;
    while (hi - lo > 1e-3 * height) {
        const double mid = (lo + hi) / 2;
        if (fits(mid)) lo = mid;
        else hi = mid;
    }
    return lo;
}

}  // namespace

int shortenCollidingFlaps(Model& model, bool flapReverse, UndoRecord& record) {
    std::vector<std::pair<Halfedge*, double>> saved;
    for (const auto& part : model.parts) {
        PartSheet sheet(model, *part, flapReverse);
        std::vector<std::size_t> flagged;
        for (std::size_t i = 0; i < sheet.flaps().size(); ++i)
            if (sheet.faults(i)) flagged.push_back(i);
        auto halfedge = [&](std::size_t i) { return const_cast<Halfedge*>(sheet.flaps()[i]); };
        auto setHeight = [&](std::size_t i, double height) {
            halfedge(i)->flapHeight = height;
            sheet.setOutline(i, sheet.outlineAt(i, height));
        };
        std::vector<bool> isFlagged(sheet.flaps().size(), false);
        for (std::size_t i : flagged) {
            saved.push_back({halfedge(i), halfedge(i)->flapHeight});
            isFlagged[i] = true;
        }
        // First each flap clear of the faces and inside its twin, as if alone.
        for (std::size_t i : flagged) {
            const double h = halfedge(i)->flapHeight;
            const auto alone = [&](double height) {
                return !sheet.faults(i, sheet.outlineAt(i, height), nullptr, false);
            };
            if (!alone(h)) setHeight(i, greatestFitting(h, alone));
        }
        // Then flaps that still lie on each other, lowered together by one factor: two flaps
        // meeting at an inward corner both need to give way.
        std::vector<std::size_t> partners;
        for (std::size_t i : flagged) {
            partners.clear();
            if (!sheet.faults(i, sheet.outline(i), &partners)) continue;
            std::erase_if(partners, [&](std::size_t j) { return !isFlagged[j]; });
            partners.push_back(i);
            std::vector<double> heights;
            for (std::size_t j : partners) heights.push_back(halfedge(j)->flapHeight);
            const auto together = [&](double f) {
                for (std::size_t k = 0; k < partners.size(); ++k)
                    sheet.setOutline(partners[k], sheet.outlineAt(partners[k], f * heights[k]));
                for (std::size_t j : partners)
                    if (sheet.faults(j)) return false;
                return true;
            };
            const double f = greatestFitting(1.0, together);
            for (std::size_t k = 0; k < partners.size(); ++k)
                setHeight(partners[k], f * heights[k]);
        }
    }
    // Only the flaps whose height changed are the edit's.
    std::erase_if(saved, [](const auto& s) { return s.first->flapHeight == s.second; });
    if (saved.empty()) return 0;
    clearEditMarks(model);
    record = UndoRecord{};
    record.code = kUndoFlapsShortened;
    record.savedHeights = std::move(saved);
    record.available = true;
    return static_cast<int>(record.savedHeights.size());
}

}  // namespace plikatra
