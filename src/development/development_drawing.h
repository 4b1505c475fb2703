// One drawing of the development: what every output shows (face fills, flaps, lines with their
// roles and patterns, join numbers, text items, page grid), decided once by the shared rules.
// The on-screen view, EPS, printing, the metafile, the bitmap, PDF and SVG all draw from it, so
// they can never disagree on which line is a fold or where a flap lies. Each output only adds
// its own device arithmetic.
#pragma once

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
};

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
};

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
};

// The page grid the sheet is printed on.
struct SheetGrid {
    PageSetup page;
    int pagesAcross = 1;
    int pagesDown = 1;
    double sheetWidth = 0.0;   // centimetres: the cells plus one margin on each outer side
    double sheetHeight = 0.0;
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

// The material a face is drawn with: its own, or the default one for -1 or an index outside
// the table (damaged data).
const Material& faceMaterial(const Model& model, const Face& face);

// Draws the development of `model` with `options`. Pure: the model is not changed.
DevelopmentDrawing drawDevelopment(const Model& model, const DrawingOptions& options);

// The outline of a flap in development units: base0, the outer corners, base1 (4 points for a
// trapezoid with 45-degree sides when the base is longer than twice the height, else 3 for a
// triangle over the base's middle); empty when the base is shorter than 1e-6.
std::vector<Point2> flapOutline(Point2 base0, Point2 base1, double heightUnits);

}  // namespace plikatra
