// One drawing of the development: what every output shows (face fills, flaps, lines with their
// roles and patterns, join numbers, text items, page grid), decided once by the shared rules.
// The on-screen view, EPS, printing, the metafile, the bitmap, PDF and SVG all draw from it, so
// they can never disagree on which line is a fold or where a flap lies. Each output only adds
// its own device arithmetic.
#pragma once

#include <array>
#include <vector>

#include "development/development.h"
#include "model/model.h"

namespace plikatra {

struct DrawingOptions {
    LineRules lines;
    PageSetup page;
    bool drawNumbers = false;    // join numbers
    bool useMaterial = true;     // faces in their material colours (else white)
    bool whiteUnderLines = false;  // a white solid line beneath every patterned line
    bool flapReverse = false;    // flaps on the face's own side
    bool numberReverse = false;  // join numbers read the other way along their edge
    int numberFontSize = 8;      // points
    // Join numbers no taller than a third of their face's height at their edge, down to
    // kSmallestFittedNumberSize; off keeps every number at numberFontSize.
    bool fitNumbersToFaces = false;
};

// Fitted join numbers are never made smaller than this many points.
inline constexpr double kSmallestFittedNumberSize = 4.0;

// The mark under a join number that reads as another one upside down (6 and 9): a bar under
// its digits, spanning their advance. In ems of the number's font, from its base line, y up.
inline constexpr double kNumberMarkTop = -0.07;
inline constexpr double kNumberMarkBottom = -0.15;
// A marked number's base line stands at least this many ems off its edge, so that the bar stays
// clear of the edge's line; outputs that set numbers closer lift the marked ones to here.
inline constexpr double kMarkedNumberLift = 0.3;

// The bar under a marked number whose digits advance `width`, in the same units as `width`
// and `em`: its corners from the left end of the base line (x along it, y up), counter-clockwise.
std::array<Point2, 4> numberMarkBar(double width, double em);

// A face of a part as a filled polygon on the sheet.
struct DrawnFace {
    const Part* part = nullptr;
    const Face* face = nullptr;
    std::vector<Point2> corners;        // sheet positions (development units), ring order
    const Material* material = nullptr;  // null when faces are drawn white
};

// A glue flap: its base runs from base0 to base1 on the sheet, already in the order the mirror
// and flap-side flags give; with u the unit vector from base0 to base1 the flap stands towards
// (u.y, -u.x).
struct DrawnFlap {
    const Part* part = nullptr;
    const Halfedge* halfedge = nullptr;
    Point2 base0, base1;  // development units
    double height = 0.0;  // centimetres on paper
    // Side insets at base0 and at base1 (kUsualFlapInset for the usual 45-degree sides).
    double inset0 = kUsualFlapInset, inset1 = kUsualFlapInset;
    FlapStyle style = FlapStyle::White;
    // The face the flap is glued under, when it is in a part: its material gives a textured
    // flap its look, and a shadow is drawn on it.
    const Face* glued = nullptr;
    const Part* gluedPart = nullptr;
    const Material* gluedMaterial = nullptr;  // null when faces are drawn white

    bool narrowed() const { return inset0 != kUsualFlapInset || inset1 != kUsualFlapInset; }
};

// The flap's outline carried onto the face it is glued under, in sheet coordinates: each point
// keeps its distance along the edge and from it, measured into that face. Empty when the flap
// is glued under no face of a part.
std::vector<Point2> flapShadowOutline(const DrawnFlap& flap, double mag2d);

// The area of a textured flap (its whole outline) or of a half-textured one (the band along
// the fold up to half its height), closed along the base, that shows the look of the face it
// is glued under; empty for the other styles and for a flap glued under no face of a part.
std::vector<Point2> flapLookArea(const DrawnFlap& flap, double mag2d);

// The texture coordinates the face `flap` is glued under has at the points `area` (of the
// flap, in sheet coordinates): the flap folded onto that face shows what lies beneath it
// there. False when that face has no texture coordinates to go by.
bool flapTexCoords(const DrawnFlap& flap, const std::vector<Point2>& area, std::vector<TexCoord>& out);

// A line to draw. Lines whose type is kLineNone stay in the list because a white under-line
// may still be wanted beneath them; every output skips them otherwise.
struct DrawnLine {
    const Part* part = nullptr;
    const Halfedge* halfedge = nullptr;
    Point2 start, end;  // development units
    LineRole role = LineRole::Cut;
    int lineType = kLineSolid;

    bool visible() const { return lineType != kLineNone; }
};

// A join number, to be set along the edge from `first` to `second` (the order the mirror and
// number-side flags give).
struct DrawnNumber {
    const Part* part = nullptr;
    const Halfedge* halfedge = nullptr;
    Point2 first, second;  // development units
    int number = -1;
    // It reads as another number turned upside down, so a bar is set under it
    // (numberMarkBar); every output draws the bar with the digits.
    bool marked = false;
    // Its size as a share of the font size: below 1 only when fitted to a small face.
    double scale = 1.0;
};

// At most this many pages across and down are printed.
inline constexpr int kMaxPagesPerSide = 5;

// Shown when parts or texts lie beyond the pages that can be printed.
inline constexpr const char* kMsgBeyondPrintedPages =
    "Part of the development lies beyond the 5 x 5 pages that can be printed and is left out.\n"
    "Move it closer to the other parts or scale the development down.";

// The page grid the sheet is printed on. Its cells are counted from the grid's top-left
// cell, which is the cell at the development's origin unless parts or texts lie left of or
// above that origin: then the grid starts as many whole cells earlier as they need, so that
// they are printed and the page breaks among the other parts stay where they were.
struct SheetGrid {
    PageSetup page;
    int pagesAcross = 1;
    int pagesDown = 1;
    int firstColumn = 0;  // the grid's first cell, counted from the one at the origin (<= 0)
    int firstRow = 0;
    bool cutOff = false;  // the used area reaches beyond the pages that can be printed
    double sheetWidth = 0.0;   // centimetres: the cells plus one margin on each outer side
    double sheetHeight = 0.0;

    // Centimetres from the development's origin to the top-left corner of the grid's cell
    // (column, row); (0, 0) is the grid's first cell.
    Point2 cellCorner(int column, int row) const {
        return {(firstColumn + column) * page.cellWidth(), (firstRow + row) * page.cellHeight()};
    }
};

struct DevelopmentDrawing {
    double mag2d = 1.0;     // development units to centimetres
    bool mirrored = false;  // bReverse of the development
    std::vector<DrawnFace> faces;      // parts, faces in list order
    std::vector<DrawnFlap> flaps;      // empty unless flaps are shown
    std::vector<DrawnLine> lines;      // each fold once, each cut per side
    std::vector<DrawnNumber> numbers;  // empty unless numbers are drawn
    std::vector<const TextItem*> texts;
    SheetGrid grid;
};

// The grid of `model` on `page`: the model's page grid (pages from the origin on), or when
// faces or texts lie left of or above the origin, the whole cells from theirs to the last
// the used area reaches; capped at kMaxPagesPerSide cells from the first one.
SheetGrid sheetGridOf(const Model& model, const PageSetup& page);

// The material a face is drawn with: its own, or the default one for -1 or an index outside
// the table (damaged data).
const Material& faceMaterial(const Model& model, const Face& face);

// Draws the development of `model` with `options`. Pure: the model is not changed.
DevelopmentDrawing drawDevelopment(const Model& model, const DrawingOptions& options);

// The base of the flap a halfedge carries, from its start `a` and its end `b`, in the order
// that stands the flap where the drawing puts it (off its own face, or on it with
// `flapReverse`, "flaps on the face's own side", the other way on a mirrored sheet), with the
// side insets `insetA` and `insetB` of those ends.
struct FlapBase {
    Point2 base0, base1;
    double inset0 = kUsualFlapInset, inset1 = kUsualFlapInset;
};
inline FlapBase flapBaseOf(const Model& model, Point2 a, Point2 b, bool flapReverse,
                           double insetA = kUsualFlapInset, double insetB = kUsualFlapInset) {
    if (model.bReverse != flapReverse) return {a, b, insetA, insetB};
    return {b, a, insetB, insetA};
}

// The outline of a flap in development units: base0, the outer corners, base1. With the side
// insets i0 at base0 and i1 at base1 the outer corners stand at the height, i0 and i1 times it
// in from the ends (4 points) when the base is longer than (i0 + i1) times the height; else
// there is one tip at the height (3 points), over the point that divides the base as i0 to i1
// (the middle when they are equal). Empty when the base is shorter than 1e-6.
std::vector<Point2> flapOutline(Point2 base0, Point2 base1, double heightUnits,
                                double inset0 = kUsualFlapInset, double inset1 = kUsualFlapInset);
// The outline of a drawn flap, in development units.
inline std::vector<Point2> flapOutline(const DrawnFlap& f, double mag2d) {
    return flapOutline(f.base0, f.base1, f.height / mag2d, f.inset0, f.inset1);
}

// The style `flap`'s edge gives it, or `development` when it names none.
FlapStyle flapStyleOf(const Halfedge& flap, FlapStyle development);

}  // namespace plikatra
