// Operations on the development as a whole: discarding it, its extent on the sheet, the page
// grid that prints it, and which line each halfedge shows.
#pragma once

#include "model/model.h"

namespace plikatra {

// Paper in centimetres: the page size of the paper type and the margins kept free on it.
struct PageSetup {
    double width = 21.0;
    double height = 29.7;
    double marginSide = 1.5;  // left and right
    double marginTop = 1.5;   // top and bottom

    double cellWidth() const { return width - 2 * marginSide; }
    double cellHeight() const { return height - 2 * marginTop; }
};

// The smallest 2D scale (dMag2d) the six decimals of a work file hold. Fitting a development
// to the page and scaling it down stop here, so that whatever is laid out can be saved and
// read again; only developments tens of millions of units wide (from damaged or foreign work
// files) would need less.
inline constexpr double kSmallestStoredScale = 1e-6;

// Line-type codes: 0 solid, 1 dotted, 2 dash-dot, 3 none. The cut line type only knows 0 and 1,
// and 1 means cut lines are not drawn.
inline constexpr int kLineSolid = 0;
inline constexpr int kLineDotted = 1;
inline constexpr int kLineDashDot = 2;
inline constexpr int kLineNone = 3;

// Which line each halfedge shows.
struct LineRules {
    bool cullFlatFolds = true;  // hide folds flatter than flatFoldAngle
    int flatFoldAngle = 178;    // degrees; 180 is flat
    bool showFlaps = true;      // a cut edge with a shown flap is folded, not cut
    int cutLineType = kLineSolid;
    int mountainLineType = kLineDotted;
    int valleyLineType = kLineDashDot;
};


// Deletes all parts and clears the development fields of faces and halfedges; line-shown
// flags, flap heights and text items stay.
void discardDevelopment(Model& model);

// The area the parts and text items take on the sheet (sheet units).
struct SheetRect {
    double x = 0, y = 0, width = 0, height = 0;
};
SheetRect sheetExtent(const Model& model);
// Stores sheetExtent in dKavimozuX/Y/Width/Height.
void computeSheetExtent(Model& model);

// Pages across and down (1..5 each) needed to print the used area; 1 by 1 without development.
void computePageGrid(Model& model, const PageSetup& page);

// The cells of the page grid that the used area reaches, not capped, counted from the cell
// whose top-left corner is the development's origin. The first column and row are negative
// when a face or a text item lies left of or above the origin (a part moved or rotated
// there), else 0; the ends are one past the last cell that the parts' boxes and the texts
// reach, measured as computePageGrid measures them but not from the origin (0 or less when
// everything lies left of or above it). 0, 0, 1, 1 without development.
struct PageSpan {
    int firstColumn = 0;
    int firstRow = 0;
    int endColumn = 1;
    int endRow = 1;
};
PageSpan pagesReached(const Model& model, const PageSetup& page);

struct SheetSize {
    double width = 0.0;   // centimetres
    double height = 0.0;
};
// Size of the printed sheet: the page grid with one margin on each outer side.
SheetSize printedSheetSize(const Model& model, const PageSetup& page);

// How a halfedge's line is drawn.
enum class LineRole {
    Hidden,    // not drawn (culled near-flat fold, erased, or its line type is "none")
    Cut,       // a cut line in the cut line type
    Mountain,  // a fold (or a shown flap's fold line) in the mountain line type
    Valley,    // likewise in the valley line type
};

// The role of a halfedge's line, before the "draw a fold once" rule.
LineRole lineRole(const Halfedge& h, const LineRules& rules);

// The line type code of a role; kLineNone for Hidden.
int lineTypeOf(LineRole role, const LineRules& rules);


}  // namespace plikatra
