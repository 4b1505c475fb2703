// One part's faces and flaps as they lie on the sheet, in a grid of boxes so that a flap meets
// only what lies near it: what both the check for colliding flaps and the placement of flaps
// that fit need to ask of a flap outline.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "development/box_grid.h"
#include "model/model.h"

namespace plikatra {

// The side insets of a flap at its halfedge's start and end (see kUsualFlapInset).
struct FlapInsets {
    float start = kUsualFlapInset, end = kUsualFlapInset;
};
inline FlapInsets insetsOf(const Halfedge& h) { return {h.flapInsetStart, h.flapInsetEnd}; }

// The outline of the flap `h` carries at `heightCm` with `insets`, on the side the drawing
// gives it, in sheet coordinates. `flapReverse` is the "flaps on the face's own side" setting.
std::vector<Point2> flapShapeOf(const Model& model, const Part& part, const Halfedge& h,
                                bool flapReverse, double heightCm, FlapInsets insets);

// The greatest height, to a thousandth of `height`, at which `fits` holds; 0 when none does.
// A flap that fits at some height fits at every lower one, since its outline only shrinks.
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

class FlapSheet {
public:
    // The part's faces, and with `withFlaps` the flaps its halfedges carry now, in ring order.
    FlapSheet(const Model& model, const Part& part, bool flapReverse, bool withFlaps = true);

    const std::vector<const Halfedge*>& flaps() const { return flaps_; }

    // The faults (FlapFault bits) of flap `flap` if it had `outline`; with `partners`, the
    // other flaps it lies on are collected there, and faces count only when `withFlaps`.
    unsigned faults(std::size_t flap, const std::vector<Point2>& outline,
                    std::vector<std::size_t>* partners = nullptr, bool withFlaps = true) const;
    // The faults of flap `flap` as it stands; a flap lowered to nothing has none.
    unsigned faults(std::size_t flap) const;
    // The faults a flap on `h` (a halfedge of a face of this part, carrying no flap of the
    // sheet yet) would have with `outline`, against the faces and the flaps of the sheet.
    unsigned faultsOfNew(const Halfedge& h, const std::vector<Point2>& outline) const;

    const std::vector<Point2>& outline(std::size_t flap) const { return shapes_[faces_ + flap]; }
    // With the insets `h` carries, or with `insets`.
    std::vector<Point2> outlineAt(const Halfedge& h, double heightCm) const {
        return outlineAt(h, heightCm, insetsOf(h));
    }
    std::vector<Point2> outlineAt(const Halfedge& h, double heightCm, FlapInsets insets) const;
    std::vector<Point2> outlineAt(std::size_t flap, double heightCm) const {
        return outlineAt(*flaps_[flap], heightCm);
    }
    // A flap's outline may only shrink once it is in the grid.
    void setOutline(std::size_t flap, std::vector<Point2> outline) {
        shapes_[faces_ + flap] = std::move(outline);
    }
    // Adds a flap on `h` with `outline` to the sheet; returns its index.
    std::size_t addFlap(const Halfedge* h, std::vector<Point2> outline);

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    void insert(std::size_t i);
    bool overlapsSomething(std::size_t self, const std::vector<Point2>& outline,
                           std::vector<std::size_t>* partners, bool withFlaps) const;
    bool insideTwin(const Halfedge& h, const std::vector<Point2>& outline) const;

    const Model& model_;
    const Part& part_;
    const bool flapReverse_;
    std::vector<std::vector<Point2>> shapes_;  // faces, then flaps
    std::vector<const Halfedge*> flaps_;
    std::size_t faces_ = 0;
    double tolerance_ = 0.0;
    std::optional<BoxGrid> grid_;        // the shapes with finite boxes, by their index
    std::vector<std::size_t> unplaced_;  // the others
};

}  // namespace plikatra
