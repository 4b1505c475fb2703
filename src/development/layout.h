// Placing the parts of the development on the sheet without overlap, and the layout method
// the user chooses for it.
#pragma once

#include <functional>
#include <string>

#include "model/model.h"

namespace plikatra {

enum LayoutMode : int {
    kLayoutAuto = 0,       // fit the development to one page
    kLayoutGivenScale = 1  // keep the given scale
};

// Values of the running program; spacing percent and millimetres live in the settings.
struct LayoutOptions {
    int mode = kLayoutAuto;
    double scale = 1.0;  // centimetres on paper per model-file unit
};
LayoutOptions& layoutOptions();

inline constexpr const char* kLayoutTitle = "Parts layout";
inline constexpr const char* kLayoutText = "Arranging parts layout...";
inline constexpr const char* kMsgAssembledSizeRange =
    "Specify a value of 0.1 - 200 for assembled size";

// The "Specify Development Layout Method" dialog's values and rules, without a window.
struct LayoutDialog {
    int mode = kLayoutAuto;
    int spacingPercent = 15;
    int spacingMm = 10;
    bool pageDivide = true;
    double scale = 1.0;
    double assembledSize = 10.0;
    double modelHeight = 1.0;  // the model's extent along y in file units

    // Initial values from the current state; `recalculating` keeps the current scale.
    static LayoutDialog initial(const Model& model, bool recalculating);
    std::string scaleText() const;          // "%.6f"
    std::string assembledSizeText() const;  // "%.1f"
    // Linked fields: a new scale recomputes the assembled size and the other way round.
    void setScale(double s);
    void setAssembledSize(double size);
    // Empty when OK may close the dialog, else the message to show.
    std::string validate() const;
    // Stores the values as OK does.
    void apply(Model& model) const;
};

// Shows the layout method dialog; returns false when it was cancelled. The desktop program
// installs its form; without one the initial values are taken as if OK was pressed.
using LayoutDialogRunner = std::function<bool(LayoutDialog&)>;
void setLayoutDialogRunner(LayoutDialogRunner runner);
bool runLayoutDialog(Model& model, bool recalculating);

// Lays the parts out; with `ask` the dialog comes first and Cancel returns false unchanged.
bool layoutParts(Model& model, bool ask, bool recalculating);

// The command "&Recalculate Parts Layout".
void recalculateLayout(Model& model);

}  // namespace plikatra
