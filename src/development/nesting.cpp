#include "development/nesting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>

#include "base/progress.h"
#include "development/development_drawing.h"
#include "development/progress_pacer.h"

namespace plikatra {

namespace {

constexpr double kCellCm = 0.1;  // the grid's cell on paper: a millimetre
constexpr double kPi = 3.14159265358979323846;
// A part spread over more cells than this, or a sheet of more, comes from damaged geometry
// or a scale no printer takes; the box layout is kept for it.
constexpr long long kMaxPartCells = 16'000'000;
constexpr long long kMaxSheetCells = 256'000'000;

struct Span {
    int a, b;  // cells [a, b) of a row
};

// Rows of spans: row r holds spans[rowStart[r] .. rowStart[r + 1]).
struct Rows {
    int w = 0, h = 0;
    std::vector<int> rowStart;
    std::vector<Span> spans;
};

// One turn of a part in grid cells; cell (0, 0) has its corner at (originX, originY) of the
// turned outline.
struct Raster {
    Rows rows;
    double originX = 0.0, originY = 0.0;
    long long cells = 0;
    bool usable = true;  // false for a turn too large to draw (a long part turned aslant)
    int widest = 0;     // the longest span
    int widestRow = 0;  // the row holding it
};

struct Turn {
    double c = 1.0, s = 0.0;
};

// Multiples of a right angle are turned exactly, so that parts kept upright keep their
// corners to the last bit.
Turn turnOf(int degrees) {
    switch (((degrees % 360) + 360) % 360) {
        case 0: return {1.0, 0.0};
        case 90: return {0.0, 1.0};
        case 180: return {-1.0, 0.0};
        case 270: return {0.0, -1.0};
        default: {
            const double a = degrees * kPi / 180.0;
            return {std::cos(a), std::sin(a)};
        }
    }
}

Point2 turned(const Turn& t, double x, double y) { return {x * t.c - y * t.s, x * t.s + y * t.c}; }

int cellOf(double v, double size, int count) {
    const double c = std::floor(v / size);
    if (!(c > 0)) return 0;
    return c >= count - 1 ? count - 1 : static_cast<int>(c);
}

Rows rowsOfBits(const std::vector<std::uint8_t>& bits, int w, int h) {
    Rows r;
    r.w = w;
    r.h = h;
    r.rowStart.reserve(static_cast<std::size_t>(h) + 1);
    for (int y = 0; y < h; ++y) {
        r.rowStart.push_back(static_cast<int>(r.spans.size()));
        const std::uint8_t* row = bits.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int a = x;
            while (x < w && row[x]) ++x;
            r.spans.push_back({a, x});
        }
    }
    r.rowStart.push_back(static_cast<int>(r.spans.size()));
    return r;
}

// Every cell the polygons touch, so that the cells cover the outline whatever its angle. A
// polygon's extent within a row of cells is the extent of its edges clipped to the row, which
// covers a concave polygon's too.
// With `frame`, the cells are those of the frame's raster (the polygons lie within it).
bool rasterize(const std::vector<std::vector<Point2>>& polys, const Turn& t, double csx, double csy,
               Raster& out, const Raster* frame = nullptr) {
    std::vector<std::vector<Point2>> pts(polys.size());
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (std::size_t i = 0; i < polys.size(); ++i)
        for (const Point2& p : polys[i]) {
            const Point2 q = turned(t, p.x, p.y);
            if (!std::isfinite(q.x) || !std::isfinite(q.y)) return false;
            pts[i].push_back(q);
            minX = std::min(minX, q.x);
            minY = std::min(minY, q.y);
            maxX = std::max(maxX, q.x);
            maxY = std::max(maxY, q.y);
        }
    if (minX > maxX) minX = maxX = minY = maxY = 0.0;  // nothing to draw: one cell stands for it
    if (frame) {
        minX = frame->originX;
        minY = frame->originY;
        maxX = minX + (frame->rows.w - 0.5) * csx;
        maxY = minY + (frame->rows.h - 0.5) * csy;
    }
    const double wf = std::floor((maxX - minX) / csx) + 1, hf = std::floor((maxY - minY) / csy) + 1;
    if (!(wf * hf <= static_cast<double>(kMaxPartCells))) return false;
    const int w = static_cast<int>(wf), h = static_cast<int>(hf);
    out.originX = minX;
    out.originY = minY;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(w) * h, 0);
    if (!frame && std::all_of(pts.begin(), pts.end(), [](const auto& p) { return p.empty(); }))
        bits[0] = 1;
    const double ex = 1e-6 * csx, ey = 1e-6 * csy;
    std::vector<double> lo, hi;
    for (const auto& poly : pts) {
        if (poly.empty()) continue;
        double py0 = HUGE_VAL, py1 = -HUGE_VAL;
        for (const Point2& p : poly) {
            py0 = std::min(py0, p.y - minY);
            py1 = std::max(py1, p.y - minY);
        }
        const int r0 = cellOf(py0 - ey, csy, h), r1 = cellOf(py1 + ey, csy, h);
        lo.assign(static_cast<std::size_t>(r1 - r0 + 1), HUGE_VAL);
        hi.assign(lo.size(), -HUGE_VAL);
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const Point2 p{poly[i].x - minX, poly[i].y - minY};
            const Point2& qq = poly[(i + 1) % poly.size()];
            const Point2 q{qq.x - minX, qq.y - minY};
            const double y0 = std::min(p.y, q.y), y1 = std::max(p.y, q.y);
            const int ra = cellOf(y0 - ey, csy, h), rb = cellOf(y1 + ey, csy, h);
            for (int r = ra; r <= rb; ++r) {
                double xs, xe;
                if (p.y == q.y) {
                    xs = p.x;
                    xe = q.x;
                } else {
                    const double ys = std::max(y0, r * csy - ey), ye = std::min(y1, (r + 1) * csy + ey);
                    const double k = (q.x - p.x) / (q.y - p.y);
                    xs = p.x + (std::min(ys, ye) - p.y) * k;
                    xe = p.x + (std::max(ys, ye) - p.y) * k;
                }
                const std::size_t j = static_cast<std::size_t>(r - r0);
                lo[j] = std::min({lo[j], xs, xe});
                hi[j] = std::max({hi[j], xs, xe});
            }
        }
        for (int r = r0; r <= r1; ++r) {
            const std::size_t j = static_cast<std::size_t>(r - r0);
            if (lo[j] > hi[j]) continue;
            const int c0 = cellOf(lo[j] - ex, csx, w), c1 = cellOf(hi[j] + ex, csx, w);
            std::fill(bits.begin() + static_cast<std::ptrdiff_t>(r) * w + c0,
                      bits.begin() + static_cast<std::ptrdiff_t>(r) * w + c1 + 1, std::uint8_t{1});
        }
    }
    out.cells = std::count(bits.begin(), bits.end(), std::uint8_t{1});
    out.rows = rowsOfBits(bits, w, h);
    for (int y = 0; y < h; ++y)
        for (int i = out.rows.rowStart[y]; i < out.rows.rowStart[y + 1]; ++i)
            if (out.rows.spans[i].b - out.rows.spans[i].a > out.widest) {
                out.widest = out.rows.spans[i].b - out.rows.spans[i].a;
                out.widestRow = y;
            }
    return true;
}

// The cells within dx columns and dy rows of the raster's cells, into `bits` (`width` cells a
// row) with the raster's cell (0, 0) at (ox, oy).
void dilateInto(const Rows& r, int dx, int dy, std::vector<std::uint8_t>& out, int width, int ox,
                int oy) {
    const int w = r.w + 2 * dx, h = r.h + 2 * dy;
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(w) * r.h, 0);
    for (int y = 0; y < r.h; ++y)
        for (int i = r.rowStart[y]; i < r.rowStart[y + 1]; ++i) {
            const Span s = r.spans[i];
            std::fill(wide.begin() + static_cast<std::ptrdiff_t>(y) * w + s.a,
                      wide.begin() + static_cast<std::ptrdiff_t>(y) * w + s.b + 2 * dx, std::uint8_t{1});
        }
    std::vector<int> count(static_cast<std::size_t>(w), 0);
    // Output row y takes input rows y - 2dy .. y, counted in a window sliding down.
    for (int y = 0; y < h; ++y) {
        if (y < r.h)
            for (int x = 0; x < w; ++x) count[x] += wide[static_cast<std::size_t>(y) * w + x];
        const int gone = y - 2 * dy - 1;
        if (gone >= 0 && gone < r.h)
            for (int x = 0; x < w; ++x) count[x] -= wide[static_cast<std::size_t>(gone) * w + x];
        std::uint8_t* row = out.data() + static_cast<std::size_t>(oy - dy + y) * width + (ox - dx);
        for (int x = 0; x < w; ++x) row[x] |= count[x] > 0;
    }
}

// What a placed part keeps to itself: its faces with the spacing around them, its flaps with
// half of it, as the box layout leaves a flap half the spacing into the space between boxes.
// Cell (0, 0) of the result lies dx, dy cells before the frame's.
Rows keptCells(const Rows& faces, const Rows& flaps, int dx, int dy) {
    const int w = faces.w + 2 * dx, h = faces.h + 2 * dy;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(w) * h, 0);
    dilateInto(faces, dx, dy, bits, w, dx, dy);
    dilateInto(flaps, (dx + 1) / 2, (dy + 1) / 2, bits, w, dx, dy);
    return rowsOfBits(bits, w, h);
}

// The pages laid out in rows of `columns` pages, each page nx by ny cells. A free cell holds
// the length of the free run it starts, a taken cell minus the count of taken cells right
// after it, so that a search steps over a placed part at once; both runs end at the page's
// right edge, so that a part tested against them stays on its page.
class PageSheet {
public:
    PageSheet(int nx, int ny, int columns) : nx_(nx), ny_(ny), columns_(columns) {}

    int width() const { return nx_ * columns_; }
    int pages() const { return static_cast<int>(free_.size()); }
    int pageFree(int p) const { return free_[static_cast<std::size_t>(p)]; }
    int usedRows() const { return usedRows_; }
    bool holds(int p) const { return held_[static_cast<std::size_t>(p)] != 0; }
    int pageX(int p) const { return (p % columns_) * nx_; }
    // The longest free run of row y within page column `column`, and of the whole page p.
    int rowMax(int y, int column) const {
        return rowMax_[static_cast<std::size_t>(y) * columns_ + column];
    }
    int pageMax(int p) const { return pageMax_[static_cast<std::size_t>(p)]; }
    int pageY(int p) const { return (p / columns_) * ny_; }

    void ensurePages(int count) {
        ensurePagesOnly(count);
        ensureRows(pageY(count - 1) + ny_);
    }
    // Whole rows of pages, so that every page has all its rows.
    void ensureRows(int rows) {
        rows = (rows + ny_ - 1) / ny_ * ny_;
        while (static_cast<int>(run_.size()) < rows) {
            std::vector<std::int32_t> row(static_cast<std::size_t>(width()));
            for (int x = 0; x < width(); ++x) row[x] = nx_ - x % nx_;
            run_.push_back(std::move(row));
            rowMax_.insert(rowMax_.end(), static_cast<std::size_t>(columns_), nx_);
        }
        const int pageRows = (rows + ny_ - 1) / ny_;
        ensurePagesOnly(pageRows * columns_);
    }

    // Whether the raster's cells are free with its cell (0, 0) at (x, y); when not, `nextX`
    // is the first column on this row worth trying next. The raster row that blocked last
    // (`hint`) is tried first: near a place that failed, it usually fails again.
    bool fits(const Rows& r, int x, int y, int& nextX, int& hint) const {
        if (hint >= 0 && hint < r.h && !rowFits(r, hint, x, y, nextX)) return false;
        for (int j = 0; j < r.h; ++j)
            if (j != hint && !rowFits(r, j, x, y, nextX)) {
                hint = j;
                return false;
            }
        return true;
    }

    // Takes the dilated cells, clipped to [x0, x1) × [y0, y1), with the dilated raster's
    // cell (0, 0) at (x, y); the part's own cells `own` at (ox, oy) mark their pages as used.
    void take(const Rows& d, int x, int y, int x0, int x1, int y0, int y1, const Rows& own, int ox,
              int oy) {
        ensureRows(y1);
        for (int j = 0; j < d.h; ++j) {
            const int gy = y + j;
            if (gy < y0 || gy >= y1) continue;
            std::vector<std::int32_t>& row = run_[static_cast<std::size_t>(gy)];
            for (int i = d.rowStart[j]; i < d.rowStart[j + 1]; ++i) {
                const int a = std::max(x0, x + d.spans[i].a), b = std::min(x1, x + d.spans[i].b);
                for (int c = a; c < b;) {  // page by page
                    const int pageStart = (c / nx_) * nx_, pageEnd = pageStart + nx_;
                    const int end = std::min(b, pageEnd);
                    const int p = pageAt(c, gy);
                    for (int k = c; k < end; ++k)
                        if (row[k] > 0) {
                            row[k] = -1;  // marked; its run is set below
                            --free_[static_cast<std::size_t>(p)];
                        }
                    // Runs from the right: those of the taken cells, then leftwards until a
                    // cell keeps its run, as every cell before it then does.
                    for (int k = end - 1; k >= pageStart; --k) {
                        const int after = k + 1 < pageEnd ? row[k + 1] : 0;
                        const bool taken = k >= c || row[k] <= 0;
                        const int v = taken ? (after <= 0 && k + 1 < pageEnd ? after - 1 : 0)
                                            : (after > 0 ? after + 1 : 1);
                        if (k < c && v == row[k]) break;
                        row[k] = v;
                    }
                    // The longest free run starts where a run starts; runs only shrink here.
                    int longest = 0;
                    for (int k = pageStart; k < pageEnd;) {
                        const int v = row[k];
                        longest = std::max(longest, v);
                        k += v > 0 ? v : 1 - v;
                    }
                    rowMax_[static_cast<std::size_t>(gy) * columns_ + c / nx_] = longest;
                    touched_.push_back(p);
                    c = end;
                }
            }
            usedRows_ = std::max(usedRows_, gy + 1);
        }
        std::sort(touched_.begin(), touched_.end());
        touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
        for (int p : touched_) {
            int longest = 0;
            for (int y = pageY(p); y < pageY(p) + ny_; ++y) longest = std::max(longest, rowMax(y, p % columns_));
            pageMax_[static_cast<std::size_t>(p)] = longest;
        }
        touched_.clear();
        for (int j = 0; j < own.h; ++j)
            for (int i = own.rowStart[j]; i < own.rowStart[j + 1]; ++i)
                for (int c = ox + own.spans[i].a; c < ox + own.spans[i].b; c = (c / nx_ + 1) * nx_)
                    held_[static_cast<std::size_t>(pageAt(c, oy + j))] = 1;
    }

    int pageAt(int x, int y) const { return (y / ny_) * columns_ + x / nx_; }
    int pageWidth() const { return nx_; }
    int pageHeight() const { return ny_; }

private:
    bool rowFits(const Rows& r, int j, int x, int y, int& nextX) const {
        const std::vector<std::int32_t>& row = run_[static_cast<std::size_t>(y + j)];
        for (int i = r.rowStart[j]; i < r.rowStart[j + 1]; ++i) {
            const Span s = r.spans[i];
            const int blocked = blockedAt(row, x + s.a, s.b - s.a);
            if (blocked >= 0) {
                // Past the blocking cell and the taken cells right of it on its page.
                const int taken = blocked < width() ? -row[static_cast<std::size_t>(blocked)] : 0;
                nextX = blocked - s.a + 1 + taken;
                return false;
            }
        }
        return true;
    }
    void ensurePagesOnly(int count) {
        while (pages() < count) {
            free_.push_back(nx_ * ny_);
            held_.push_back(0);
            pageMax_.push_back(nx_);
        }
    }
    // The first taken cell of [c, c + len), or -1 when all are free; runs continue across
    // page edges for parts larger than a page.
    int blockedAt(const std::vector<std::int32_t>& row, int c, int len) const {
        while (len > 0) {
            if (c >= width()) return c;
            const int v = row[static_cast<std::size_t>(c)];
            if (v <= 0) return c;
            if (v >= len) return -1;
            if (c + v < (c / nx_ + 1) * nx_) return c + v;
            len -= v;
            c += v;
        }
        return -1;
    }

    int nx_, ny_, columns_;
    std::vector<std::vector<std::int32_t>> run_;
    std::vector<int> free_;
    std::vector<std::uint8_t> held_;
    std::vector<std::int32_t> rowMax_;  // row by row, one per page column
    std::vector<int> pageMax_;
    std::vector<int> touched_;
    int usedRows_ = 0;
};

struct Placement {
    int turn = -1;
    int x = 0, y = 0;  // cell of the raster's (0, 0) on the sheet
};

struct Candidate {
    int turn = -1, x = 0, y = 0, bottom = std::numeric_limits<int>::max();
    bool better(int b, int cx) const { return b < bottom || (b == bottom && cx < x); }
};

// Where each turn of a part first fits in the rectangle [x0, x0 + w) × [y0, y0 + h) of the
// sheet, top row first, then leftmost; kept when its bottom lies above the best so far.
// `column` is the page column of a rectangle within one page, or -1 for the whole sheet: then
// a row's runs are not bounded by one page, so rows cannot be sifted by their longest runs,
// and only the page columns' left edges are tried, which keeps parts larger than a page
// (few, and spread over pages anyway) from costing a search of every cell.
void bestIn(const PageSheet& sheet, const std::vector<const Raster*>& turns, int x0, int y0, int w,
            int h, int column, int pageWidth, Candidate& best) {
    for (std::size_t k = 0; k < turns.size(); ++k) {
        const Raster& raster = *turns[k];
        const Rows& r = raster.rows;
        const int lastX = x0 + w - r.w;
        int hint = -1;
        for (int y = y0; y + r.h <= y0 + h && y + r.h <= best.bottom; ++y) {
            if (column >= 0 && sheet.rowMax(y + raster.widestRow, column) < raster.widest) continue;
            bool found = false;
            for (int x = x0; x <= lastX;) {
                int next = x + 1;
                if (sheet.fits(r, x, y, next, hint)) {
                    if (best.better(y + r.h, x)) best = {static_cast<int>(k), x, y, y + r.h};
                    found = true;
                    break;
                }
                x = std::max(next, x + 1);
                if (column < 0) x = (x + pageWidth - 1) / pageWidth * pageWidth;
            }
            if (found) break;
        }
    }
}

// A part larger than a page: each turn with its left edge on a page column's, or its right
// edge on a page column's, at the first row it fits within each row of pages up to `rows`
// (rows tried a few cells apart, and three rows of pages at most after the first that takes
// it: such a part spans pages anyway, and each try reads all its cells); the place that
// starts the fewest pages wins, then the higher one, then the left one.
void bestAcrossPages(const PageSheet& sheet, const std::vector<const Raster*>& turns, int rows,
                     int marginX, Candidate& best) {
    const int nx = sheet.pageWidth(), ny = sheet.pageHeight();
    const int step = std::max(1, ny / 32), columns = sheet.width() / nx;
    int fewest = std::numeric_limits<int>::max();
    std::vector<std::uint8_t> touched;
    for (std::size_t k = 0; k < turns.size(); ++k) {
        const Rows& r = turns[k]->rows;
        std::vector<int> xs;
        for (int x = 0; x < sheet.width(); x += nx) {
            xs.push_back(x);
            if (r.w % nx) xs.push_back(x + nx - r.w % nx);
        }
        for (int x : xs) {
            if (x + r.w + marginX > sheet.width()) continue;
            int hint = -1, tries = 0;
            for (int y = 0; y + r.h <= rows && tries < 3;) {
                int next = 0;
                if (!sheet.fits(r, x, y, next, hint)) {
                    y += step;
                    continue;
                }
                // The pages it reaches, band of page rows by band.
                const int firstBand = y / ny, bands = (y + r.h - 1) / ny - firstBand + 1;
                touched.assign(static_cast<std::size_t>(bands) * columns, 0);
                for (int j = 0; j < r.h; ++j)
                    for (int i = r.rowStart[j]; i < r.rowStart[j + 1]; ++i)
                        for (int c = (x + r.spans[i].a) / nx; c <= (x + r.spans[i].b - 1) / nx; ++c)
                            touched[static_cast<std::size_t>((y + j) / ny - firstBand) * columns + c] = 1;
                int opened = 0;
                for (int b = 0; b < bands; ++b)
                    for (int c = 0; c < columns; ++c) {
                        const int p = (firstBand + b) * columns + c;
                        opened += touched[static_cast<std::size_t>(b) * columns + c] &&
                                  (p >= sheet.pages() || !sheet.holds(p));
                    }
                ++tries;
                if (opened < fewest || (opened == fewest && best.better(y + r.h, x))) {
                    fewest = opened;
                    best = {static_cast<int>(k), x, y, y + r.h};
                }
                y = (y / ny + 1) * ny;
            }
        }
    }
}

bool flapsAssigned(const Model& model) {
    for (const auto& part : model.parts)
        for (const Face* f : part->faces)
            for (const auto& h : f->halfedges)
                if (h->hasFlap) return true;
    return false;
}

// The faces come first, then the flaps.
std::vector<std::vector<Point2>> outlineOf(const Model& model, const Part& part, bool flapReverse,
                                           bool assigned) {
    std::vector<std::vector<Point2>> polys;
    for (const Face* f : part.faces) {
        std::vector<Point2> corners;
        for (const auto& h : f->halfedges) corners.push_back({h->flatX, h->flatY});
        polys.push_back(std::move(corners));
    }
    for (const Face* f : part.faces)
        for (const auto& hp : f->halfedges) {
            const Halfedge& h = *hp;
            if (!h.next) continue;
            // Before flaps are assigned, a cut edge between two parts will carry its flap on
            // its edge's first halfedge.
            const bool flap = assigned ? h.hasFlap
                                       : !h.twin && h.pair && h.pair->face && h.pair->face->part &&
                                             h.edge && h.edge->a == &h;
            if (!flap) continue;
            // The usual width: a narrowed flap lies inside it.
            const FlapBase base =
                flapBaseOf(model, {h.flatX, h.flatY}, {h.next->flatX, h.next->flatY}, flapReverse);
            std::vector<Point2> o = flapOutline(base.base0, base.base1, h.flapHeight / model.dMag2d);
            if (!o.empty()) polys.push_back(std::move(o));
        }
    return polys;
}

}  // namespace

std::vector<std::vector<Point2>> partOutline(const Model& model, const Part& part, bool flapReverse) {
    return outlineOf(model, part, flapReverse, flapsAssigned(model));
}

int pagesUsed(const Model& model, const PageSetup& page) {
    const double w = page.cellWidth() / model.dMag2d, h = page.cellHeight() / model.dMag2d;
    if (!(w > 0) || !(h > 0)) return 1;
    std::set<std::pair<long long, long long>> cells;
    const auto cell = [](double v, double size) {
        return static_cast<long long>(std::clamp(std::floor(v / size), -1e9, 1e9));
    };
    for (const auto& p : model.parts)
        for (const Face* f : p->faces) {
            double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
            for (const auto& hp : f->halfedges) {
                x0 = std::min(x0, p->x + hp->flatX);
                y0 = std::min(y0, p->y + hp->flatY);
                x1 = std::max(x1, p->x + hp->flatX);
                y1 = std::max(y1, p->y + hp->flatY);
            }
            if (!(x0 <= x1) || !(y0 <= y1)) continue;
            // A face ending right on a page break does not reach the next page.
            const long long c0 = cell(x0, w), c1 = std::max(c0, cell(x1 - 1e-9 * w, w));
            const long long r0 = cell(y0, h), r1 = std::max(r0, cell(y1 - 1e-9 * h, h));
            for (long long r = r0; r <= r1 && cells.size() < 1'000'000; ++r)
                for (long long c = c0; c <= c1 && cells.size() < 1'000'000; ++c) cells.insert({c, r});
        }
    return static_cast<int>(cells.size());
}

NestOutcome nestParts(Model& model, const LayoutParams& params, Ui& ui) {
    NestOutcome out;
    const PageSetup& page = params.page;
    out.boxPages = pagesUsed(model, page);
    const double mag = model.dMag2d;
    const double pageW = page.cellWidth() / mag, pageH = page.cellHeight() / mag;
    if (!(pageW > 0) || !(pageH > 0) || !std::isfinite(pageW) || !std::isfinite(pageH) ||
        model.parts.empty())
        return out;
    // Whole cells to a page, so that page breaks fall on cell edges.
    const int nx = std::max(1, static_cast<int>(std::lround(page.cellWidth() / kCellCm)));
    const int ny = std::max(1, static_cast<int>(std::lround(page.cellHeight() / kCellCm)));
    const double csx = pageW / nx, csy = pageH / ny;
    const double spacing = params.spacingMm * 0.1 / mag;
    const int dx = std::max(0, static_cast<int>(std::ceil(spacing / csx - 1e-9)));
    const int dy = std::max(0, static_cast<int>(std::ceil(spacing / csy - 1e-9)));
    // A part's box reaches half the spacing past its faces; kept on the page, it does not
    // stretch the page grid by a page.
    const double margin = model.dKavimozuMargin;
    const int mx = std::max(0, static_cast<int>(std::ceil(margin / csx - 1e-9)));
    const int my = std::max(0, static_cast<int>(std::ceil(margin / csy - 1e-9)));

    std::vector<int> angles;
    const int step = params.rotationStep;
    if (step <= 0 || step >= 360) angles.push_back(0);
    else
        for (int a = 0; a < 360; a += step) angles.push_back(a);

    Progress progress(&ui.progress(), kLayoutTitle, true);
    progress.setCaption("Progress");
    const int n = static_cast<int>(model.parts.size());
    progress.setRange(0, 3 * n);
    ProgressPacer pacer(params.reportInterval);
    // Drawing the outlines is the first third of the bar, the two placing orders the others.
    const auto report = [&](int done, int shown) {
        if (!pacer.due() && done != 3 * n) return;
        progress.setText("%s  %d/%d", kNestText, shown, n);
        progress.setPos(done);
        ui.status(format("Arranging parts by outline:%d/%d", shown, n));
        progress.checkCancel();
    };

    try {
        const bool assigned = flapsAssigned(model);
        std::vector<std::vector<Raster>> rasters(static_cast<std::size_t>(n));
        int columnsNeeded = 1;
        for (int i = 0; i < n; ++i) {
            report(i, i + 1);
            const auto polys = outlineOf(model, *model.parts[i], params.flapReverse, assigned);
            int narrowest = std::numeric_limits<int>::max();
            for (int a : angles) {
                Raster r;
                if (rasterize(polys, turnOf(a), csx, csy, r)) {
                    narrowest = std::min(narrowest, r.rows.w + mx);
                } else {
                    r = Raster{};
                    r.usable = false;
                    r.cells = std::numeric_limits<long long>::max();
                }
                rasters[i].push_back(std::move(r));
            }
            if (narrowest == std::numeric_limits<int>::max()) return out;  // no turn can be drawn
            columnsNeeded = std::max(columnsNeeded, (narrowest + nx - 1) / nx);
        }
        // Pages in rows about as long as the grid is tall, so that the grid stays printable.
        const int columns =
            std::max(columnsNeeded, static_cast<int>(std::ceil(std::sqrt(std::max(1, out.boxPages)))));
        if (static_cast<double>(columns) * nx * ny > static_cast<double>(kMaxSheetCells)) return out;
        // Places the parts in `order`; the pages used, or -1 when a part found no place
        // (only geometry beyond the sheet's limits does that).
        const auto plan = [&](const std::vector<int>& order, int pass, std::vector<Placement>& placed) {
            // Pages too full for the smallest part still to come are not searched again.
            std::vector<long long> smallestAfter(static_cast<std::size_t>(n) + 1,
                                                 std::numeric_limits<long long>::max());
            for (int i = n - 1; i >= 0; --i) {
                long long c = std::numeric_limits<long long>::max();
                for (const Raster& r : rasters[order[i]]) c = std::min(c, r.cells);
                smallestAfter[i] = std::min(smallestAfter[i + 1], c);
            }
            PageSheet sheet(nx, ny, columns);
            sheet.ensurePages(1);
            int firstOpen = 0;
            for (int i = 0; i < n; ++i) {
                report((pass + 1) * n + i, i + 1);
                const int part = order[i];
                const std::vector<Raster>& turns = rasters[part];
                std::vector<const Raster*> onPage;  // the turns that fit a page with the box's margin
                std::vector<int> onPageTurn;
                for (std::size_t k = 0; k < turns.size(); ++k)
                    if (turns[k].usable && turns[k].rows.w + mx <= nx && turns[k].rows.h + my <= ny) {
                        onPage.push_back(&turns[k]);
                        onPageTurn.push_back(static_cast<int>(k));
                    }
                Candidate best;
                bool inPage = !onPage.empty();
                if (inPage) {
                    long long fewest = std::numeric_limits<long long>::max();
                    int narrowestSpan = std::numeric_limits<int>::max();
                    for (const Raster* r : onPage) {
                        fewest = std::min(fewest, r->cells);
                        narrowestSpan = std::min(narrowestSpan, r->widest);
                    }
                    while (firstOpen < sheet.pages() && sheet.pageFree(firstOpen) < smallestAfter[i])
                        ++firstOpen;
                    for (int p = firstOpen; p <= sheet.pages() && best.turn < 0; ++p) {
                        if (p == sheet.pages()) sheet.ensurePages(p + 1);
                        if (sheet.pageFree(p) < fewest || sheet.pageMax(p) < narrowestSpan) continue;
                        bestIn(sheet, onPage, sheet.pageX(p), sheet.pageY(p), nx - mx, ny - my,
                               p % columns, nx, best);
                    }
                    if (best.turn < 0) return -1;  // an empty page always takes it
                    best.turn = onPageTurn[static_cast<std::size_t>(best.turn)];
                } else {
                    // Larger than a page: anywhere on the sheet, across page breaks, on new
                    // rows of pages below everything at the latest.
                    const int rows = (sheet.usedRows() + ny - 1) / ny * ny;
                    int tallest = 0;
                    for (const Raster& r : turns) tallest = std::max(tallest, r.rows.h);
                    sheet.ensureRows(rows + tallest + my);
                    std::vector<const Raster*> wideEnough;
                    std::vector<int> wideTurn;
                    for (std::size_t k = 0; k < turns.size(); ++k)
                        if (turns[k].usable && turns[k].rows.w + mx <= sheet.width()) {
                            wideEnough.push_back(&turns[k]);
                            wideTurn.push_back(static_cast<int>(k));
                        }
                    bestAcrossPages(sheet, wideEnough, rows + tallest, mx, best);
                    if (best.turn < 0) return -1;
                    best.turn = wideTurn[static_cast<std::size_t>(best.turn)];
                }
                const Raster& chosen = turns[static_cast<std::size_t>(best.turn)];
                const Rows& own = chosen.rows;
                const Part& placing = *model.parts[static_cast<std::size_t>(part)];
                auto polys = outlineOf(model, placing, params.flapReverse, assigned);
                const auto flapsFrom = polys.begin() + static_cast<std::ptrdiff_t>(placing.faces.size());
                const std::vector<std::vector<Point2>> flapPolys(flapsFrom, polys.end());
                polys.erase(flapsFrom, polys.end());
                const Turn turn = turnOf(angles[static_cast<std::size_t>(best.turn)]);
                Raster faceCells, flapCells;
                if (!rasterize(polys, turn, csx, csy, faceCells, &chosen) ||
                    !rasterize(flapPolys, turn, csx, csy, flapCells, &chosen))
                    return -1;
                const Rows d = keptCells(faceCells.rows, flapCells.rows, dx, dy);
                if (inPage) {
                    const int p = (best.y / ny) * columns + best.x / nx;
                    sheet.take(d, best.x - dx, best.y - dy, sheet.pageX(p), sheet.pageX(p) + nx,
                               sheet.pageY(p), sheet.pageY(p) + ny, own, best.x, best.y);
                } else {
                    sheet.take(d, best.x - dx, best.y - dy, 0, sheet.width(), 0,
                               best.y + own.h + dy + 1, own, best.x, best.y);
                }
                placed[static_cast<std::size_t>(part)] = {best.turn, best.x, best.y};
            }
            int pages = 0;
            for (int p = 0; p < sheet.pages(); ++p) pages += sheet.holds(p);
            return pages;
        };

        // Two orders, largest outline first and longest first (equal ones keep the list
        // order): the first fills pages with bulky parts, the second lays long ones side by
        // side; the one with fewer pages is kept.
        std::vector<int> byArea(static_cast<std::size_t>(n)), byLength;
        for (int i = 0; i < n; ++i) byArea[i] = i;
        byLength = byArea;
        // Parts are compared as they lie, or in their first turn that could be drawn.
        const auto first = [&](int i) -> const Raster& {
            for (const Raster& r : rasters[i])
                if (r.usable) return r;
            return rasters[i][0];
        };
        std::stable_sort(byArea.begin(), byArea.end(),
                         [&](int a, int b) { return first(a).cells > first(b).cells; });
        const auto length = [&](int i) { return std::max(first(i).rows.w, first(i).rows.h); };
        std::stable_sort(byLength.begin(), byLength.end(),
                         [&](int a, int b) { return length(a) > length(b); });
        std::vector<Placement> placed(static_cast<std::size_t>(n)), other(static_cast<std::size_t>(n));
        out.nestPages = plan(byArea, 0, placed);
        const int second = plan(byLength, 1, other);
        if (second >= 0 && (out.nestPages < 0 || second < out.nestPages)) {
            out.nestPages = second;
            placed.swap(other);
        }
        report(3 * n, n);
        if (out.nestPages < 0 || out.nestPages > out.boxPages) {
            out.nestPages = std::max(out.nestPages, 0);
            return out;
        }

        double usedW = 0.0, usedH = 0.0;
        for (int i = 0; i < n; ++i) {
            Part& part = *model.parts[i];
            const Placement& pl = placed[static_cast<std::size_t>(i)];
            const Raster& r = rasters[i][static_cast<std::size_t>(pl.turn)];
            const Turn t = turnOf(angles[static_cast<std::size_t>(pl.turn)]);
            double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
            for (Face* f : part.faces)
                for (auto& h : f->halfedges) {
                    const Point2 q = turned(t, h->flatX, h->flatY);
                    h->flatX = pl.x * csx + (q.x - r.originX);
                    h->flatY = pl.y * csy + (q.y - r.originY);
                    minX = std::min(minX, h->flatX);
                    minY = std::min(minY, h->flatY);
                    maxX = std::max(maxX, h->flatX);
                    maxY = std::max(maxY, h->flatY);
                }
            if (minX > maxX) minX = maxX = pl.x * csx, minY = maxY = pl.y * csy;
            // Back to the part's own frame: faces from (margin, margin), as the box layout
            // leaves them.
            part.x = minX - margin;
            part.y = minY - margin;
            part.width = maxX - minX + 2 * margin;
            part.height = maxY - minY + 2 * margin;
            for (Face* f : part.faces)
                for (auto& h : f->halfedges) {
                    h->flatX -= part.x;
                    h->flatY -= part.y;
                }
            usedW = std::max(usedW, part.x + part.width);
            usedH = std::max(usedH, part.y + part.height);
        }
        model.dKavimozuWidth = usedW;
        model.dKavimozuHeight = usedH;
        out.applied = true;
    } catch (const CancelledException&) {
        out.cancelled = true;
        out.nestPages = 0;
        ui.status(kNestCancelled);
    }
    return out;
}

}  // namespace plikatra
