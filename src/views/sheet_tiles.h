// Primitives sorted into a grid of tiles over the sheet, so that a frame which shows only a
// part of the sheet issues only the tiles it sees: a software renderer transforms and clips
// every vertex it is given, visible or not.
#pragma once

#include <algorithm>
#include <vector>

#include "model/geometry.h"

namespace plikatra {

struct Box {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;

    bool empty() const { return minX > maxX || minY > maxY; }
    void add(Point2 p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    void merge(const Box& b) {
        minX = std::min(minX, b.minX);
        minY = std::min(minY, b.minY);
        maxX = std::max(maxX, b.maxX);
        maxY = std::max(maxY, b.maxY);
    }
    bool meets(const Box& b) const {
        return !empty() && !b.empty() && minX <= b.maxX && b.minX <= maxX && minY <= b.maxY &&
               b.minY <= maxY;
    }
};

// Vertices [first, first + count) of a batch.
struct VertexRange {
    int first = 0;
    int count = 0;
};

// Vertex data of primitives (a line, a flap's triangles, a character's quad) collected one
// after another, each with its bounds.
struct PrimitiveList {
    int floatsPerVertex = 2;
    std::vector<float> data;
    std::vector<int> start;  // first float of each primitive, and one past the last
    std::vector<Box> bounds;

    PrimitiveList() : start{0} {}
    explicit PrimitiveList(int floats) : floatsPerVertex(floats), start{0} {}
    int size() const { return static_cast<int>(bounds.size()); }
    // Closes the primitive whose floats were appended since the last call.
    void close(const Box& b) {
        start.push_back(static_cast<int>(data.size()));
        bounds.push_back(b);
    }
};

// The same primitives reordered tile by tile, with the vertex range of every tile and of
// every primitive.
class TiledPrimitives {
public:
    // Sorts `list` into `side` × `side` tiles over the bounds of all its primitives; a
    // primitive goes to the tile of its bounds' centre, keeping the order given within a tile.
    TiledPrimitives(const PrimitiveList& list, int side);

    // Vertices in drawing order.
    const std::vector<float>& data() const { return data_; }
    // Frees the vertex data once it was handed on; the ranges stay.
    void dropData() { std::vector<float>().swap(data_); }
    // Where primitive `i` (numbered as in the list) now lies.
    VertexRange rangeOf(int i) const { return ranges_[static_cast<size_t>(i)]; }
    // Appends the vertex ranges of the tiles whose contents may meet `view`, neighbouring
    // tiles merged into one range.
    void visible(const Box& view, std::vector<VertexRange>& out) const;

private:
    std::vector<float> data_;
    std::vector<VertexRange> ranges_;
    std::vector<int> tileFirst_;  // first vertex of each tile, and one past the last
    std::vector<Box> tileBounds_;
};

}  // namespace plikatra
