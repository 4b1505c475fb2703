// The sheet divided into printer pages: which cells of the page grid are printed, in which
// order.
#pragma once

#include <vector>

#include "development/development_drawing.h"

namespace plikatra {

// A cell of the page grid, both counted from 0 at the grid's first cell.
struct PageCell {
    int column = 0;
    int row = 0;
    bool operator==(const PageCell&) const = default;
};

// Whether the cell holds development: a face corner strictly inside it, an edge crossing one
// of its borders, a corner of a shown flap strictly inside or a flap side crossing a border,
// or a text item's box overlapping it (borders included).
bool cellHoldsDevelopment(const DevelopmentDrawing& drawing, PageCell cell);

// The pages in print order, row after row, left to right within a row; with `omitEmpty` only
// the cells that hold development.
std::vector<PageCell> buildPageList(const DevelopmentDrawing& drawing, bool omitEmpty);

// The cell printed as page `pageNumber` (from 1); numbers outside the list give page 1.
PageCell pageCellOf(const std::vector<PageCell>& pages, int pageNumber);

}  // namespace plikatra
