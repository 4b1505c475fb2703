// The "Specify Development Layout Method" dialog's values and rules, without a window; its
// second half (scale and assembled size) is also the "Specify Development Size" dialog.
#pragma once

#include <string>

#include "development/layout.h"
#include "model/model.h"

namespace plikatra {

inline constexpr const char* kMsgAssembledSizeRange =
    "Specify a value of 0.1 - 200 for assembled size";

// The turns offered for arranging by outline, in degrees; 0 keeps every part as it lies.
inline constexpr int kRotationSteps[] = {90, 180, 45, 30, 15, 0};

struct LayoutDialog {
    int mode = kLayoutAuto;
    int spacingPercent = 15;
    int spacingMm = 10;
    bool pageDivide = true;
    LayoutMethod method = LayoutMethod::Box;   // given scale: by boxes or by outlines
    int rotationStep = kDefaultRotationStep;  // degrees; one of kRotationSteps
    double scale = 1.0;          // centimetres on paper per model-file unit
    double assembledSize = 10.0;  // centimetres: the scale times the model's height
    double modelHeight = 1.0;    // the model's extent along y in file units

    // Initial values from the current layout parameters and model; `recalculating` keeps the
    // development's current scale, otherwise the model is proposed 10 cm tall (or 10 cm long
    // when it is flat).
    static LayoutDialog initial(const Model& model, const LayoutParams& current, bool recalculating);
    std::string scaleText() const;          // "%.6f"
    std::string assembledSizeText() const;  // "%.1f"
    // Linked fields: a new scale recomputes the assembled size and the other way round.
    void setScale(double s);
    void setAssembledSize(double size);
    // Empty when OK may close the dialog, else the message to show.
    std::string validate() const;
    // Stores the values as OK does: into `params`, and in the given-scale mode the scale into
    // the model's dMag2d.
    void apply(Model& model, LayoutParams& params) const;
};

}  // namespace plikatra
