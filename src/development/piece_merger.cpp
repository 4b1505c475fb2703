#include "development/piece_merger.h"

#include <algorithm>
#include <numeric>

#include "development/face_overlap.h"
#include "development/part_growing.h"

namespace plikatra {

namespace {

// A face whose box covers more cells than this is kept in its piece's list of wide faces.
constexpr std::int64_t kWideCells = 256;
// Cell entries per face, most of them left behind by moves, past which the cells are rebuilt.
constexpr std::size_t kStaleEntriesPerFace = 16;

}  // namespace

std::vector<Face*> visibleFaces(Model& model) {
    std::vector<Face*> out;
    for (auto& s : model.solids)
        if (s->visible)
            for (auto& f : s->faces) out.push_back(f.get());
    return out;
}

Mesh buildMesh(const std::vector<Face*>& faces) {
    Mesh m;
    m.faces = faces;
    std::unordered_map<const Face*, std::int32_t> ids;
    for (std::size_t f = 0; f < faces.size(); ++f)
        ids.emplace(faces[f], static_cast<std::int32_t>(f));
    m.first.reserve(m.faces.size() + 1);
    std::vector<double> lengths;
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
        m.first.push_back(static_cast<std::int32_t>(m.halfedge.size()));
        if (m.faces[f]->halfedges.size() != 3) m.onlyTriangles = false;
        for (auto& h : m.faces[f]->halfedges) {
            m.halfedge.push_back(h.get());
            m.faceOf.push_back(static_cast<std::int32_t>(f));
        }
    }
    m.first.push_back(static_cast<std::int32_t>(m.halfedge.size()));
    const std::size_t n = m.halfedge.size();
    std::unordered_map<const Vertex*, std::int32_t> vertexIds;
    m.vertexOf.resize(n);
    for (std::size_t c = 0; c < n; ++c) {
        const Vertex* v = m.halfedge[c]->origin;
        auto [it, added] = vertexIds.try_emplace(v, static_cast<std::int32_t>(m.vertices.size()));
        if (added) m.vertices.push_back(v->position);
        m.vertexOf[c] = it->second;
    }
    m.across.assign(n, -1);
    m.weight.assign(n, 0.0);
    m.flatness.assign(n, 0.0);
    for (std::size_t c = 0; c < n; ++c) {
        const Halfedge* h = m.halfedge[c];
        const Edge* e = h->edge;
        if (e) {
            const double l = std::isfinite(e->length) && e->length > 0 ? e->length : 0.0;
            m.weight[c] = e->kind == kEdgeKeep ? 2 * l : l;
            m.flatness[c] = std::isfinite(e->foldAngle) ? e->foldAngle / 180.0 : 0.0;
            if (c % 7 == 0 && l > 0) lengths.push_back(l);
        }
        if (!e || !e->b || e->kind == kEdgeCut || !h->pair || h->pair->pair != h) continue;
        const Face* other = h->pair->face;
        if (other == h->face) continue;
        const auto it = ids.find(other);
        if (it == ids.end()) continue;
        int corner = m.first[it->second];
        for (auto& q : other->halfedges) {
            if (q.get() == h->pair) break;
            ++corner;
        }
        m.across[c] = corner;
    }
    if (!lengths.empty()) {
        auto mid = lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2);
        std::nth_element(lengths.begin(), mid, lengths.end());
        m.typicalEdge = *mid;
    }
    return m;
}

std::vector<std::vector<std::int32_t>> components(const Mesh& m) {
    std::vector<std::int32_t> up(m.faces.size());
    std::iota(up.begin(), up.end(), 0);
    auto findRoot = [&](std::int32_t x) {
        while (up[x] != x) x = up[x] = up[up[x]];
        return x;
    };
    for (int c = 0; c < m.cornerCount(); ++c) {
        if (m.across[c] < 0) continue;
        const std::int32_t a = findRoot(m.faceOf[c]), b = findRoot(m.faceOf[m.across[c]]);
        if (a != b) up[std::max(a, b)] = std::min(a, b);
    }
    std::vector<std::vector<std::int32_t>> out;
    std::vector<std::int32_t> index(m.faces.size(), -1);
    for (int f = 0; f < m.faceCount(); ++f) {
        const std::int32_t root = findRoot(f);
        if (index[root] < 0) {
            index[root] = static_cast<std::int32_t>(out.size());
            out.emplace_back();
        }
        out[index[root]].push_back(f);
    }
    return out;
}

void Merger::startSingletons() {
    const int nf = m_.faceCount();
    p_.piece.resize(static_cast<std::size_t>(nf));
    p_.fold.assign(static_cast<std::size_t>(m_.cornerCount()), 0);
    p_.pos.assign(static_cast<std::size_t>(m_.cornerCount()), Point2{});
    p_.members.assign(static_cast<std::size_t>(nf), {});
    p_.root.resize(static_cast<std::size_t>(nf));
    p_.alive = nf;
    squares_ = nf;
    clearCells();
    boxes_.resize(static_cast<std::size_t>(nf));
    entries_.clear();
    for (auto& w : wide_) w.clear();
    for (int f = 0; f < nf; ++f) {
        p_.piece[f] = f;
        p_.members[f].push_back(f);
        p_.root[f] = f;
        const Halfedge* h = m_.halfedge[m_.first[f]];
        const double len = h->edge ? h->edge->length
                                   : distance3(h->origin->position, h->next->origin->position);
        layRing(h, {0.0, 0.0}, {-len, 0.0}, ring_);
        store(m_.first[f], ring_);
        ++version_[f];
        insert(f, f);
    }
}

void Merger::load(const Partition& p) {
    startSingletons();
    for (int c = 0; c < m_.cornerCount(); ++c)
        if (p.fold[c] && c < m_.across[c]) tryMerge(c);
}

void Merger::assign(const Partition& p) {
    p_ = p;
    squares_ = 0;
    for (const auto& faces : p_.members) {
        const auto n = static_cast<std::int64_t>(faces.size());
        squares_ += n * n;
    }
    clearCells();
    boxes_.resize(m_.faces.size());
    entries_.clear();
    for (auto& w : wide_) w.clear();
    for (int f = 0; f < m_.faceCount(); ++f) {
        ++version_[f];
        insert(f, p_.piece[f]);
    }
}

void Merger::startNoting() {
    if (++changedNow_ == 0) {
        std::fill(changedMark_.begin(), changedMark_.end(), 0);
        changedNow_ = 1;
    }
    changed_.clear();
}

void Merger::copyChanged(const Partition& from, Partition& to) {
    std::vector<std::int32_t> ids;
    for (std::int32_t f : changed_) {
        ids.push_back(from.piece[f]);
        ids.push_back(to.piece[f]);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (std::int32_t id : ids) {
        to.members[id] = from.members[id];
        to.root[id] = from.root[id];
    }
    for (std::int32_t f : changed_) {
        to.piece[f] = from.piece[f];
        for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
            to.pos[k] = from.pos[k];
            to.fold[k] = from.fold[k];
            if (m_.across[k] >= 0) to.fold[m_.across[k]] = from.fold[m_.across[k]];
        }
    }
    to.alive = from.alive;
}

void Merger::revert(const Partition& saved) {
    // The squared sizes of the pieces that change, taken out and put back as saved.
    std::vector<std::int32_t> ids;
    for (std::int32_t f : changed_) {
        ids.push_back(p_.piece[f]);
        ids.push_back(saved.piece[f]);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (std::int32_t id : ids) {
        const auto now = static_cast<std::int64_t>(p_.members[id].size());
        const auto then = static_cast<std::int64_t>(saved.members[id].size());
        squares_ += then * then - now * now;
    }
    copyChanged(saved, p_);
    const std::vector<std::int32_t> faces = std::move(changed_);
    for (std::int32_t f : faces) {
        ++version_[f];
        insert(f, p_.piece[f]);
    }
    startNoting();
}

void Merger::keep(Partition& saved) {
    copyChanged(p_, saved);
    startNoting();
}

void Merger::markFaces(const std::vector<std::int32_t>& faces) {
    if (mark_.size() != m_.faces.size()) mark_.assign(m_.faces.size(), 0);
    if (++markNow_ == 0) {
        std::fill(mark_.begin(), mark_.end(), 0);
        markNow_ = 1;
    }
    for (std::int32_t f : faces) mark_[f] = markNow_;
}

void Merger::breakUp(const std::vector<std::int32_t>& ids) {
    for (std::int32_t id : ids) {
        const std::vector<std::int32_t> faces = std::move(p_.members[id]);
        p_.members[id].clear();
        if (faces.empty()) continue;
        const auto n = static_cast<std::int64_t>(faces.size());
        squares_ -= n * n - n;
        p_.alive += static_cast<int>(n) - 1;
        for (int f : faces) {
            for (int k = m_.first[f]; k < m_.first[f + 1]; ++k)
                if (p_.fold[k]) p_.fold[k] = p_.fold[m_.across[k]] = 0;
            p_.piece[f] = f;
            p_.members[f] = {f};
            p_.root[f] = f;
            ++version_[f];
            insert(f, f);
        }
    }
}

void Merger::carve(const std::vector<std::int32_t>& faces) {
    ++stamp_;
    std::vector<std::int32_t> touched;
    for (std::int32_t f : faces) {
        inS_[f] = stamp_;
        const std::int32_t id = p_.piece[f];
        if (outside_[id] != stamp_) {
            outside_[id] = stamp_;
            touched.push_back(id);
        }
    }
    std::sort(touched.begin(), touched.end());
    std::vector<std::int32_t> rest, queue;
    for (std::int32_t id : touched) {
        std::vector<std::int32_t> old = std::move(p_.members[id]);
        p_.members[id].clear();
        const auto n = static_cast<std::int64_t>(old.size());
        squares_ -= n * n;
        --p_.alive;
        rest.clear();
        for (std::int32_t f : old) {
            if (inS_[f] != stamp_) {
                rest.push_back(f);
                continue;
            }
            for (int k = m_.first[f]; k < m_.first[f + 1]; ++k)
                if (p_.fold[k]) p_.fold[k] = p_.fold[m_.across[k]] = 0;
        }
        for (std::int32_t f : faces)
            if (p_.piece[f] == id) {
                p_.piece[f] = -1;  // taken below
            }
        // What is left falls apart where the carved faces held it together: each part of it
        // connected by folds keeps its places and becomes a piece, named after a face of it
        // (the piece's own face where it is among them, so the name stays).
        for (std::int32_t f : rest) p_.piece[f] = -2;
        auto grow = [&](std::int32_t from) {
            queue.assign(1, from);
            p_.piece[from] = -3;
            for (std::size_t i = 0; i < queue.size(); ++i)
                for (int k = m_.first[queue[i]]; k < m_.first[queue[i] + 1]; ++k)
                    if (p_.fold[k]) {
                        const std::int32_t g = m_.faceOf[m_.across[k]];
                        if (p_.piece[g] == -2) {
                            p_.piece[g] = -3;
                            queue.push_back(g);
                        }
                    }
            const std::int32_t name =
                p_.piece[id] == -3 ? id : *std::min_element(queue.begin(), queue.end());
            // Faces that keep their piece's name keep their cells too.
            for (std::int32_t g : queue) {
                p_.piece[g] = name;
                if (name == id) continue;
                ++version_[g];
                insert(g, name);
            }
            p_.members[name] = queue;
            p_.root[name] = name;
            const auto size = static_cast<std::int64_t>(queue.size());
            squares_ += size * size;
            ++p_.alive;
        };
        if (inS_[id] != stamp_) grow(id);
        for (std::int32_t f : rest)
            if (p_.piece[f] == -2) grow(f);
    }
    for (std::int32_t f : faces) {
        p_.piece[f] = f;
        p_.members[f] = {f};
        p_.root[f] = f;
        ++version_[f];
        insert(f, f);
        squares_ += 1;
        ++p_.alive;
    }
}

Merger::Merged Merger::tryMerge(int c) {
    const int c2 = m_.across[c];
    const std::int32_t a = p_.piece[m_.faceOf[c]], b = p_.piece[m_.faceOf[c2]];
    if (a == b) return {};
    const std::size_t sa = p_.members[a].size(), sb = p_.members[b].size();
    // The smaller piece moves; of two alike the later one.
    const bool moveB = sb < sa || (sb == sa && b > a);
    const std::int32_t kept = moveB ? a : b, moved = moveB ? b : a;
    const int t = moveB ? c : c2;  // side in the kept piece
    const int s = moveB ? c2 : c;  // side in the moved piece
    ++attempt_;
    laid_.clear();
    backup_.clear();
    bool ok = true;
    // The moved piece is laid out again tree edge by tree edge from the hinge, each face
    // from the face it folds to, as the growth lays them.
    if (!layAndTest(m_.faceOf[s], s, t, kept)) ok = false;
    for (std::size_t i = 0; ok && i < laid_.size(); ++i) {
        const int u = laid_[i];
        for (int k = m_.first[u]; ok && k < m_.first[u + 1]; ++k) {
            if (!p_.fold[k]) continue;
            const int v = m_.faceOf[m_.across[k]];
            if (moving_[v] == attempt_) continue;
            if (!layAndTest(v, m_.across[k], k, kept)) ok = false;
        }
    }
    if (!ok) {
        // Back where they were, in their own piece; triangles never left its cells.
        std::size_t b0 = 0;
        for (int u : laid_) {
            for (int k = m_.first[u]; k < m_.first[u + 1]; ++k) p_.pos[k] = backup_[b0++];
            if (m_.onlyTriangles) continue;
            p_.piece[u] = moved;
            ++version_[u];
            insert(u, moved);
        }
        return {};
    }
    if (m_.onlyTriangles)
        for (int u : laid_) {
            p_.piece[u] = kept;
            ++version_[u];
            insert(u, kept);
        }
    p_.fold[s] = p_.fold[t] = 1;
    auto& into = p_.members[kept];
    if (logging_)
        log_.push_back({kept, moved, s, t, into.size(), p_.members[moved], laid_, backup_});
    squares_ += 2 * static_cast<std::int64_t>(into.size() * p_.members[moved].size());
    into.insert(into.end(), p_.members[moved].begin(), p_.members[moved].end());
    p_.members[moved].clear();
    p_.members[moved].shrink_to_fit();
    --p_.alive;
    return {true, kept, moved};
}

void Merger::mergeAll(const std::function<bool()>& poll, const std::vector<std::int32_t>* only) {
    compactCells();
    const int nc = m_.cornerCount();
    failed_.assign(static_cast<std::size_t>(nc), 0);
    pairs_.clear();
    neighbours_.assign(p_.members.size(), {});
    Heap heap;
    std::vector<int> corners;
    if (only) {
        markFaces(*only);
        for (std::int32_t f : *only)
            for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
                const int k2 = m_.across[k];
                // A cut between two of the faces counts once, from its lower corner.
                if (k2 >= 0 && (k < k2 || mark_[m_.faceOf[k2]] != markNow_))
                    corners.push_back(std::min(k, k2));
            }
        std::sort(corners.begin(), corners.end());
        corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    }
    const int count = only ? static_cast<int>(corners.size()) : nc;
    for (int i = 0; i < count; ++i) {
        const int c = only ? corners[i] : i;
        const int c2 = m_.across[c];
        if (c2 < c || p_.fold[c]) continue;
        const std::int32_t a = p_.piece[m_.faceOf[c]], b = p_.piece[m_.faceOf[c2]];
        if (a == b) continue;
        auto [it, added] = pairs_.try_emplace(keyOf(a, b));
        it->second.length += m_.weight[c];
        it->second.hinges.push_back(c);
        if (added) {
            neighbours_[a].push_back(b);
            neighbours_[b].push_back(a);
        }
    }
    for (auto& [key, pair] : pairs_) heap.push({pair.length, key});
    std::uint32_t polls = 0;
    while (!heap.empty()) {
        if ((++polls & 15) == 0 && !poll()) return;
        const HeapEntry top = heap.top();
        heap.pop();
        auto it = pairs_.find(top.key);
        if (it == pairs_.end() || it->second.length != top.length) continue;
        std::vector<int> hinges = std::move(it->second.hinges);
        it->second.hinges.clear();
        std::stable_sort(hinges.begin(), hinges.end(),
                         [&](int x, int y) { return m_.weight[x] > m_.weight[y]; });
        Merged merged;
        for (int c : hinges) {
            if (failed_[c]) continue;
            merged = tryMerge(c);
            if (merged.ok) break;
            failed_[c] = 1;
        }
        if (merged.ok) joinPairs(merged.kept, merged.moved, heap);
    }
}

bool Merger::dissolve(std::int32_t id) {
    const std::vector<std::int32_t> faces = p_.members[id];
    if (faces.empty()) return false;
    ++stamp_;
    // The piece as it is, to go back to.
    savedPos_.clear();
    savedFold_.clear();
    for (int f : faces) {
        inS_[f] = stamp_;
        for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
            savedPos_.push_back(p_.pos[k]);
            savedFold_.push_back(p_.fold[k]);
        }
    }
    const std::int32_t savedRoot = p_.root[id];
    const std::int64_t savedSquares = squares_;
    const auto n = static_cast<std::int64_t>(faces.size());
    squares_ -= n * n - n;
    for (int f : faces) {
        for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) p_.fold[k] = 0;
        p_.piece[f] = f;
        p_.members[f] = {f};
        p_.root[f] = f;
        ++version_[f];
        insert(f, f);
    }
    p_.alive += static_cast<int>(faces.size()) - 1;
    logging_ = true;
    log_.clear();
    // A piece counts as outside once it holds a face that was not in the broken piece.
    auto outside = [&](std::int32_t piece) {
        return inS_[piece] != stamp_ || outside_[piece] == stamp_;
    };
    for (bool progress = true; progress;) {
        progress = false;
        for (int f : faces) {
            if (outside(p_.piece[f])) continue;
            for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
                const int c2 = m_.across[k];
                if (c2 < 0 || !outside(p_.piece[m_.faceOf[c2]]) || tried_[k] == stamp_) continue;
                tried_[k] = stamp_;
                const Merged mg = tryMerge(k);
                if (mg.ok) {
                    outside_[mg.kept] = stamp_;
                    progress = true;
                    break;
                }
            }
        }
    }
    int left = 0;
    for (int f : faces) left += outside(p_.piece[f]) ? 0 : 1;
    bool keep = left == 0;
    if (!keep && left < static_cast<int>(faces.size())) {
        // The faces left over, grown together again across the folds they had.
        for (int f : faces) {
            if (outside(p_.piece[f])) continue;
            for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
                const int c2 = m_.across[k];
                if (c2 < 0 || inS_[m_.faceOf[c2]] != stamp_ ||
                    outside(p_.piece[m_.faceOf[c2]]) || p_.piece[m_.faceOf[c2]] == p_.piece[f])
                    continue;
                tryMerge(k);
            }
        }
        int pieces = 0;
        ++query_;
        for (int f : faces) {
            const std::int32_t q = p_.piece[f];
            if (outside(q) || seen_[q] == query_) continue;
            seen_[q] = query_;
            ++pieces;
        }
        // Faces moved from the piece to larger ones: the sum of squared piece sizes grows,
        // which it cannot do for ever, so passes of dissolving come to an end.
        keep = pieces == 1 && squares_ > savedSquares;
    }
    logging_ = false;
    if (keep) return true;
    // Back as it was: the merges undone last first, then the piece put together again.
    for (std::size_t i = log_.size(); i-- > 0;) {
        const LogEntry& e = log_[i];
        p_.members[e.kept].resize(e.keptSize);
        p_.members[e.moved] = e.movedFaces;
        p_.fold[e.s] = p_.fold[e.t] = 0;
        std::size_t b = 0;
        for (int u : e.laid) {
            for (int k = m_.first[u]; k < m_.first[u + 1]; ++k) p_.pos[k] = e.positions[b++];
            p_.piece[u] = e.moved;
            ++version_[u];
            insert(u, e.moved);
        }
        ++p_.alive;
    }
    std::size_t b = 0;
    for (int f : faces) {
        for (int k = m_.first[f]; k < m_.first[f + 1]; ++k, ++b) {
            p_.pos[k] = savedPos_[b];
            p_.fold[k] = savedFold_[b];
        }
        p_.members[f].clear();
        p_.piece[f] = id;
        ++version_[f];
        insert(f, id);
    }
    p_.members[id] = faces;
    p_.root[id] = savedRoot;
    p_.alive -= static_cast<int>(faces.size()) - 1;
    squares_ = savedSquares;
    return false;
}

void Merger::dissolveAll(const std::function<bool()>& poll, int passes,
                         const std::vector<std::int32_t>* only, std::size_t largest) {
    for (bool changed = true; changed && passes-- > 0;) {
        changed = false;
        std::vector<std::pair<std::size_t, std::int32_t>> bySize;
        if (only) {
            for (std::int32_t f : *only) {
                const std::int32_t i = p_.piece[f];
                if (p_.members[i].size() <= largest) bySize.push_back({p_.members[i].size(), i});
            }
            std::sort(bySize.begin(), bySize.end());
            bySize.erase(std::unique(bySize.begin(), bySize.end()), bySize.end());
            if (p_.alive <= 1) return;
        } else {
            for (std::size_t i = 0; i < p_.members.size(); ++i)
                if (!p_.members[i].empty())
                    bySize.push_back({p_.members[i].size(), static_cast<std::int32_t>(i)});
        }
        if (bySize.empty() || (!only && bySize.size() <= 1)) return;
        std::sort(bySize.begin(), bySize.end());
        for (const auto& [size, id] : bySize) {
            if (!poll()) return;
            if (p_.members[id].size() != size) continue;
            if (dissolve(id)) changed = true;
        }
    }
}

void Merger::joinPairs(std::int32_t kept, std::int32_t moved, Heap& heap) {
    pairs_.erase(keyOf(kept, moved));
    ++attempt_;
    for (std::int32_t x : neighbours_[moved]) {
        if (x == kept || p_.members[x].empty() || seen_[x] == attempt_) continue;
        seen_[x] = attempt_;
        auto from = pairs_.find(keyOf(moved, x));
        if (from == pairs_.end()) continue;
        Pair moving = std::move(from->second);
        pairs_.erase(from);
        auto [to, added] = pairs_.try_emplace(keyOf(kept, x));
        to->second.length += moving.length;
        to->second.hinges.insert(to->second.hinges.end(), moving.hinges.begin(),
                                 moving.hinges.end());
        if (added) {
            neighbours_[kept].push_back(x);
            neighbours_[x].push_back(kept);
        }
        if (!to->second.hinges.empty()) heap.push({to->second.length, to->first});
    }
    neighbours_[moved].clear();
    neighbours_[moved].shrink_to_fit();
}

void Merger::store(int corner, const std::vector<Point2>& ring) {
    const int f = m_.faceOf[corner];
    const int n = m_.corners(f);
    int k = corner - m_.first[f];
    for (const Point2& q : ring) {
        p_.pos[m_.first[f] + k] = q;
        if (++k == n) k = 0;
    }
}

bool Merger::layAndTest(int v, int from, int to, std::int32_t kept) {
    moving_[v] = attempt_;
    laid_.push_back(v);
    for (int k = m_.first[v]; k < m_.first[v + 1]; ++k) backup_.push_back(p_.pos[k]);
    layRing(m_.halfedge[from], p_.pos[m_.nextCorner(to)], p_.pos[to], ring_);
    store(from, ring_);
    const bool free = !overlapsPiece(v, kept);
    // Triangles keep their shapes when laid from another side, so the moving piece cannot
    // come to overlap itself: its faces join the piece and its cells only once all of them
    // fit, and a merge that fails costs no updates of the cells. Other faces are tested
    // against those of their piece laid before them, so they join at once.
    if (m_.onlyTriangles) return free;
    p_.piece[v] = kept;
    ++version_[v];
    insert(v, kept);
    return free;
}

bool Merger::isWide(const Box& b) const {
    if (!finiteBox(b)) return true;
    const double span = (b.x1 - b.x0) / cell_ + 1, spanY = (b.y1 - b.y0) / cell_ + 1;
    return !(span * spanY <= static_cast<double>(kWideCells));
}

std::size_t Merger::slotOf(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(key >> 20) & mask;; i = (i + 1) & mask)
        if (slots_[i].stamp != cellsNow_ || slots_[i].key == key) return i;
}

std::int32_t Merger::headOf(std::uint64_t key) const {
    if (slots_.empty()) return -1;
    const Slot& s = slots_[slotOf(key)];
    return s.stamp == cellsNow_ ? s.head : -1;
}

void Merger::clearCells() {
    // A slot belongs to the current table only when its stamp is the current one.
    if (++cellsNow_ == 0) {
        for (Slot& s : slots_) s.stamp = 0;
        cellsNow_ = 1;
    }
    used_ = 0;
}

void Merger::growCells() {
    std::vector<Slot> old(std::max<std::size_t>(1024, slots_.size() * 2));
    std::swap(old, slots_);
    for (const Slot& s : old)
        if (s.stamp == cellsNow_) slots_[slotOf(s.key)] = s;
}

void Merger::insert(int f, std::int32_t piece) {
    if (changedMark_[f] != changedNow_) {
        changedMark_[f] = changedNow_;
        changed_.push_back(f);
    }
    place(f, piece);
}

void Merger::compactCells() {
    // Every move leaves the face's old entries behind in their cell lists, skipped by their
    // versions; a long search would walk ever longer lists.
    if (entries_.size() <= kStaleEntriesPerFace * m_.faces.size() + 4096) return;
    clearCells();
    entries_.clear();
    for (auto& w : wide_) w.clear();
    for (int f = 0; f < m_.faceCount(); ++f) place(f, p_.piece[f]);
}

void Merger::place(int f, std::int32_t piece) {
    const Box b = boxOf(f);
    boxes_[f] = b;
    if (isWide(b)) {
        wide_[piece].push_back(f);
        return;
    }
    for (std::int64_t cx = cellOf(b.x0); cx <= cellOf(b.x1); ++cx)
        for (std::int64_t cy = cellOf(b.y0); cy <= cellOf(b.y1); ++cy) {
            if (2 * (used_ + 1) > slots_.size()) growCells();
            const std::uint64_t key = cellKey(piece, cx, cy);
            Slot& slot = slots_[slotOf(key)];
            if (slot.stamp != cellsNow_) {
                slot = {key, -1, cellsNow_};
                ++used_;
            }
            entries_.push_back({f, version_[f], slot.head});
            slot.head = static_cast<std::int32_t>(entries_.size() - 1);
        }
}

bool Merger::overlapsFace(int v, const Box& bv, int x) const {
    const Box& bx = boxes_[x];
    if (bx.x1 < bv.x0 - tolerance_ || bv.x1 < bx.x0 - tolerance_ ||
        bx.y1 < bv.y0 - tolerance_ || bv.y1 < bx.y0 - tolerance_)
        return false;
    return polygonsOverlap(&p_.pos[m_.first[v]], m_.corners(v), &p_.pos[m_.first[x]],
                           m_.corners(x), tolerance_);
}

bool Merger::overlapsPiece(int v, std::int32_t kept) {
    const Box bv = boxOf(v);
    if (!finiteBox(bv)) return true;
    ++query_;
    auto candidate = [&](int x) {
        if (x == v || p_.piece[x] != kept || seen_[x] == query_) return false;
        seen_[x] = query_;
        if (moving_[x] == attempt_ && m_.onlyTriangles) return false;
        return overlapsFace(v, bv, x);
    };
    for (int x : wide_[kept])
        if (candidate(x)) return true;
    if (isWide(bv)) {
        for (int x : p_.members[kept])
            if (candidate(x)) return true;
        for (int x : laid_)
            if (candidate(x)) return true;
        return false;
    }
    for (std::int64_t cx = cellOf(bv.x0); cx <= cellOf(bv.x1); ++cx)
        for (std::int64_t cy = cellOf(bv.y0); cy <= cellOf(bv.y1); ++cy) {
            for (std::int32_t e = headOf(cellKey(kept, cx, cy)); e >= 0; e = entries_[e].next) {
                const Entry& en = entries_[e];
                if (version_[en.face] != en.version) continue;
                if (candidate(en.face)) return true;
            }
        }
    return false;
}

}  // namespace plikatra
