#include "development/layout_dialog.h"

#include <algorithm>

#include "base/ui.h"

namespace plikatra {

LayoutDialog LayoutDialog::initial(const Model& model, const LayoutParams& current,
                                   bool recalculating) {
    LayoutDialog d;
    d.mode = current.mode;
    d.spacingPercent = current.spacingPercent;
    d.spacingMm = current.spacingMm;
    d.pageDivide = current.pageDivide;
    d.method = current.method;
    d.rotationStep = current.rotationStep;
    const double dx = model.boundsMax.x - model.boundsMin.x;
    const double dy = model.boundsMax.y - model.boundsMin.y;
    const double dz = model.boundsMax.z - model.boundsMin.z;
    // The assembled size is the model's height; a model without any (all of it in one
    // horizontal plane) is measured along its longest side instead, or no size could ever be
    // entered for it.
    d.modelHeight = dy > 0 ? dy : std::max(dx, dz);
    if (recalculating) {
        d.scale = model.dMag2d * model.dMag3d;
        d.assembledSize = d.scale * d.modelHeight;
    } else if (dy / dx > 0.1 && dy / dz > 0.1) {
        d.assembledSize = 10.0;
        d.scale = 10 / dy;
    } else if (dx > dz) {
        d.scale = 10 / dx;
        d.assembledSize = dy / dx * 10;
    } else {
        d.scale = 10 / dz;
        d.assembledSize = dy / dz * 10;
    }
    if (!(dy > 0)) d.assembledSize = d.scale * d.modelHeight;
    return d;
}

std::string LayoutDialog::scaleText() const { return format("%.6f", scale); }

std::string LayoutDialog::assembledSizeText() const { return format("%.1f", assembledSize); }

void LayoutDialog::setScale(double s) {
    scale = s;
    assembledSize = s * modelHeight;
}

void LayoutDialog::setAssembledSize(double size) {
    assembledSize = size;
    scale = size / modelHeight;
}

std::string LayoutDialog::validate() const {
    if (!(assembledSize >= 0.1 && assembledSize <= 200)) return kMsgAssembledSizeRange;
    return {};
}

void LayoutDialog::apply(Model& model, LayoutParams& params) const {
    params.spacingPercent = spacingPercent;
    params.spacingMm = spacingMm;
    params.pageDivide = pageDivide;
    params.mode = mode;
    params.method = method;
    params.rotationStep = rotationStep;
    if (mode == kLayoutGivenScale) model.dMag2d = scale / model.dMag3d;
}

}  // namespace plikatra
