#include "output/flap_pieces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
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
    void add(const Box& b) {
        if (!b.valid()) return;
        add(Point2{b.x0, b.y0});
        add(Point2{b.x1, b.y1});
    }
    bool valid() const { return x0 <= x1 && y0 <= y1; }
    bool overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
    bool contains(Point2 p) const { return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1; }
    bool contains(const Box& o) const { return o.x0 >= x0 && o.x1 <= x1 && o.y0 >= y0 && o.y1 <= y1; }
    Box grown(double g) const { return valid() ? Box{x0 - g, y0 - g, x1 + g, y1 + g} : *this; }
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

// Whether the segment a–b, or the convex polygon `ring`, certainly misses the box: every
// corner of the box lies beyond one of its lines by more than rounding could account for.
bool beyondLine(Point2 p, Point2 q, const Box& box, double sign, double scale) {
    const Point2 e = minus(q, p);
    const double tolerance = 1e-9 * (std::fabs(e.x) + std::fabs(e.y)) * scale;
    for (Point2 c : {Point2{box.x0, box.y0}, Point2{box.x1, box.y0}, Point2{box.x0, box.y1}, Point2{box.x1, box.y1}})
        if (!(sign * cross(e, minus(c, p)) < -tolerance)) return false;
    return true;
}

bool segmentMisses(Point2 a, Point2 b, const Box& box, double scale) {
    return beyondLine(a, b, box, 1.0, scale) || beyondLine(a, b, box, -1.0, scale);
}

bool ringMisses(std::span<const Point2> ring, const Box& box, double scale) {
    double area = 0.0;
    for (std::size_t k = 0; k < ring.size(); ++k) area += cross(ring[k], ring[(k + 1) % ring.size()]);
    if (ring.size() < 3 || !(area != 0.0) || !std::isfinite(area)) return false;
    const double sign = area > 0 ? 1.0 : -1.0;
    for (std::size_t k = 0; k < ring.size(); ++k)
        if (beyondLine(ring[k], ring[(k + 1) % ring.size()], box, sign, scale)) return true;
    return false;
}

// Items by the cells of a uniform grid of about a given size. An item is listed in the cells
// its box touches, less those that `misses` shows it cannot reach (with each cell taken a
// rounding margin larger than it is), so that long thin items at a slant crowd few cells. Only
// cells that list something are kept (by a hash of their place), so a sheet of many pages with
// its parts far apart costs no more than a packed one; an item that would fill very many cells
// is listed once as wide and met everywhere. Each cell lists its items in the order given
// (item order by default), and so do the wide ones.
class CellGrid {
public:
    CellGrid() = default;

    template <typename Misses>
    CellGrid(const std::vector<Box>& boxes, double cellSize, Misses misses,
             const std::vector<std::uint32_t>* order = nullptr) {
        Box all;
        for (const Box& b : boxes) all.add(b);
        exact_ = all.valid() && std::isfinite(all.x0) && std::isfinite(all.y0) && std::isfinite(all.x1) &&
                 std::isfinite(all.y1);
        if (!exact_) all = {0, 0, 1, 1};
        bounds_ = all;
        const double w = std::max(all.x1 - all.x0, 1e-12), h = std::max(all.y1 - all.y0, 1e-12);
        scale_ = 1.0 + std::max({std::fabs(all.x0), std::fabs(all.y0), std::fabs(all.x1), std::fabs(all.y1)});
        double cell = std::isfinite(cellSize) ? cellSize : 0.0;
        cell = std::max(cell, std::max(w, h) / kMaxSide);
        nx_ = dimension(w / cell);
        ny_ = dimension(h / cell);
        cw_ = w / nx_;
        ch_ = h / ny_;
        margin_ = 1e-6 * std::min(cw_, ch_) + 1e-9 * scale_;

        std::vector<std::pair<std::uint64_t, std::uint32_t>> entries;  // (cell, item)
        for (std::size_t k = 0; k < boxes.size(); ++k) {
            const std::size_t i = order ? (*order)[k] : k;
            if (!boxes[i].valid()) continue;
            if (cellCount(boxes[i]) > kWideCells) {
                wide_.push_back(static_cast<std::uint32_t>(i));
                continue;
            }
            forCells(boxes[i], [&](std::uint64_t c, int x, int y) {
                if (!exact_ || !misses(i, cellBox(x, y), scale_)) entries.push_back({c, static_cast<std::uint32_t>(i)});
            });
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& e, const auto& f) { return e.first < f.first; });
        items_.resize(entries.size());
        std::size_t runs = 0;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            items_[k] = entries[k].second;
            runs += k == 0 || entries[k].first != entries[k - 1].first;
        }
        std::size_t size = 16;
        while (size < 2 * runs) size *= 2;
        slots_.assign(size, Slot{});
        for (std::size_t k = 0; k < entries.size();) {
            std::size_t end = k + 1;
            while (end < entries.size() && entries[end].first == entries[k].first) ++end;
            std::size_t s = slotOf(entries[k].first);
            while (slots_[s].key != kEmpty) s = (s + 1) & (slots_.size() - 1);
            slots_[s] = {entries[k].first, static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(end)};
            k = end;
        }
        // A sheet whose cells are not many more than its entries looks its cells up directly:
        // neighbouring cells then lie side by side in memory, as a side passes them.
        const std::uint64_t cells = static_cast<std::uint64_t>(nx_) * static_cast<std::uint64_t>(ny_);
        if (cells <= std::max<std::uint64_t>(kDenseCells, 8 * entries.size())) {
            dense_.assign(cells + 1, 0);
            for (const auto& e : entries) ++dense_[e.first + 1];
            for (std::uint64_t c = 0; c < cells; ++c) dense_[c + 1] += dense_[c];
        }
    }

    // Calls fn(item) for the items listed in the cell that holds p, among them every item
    // that can reach p, until fn returns true; then likewise for the wide items.
    template <typename Fn>
    void at(Point2 p, Fn fn) const {
        const std::uint64_t c = static_cast<std::uint64_t>(index(p.y, bounds_.y0, ch_, ny_)) * static_cast<std::uint64_t>(nx_) +
                                static_cast<std::uint64_t>(index(p.x, bounds_.x0, cw_, nx_));
        const Slot s = find(c);
        for (std::uint32_t k = s.start; k < s.end; ++k)
            if (fn(items_[k])) break;
        for (std::uint32_t i : wide_)
            if (fn(i)) break;
    }

    // Calls fn(item) for the items listed in the cells the segment a–b passes and the wide
    // ones: among them every item that can reach a point within rounding of it, some more
    // than once. When fn returns true the rest of that cell's list (or the wide list) is
    // skipped: with items listed in rank order, a search for earlier items ends early.
    template <typename Fn>
    void along(Point2 a, Point2 b, Fn fn) const {
        cellsAlong(a, b, [&](std::uint64_t c) { inCell(c, fn); });
        for (std::uint32_t i : wide_)
            if (fn(i)) break;
    }

    // Calls cell(key) for listed cells that the segment a–b passes within rounding: among
    // them every cell along() reads, some more than once.
    template <typename CellFn>
    void cellsAlong(Point2 a, Point2 b, CellFn cell) const {
        Box box;
        box.add(a);
        box.add(b);
        if (!box.valid()) return;
        const Box grown = box.grown(margin_);
        const double dy = b.y - a.y, slope = (b.x - a.x) / dy;
        if (!exact_ || !std::isfinite(slope) || cellCount(grown) <= 4 || cellCount(grown) > 4 * slots_.size()) {
            visitCells(grown, cell, [&](int x, int y) { return exact_ && segmentMisses(a, b, cellBox(x, y), scale_); });
            return;
        }
        // Row by row, the cells of the box that the line passes within the margin (and
        // rounding) of, with one more on either hand: every cell the test above keeps.
        const double reach = margin_ + 4e-9 * scale_;
        const int iy0 = index(grown.y0, bounds_.y0, ch_, ny_), iy1 = index(grown.y1, bounds_.y0, ch_, ny_);
        const int ix0 = index(grown.x0, bounds_.x0, cw_, nx_), ix1 = index(grown.x1, bounds_.x0, cw_, nx_);
        for (int y = iy0; y <= iy1; ++y) {
            const double y0 = bounds_.y0 + y * ch_ - reach, y1 = bounds_.y0 + (y + 1) * ch_ + reach;
            const double xa = a.x + (y0 - a.y) * slope, xb = a.x + (y1 - a.y) * slope;
            const int from = std::max(ix0, index(std::min(xa, xb) - reach, bounds_.x0, cw_, nx_) - 1);
            const int to = std::min(ix1, index(std::max(xa, xb) + reach, bounds_.x0, cw_, nx_) + 1);
            for (int x = from; x <= to; ++x)
                cell(static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(nx_) + static_cast<std::uint64_t>(x));
        }
    }

    // Calls fn(item) for the items of one cell, in their order, until fn returns true.
    template <typename Fn>
    void inCell(std::uint64_t c, Fn fn) const {
        const Slot s = find(c);
        for (std::uint32_t k = s.start; k < s.end; ++k)
            if (fn(items_[k])) break;
    }

    // Calls fn(item) for the wide items, in their order, until fn returns true.
    template <typename Fn>
    void wide(Fn fn) const {
        for (std::uint32_t i : wide_)
            if (fn(i)) break;
    }

    // Calls fn(item) for the items whose cells the box touches and the wide ones: all that
    // overlap it, some more than once; fn's answer as for along().
    template <typename Fn>
    void query(const Box& b, Fn fn) const {
        if (!b.valid()) return;
        visit(b, fn, [](int, int) { return false; });
    }

private:
    static constexpr double kMaxSide = 1 << 24;        // cells along a side at most
    static constexpr std::uint64_t kWideCells = 4096;  // an item in more cells is wide
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static constexpr std::uint64_t kDenseCells = 1 << 22;  // cells always looked up directly
    struct Slot {
        std::uint64_t key = kEmpty;
        std::uint32_t start = 0, end = 0;  // the cell's items in items_
    };

    Box bounds_;
    bool exact_ = false;  // the cells' boxes are where their points lie
    int nx_ = 1, ny_ = 1;
    double cw_ = 1.0, ch_ = 1.0, margin_ = 0.0, scale_ = 1.0;
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> items_, wide_;
    std::vector<std::uint32_t> dense_;  // when not empty: cell c's items are [dense_[c], dense_[c + 1])

    static int dimension(double n) {
        if (!(n >= 1.0)) return 1;
        return static_cast<int>(std::min(n, kMaxSide));
    }
    static int index(double v, double origin, double size, int n) {
        const double i = std::floor((v - origin) / size);
        if (!(i >= 0.0)) return 0;
        return i >= n - 1 ? n - 1 : static_cast<int>(i);
    }
    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }
    // The cell's items in items_ (none when it lists nothing).
    Slot find(std::uint64_t key) const {
        if (!dense_.empty()) return Slot{key, dense_[key], dense_[key + 1]};
        if (slots_.empty()) return Slot{};
        for (std::size_t s = slotOf(key);; s = (s + 1) & (slots_.size() - 1)) {
            if (slots_[s].key == key) return slots_[s];
            if (slots_[s].key == kEmpty) return Slot{};
        }
    }
    Box cellBox(int x, int y) const {
        return Box{bounds_.x0 + x * cw_, bounds_.y0 + y * ch_, bounds_.x0 + (x + 1) * cw_, bounds_.y0 + (y + 1) * ch_}
            .grown(margin_);
    }
    std::uint64_t cellCount(const Box& b) const {
        const auto across = static_cast<std::uint64_t>(index(b.x1, bounds_.x0, cw_, nx_) - index(b.x0, bounds_.x0, cw_, nx_) + 1);
        const auto down = static_cast<std::uint64_t>(index(b.y1, bounds_.y0, ch_, ny_) - index(b.y0, bounds_.y0, ch_, ny_) + 1);
        return across * down;
    }
    // The items of the box's cells that `skip` keeps; a box of more cells than there are
    // listed cells is served from the list instead.
    template <typename Fn, typename Skip>
    void visit(const Box& b, Fn fn, Skip skip) const {
        visitCells(b, [&](std::uint64_t c) { inCell(c, fn); }, skip);
        for (std::uint32_t i : wide_)
            if (fn(i)) break;
    }
    template <typename CellFn, typename Skip>
    void visitCells(const Box& b, CellFn cell, Skip skip) const {
        if (cellCount(b) > 4 * slots_.size()) {
            const int ix0 = index(b.x0, bounds_.x0, cw_, nx_), ix1 = index(b.x1, bounds_.x0, cw_, nx_);
            const int iy0 = index(b.y0, bounds_.y0, ch_, ny_), iy1 = index(b.y1, bounds_.y0, ch_, ny_);
            for (const Slot& s : slots_) {
                if (s.key == kEmpty) continue;
                const int x = static_cast<int>(s.key % static_cast<std::uint64_t>(nx_));
                const int y = static_cast<int>(s.key / static_cast<std::uint64_t>(nx_));
                if (x < ix0 || x > ix1 || y < iy0 || y > iy1 || skip(x, y)) continue;
                cell(s.key);
            }
        } else {
            forCells(b, [&](std::uint64_t c, int x, int y) {
                if (!skip(x, y)) cell(c);
            });
        }
    }
    template <typename Fn>
    void forCells(const Box& b, Fn fn) const {
        const int ix0 = index(b.x0, bounds_.x0, cw_, nx_), ix1 = index(b.x1, bounds_.x0, cw_, nx_);
        const int iy0 = index(b.y0, bounds_.y0, ch_, ny_), iy1 = index(b.y1, bounds_.y0, ch_, ny_);
        for (int y = iy0; y <= iy1; ++y)
            for (int x = ix0; x <= ix1; ++x)
                fn(static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(nx_) + static_cast<std::uint64_t>(x), x, y);
    }
};

// The mean of the boxes' larger sides.
double typicalExtent(const std::vector<Box>& boxes) {
    double sum = 0.0;
    std::size_t n = 0;
    for (const Box& b : boxes) {
        const double e = std::max(b.x1 - b.x0, b.y1 - b.y0);
        if (b.valid() && std::isfinite(e)) sum += e, ++n;
    }
    return n ? sum / static_cast<double>(n) : 0.0;
}

// Polygons' corners one after another in one array, which the searches run through far faster
// than a separate array for each.
class Rings {
public:
    void add(std::span<const Point2> ring) {
        points_.insert(points_.end(), ring.begin(), ring.end());
        starts_.push_back(static_cast<std::uint32_t>(points_.size()));
    }
    std::span<const Point2> operator[](std::size_t i) const {
        return {points_.data() + starts_[i], points_.data() + starts_[i + 1]};
    }

private:
    std::vector<Point2> points_;
    std::vector<std::uint32_t> starts_{0};
};

// Faces of more corners than this have every edge tried against a side.
constexpr std::size_t kRingCorners = 16;

// Sides cut at more points than this walk them in their order along the side.
constexpr std::size_t kPlainWalk = 8;

class FlapVisibility {
public:
    explicit FlapVisibility(const DevelopmentDrawing& d) : d_(d) {}

    std::vector<FlapPiece> run() {
        std::vector<FlapPiece> out;
        if (d_.flaps.empty()) return out;
        indexParts();
        buildOutlines();
        buildGrids();
        std::vector<char> candidate(parts_.size(), 0);
        std::vector<std::uint32_t> candidates;
        for (std::size_t p = 0; p < parts_.size(); ++p) {
            if (partFlaps_[p].empty()) continue;
            candidates.clear();
            partGrid_.query(partBoxes_[p], [&](std::uint32_t q) {
                if (!candidate[q] && partBoxes_[q].overlaps(partBoxes_[p])) {
                    candidate[q] = 1;
                    candidates.push_back(q);
                }
                return false;
            });
            for (std::size_t flap : partFlaps_[p]) drawFlap(flap, candidate, out);
            for (std::uint32_t q : candidates) candidate[q] = 0;
        }
        return out;
    }

private:
    const DevelopmentDrawing& d_;
    std::vector<const Part*> parts_;                    // list order
    std::vector<std::size_t> facePart_, flapPart_;      // part index of each face and flap
    std::vector<std::vector<std::size_t>> partFlaps_;   // flaps of each part, in order
    std::vector<Box> partBoxes_;                        // grown by the largest flap height
    Rings outlines_, faceRings_;
    std::vector<std::size_t> flapRank_;                 // position in (part, flap) order
    std::vector<Box> faceBoxes_, flapBoxes_;
    CellGrid partGrid_, faceGrid_, flapGrid_;
    // What the searches ask of a face or flap, side by side.
    struct Item {
        Box box;
        std::uint32_t part, rank;
    };
    std::vector<Item> faceData_, flapData_;
    // The side being cut: the faces and flaps near it, each met once (stamped with the flap).
    std::vector<std::uint32_t> faceHits_, flapHits_;
    // The flap being drawn: the cells along its sides, the faces and flaps listed in them.
    std::vector<std::uint64_t> cells_;
    std::vector<std::uint32_t> nearFaces_, nearFlaps_;
    std::vector<std::uint64_t> faceStamp_, flapStamp_;
    std::uint64_t stamp_ = 0;
    std::vector<Point2> points_;
    // The walk along a side and its pieces.
    std::vector<Point2> walkPoints_;
    std::vector<double> walkAlong_;
    std::vector<std::uint32_t> walkOrder_;
    std::vector<std::pair<double, std::uint32_t>> walkSorted_;
    std::vector<std::size_t> walkBefore_, walkAfter_;
    std::vector<std::pair<Point2, Point2>> steps_;
    // The face (item << 1) or earlier flap (item << 1 | 1) that last hid a piece of this flap.
    static constexpr std::uint64_t kNoHider = ~std::uint64_t{0};
    std::uint64_t lastHider_ = kNoHider;

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
        for (const DrawnFlap& f : d_.flaps) {
            const std::vector<Point2> outline = flapOutline(f, d_.mag2d);
            outlines_.add(outline);
            Box b;
            for (Point2 p : outline) b.add(p);
            flapBoxes_.push_back(b);
        }
    }

    void buildGrids() {
        faceBoxes_.reserve(d_.faces.size());
        for (const DrawnFace& f : d_.faces) {
            Box b;
            for (Point2 p : f.corners) b.add(p);
            faceRings_.add(f.corners);
            faceBoxes_.push_back(b);
        }
        const auto anywhere = [](std::size_t, const Box&, double) { return false; };
        partGrid_ = CellGrid(partBoxes_, typicalExtent(partBoxes_), anywhere);
        faceGrid_ = CellGrid(faceBoxes_, typicalExtent(faceBoxes_), anywhere);
        // Flaps are often long thin spikes whose boxes are mostly empty: each is listed only
        // where its outline reaches, in cells about as wide as a typical flap.
        double width = 0.0;
        for (const DrawnFlap& f : d_.flaps) width += std::hypot(f.base1.x - f.base0.x, f.base1.y - f.base0.y);
        width /= static_cast<double>(d_.flaps.size());
        const double cell = std::max(width, typicalExtent(flapBoxes_) / 16.0);
        std::vector<std::uint32_t> byRank(d_.flaps.size());
        for (std::size_t f = 0; f < d_.flaps.size(); ++f) byRank[flapRank_[f]] = static_cast<std::uint32_t>(f);
        flapGrid_ = CellGrid(
            flapBoxes_, cell,
            [&](std::size_t f, const Box& box, double scale) { return ringMisses(outlines_[f], box, scale); }, &byRank);
        for (std::size_t i = 0; i < faceBoxes_.size(); ++i)
            faceData_.push_back({faceBoxes_[i], static_cast<std::uint32_t>(facePart_[i]), 0});
        for (std::size_t f = 0; f < flapBoxes_.size(); ++f)
            flapData_.push_back(
                {flapBoxes_[f], static_cast<std::uint32_t>(flapPart_[f]), static_cast<std::uint32_t>(flapRank_[f])});
        faceStamp_.assign(faceBoxes_.size(), 0);
        flapStamp_.assign(flapBoxes_.size(), 0);
    }

    // The faces of candidate parts and their earlier flaps listed in the cells along the
    // flap's sides, faces in drawing order, then flaps in (part, flap) order, as a plain scan
    // would meet them. The sides of a flap run close together, so the cells they share are
    // read once for all of them.
    void gather(std::span<const Point2> o, const std::vector<char>& candidate, std::size_t flap) {
        ++stamp_;
        nearFaces_.clear();
        nearFlaps_.clear();
        auto cellsOf = [&](const CellGrid& grid) {
            cells_.clear();
            for (std::size_t k = 0; k + 1 < o.size(); ++k)
                grid.cellsAlong(o[k], o[k + 1], [&](std::uint64_t c) { cells_.push_back(c); });
            std::sort(cells_.begin(), cells_.end());
            cells_.erase(std::unique(cells_.begin(), cells_.end()), cells_.end());
        };
        const auto face = [&](std::uint32_t i) {
            if (faceStamp_[i] == stamp_) return false;
            faceStamp_[i] = stamp_;
            if (candidate[faceData_[i].part]) nearFaces_.push_back(i);
            return false;
        };
        cellsOf(faceGrid_);
        for (std::uint64_t c : cells_) faceGrid_.inCell(c, face);
        faceGrid_.wide(face);
        // Cells list flaps in rank order: the rest of a cell's list comes after this flap.
        const std::size_t rank = flapRank_[flap];
        const auto earlier = [&](std::uint32_t f) {
            const Item& item = flapData_[f];
            if (item.rank >= rank) return true;
            if (flapStamp_[f] == stamp_) return false;
            flapStamp_[f] = stamp_;
            if (candidate[item.part]) nearFlaps_.push_back(f);
            return false;
        };
        cellsOf(flapGrid_);
        for (std::uint64_t c : cells_) flapGrid_.inCell(c, earlier);
        flapGrid_.wide(earlier);
        std::sort(nearFaces_.begin(), nearFaces_.end());
        std::sort(nearFlaps_.begin(), nearFlaps_.end(),
                  [&](std::uint32_t f, std::uint32_t g) { return flapData_[f].rank < flapData_[g].rank; });
    }

    // Of the gathered faces and flaps, those whose boxes meet the side's box, in their order.
    void nearSide(const Box& b) {
        faceHits_.clear();
        flapHits_.clear();
        for (std::uint32_t i : nearFaces_)
            if (faceData_[i].box.overlaps(b)) faceHits_.push_back(i);
        for (std::uint32_t f : nearFlaps_)
            if (flapData_[f].box.overlaps(b)) flapHits_.push_back(f);
    }

    bool insideFace(std::uint32_t i, Point2 p) const {
        const std::span<const Point2> c = faceRings_[i];
        for (std::size_t k = 1; k + 1 < c.size(); ++k)
            if (strictlyInside(p, c[0], c[k], c[k + 1])) return true;
        return false;
    }
    bool insideFlap(std::uint32_t f, Point2 p) const {
        const std::span<const Point2> o = outlines_[f];
        if (o.size() == 3) return strictlyInside(p, o[0], o[1], o[2]);
        if (o.size() == 4) return strictlyInside(p, o[0], o[1], o[2]) || strictlyInside(p, o[0], o[2], o[3]);
        return false;
    }

    // Whether p lies strictly inside a face of a candidate part or an earlier flap of one
    // (a face taken as the fan from its first corner). Neighbouring pieces of a side mostly
    // lie in the same flap or face, so the one that hid the last piece is asked first.
    bool hidden(Point2 p, const std::vector<char>& candidate, std::size_t flap) {
        if (lastHider_ != kNoHider) {
            const auto item = static_cast<std::uint32_t>(lastHider_ >> 1);
            if ((lastHider_ & 1) ? insideFlap(item, p) : insideFace(item, p)) return true;
        }
        bool inside = false;
        faceGrid_.at(p, [&](std::uint32_t i) {
            if (inside) return true;
            if (!candidate[faceData_[i].part] || !faceData_[i].box.contains(p)) return false;
            inside = insideFace(i, p);
            if (inside) lastHider_ = std::uint64_t{i} << 1;
            return inside;
        });
        if (inside) return true;
        // A cell lists its flaps in (part, flap) order: the earlier ones come first.
        const std::size_t rank = flapRank_[flap];
        flapGrid_.at(p, [&](std::uint32_t f) {
            const Item& item = flapData_[f];
            if (inside || item.rank >= rank) return true;
            if (!candidate[item.part] || !item.box.contains(p)) return false;
            inside = insideFlap(f, p);
            if (inside) lastHider_ = std::uint64_t{f} << 1 | 1;
            return inside;
        });
        return inside;
    }

    // Where the side a–b crosses the edges of the gathered faces and flaps, in gathering order.
    void crossings(Point2 a, Point2 b) {
        points_.clear();
        // An edge whose ends both lie clearly on one side of the side's line cannot meet it,
        // whatever the rounding in crossing(): only the others are worked out.
        const Point2 r = minus(b, a);
        const double slack = 1e-9 * (std::fabs(r.x) + std::fabs(r.y));
        const double reach = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)});
        auto ring = [&](std::span<const Point2> c) {
            const std::size_t n = c.size();
            if (n > kRingCorners) {
                Point2 x;
                for (std::size_t k = 0; k < n; ++k)
                    if (crossing(a, b, c[k], c[(k + 1) % n], x)) points_.push_back(x);
                return;
            }
            double side[kRingCorners], size[kRingCorners];
            for (std::size_t k = 0; k < n; ++k) {
                side[k] = cross(r, minus(c[k], a));
                size[k] = std::max(std::fabs(c[k].x), std::fabs(c[k].y));
            }
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t next = (k + 1) % n;
                const double clear = slack * (reach + size[k] + size[next]);
                if ((side[k] > clear && side[next] > clear) || (side[k] < -clear && side[next] < -clear)) continue;
                Point2 x;
                if (crossing(a, b, c[k], c[next], x)) points_.push_back(x);
            }
        };
        for (std::uint32_t i : faceHits_) ring(faceRings_[i]);
        for (std::uint32_t f : flapHits_) ring(outlines_[f]);
    }

    void drawFlap(std::size_t flap, const std::vector<char>& candidate, std::vector<FlapPiece>& out) {
        const std::span<const Point2> o = outlines_[flap];
        lastHider_ = kNoHider;
        gather(o, candidate, flap);
        for (std::size_t k = 0; k + 1 < o.size(); ++k) {
            const Point2 a = o[k], b = o[k + 1];
            Box side;
            side.add(a);
            side.add(b);
            nearSide(side);
            crossings(a, b);
            if (points_.empty()) {
                if (!hidden({(a.x + b.x) / 2, (a.y + b.y) / 2}, candidate, flap)) out.push_back({flap, a, b});
                continue;
            }
            walk(a, b);
            for (const auto& [from, to] : steps_)
                if (!hidden({(from.x + to.x) / 2, (from.y + to.y) / 2}, candidate, flap))
                    out.push_back({flap, from, to});
        }
    }

    // The pieces of the side a–b between its crossing points into steps_: from a, each time to
    // the nearest point not yet reached (the first found among equally near ones), b last of
    // the points; pieces without length are left out.
    void walk(Point2 a, Point2 b) {
        steps_.clear();
        std::vector<Point2>& p = walkPoints_;
        p = points_;
        p.push_back(b);
        const std::size_t n = p.size();
        auto step = [&](Point2 current, Point2 next) {
            // Crossing points that coincide give pieces without length, which draw nothing.
            if (!(next.x == current.x && next.y == current.y)) steps_.push_back({current, next});
        };
        auto distance = [](Point2 q, Point2 r) {
            const double dx = q.x - r.x, dy = q.y - r.y;
            return dx * dx + dy * dy;
        };
        // The points lie on the side up to rounding, so their order along it tells which are
        // near: only those within the nearest distance so far (and a rounding margin) along
        // the side need their distance measured.
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        double scale = std::max(std::fabs(a.x), std::fabs(a.y));
        for (Point2 q : p) scale = std::max({scale, std::fabs(q.x), std::fabs(q.y)});
        const double margin = 1e-9 * (1.0 + scale + length);
        bool indexed = n > kPlainWalk && length > 0 && std::isfinite(length) && std::isfinite(margin);
        const double ux = indexed ? (b.x - a.x) / length : 0.0, uy = indexed ? (b.y - a.y) / length : 0.0;
        std::vector<double>& t = walkAlong_;
        t.resize(n);
        for (std::size_t i = 0; i < n && indexed; ++i) {
            t[i] = (p[i].x - a.x) * ux + (p[i].y - a.y) * uy;
            indexed = std::isfinite(t[i]);
        }
        if (!indexed) {
            std::vector<Point2> remaining = p;
            Point2 current = a;
            while (!remaining.empty()) {
                std::size_t best = 0;
                double bestDistance = std::numeric_limits<double>::infinity();
                for (std::size_t i = 0; i < remaining.size(); ++i) {
                    const double dist = distance(remaining[i], current);
                    if (dist < bestDistance) {
                        bestDistance = dist;
                        best = i;
                    }
                }
                const Point2 next = remaining[best];
                remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
                step(current, next);
                current = next;
            }
            return;
        }
        // Points by their place along the side, linked so that reached ones drop out.
        std::vector<std::uint32_t>& order = walkOrder_;
        // Sorted with their places beside them rather than looked up: points at the same place
        // may come in any order, as the walk looks at all of them.
        std::vector<std::pair<double, std::uint32_t>>& sorted = walkSorted_;
        sorted.resize(n);
        for (std::size_t i = 0; i < n; ++i) sorted[i] = {t[i], static_cast<std::uint32_t>(i)};
        std::sort(sorted.begin(), sorted.end());
        order.resize(n);
        for (std::size_t r = 0; r < n; ++r) order[r] = sorted[r].second;
        constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
        std::vector<std::size_t>& before = walkBefore_;
        std::vector<std::size_t>& after = walkAfter_;
        before.resize(n);
        after.resize(n);
        for (std::size_t r = 0; r < n; ++r) {
            before[r] = r == 0 ? kNone : r - 1;
            after[r] = r + 1 == n ? kNone : r + 1;
        }
        std::size_t right = static_cast<std::size_t>(
            std::lower_bound(order.begin(), order.end(), 0.0, [&](std::uint32_t i, double v) { return t[i] < v; }) -
            order.begin());
        std::size_t left = right == 0 ? kNone : right - 1;
        if (right == n) right = kNone;
        Point2 current = a;
        double along = 0.0;
        for (std::size_t reached = 0; reached < n; ++reached) {
            double bestDistance = std::numeric_limits<double>::infinity();
            std::size_t best = kNone, bestRank = kNone;
            auto consider = [&](std::size_t r) {
                const std::uint32_t i = order[r];
                const double dist = distance(p[i], current);
                if (dist < bestDistance || (dist == bestDistance && i < best)) {
                    bestDistance = dist;
                    best = i;
                    bestRank = r;
                }
            };
            auto beyond = [&](double gap) { return gap > 0 && gap * gap > bestDistance * (1.0 + 1e-9); };
            for (std::size_t r = right; r != kNone && !beyond(t[order[r]] - along - margin); r = after[r]) consider(r);
            for (std::size_t r = left; r != kNone && !beyond(along - t[order[r]] - margin); r = before[r]) consider(r);
            left = before[bestRank];
            right = after[bestRank];
            if (left != kNone) after[left] = right;
            if (right != kNone) before[right] = left;
            step(current, p[best]);
            current = p[best];
            along = t[best];
        }
    }
};

}  // namespace

std::vector<FlapPiece> visibleFlapPieces(const DevelopmentDrawing& drawing) {
    return FlapVisibility(drawing).run();
}

}  // namespace plikatra
