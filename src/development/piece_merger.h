// Pieces of a development being put together: the faces of the visible solids as flat
// arrays, a division of them into pieces that each fold flat without overlap, and the merger
// that joins pieces across cut edges, breaks small ones up to give their faces to their
// neighbours, and tests every face laid at a new place against the piece it joins. The
// fewest-parts unfolding is built on it.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdint>
#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/model.h"

namespace plikatra {

// The faces of the visible solids in flat arrays, corners numbered face after face.
struct Mesh {
    std::vector<Face*> faces;
    std::vector<std::int32_t> first;    // first corner of each face, and the corner count last
    std::vector<Halfedge*> halfedge;    // per corner
    std::vector<std::int32_t> faceOf;   // per corner
    std::vector<std::int32_t> across;   // per corner: its pair's corner when the edge may fold
    std::vector<double> weight;         // per corner: edge length, doubled for edges to keep
    std::vector<double> flatness;       // per corner: fold angle over 180
    std::vector<std::int32_t> vertexOf; // per corner: its start vertex, numbered
    std::vector<Point3> vertices;
    bool onlyTriangles = true;
    double typicalEdge = 1.0;

    int faceCount() const { return static_cast<int>(faces.size()); }
    int cornerCount() const { return first.back(); }
    int corners(int f) const { return first[f + 1] - first[f]; }
    int nextCorner(int c) const {
        const int f = faceOf[c];
        return c + 1 == first[f + 1] ? first[f] : c + 1;
    }
};

// The faces of the visible solids of `model`, solid after solid.
std::vector<Face*> visibleFaces(Model& model);
// The flat arrays of `faces`; edges to faces outside them count as cut.
Mesh buildMesh(const std::vector<Face*>& faces);

// A division of the faces into pieces, each a tree of folds laid flat without overlap.
struct Partition {
    std::vector<std::int32_t> piece;  // per face
    std::vector<std::uint8_t> fold;   // per corner: folded to its pair inside the piece
    std::vector<Point2> pos;          // per corner: flat position in the piece's frame
    std::vector<std::vector<std::int32_t>> members;  // per piece id; empty once merged away
    std::vector<std::int32_t> root;   // per piece id: the face its growth started from
    int alive = 0;
};

inline constexpr int kAllPasses = 1 << 30;

// Merges pieces across cut edges while keeping every piece free of overlap. Each piece keeps
// its faces in a hash grid of cells about twice the typical edge, so a face laid at a new
// place meets only the faces near it.
class Merger {
public:
    Merger(const Mesh& mesh, double tolerance)
        : m_(mesh), tolerance_(tolerance), cell_(2 * mesh.typicalEdge),
          version_(mesh.faces.size(), 0), seen_(mesh.faces.size(), 0),
          moving_(mesh.faces.size(), 0), wide_(mesh.faces.size()), inS_(mesh.faces.size(), 0),
          outside_(mesh.faces.size(), 0), tried_(mesh.first.back(), 0),
          changedMark_(mesh.faces.size(), 0) {}

    Partition& partition() { return p_; }

    // Every face its own piece, laid flat from its first corner.
    void startSingletons();
    // The division `p` of the same mesh, folded again piece by piece.
    void load(const Partition& p);
    // The division `p` of the same mesh as it is, places and all: faces that are not
    // triangles may take other shapes when folded again from another side.
    void assign(const Partition& p);
    // The faces that changed piece or place since the last call of settle are noted, so
    // that a division can go back to, or be kept as, a copy at a cost of what changed.
    // settle: the division as it stands is the copy `saved` (which the caller holds).
    void settle() { startNoting(); }
    // Back to `saved`, the copy of the division when settle was last called.
    void revert(const Partition& saved);
    // Brings `saved`, the copy of the division when settle was last called, up to the
    // division as it stands, and settles.
    void keep(Partition& saved);
    // Breaks the pieces `ids` into single faces, each its own piece.
    void breakUp(const std::vector<std::int32_t>& ids);

    // Takes the faces `faces` out of their pieces, each its own piece; what is left of a
    // piece splits where the faces held it together, each part keeping its places.
    void carve(const std::vector<std::int32_t>& faces);

    struct Merged {
        bool ok = false;
        std::int32_t kept = -1, moved = -1;
    };

    // Joins the pieces on the two sides of cut corner `c`: the smaller one is laid out again
    // from the larger across the edge, and kept there unless a face of it overlaps a face of
    // the union.
    Merged tryMerge(int c);

    // Every cut between two pieces tried, the pair of pieces with the longest shared cut
    // first; a hinge that failed once is not tried again, since the pieces on its sides only
    // grow and keep their shapes. `poll` is called now and then and returns false to stop.
    // With `only`, just the cuts at faces of those pieces are tried (the rest of the division
    // is taken as merged as far as it goes).
    void mergeAll(const std::function<bool()>& poll,
                  const std::vector<std::int32_t>* only = nullptr);

    // Breaks piece `id` into its faces and gives them to the pieces around it, face by face
    // across any free edge; faces that no neighbour takes are grown into pieces again. Kept
    // when every face found a new piece, or when what is left is one smaller piece; otherwise
    // everything goes back as it was. Returns whether the division changed.
    bool dissolve(std::int32_t id);

    // Dissolves pieces, the smallest first, pass after pass while any pass changes something,
    // at most `passes` passes; with `only`, just the pieces holding those faces and of at
    // most `largest` faces.
    void dissolveAll(const std::function<bool()>& poll, int passes = kAllPasses,
                     const std::vector<std::int32_t>* only = nullptr,
                     std::size_t largest = SIZE_MAX);

private:
    struct LogEntry {
        std::int32_t kept, moved;
        int s, t;
        std::size_t keptSize;
        std::vector<std::int32_t> movedFaces;
        std::vector<int> laid;
        std::vector<Point2> positions;
    };

    struct Pair {
        double length = 0.0;
        std::vector<int> hinges;
    };
    struct HeapEntry {
        double length;
        std::uint64_t key;
        bool operator<(const HeapEntry& o) const {
            return length < o.length || (length == o.length && key > o.key);
        }
    };
    using Heap = std::priority_queue<HeapEntry>;

    static std::uint64_t keyOf(std::int32_t a, std::int32_t b) {
        if (a > b) std::swap(a, b);
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
               static_cast<std::uint32_t>(b);
    }

    // The pairs of the piece that went away become pairs of the piece it joined.
    void joinPairs(std::int32_t kept, std::int32_t moved, Heap& heap);

    void store(int corner, const std::vector<Point2>& ring);

    // Lays face `v` out from its corner `from`, folded to corner `to` of a face already in
    // place, and tests it against the faces of piece `kept`. The face joins `kept` either way;
    // the caller undoes that when the merge fails.
    bool layAndTest(int v, int from, int to, std::int32_t kept);

    struct Box {
        double x0, y0, x1, y1;
    };
    Box boxOf(int f) const {
        Box b{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (int k = m_.first[f]; k < m_.first[f + 1]; ++k) {
            const Point2& q = p_.pos[k];
            b.x0 = std::min(b.x0, q.x);
            b.y0 = std::min(b.y0, q.y);
            b.x1 = std::max(b.x1, q.x);
            b.y1 = std::max(b.y1, q.y);
        }
        return b;
    }
    static bool finiteBox(const Box& b) {
        return std::isfinite(b.x0) && std::isfinite(b.y0) && std::isfinite(b.x1) &&
               std::isfinite(b.y1);
    }
    std::int64_t cellOf(double v) const { return static_cast<std::int64_t>(std::floor(v / cell_)); }
    static std::uint64_t cellKey(std::int32_t piece, std::int64_t cx, std::int64_t cy) {
        std::uint64_t h = static_cast<std::uint32_t>(piece);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(cx);
        h = h * 0xBF58476D1CE4E5B9ull ^ static_cast<std::uint64_t>(cy);
        return h * 0x94D049BB133111EBull;
    }
    // Whether the box spans so many cells that the face goes to the wide list instead.
    bool isWide(const Box& b) const;

    // Puts face `f` into the cells of `piece` and notes it as changed.
    void insert(int f, std::int32_t piece);
    // The same without noting it.
    void place(int f, std::int32_t piece);
    // Rebuilds the cells from the division as it stands once the entries that moves left
    // behind outnumber the faces many times over; nothing else changes.
    void compactCells();

    bool overlapsFace(int v, const Box& bv, int x) const;

    // Whether face `v`, laid out at its new place, overlaps a face of piece `kept`. Faces of
    // the moving piece are compared with each other too unless the mesh is all triangles,
    // whose shapes do not change when laid from another side.
    bool overlapsPiece(int v, std::int32_t kept);

    struct Entry {
        std::int32_t face;
        std::uint32_t version;
        std::int32_t next;
    };

    const Mesh& m_;
    const double tolerance_;
    const double cell_;
    Partition p_;
    std::vector<std::uint32_t> version_;  // per face: bumped whenever it moves
    std::vector<std::uint32_t> seen_;     // per face (and per piece in joinPairs): last query
    std::vector<std::uint32_t> moving_;   // per face: last attempt that laid it out again
    std::uint32_t query_ = 0;
    std::uint32_t attempt_ = 0;
    // Cell lists by key: open addressing with linear probing; a slot is in use only while its
    // stamp is the current one, so a new partition need not clear the table.
    std::size_t slotOf(std::uint64_t key) const;
    std::int32_t headOf(std::uint64_t key) const;
    void clearCells();
    void growCells();
    struct Slot {
        std::uint64_t key;
        std::int32_t head;
        std::uint32_t stamp;
    };
    std::vector<Slot> slots_;
    std::uint32_t cellsNow_ = 1;
    std::size_t used_ = 0;
    std::vector<Box> boxes_;  // per face: its box when it was last put into the grid
    std::vector<Entry> entries_;
    std::vector<std::vector<std::int32_t>> wide_;  // per piece
    std::vector<int> laid_;
    std::vector<Point2> backup_;
    std::vector<Point2> ring_;
    std::int64_t squares_ = 0;  // sum of the squared piece sizes
    // Dissolving.
    std::vector<std::uint32_t> inS_;      // per face: in the piece being dissolved
    std::vector<std::uint32_t> outside_;  // per piece: took a face from outside it
    std::vector<std::uint32_t> tried_;    // per corner
    std::uint32_t stamp_ = 0;
    std::vector<Point2> savedPos_;
    std::vector<std::uint8_t> savedFold_;
    bool logging_ = false;
    std::vector<LogEntry> log_;
    // Faces that changed since settle.
    std::vector<std::uint32_t> changedMark_;
    std::uint32_t changedNow_ = 1;
    std::vector<std::int32_t> changed_;
    void startNoting();
    // Copies what changed from `from` into `to`: pieces, places and folds of the changed
    // faces, and the pieces that hold them in either.
    void copyChanged(const Partition& from, Partition& to);
    // Merging all.
    std::vector<std::uint32_t> mark_;  // per face: among the faces asked for
    std::uint32_t markNow_ = 0;
    void markFaces(const std::vector<std::int32_t>& faces);
    std::vector<std::uint8_t> failed_;
    std::unordered_map<std::uint64_t, Pair> pairs_;
    std::vector<std::vector<std::int32_t>> neighbours_;
};

// The connected groups of faces across edges that may fold, each in face order, the groups in
// the order of their first faces. No development has fewer parts than there are groups.
std::vector<std::vector<std::int32_t>> components(const Mesh& m);

}  // namespace plikatra
