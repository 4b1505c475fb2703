#include "development/fewest_parts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <exception>
#include <functional>
#include <thread>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "development/development.h"
#include "development/part_growing.h"
#include "development/piece_merger.h"

namespace plikatra {

namespace {

using Clock = std::chrono::steady_clock;

// What a regrowth of a few pieces costs beyond their faces, in faces of the growth budget.
constexpr double kRegrowthOverhead = 16;
// Groups of more faces than this are searched by local steps only.
constexpr int kLargeGroup = 2000;
// One growth in this many is from scratch, the first of all among them: a steepest-edge
// growth often unfolds a convex shape whole. In large groups they cost as much as hundreds of
// regrowths.
constexpr int kFreshEvery = 16;
constexpr int kFreshEveryLarge = 512;
// A large group down to this many pieces is one growth from scratch away from one piece as
// often as many regrowths away: it takes them as often as a small group.
constexpr int kFewPieces = 4;
// A regrown ball holds up to 2 to this power faces more than the piece it is drawn around.
constexpr double kBallDoublings = 5;

// SplitMix64: a fixed sequence from a fixed seed on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

// A greedy development as the order in which its faces were attached: per attached face, its
// corner on the edge it was folded across.
struct GreedyOrder {
    int parts = 0;
    std::vector<int> hinges;
};

GreedyOrder greedyOrderOf(const Model& model, const Mesh& m) {
    std::unordered_map<const Halfedge*, int> cornerOf;
    cornerOf.reserve(m.halfedge.size());
    for (std::size_t c = 0; c < m.halfedge.size(); ++c)
        cornerOf.emplace(m.halfedge[c], static_cast<int>(c));
    GreedyOrder g;
    g.parts = static_cast<int>(model.parts.size());
    std::unordered_map<const Face*, std::size_t> attached;
    for (const auto& part : model.parts) {
        attached.clear();
        for (std::size_t i = 0; i < part->faces.size(); ++i) attached[part->faces[i]] = i;
        for (std::size_t i = 1; i < part->faces.size(); ++i)
            for (auto& h : part->faces[i]->halfedges) {
                if (!h->twin) continue;
                const auto it = attached.find(h->twin->face);
                if (it == attached.end() || it->second >= i) continue;
                const auto c = cornerOf.find(h.get());
                if (c != cornerOf.end() && m.across[c->second] >= 0) g.hinges.push_back(c->second);
                break;
            }
    }
    return g;
}

// How a randomised growth ranks the edges it may fold next.
enum class Growth {
    Mixed,     // a random mix of length and flatness, with noise
    Steepest,  // the same, but the steepest edge up from each vertex in a random direction last
    Compact,   // the face nearest the seed first, with noise: round pieces
};

// A randomised growth of the single faces `faces` (every face when empty): one piece at a time
// from seeds in a shuffled order, each taking the face across its best free edge next. Other
// faces stay as they are.
void growRandomly(Merger& merger, const Mesh& m, Random& rng, Growth growth,
                  std::vector<int> seeds = {}) {
    const int nf = m.faceCount();
    std::vector<std::uint8_t> grown(static_cast<std::size_t>(nf), 0);
    if (seeds.empty()) {
        merger.startSingletons();
        seeds.resize(static_cast<std::size_t>(nf));
        std::iota(seeds.begin(), seeds.end(), 0);
    } else {
        std::fill(grown.begin(), grown.end(), 1);
        for (int f : seeds) grown[f] = 0;
    }
    for (std::size_t i = seeds.size(); i-- > 1;)
        std::swap(seeds[i], seeds[static_cast<std::size_t>(rng.next() % (i + 1))]);
    // Only the corners of the faces to grow are ranked: a regrowth costs its region, not
    // the whole mesh.
    std::vector<int> corners;
    for (int f : seeds)
        for (int k = m.first[f]; k < m.first[f + 1]; ++k) corners.push_back(k);
    const double mix = rng.unit();
    const double noise = 0.6 * rng.unit();
    std::vector<double> priority(static_cast<std::size_t>(m.cornerCount()));
    for (int c : corners)
        priority[c] = (mix * m.weight[c] / m.typicalEdge + (1 - mix) * m.flatness[c]) *
                      (1 - noise + 2 * noise * rng.unit());
    if (growth == Growth::Steepest) {
        // Every vertex but the highest cuts its steepest edge upwards in a random direction:
        // on convex shapes the folds left over often unfold without overlap.
        Point3 d{rng.unit() - 0.5, rng.unit() - 0.5, rng.unit() - 0.5};
        const double dl = length(d);
        d = {d.x / dl, d.y / dl, d.z / dl};
        std::unordered_map<std::int32_t, std::pair<double, int>> steep;
        for (int c : corners) {
            const Point3& a = m.vertices[m.vertexOf[c]];
            const Point3& b = m.vertices[m.vertexOf[m.nextCorner(c)]];
            const Point3 u = sub(b, a);
            const double l = length(u);
            if (!(l > 0)) continue;
            const double slope = dot(u, d) / l;
            auto [it, added] = steep.try_emplace(m.vertexOf[c], 0.0, -1);
            if (slope > it->second.first) it->second = {slope, c};
        }
        for (const auto& [vertex, best] : steep) {
            const int c = best.second;
            if (c < 0) continue;
            priority[c] *= 0.01;
            if (m.across[c] >= 0) priority[m.across[c]] *= 0.01;
        }
    }
    std::priority_queue<std::pair<double, int>> frontier;
    Point3 centre;
    auto open = [&](int f) {
        for (int k = m.first[f]; k < m.first[f + 1]; ++k) {
            if (m.across[k] < 0) continue;
            const int g = m.faceOf[m.across[k]];
            if (grown[g]) continue;
            const double p = growth == Growth::Compact
                                 ? -distance3(m.faces[g]->center, centre) * priority[k]
                                 : priority[k];
            frontier.push({p, k});
        }
    };
    for (int seed : seeds) {
        if (grown[seed]) continue;
        grown[seed] = 1;
        centre = m.faces[seed]->center;
        open(seed);
        while (!frontier.empty()) {
            const int c = frontier.top().second;
            frontier.pop();
            const int g = m.faceOf[m.across[c]];
            if (grown[g]) continue;
            if (merger.tryMerge(c).ok) {
                grown[g] = 1;
                open(g);
            }
        }
    }
}

// Gives the single faces `faces` to the pieces around them where they fit, from the outside
// in, each across a random one of its edges to a piece already taken; returns the faces left.
std::vector<int> absorb(Merger& merger, const Mesh& m, Random& rng,
                        const std::vector<std::int32_t>& faces, std::vector<std::uint32_t>& mark,
                        std::uint32_t& now) {
    if (++now == 0) {
        std::fill(mark.begin(), mark.end(), 0);
        now = 1;
    }
    for (std::int32_t f : faces) mark[f] = now;  // still to give
    std::priority_queue<std::pair<double, int>> frontier;
    auto open = [&](int f) {
        for (int k = m.first[f]; k < m.first[f + 1]; ++k)
            if (m.across[k] >= 0 && mark[m.faceOf[m.across[k]]] == now)
                frontier.push({rng.unit() * m.weight[m.across[k]], m.across[k]});
    };
    for (std::int32_t f : faces)
        for (int k = m.first[f]; k < m.first[f + 1]; ++k)
            if (m.across[k] >= 0 && mark[m.faceOf[m.across[k]]] != now)
                frontier.push({rng.unit() * m.weight[k], k});
    while (!frontier.empty()) {
        const int c = frontier.top().second;
        frontier.pop();
        const int f = m.faceOf[c];
        if (mark[f] != now) continue;
        if (merger.tryMerge(c).ok) {
            mark[f] = 0;
            open(f);
        }
    }
    std::vector<int> left;
    for (std::int32_t f : faces)
        if (mark[f] == now) left.push_back(f);
    return left;
}

// A better division of one group of connected faces, found on its own.
struct Improvement {
    std::unique_ptr<Mesh> mesh;  // the group's faces
    std::vector<std::int32_t> global;  // per face of the mesh: its index in the whole mesh
    Partition best;
};

// The faces around a small piece: of a few pieces drawn at random the smallest, and the faces
// nearest it across edges, whatever piece holds them, up to a random count of 1 to 31 more.
// Pieces far larger than their neighbours are regrown only where they meet them.
std::vector<std::int32_t> ballToRegrow(const Partition& p, const Mesh& m, Random& rng,
                                       std::vector<std::uint32_t>& mark, std::uint32_t& now) {
    std::vector<std::int32_t> alive;
    for (std::size_t i = 0; i < p.members.size(); ++i)
        if (!p.members[i].empty()) alive.push_back(static_cast<std::int32_t>(i));
    std::int32_t pick = alive[rng.next() % alive.size()];
    for (int n = 0; n < 2; ++n) {
        const std::int32_t other = alive[rng.next() % alive.size()];
        if (p.members[other].size() < p.members[pick].size()) pick = other;
    }
    const std::size_t size = p.members[pick].size();
    // Mostly a few faces more, now and then a few dozen: small steps move borders between
    // pieces where larger ones seldom fit back together.
    const std::size_t want =
        size + static_cast<std::size_t>(std::exp2(kBallDoublings * rng.unit()));
    if (++now == 0) {
        std::fill(mark.begin(), mark.end(), 0);
        now = 1;
    }
    std::vector<std::int32_t> ball = p.members[pick];
    for (std::int32_t f : ball) mark[f] = now;
    for (std::size_t i = 0; i < ball.size() && ball.size() < want; ++i)
        for (int k = m.first[ball[i]]; k < m.first[ball[i] + 1]; ++k) {
            if (m.across[k] < 0) continue;
            const std::int32_t g = m.faceOf[m.across[k]];
            if (mark[g] == now) continue;
            mark[g] = now;
            ball.push_back(g);
        }
    return ball;
}

// What one search of a group may spend, and the seed of its random choices.
struct SearchLimits {
    double budget;  // faces laid in growths
    Clock::time_point end;
    std::uint64_t seed;
    // Searches of one group from several seeds: this one's number, and the lowest number of
    // those that found one piece. A search gives up once a lower-numbered one has, so that
    // the first search that finds one piece is the one taken, however the cores run.
    int chain = 0;
    std::atomic<int>* solvedBy = nullptr;
};

struct GroupResult {
    bool done = false;
    int restarts = 0;
    int before = 0;  // pieces of the group when its search began
    Improvement im;
};

// Randomised growths of the faces `group` of `mesh`, starting from their pieces in `start`:
// one growth in four from scratch, the others regrowing a few neighbouring pieces of the best
// division found, which is kept when it has no more pieces. Reads nothing but its arguments,
// so that searches of different groups may run side by side.
GroupResult searchGroup(const Mesh& mesh, const std::vector<std::int32_t>& group,
                        const Partition& start, const SearchLimits& limits,
                        const std::function<bool()>& poll) {
    GroupResult out;
    Improvement& im = out.im;
    im.global = group;
    std::vector<Face*> groupFaces;
    for (std::int32_t f : group) groupFaces.push_back(mesh.faces[f]);
    im.mesh = std::make_unique<Mesh>(buildMesh(groupFaces));
    const Mesh& sub = *im.mesh;
    Merger local(sub, 1e-7 * mesh.typicalEdge);
    // The pieces found so far as they lie: the corners of the group's faces come in the same
    // order in both meshes, and a piece is named after one of its faces.
    std::vector<std::int32_t> subOf(mesh.faces.size(), -1);
    for (std::size_t i = 0; i < group.size(); ++i) subOf[group[i]] = static_cast<std::int32_t>(i);
    Partition mine;
    mine.piece.resize(group.size());
    mine.members.resize(group.size());
    mine.root.assign(group.size(), 0);
    mine.fold.assign(static_cast<std::size_t>(sub.cornerCount()), 0);
    mine.pos.resize(static_cast<std::size_t>(sub.cornerCount()));
    for (std::size_t i = 0; i < group.size(); ++i) {
        const std::int32_t id = start.piece[group[i]];
        const std::int32_t name = subOf[id];
        mine.piece[i] = name;
        if (mine.members[name].empty()) {
            ++mine.alive;
            mine.root[name] = subOf[start.root[id]];
        }
        mine.members[name].push_back(static_cast<std::int32_t>(i));
        for (int k = sub.first[i]; k < sub.first[i + 1]; ++k) {
            const int c = mesh.first[group[i]] + (k - sub.first[i]);
            mine.fold[k] = start.fold[c] && sub.across[k] >= 0;
            mine.pos[k] = start.pos[c];
        }
    }
    local.assign(mine);
    im.best = local.partition();
    local.settle();
    out.before = im.best.alive;
    Random rng(limits.seed);
    bool atBest = true;  // the merger holds the best division
    constexpr Growth kGrowths[] = {Growth::Steepest, Growth::Mixed, Growth::Steepest,
                                   Growth::Compact};
    // A growth from scratch costs the group's faces, a regrowth the faces it regrows.
    double spent = 0;
    // In large groups a pass over every piece after each regrowth would leave time for few of
    // them: there the merging and breaking up stay among the regrown faces.
    const bool large = sub.faceCount() > kLargeGroup;
    std::vector<std::uint32_t> ballMark(sub.faces.size(), 0);
    std::uint32_t ballNow = 0;
    int freshGrowths = 0;
    auto outdone = [&] { return limits.solvedBy && limits.solvedBy->load() < limits.chain; };
    for (int t = 0; spent < limits.budget && im.best.alive > 1 && Clock::now() < limits.end &&
                    !outdone();
         ++t) {
        ++out.restarts;
        const bool fresh =
            t % (large && im.best.alive > kFewPieces ? kFreshEveryLarge : kFreshEvery) == 0;
        std::vector<std::int32_t> faces;
        if (fresh) {
            growRandomly(local, sub, rng, kGrowths[freshGrowths++ % 4]);
            spent += static_cast<double>(sub.faceCount());
        } else {
            if (!atBest) local.revert(im.best);
            faces = ballToRegrow(local.partition(), sub, rng, ballMark, ballNow);
            local.carve(faces);
            // The pieces around take what they can first: their borders move, and what no
            // piece takes grows into new pieces, to be merged below.
            const std::vector<int> left = absorb(local, sub, rng, faces, ballMark, ballNow);
            if (!left.empty()) growRandomly(local, sub, rng, kGrowths[t % 4], left);
            spent += large ? static_cast<double>(faces.size()) + kRegrowthOverhead
                           : static_cast<double>(sub.faceCount());
        }
        if (!poll()) break;
        const bool near = large && !fresh;
        local.mergeAll(poll, near ? &faces : nullptr);
        // Breaking up a piece far larger than the regrown faces seldom pays for itself, and a
        // piece of most of the group costs as much as the regrowth many times over.
        local.dissolveAll(poll, fresh ? kAllPasses : 1, near ? &faces : nullptr,
                          near ? 2 * faces.size() : SIZE_MAX);
        atBest = local.partition().alive < im.best.alive ||
                 (!fresh && local.partition().alive == im.best.alive);
        if (atBest) local.keep(im.best);
    }
    if (limits.solvedBy && im.best.alive == 1) {
        int was = limits.solvedBy->load();
        while (limits.chain < was && !limits.solvedBy->compare_exchange_weak(was, limits.chain)) {
        }
    }
    out.done = true;
    return out;
}

// The second core: runs one task, and is stopped and joined whichever way the search ends.
class Helper {
public:
    explicit Helper(std::atomic<bool>& stop) : stop_(stop) {}
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    ~Helper() {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
    }
    void start(std::function<void()> task) {
        thread_ = std::thread([this, task = std::move(task)] {
            try {
                task();
            } catch (...) {
                error_ = std::current_exception();
            }
            done_ = true;
        });
    }
    // Waits for the task, polling `poll` meanwhile so that progress shows and Cancel works.
    void finish(const std::function<bool()>& poll) {
        if (!thread_.joinable()) return;
        while (!done_.load()) {
            poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        thread_.join();
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::atomic<bool>& stop_;
    std::atomic<bool> done_{false};
    std::thread thread_;
    std::exception_ptr error_;
};

struct Job {
    std::size_t group;
    std::uint64_t chain;
};

// Puts the pieces into the model as its parts: the pieces of the whole mesh except those of
// groups that were improved on their own, and the improved ones, the piece with the lowest
// root face first; each part's faces from its root across its folds.
void writeParts(Model& model, const Mesh& whole, const Partition& p,
                const std::vector<Improvement>& improvements) {
    discardDevelopment(model);
    std::vector<std::uint8_t> replaced(whole.faces.size(), 0);
    for (const Improvement& im : improvements)
        for (std::int32_t f : im.global) replaced[f] = 1;
    struct Entry {
        std::int32_t rootFace;  // in the whole mesh
        const Mesh* mesh;
        const Partition* partition;
        std::int32_t id;
    };
    std::vector<Entry> order;
    for (std::size_t i = 0; i < p.members.size(); ++i)
        if (!p.members[i].empty() && !replaced[p.root[i]])
            order.push_back({p.root[i], &whole, &p, static_cast<std::int32_t>(i)});
    for (const Improvement& im : improvements)
        for (std::size_t i = 0; i < im.best.members.size(); ++i)
            if (!im.best.members[i].empty())
                order.push_back({im.global[im.best.root[i]], im.mesh.get(), &im.best,
                                 static_cast<std::int32_t>(i)});
    std::sort(order.begin(), order.end(),
              [](const Entry& a, const Entry& b) { return a.rootFace < b.rootFace; });
    for (const Entry& e : order) {
        const Mesh& m = *e.mesh;
        const Partition& q = *e.partition;
        auto part = std::make_unique<Part>();
        part->index = static_cast<int>(model.parts.size());
        const int root = q.root[e.id];
        part->solid = m.faces[root]->solid;
        std::vector<int> queue{root};
        m.faces[root]->placed = true;
        for (std::size_t i = 0; i < queue.size(); ++i) {
            const int u = queue[i];
            Face* face = m.faces[u];
            face->part = part.get();
            part->faces.push_back(face);
            for (int k = m.first[u]; k < m.first[u + 1]; ++k) {
                Halfedge* h = m.halfedge[k];
                h->flatX = q.pos[k].x;
                h->flatY = q.pos[k].y;
                if (!q.fold[k]) continue;
                h->twin = m.halfedge[m.across[k]];
                Face* next = m.faces[m.faceOf[m.across[k]]];
                if (!next->placed) {
                    next->placed = true;
                    queue.push_back(m.faceOf[m.across[k]]);
                }
            }
        }
        model.parts.push_back(std::move(part));
    }
    model.facesUnfolded = whole.faceCount();
}

bool anyPlaced(const Model& model) {
    for (const auto& s : model.solids)
        if (s->visible)
            for (const auto& f : s->faces)
                if (f->placed) return true;
    return false;
}

}  // namespace

void growFewestParts(Model& model, const UnfoldEngine& engine, const UnfoldOptions& options,
                     UnfoldProgress& progress, FewestPartsReport* report) {
    const auto start = Clock::now();
    const auto deadline =
        start + std::chrono::milliseconds(std::max(0, options.searchMilliseconds));
    FewestPartsReport r;

    // The greedy growths to start from; parts a cancelled run left are completed instead.
    const Mesh mesh = buildMesh(visibleFaces(model));
    std::vector<GreedyOrder> orders;
    UnfoldOptions greedy = options;
    if (anyPlaced(model)) {
        if (greedy.algorithm == kAlgorithmFewestParts) greedy.algorithm = 1;
        engine.growParts(model, greedy, progress);
        orders.push_back(greedyOrderOf(model, mesh));
    } else {
        for (int algorithm = 0; algorithm < kAlgorithmFewestParts; ++algorithm) {
            greedy.algorithm = algorithm;
            engine.growParts(model, greedy, progress);
            orders.push_back(greedyOrderOf(model, mesh));
            discardDevelopment(model);
        }
    }

    const int total = mesh.faceCount();
    Merger merger(mesh, 1e-7 * mesh.typicalEdge);
    Partition best;
    bool haveBest = false;
    std::vector<Improvement> improvements;
    std::atomic<bool> stopped{false};
    const auto groups = components(mesh);
    std::vector<int> pieces(groups.size(), 0);
    std::vector<Job> jobs;
    std::vector<GroupResult> results;
    // The best search of each group, where it has fewer pieces than the merged division.
    auto collect = [&](FewestPartsReport& rep) {
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            GroupResult& res = results[j];
            rep.restarts += res.restarts;
            if (!res.done || (j > 0 && jobs[j - 1].group == jobs[j].group)) continue;
            std::size_t pick = j;
            for (std::size_t k = j + 1; k < jobs.size() && jobs[k].group == jobs[j].group; ++k)
                if (results[k].done && results[k].im.best.alive < results[pick].im.best.alive)
                    pick = k;
            Improvement& im = results[pick].im;
            const int had = pieces[jobs[j].group];
            if (im.best.alive < results[pick].before && im.best.alive < had) {
                rep.parts -= had - im.best.alive;
                improvements.push_back(std::move(im));
            }
        }
    };
    std::uint32_t polls = 0;
    auto poll = [&]() {
        if (Clock::now() >= deadline) {
            stopped = true;
            return false;
        }
        if ((++polls & 7) == 0) {
            const double spent = std::chrono::duration<double>(Clock::now() - start).count();
            const double bound = std::max(1, options.searchMilliseconds) / 1000.0;
            model.facesUnfolded = std::min(total, static_cast<int>(total * spent / bound));
            progress.beforeAttach(model);
        }
        return true;
    };
    try {
        r.lowerBound = static_cast<int>(groups.size());
        std::vector<std::int32_t> groupOf(mesh.faces.size());
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (std::int32_t f : groups[g]) groupOf[f] = static_cast<std::int32_t>(g);
        // Each greedy development rebuilt without overlap, in its attach order. Groups of
        // faces never share a piece, so each group takes the order that gives it the fewest
        // pieces (of equal ones the earlier): a model of many solids starts from the best
        // greedy division of every solid.
        r.greedyParts = orders.front().parts;
        std::vector<int> fewestIn(groups.size(), INT_MAX), count(groups.size());
        std::vector<std::size_t> orderOf(groups.size(), 0);
        for (std::size_t i = 0; i < orders.size(); ++i) {
            r.greedyParts = std::min(r.greedyParts, orders[i].parts);
            merger.startSingletons();
            for (int c : orders[i].hinges) merger.tryMerge(c);
            const Partition& p = merger.partition();
            std::fill(count.begin(), count.end(), 0);
            for (std::size_t id = 0; id < p.members.size(); ++id)
                if (!p.members[id].empty()) ++count[groupOf[p.root[id]]];
            for (std::size_t g = 0; g < groups.size(); ++g)
                if (count[g] < fewestIn[g]) {
                    fewestIn[g] = count[g];
                    orderOf[g] = i;
                }
        }
        merger.startSingletons();
        for (std::size_t i = 0; i < orders.size(); ++i)
            for (int c : orders[i].hinges)
                if (orderOf[groupOf[mesh.faceOf[c]]] == i) merger.tryMerge(c);
        best = merger.partition();
        haveBest = true;
        r.startParts = best.alive;
        merger.mergeAll(poll);
        merger.dissolveAll(poll);
        best = merger.partition();
        r.mergedParts = best.alive;

        // Then each group of connected faces that is still in several pieces, on its own:
        // randomised growths, merged, and the best kept. Every such group gets as many growths
        // as the budget allows for all of them together.
        for (std::size_t i = 0; i < best.members.size(); ++i)
            if (!best.members[i].empty()) ++pieces[groupOf[best.root[i]]];
        double searchedFaces = 0;
        for (std::size_t g = 0; g < groups.size(); ++g)
            if (pieces[g] > 1) {
                searchedFaces += static_cast<double>(groups[g].size());
                jobs.push_back({g, 0});
            }
        // A lone group is searched twice over, from two seeds, one on each core.
        const unsigned cores = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
        if (jobs.size() == 1 && cores > 1) jobs.push_back({jobs[0].group, 1});
        results.resize(jobs.size());
        // Faces of the jobs not yet begun: a job's share of the time left is its part of them,
        // so that time a group did not need (it came to one piece) goes to those after it.
        std::atomic<std::int64_t> unstarted{0};
        for (const Job& j : jobs) unstarted += static_cast<std::int64_t>(groups[j.group].size());
        std::vector<std::atomic<int>> solvedBy(groups.size());
        for (auto& x : solvedBy) x = INT_MAX;
        std::atomic<std::size_t> next{0};
        // Takes the jobs one after another; each job's result depends on its seed and budget
        // alone, whichever core runs it.
        auto work = [&](const std::function<bool()>& pollHere) {
            for (std::size_t j; (j = next.fetch_add(1)) < jobs.size() && !stopped.load();) {
                const std::size_t g = jobs[j].group;
                const double size = static_cast<double>(groups[g].size());
                const auto left = static_cast<double>(
                    unstarted.fetch_sub(static_cast<std::int64_t>(groups[g].size())));
                const double share = std::min(1.0, cores * size / left);
                const auto now = Clock::now();
                const auto end =
                    now >= deadline
                        ? deadline
                        : now + std::chrono::duration_cast<Clock::duration>((deadline - now) *
                                                                            share);
                SearchLimits limits{options.searchFaceBudget * size / searchedFaces, end,
                                    0x5EED5EEDull ^ (0x9E3779B97F4A7C15ull * (g + 1)) ^
                                        (jobs[j].chain * 0xD1B54A32D192ED03ull),
                                    static_cast<int>(jobs[j].chain), &solvedBy[g]};
                results[j] = searchGroup(mesh, groups[g], best, limits, pollHere);
            }
        };
        {
            Helper helper(stopped);
            if (cores > 1 && jobs.size() > 1)
                helper.start([&] {
                    work([&] {
                        if (stopped.load() || Clock::now() >= deadline) {
                            stopped = true;
                            return false;
                        }
                        return true;
                    });
                });
            work(poll);
            helper.finish(poll);
        }
        r.parts = best.alive;
        collect(r);
    } catch (const CancelledException&) {
        FewestPartsReport ignored;
        if (!results.empty()) collect(ignored);
        if (haveBest) writeParts(model, mesh, best, improvements);
        throw;
    }
    writeParts(model, mesh, best, improvements);
    r.timedOut = stopped.load();
    if (report) *report = r;
}

}  // namespace plikatra
