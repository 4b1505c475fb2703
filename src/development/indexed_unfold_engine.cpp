#include "development/indexed_unfold_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "development/outline_grid.h"
#include "development/part_growing.h"
#include "development/seed_queue.h"

namespace plikatra {

namespace {

Point2 flat(const Halfedge* h) { return {h->flatX, h->flatY}; }

// A halfedge of the part whose edge may be folded next. `order` is the position where the
// reference scan meets it: the face's attach index, then its place in the ring. The face
// across is kept too, so that a stale entry is recognised with one memory access.
struct Candidate {
    double priority;
    std::uint64_t order;
    Halfedge* halfedge;
    const Face* across;
};

// Heap order: the top is the candidate the scan would keep, the highest priority and, among
// equal ones, the first met.
struct ComesAfter {
    bool operator()(const Candidate& a, const Candidate& b) const {
        return a.priority < b.priority || (a.priority == b.priority && a.order > b.order);
    }
};

// Outline cells about twice the typical edge: a segment then lies in one or two cells and a
// cell holds a handful of segments. Typical is the median length of a sample of the edges:
// the mean follows the few long edges of models that mix long and short ones, and cells
// that large fill with the short ones.
double cellSizeFor(const Solid& solid) {
    const size_t n = solid.edges.size();
    const size_t step = std::max<size_t>(1, n / 4096);
    std::vector<double> lengths;
    for (size_t i = 0; i < n; i += step) {
        const double l = solid.edges[i]->length;
        if (std::isfinite(l) && l > 0.0) lengths.push_back(l);
    }
    if (lengths.empty()) return 1.0;
    const auto middle = lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2);
    std::nth_element(lengths.begin(), middle, lengths.end());
    return 2.0 * *middle;
}

// Grows one part at a time, with the state that makes each step cheap.
class PartGrower {
public:
    PartGrower(const UnfoldOptions& options, std::vector<Edge*>& rejected)
        : options_(options), rejected_(rejected) {}

    void start(Part& part, double cellSize) {
        part_ = &part;
        attached_ = 0;
        heap_.clear();
        stale_ = 0;
        outline_.reset(cellSize);
    }

    // Takes a face that was just put into the part: its sides join the outline and its edges
    // to unplaced faces become candidates.
    void add(Face& face) {
        // The edges and the faces across lie anywhere in memory: ask for all of them before
        // waiting on the first.
        for (auto& hp : face.halfedges) {
            __builtin_prefetch(hp->edge);
            __builtin_prefetch(hp->pair);
        }
        for (auto& hp : face.halfedges)
            if (hp->pair) __builtin_prefetch(&hp->pair->face->placed);
        const std::uint64_t faceOrder = static_cast<std::uint64_t>(attached_++) << 32;
        std::uint64_t ring = 0;
        for (auto& hp : face.halfedges) {
            Halfedge* h = hp.get();
            const std::uint64_t order = faceOrder | ring++;
            // The side the face was attached across is a fold now: it leaves the outline,
            // and its twin, the new face's side, never joins it. Folds stay folds while the
            // part grows.
            if (h->twin) outline_.remove(h->twin);
            else outline_.add(h);
            if (!h->pair) continue;
            const Face* across = h->pair->face;
            // The part's sides towards this face were candidates; they are stale now.
            if (across->part == part_) ++stale_;
            Edge* e = h->edge;
            if (!e || !e->b || e->kind == kEdgeCut) continue;
            if (across->placed || e->rejected == -1) continue;
            const double priority = edgePriority(*e, options_.algorithm);
            // The scan starts from a best of 0 and only takes strictly greater priorities.
            if (!(priority > 0.0)) continue;
            heap_.push_back({priority, order, h, across});
            std::push_heap(heap_.begin(), heap_.end(), ComesAfter{});
        }
        // Stale entries only leave the queue when they come to the top; once they are most
        // of it, they are swept out so that a big part's queue stays about as large as its
        // live candidates.
        if (heap_.size() > kSweepFloor && stale_ * 2 > heap_.size()) {
            std::erase_if(heap_, [](const Candidate& c) {
                return c.across->placed || c.halfedge->edge->rejected == -1;
            });
            std::make_heap(heap_.begin(), heap_.end(), ComesAfter{});
            stale_ = 0;
        }
    }

    // Sets the part's next candidate as chooseCandidate does.
    void choose() {
        part_->nextCandidate = nullptr;
        while (!heap_.empty()) {
            const Candidate& top = heap_.front();
            // Entries go stale when their far face was placed or their edge refused; neither
            // is ever undone while the part grows.
            Halfedge* h = top.halfedge;
            Edge* e = top.across->placed ? nullptr : h->edge;
            if (e && e->rejected != -1) {
                if (fits(h->face, *e)) {
                    part_->nextCandidate = h;
                    return;
                }
                e->rejected = -1;
                rejected_.push_back(e);
            } else if (stale_ > 0) {
                --stale_;
            }
            std::pop_heap(heap_.begin(), heap_.end(), ComesAfter{});
            heap_.pop_back();
        }
    }

    // Places the face across the part's next candidate. The crossing test that accepted the
    // candidate has laid the face out already; the positions are reused when it laid out the
    // very sides the attachment joins, as it does unless the model's pairing is broken.
    Face* attach(Model& model) {
        Halfedge* candidate = part_->nextCandidate;
        const auto [p, t] = acrossSides(candidate);
        const bool laidOut = p == laidP_ && t == laidT_;
        return placeAcross(model, *part_, candidate, points_, laidOut);
    }

private:
    // fitsWithoutCrossing, with the outline met through the grid.
    bool fits(const Face* placedFace, const Edge& edge) {
        const Halfedge* p = edge.a->face == placedFace ? edge.b : edge.a;
        const Halfedge* t = p->pair;
        if (!t) return false;
        layRing(p, flat(t->next), flat(t), points_);
        laidP_ = p;
        laidT_ = t;
        if (options_.unstrictCrossCheck) {
            vertices_.clear();
            for (const Halfedge* h = p;;) {
                vertices_.push_back(h->origin);
                h = h->next;
                if (h == p || !h) break;
            }
        }
        for (std::size_t k = 2; k < points_.size(); ++k)
            if (crossesOutline(placedFace, 0, k) || crossesOutline(placedFace, k - 1, k))
                return false;
        return true;
    }

    bool crossesOutline(const Face* placedFace, std::size_t first, std::size_t second) const {
        const Point2 a = points_[first], n = points_[second];
        const bool unstrict = options_.unstrictCrossCheck;
        auto crosses = [&](const Halfedge* h) {
            if (h->twin || h->face == placedFace) return false;
            Point2 r = flat(h), s = flat(h->next);
            if (unstrict) {
                if (h->origin == vertices_[first]) r = a;
                else if (h->origin == vertices_[second]) r = n;
                if (h->next->origin == vertices_[first]) s = a;
                else if (h->next->origin == vertices_[second]) s = n;
            }
            return segmentsCross(a, n, r, s);
        };
        if (outline_.answers(a, n)) return outline_.near(a, n, crosses);
        // A segment the grid cannot place: compare it with the whole outline.
        for (const Face* f : part_->faces)
            for (const auto& hp : f->halfedges)
                if (crosses(hp.get())) return true;
        return false;
    }

    const UnfoldOptions& options_;
    std::vector<Edge*>& rejected_;
    Part* part_ = nullptr;
    std::uint32_t attached_ = 0;
    static constexpr std::size_t kSweepFloor = 256;
    std::vector<Candidate> heap_;
    std::size_t stale_ = 0;  // about how many entries of heap_ are stale
    OutlineGrid outline_;
    std::vector<Point2> points_;  // the face last laid out by fits()
    const Halfedge* laidP_ = nullptr;
    const Halfedge* laidT_ = nullptr;
    std::vector<const Vertex*> vertices_;
};

}  // namespace

void IndexedUnfoldEngine::growParts(Model& model, const UnfoldOptions& options,
                                    UnfoldProgress& progress) const {
    // Every part starts with no edge refused. Marks left from before this run are cleared
    // once, at the first part, as the reference does; after that only the edges the previous
    // part refused need clearing (they are all in their solids' edge lists, which is what the
    // reference clears: every reader and the construction list every edge they make).
    bool clearAll = true;
    std::vector<Edge*> rejected;
    PartGrower grower(options, rejected);
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (!solid.visible) continue;
        SeedQueue seeds(solid, options.flatFoldAngle);
        const double cellSize = cellSizeFor(solid);
        while (Face* seed = seeds.next()) {
            Part* part = plantSeed(model, seed);
            if (clearAll) {
                resetRejected(model);
                clearAll = false;
            } else {
                for (Edge* e : rejected) e->rejected = 0;
            }
            rejected.clear();
            grower.start(*part, cellSize);
            grower.add(*seed);
            grower.choose();
            while (part->nextCandidate) {
                progress.beforeAttach(model);
                Face* face = grower.attach(model);
                grower.add(*face);
                grower.choose();
                progress.afterAttach(model);
            }
        }
    }
}

}  // namespace plikatra
