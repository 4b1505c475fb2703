#include "output/flap_pieces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace plikatra {

namespace {

struct Box {
    double x0 = std::numeric_limits<double>::max(), y0 = std::numeric_limits<double>::max();
    double x1 = -std::numeric_limits<double>::max(), y1 = -std::numeric_limits<double>::max();
    void add(Point2 p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    bool valid() const { return x0 <= x1 && y0 <= y1; }
    bool overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
    bool contains(Point2 p) const { return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1; }
};

double cross(Point2 a, Point2 b) { return a.x * b.y - a.y * b.x; }
Point2 minus(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }

// Strictly inside the triangle, whichever its winding.
bool strictlyInside(Point2 p, Point2 a, Point2 b, Point2 c) {
    const double d1 = cross(minus(b, a), minus(p, a));
    const double d2 = cross(minus(c, b), minus(p, b));
    const double d3 = cross(minus(a, c), minus(p, c));
    return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

// Where segment p–p2 meets segment q–q2 (ends included); parallel segments do not meet.
bool crossing(Point2 p, Point2 p2, Point2 q, Point2 q2, Point2& out) {
    const Point2 r = minus(p2, p), s = minus(q2, q);
    const double d = cross(r, s);
    if (d == 0.0 || !std::isfinite(d)) return false;
    const Point2 qp = minus(q, p);
    const double t = cross(qp, s) / d, u = cross(qp, r) / d;
    if (!(t >= 0.0 && t <= 1.0 && u >= 0.0 && u <= 1.0)) return false;
    out = {p.x + t * r.x, p.y + t * r.y};
    return true;
}

// Faces and flap outlines by the cells of a uniform grid their boxes touch, so that a side
// only meets what lies near it.
class Grid {
public:
    Grid(const Box& bounds, std::size_t items) : bounds_(bounds) {
        const double w = std::max(bounds.x1 - bounds.x0, 1e-12), h = std::max(bounds.y1 - bounds.y0, 1e-12);
        const double cell = std::sqrt(w * h / static_cast<double>(std::max<std::size_t>(items, 1)));
        nx_ = dimension(w / cell);
        ny_ = dimension(h / cell);
        cw_ = w / nx_;
        ch_ = h / ny_;
        cells_.resize(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_));
    }

    void insert(const Box& b, std::uint32_t item) {
        if (!b.valid()) return;
        forCells(b, [&](std::vector<std::uint32_t>& c) { c.push_back(item); });
    }

    // Items whose cells the box touches, each once, in ascending order.
    void query(const Box& b, std::vector<std::uint32_t>& out) {
        out.clear();
        forCells(b, [&](std::vector<std::uint32_t>& c) { out.insert(out.end(), c.begin(), c.end()); });
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

private:
    Box bounds_;
    int nx_ = 1, ny_ = 1;
    double cw_ = 1.0, ch_ = 1.0;
    std::vector<std::vector<std::uint32_t>> cells_;

    static int dimension(double n) {
        if (!(n >= 1.0)) return 1;
        return static_cast<int>(std::min(n, 1024.0));
    }
    static int index(double v, double origin, double size, int n) {
        const double i = std::floor((v - origin) / size);
        if (!(i >= 0.0)) return 0;
        return i >= n - 1 ? n - 1 : static_cast<int>(i);
    }
    template <typename Fn>
    void forCells(const Box& b, Fn fn) {
        const int ix0 = index(b.x0, bounds_.x0, cw_, nx_), ix1 = index(b.x1, bounds_.x0, cw_, nx_);
        const int iy0 = index(b.y0, bounds_.y0, ch_, ny_), iy1 = index(b.y1, bounds_.y0, ch_, ny_);
        for (int y = iy0; y <= iy1; ++y)
            for (int x = ix0; x <= ix1; ++x)
                fn(cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(nx_) + static_cast<std::size_t>(x)]);
    }
};

class FlapVisibility {
public:
    explicit FlapVisibility(const DevelopmentDrawing& d) : d_(d) {}

    std::vector<FlapPiece> run() {
        std::vector<FlapPiece> out;
        if (d_.flaps.empty()) return out;
        indexParts();
        buildOutlines();
        buildGrid();
        std::vector<char> candidate(parts_.size(), 0);
        for (std::size_t p = 0; p < parts_.size(); ++p) {
            if (partFlaps_[p].empty()) continue;
            for (std::size_t q = 0; q < parts_.size(); ++q)
                candidate[q] = partBoxes_[q].overlaps(partBoxes_[p]) ? 1 : 0;
            for (std::size_t flap : partFlaps_[p]) drawFlap(flap, candidate, out);
        }
        return out;
    }

private:
    const DevelopmentDrawing& d_;
    std::vector<const Part*> parts_;                    // list order
    std::vector<std::size_t> facePart_, flapPart_;      // part index of each face and flap
    std::vector<std::vector<std::size_t>> partFlaps_;   // flaps of each part, in order
    std::vector<Box> partBoxes_;                        // grown by the largest flap height
    std::vector<std::vector<Point2>> outlines_;
    std::vector<std::size_t> flapRank_;                 // position in (part, flap) order
    std::vector<Box> faceBoxes_, flapBoxes_;
    Grid grid_{Box{0, 0, 1, 1}, 1};
    std::vector<std::uint32_t> hits_, faceHits_, flapHits_;
    std::vector<Point2> points_;

    // Items of the grid: faces first, then flaps after an offset.
    std::uint32_t flapItem(std::size_t flap) const { return static_cast<std::uint32_t>(d_.faces.size() + flap); }

    void indexParts() {
        std::unordered_map<const Part*, std::size_t> index;
        auto partOf = [&](const Part* p) {
            auto [it, added] = index.emplace(p, parts_.size());
            if (added) parts_.push_back(p);
            return it->second;
        };
        for (const DrawnFace& f : d_.faces) facePart_.push_back(partOf(f.part));
        for (const DrawnFlap& f : d_.flaps) flapPart_.push_back(partOf(f.part));
        partFlaps_.resize(parts_.size());
        std::vector<double> largest(parts_.size(), 0.0);
        for (std::size_t i = 0; i < d_.flaps.size(); ++i) {
            partFlaps_[flapPart_[i]].push_back(i);
            largest[flapPart_[i]] = std::max(largest[flapPart_[i]], d_.flaps[i].height);
        }
        flapRank_.resize(d_.flaps.size());
        std::size_t rank = 0;
        for (const auto& flaps : partFlaps_)
            for (std::size_t f : flaps) flapRank_[f] = rank++;
        for (std::size_t p = 0; p < parts_.size(); ++p) {
            const Part* part = parts_[p];
            const double g = largest[p] / d_.mag2d;
            Box b;
            if (part) b = {part->x - g, part->y - g, part->x + part->width + g, part->y + part->height + g};
            partBoxes_.push_back(b);
        }
    }

    void buildOutlines() {
        outlines_.reserve(d_.flaps.size());
        for (const DrawnFlap& f : d_.flaps) {
            outlines_.push_back(flapOutline(f.base0, f.base1, f.height / d_.mag2d));
            Box b;
            for (Point2 p : outlines_.back()) b.add(p);
            flapBoxes_.push_back(b);
        }
    }

    void buildGrid() {
        Box all;
        for (const DrawnFace& f : d_.faces) {
            Box b;
            for (Point2 p : f.corners) b.add(p);
            faceBoxes_.push_back(b);
            if (b.valid()) all.add({b.x0, b.y0}), all.add({b.x1, b.y1});
        }
        for (const Box& b : flapBoxes_)
            if (b.valid()) all.add({b.x0, b.y0}), all.add({b.x1, b.y1});
        if (!all.valid()) all = {0, 0, 1, 1};
        grid_ = Grid(all, d_.faces.size() + d_.flaps.size());
        for (std::size_t i = 0; i < faceBoxes_.size(); ++i) grid_.insert(faceBoxes_[i], static_cast<std::uint32_t>(i));
        for (std::size_t i = 0; i < flapBoxes_.size(); ++i) grid_.insert(flapBoxes_[i], flapItem(i));
    }

    // The faces of candidate parts and the earlier flaps whose boxes the box meets, faces in
    // drawing order, then flaps in (part, flap) order, as a plain scan would meet them.
    void gather(const Box& b, const std::vector<char>& candidate, std::size_t flap) {
        grid_.query(b, hits_);
        faceHits_.clear();
        flapHits_.clear();
        const std::size_t faces = d_.faces.size();
        for (std::uint32_t item : hits_) {
            if (item < faces) {
                if (candidate[facePart_[item]] && faceBoxes_[item].overlaps(b)) faceHits_.push_back(item);
            } else {
                const std::size_t f = item - faces;
                if (candidate[flapPart_[f]] && flapRank_[f] < flapRank_[flap] && flapBoxes_[f].overlaps(b))
                    flapHits_.push_back(static_cast<std::uint32_t>(f));
            }
        }
        std::sort(flapHits_.begin(), flapHits_.end(),
                  [&](std::uint32_t a, std::uint32_t c) { return flapRank_[a] < flapRank_[c]; });
    }

    bool hidden(Point2 p, const std::vector<char>& candidate, std::size_t flap) {
        Box b;
        b.add(p);
        gather(b, candidate, flap);
        for (std::uint32_t i : faceHits_) {
            const std::vector<Point2>& c = d_.faces[i].corners;
            if (!faceBoxes_[i].contains(p)) continue;
            for (std::size_t k = 1; k + 1 < c.size(); ++k)
                if (strictlyInside(p, c[0], c[k], c[k + 1])) return true;
        }
        for (std::uint32_t f : flapHits_) {
            const std::vector<Point2>& o = outlines_[f];
            if (o.size() == 3 && strictlyInside(p, o[0], o[1], o[2])) return true;
            if (o.size() == 4 && (strictlyInside(p, o[0], o[1], o[2]) || strictlyInside(p, o[0], o[2], o[3])))
                return true;
        }
        return false;
    }

    void crossings(Point2 a, Point2 b, const std::vector<char>& candidate, std::size_t flap) {
        points_.clear();
        Box box;
        box.add(a);
        box.add(b);
        gather(box, candidate, flap);
        Point2 x;
        for (std::uint32_t i : faceHits_) {
            const std::vector<Point2>& c = d_.faces[i].corners;
            for (std::size_t k = 0; k < c.size(); ++k)
                if (crossing(a, b, c[k], c[(k + 1) % c.size()], x)) points_.push_back(x);
        }
        for (std::uint32_t f : flapHits_) {
            const std::vector<Point2>& o = outlines_[f];
            for (std::size_t k = 0; k < o.size(); ++k)
                if (crossing(a, b, o[k], o[(k + 1) % o.size()], x)) points_.push_back(x);
        }
    }

    void drawFlap(std::size_t flap, const std::vector<char>& candidate, std::vector<FlapPiece>& out) {
        const std::vector<Point2>& o = outlines_[flap];
        for (std::size_t k = 0; k + 1 < o.size(); ++k) {
            const Point2 a = o[k], b = o[k + 1];
            crossings(a, b, candidate, flap);
            if (points_.empty()) {
                if (!hidden({(a.x + b.x) / 2, (a.y + b.y) / 2}, candidate, flap)) out.push_back({flap, a, b});
                continue;
            }
            std::vector<Point2> remaining = points_;
            remaining.push_back(b);
            Point2 current = a;
            while (!remaining.empty()) {
                std::size_t best = 0;
                double bestDistance = std::numeric_limits<double>::infinity();
                for (std::size_t i = 0; i < remaining.size(); ++i) {
                    const double dx = remaining[i].x - current.x, dy = remaining[i].y - current.y;
                    const double dist = dx * dx + dy * dy;
                    if (dist < bestDistance) {
                        bestDistance = dist;
                        best = i;
                    }
                }
                const Point2 next = remaining[best];
                remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
                // Crossing points that coincide give pieces without length, which draw nothing.
                const bool empty = next.x == current.x && next.y == current.y;
                if (!empty && !hidden({(current.x + next.x) / 2, (current.y + next.y) / 2}, candidate, flap))
                    out.push_back({flap, current, next});
                current = next;
            }
        }
    }
};

}  // namespace

std::vector<FlapPiece> visibleFlapPieces(const DevelopmentDrawing& drawing) {
    return FlapVisibility(drawing).run();
}

}  // namespace plikatra
