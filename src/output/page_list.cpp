#include "output/page_list.h"

#include <algorithm>

namespace plikatra {

namespace {

struct Cell {
    double x0, y0, x1, y1;  // development units

    bool strictlyInside(Point2 p) const { return x0 < p.x && p.x < x1 && y0 < p.y && p.y < y1; }

    // The segment meets one of the four borders, ends and touching included.
    bool segmentMeetsBorder(Point2 a, Point2 b) const {
        return meetsVertical(a, b, x0) || meetsVertical(a, b, x1) || meetsHorizontal(a, b, y0) ||
               meetsHorizontal(a, b, y1);
    }

private:
    static bool overlap(double a, double b, double lo, double hi) {
        return std::max(std::min(a, b), lo) <= std::min(std::max(a, b), hi);
    }
    bool meetsVertical(Point2 a, Point2 b, double x) const {
        if ((a.x - x) * (b.x - x) > 0) return false;
        if (a.x == b.x) return overlap(a.y, b.y, y0, y1);
        const double y = a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x);
        return y >= y0 && y <= y1;
    }
    bool meetsHorizontal(Point2 a, Point2 b, double y) const {
        if ((a.y - y) * (b.y - y) > 0) return false;
        if (a.y == b.y) return overlap(a.x, b.x, x0, x1);
        const double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        return x >= x0 && x <= x1;
    }
};

int gridSide(int n) { return std::clamp(n, 1, kMaxPagesPerSide); }

}  // namespace

bool cellHoldsDevelopment(const DevelopmentDrawing& d, PageCell c) {
    const double w = d.grid.page.cellWidth() / d.mag2d, h = d.grid.page.cellHeight() / d.mag2d;
    const double x0 = (d.grid.firstColumn + c.column) * w, y0 = (d.grid.firstRow + c.row) * h;
    const Cell cell{x0, y0, x0 + w, y0 + h};
    for (const DrawnFace& f : d.faces) {
        const std::vector<Point2>& p = f.corners;
        for (std::size_t i = 0; i < p.size(); ++i)
            if (cell.strictlyInside(p[i]) || cell.segmentMeetsBorder(p[i], p[(i + 1) % p.size()])) return true;
    }
    for (const DrawnFlap& flap : d.flaps) {
        const std::vector<Point2> o = flapOutline(flap, d.mag2d);
        for (std::size_t i = 0; i < o.size(); ++i)
            if (cell.strictlyInside(o[i]) || cell.segmentMeetsBorder(o[i], o[(i + 1) % o.size()])) return true;
    }
    for (const TextItem* t : d.texts) {
        const double left = t->x, right = t->x + t->width / d.mag2d;
        const double top = t->y - t->height / d.mag2d, bottom = t->y + 0.5 * t->height / d.mag2d;
        if (left <= cell.x1 && cell.x0 <= right && top <= cell.y1 && cell.y0 <= bottom) return true;
    }
    return false;
}

std::vector<PageCell> buildPageList(const DevelopmentDrawing& drawing, bool omitEmpty) {
    std::vector<PageCell> pages;
    const int columns = gridSide(drawing.grid.pagesAcross), rows = gridSide(drawing.grid.pagesDown);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            if (!omitEmpty || cellHoldsDevelopment(drawing, {column, row})) pages.push_back({column, row});
    return pages;
}

PageCell pageCellOf(const std::vector<PageCell>& pages, int pageNumber) {
    if (pages.empty()) return {};
    if (pageNumber < 1 || static_cast<std::size_t>(pageNumber) > pages.size()) return pages.front();
    return pages[static_cast<std::size_t>(pageNumber - 1)];
}

}  // namespace plikatra
