#include "development/seed_queue.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace plikatra {

namespace {

// What one face offers to a ranking: whether it has a qualifying edge, whether the first of
// them has a length that is not a number, and the longest length that is a number.
struct Offer {
    bool any = false;
    bool firstNaN = false;
    bool anyNumber = false;
    double longest = 0.0;

    void see(double length) {
        if (!any) firstNaN = std::isnan(length);
        any = true;
        if (std::isnan(length)) return;
        if (!anyNumber || length > longest) longest = length;
        anyNumber = true;
    }
};

}  // namespace

SeedQueue::SeedQueue(Solid& solid, int flatFoldAngle)
    : solid_(solid), unplacedEnd_(solid.faces.size()) {
    std::vector<std::pair<double, std::uint32_t>> cutLengths, foldLengths;
    for (std::size_t i = 0; i < solid.faces.size(); ++i) {
        const Face& f = *solid.faces[i];
        Offer cut, fold;
        for (const auto& h : f.halfedges) {
            const Edge* e = h->edge;
            if (!e) continue;
            // The same tests as findSeedFace, in the same order.
            if (!e->b || e->kind == kEdgeCut)
                cut.see(e->length);
            else if (e->foldAngle < flatFoldAngle)
                fold.see(e->length);
        }
        const auto index = static_cast<std::uint32_t>(i);
        auto record = [&](const Offer& o, Ranking& r,
                          std::vector<std::pair<double, std::uint32_t>>& lengths) {
            if (!o.any) return;
            r.inOrder.push_back(index);
            r.stuck.push_back(o.firstNaN);
            if (o.anyNumber) lengths.emplace_back(o.longest, index);
        };
        record(cut, cut_, cutLengths);
        record(fold, fold_, foldLengths);
    }
    auto rank = [](std::vector<std::pair<double, std::uint32_t>>& lengths, Ranking& r) {
        std::sort(lengths.begin(), lengths.end(), [](const auto& a, const auto& b) {
            return a.first > b.first || (a.first == b.first && a.second < b.second);
        });
        r.byLength.reserve(lengths.size());
        for (const auto& l : lengths) r.byLength.push_back(l.second);
    };
    rank(cutLengths, cut_);
    rank(foldLengths, fold_);
}

Face* SeedQueue::pick(Ranking& r) {
    while (r.first < r.inOrder.size() && placed(r.inOrder[r.first])) ++r.first;
    if (r.first == r.inOrder.size()) return nullptr;
    if (r.stuck[r.first]) return solid_.faces[r.inOrder[r.first]].get();
    // The first face's first length is a number, so the longest number wins: it exists.
    while (placed(r.byLength[r.best])) ++r.best;
    return solid_.faces[r.byLength[r.best]].get();
}

Face* SeedQueue::next() {
    if (Face* f = pick(cut_)) return f;
    if (Face* f = pick(fold_)) return f;
    while (unplacedEnd_ > 0 && solid_.faces[unplacedEnd_ - 1]->placed) --unplacedEnd_;
    return unplacedEnd_ > 0 ? solid_.faces[unplacedEnd_ - 1].get() : nullptr;
}

}  // namespace plikatra
