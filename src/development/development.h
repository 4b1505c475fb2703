// Operations on the development as a whole: discarding it, its extent on the sheet, the page
// grid that prints it, and which line each halfedge shows.
#pragma once

#include "app/settings.h"
#include "model/model.h"

namespace plikatra {

// Deletes all parts and clears the development fields of faces and halfedges; line-shown
// flags, flap heights and text items stay.
void discardDevelopment(Model& model);

// Recomputes dKavimozuX/Y/Width/Height over all parts and text items.
void computeSheetExtent(Model& model);

// Pages across and down (1..5 each) needed to print the used area; 1 by 1 without development.
void computePageGrid(Model& model, const Settings& s = settings());

struct SheetSize {
    double width = 0.0;   // centimetres
    double height = 0.0;
};
// Size of the printed sheet: the page grid with one margin on each outer side.
SheetSize printedSheetSize(const Model& model, const Settings& s = settings());

// How a halfedge's line is drawn.
enum class LineRole {
    Hidden,    // not drawn (culled near-flat fold, erased, or its line type is "none")
    Cut,       // a cut line in the cut line type
    Mountain,  // a fold (or a shown flap's fold line) in the mountain line type
    Valley,    // likewise in the valley line type
};

// The role of a halfedge's line by the shared drawing rules, before the "draw a fold once"
// rule, which the drawing passes apply with their marks.
LineRole lineRole(const Halfedge& h, const Settings& s = settings());

// The line type code (0 solid, 1 dotted, 2 dash-dot) of a role; −1 for Hidden.
int lineTypeOf(LineRole role, const Settings& s = settings());


}  // namespace plikatra
