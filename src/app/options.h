// The option structs the core's algorithms and outputs take, built from the settings record.
// This is the one place where settings turn into options.
#pragma once

#include "app/settings.h"
#include "development/development_drawing.h"

namespace plikatra {

inline PageSetup pageSetupOf(const Settings& s) {
    return {s.pageWidth, s.pageHeight, s.dPageMarginSide, s.dPageMarginTop};
}

inline LineRules lineRulesOf(const Settings& s) {
    LineRules r;
    r.cullFlatFolds = s.bCullEdge;
    r.flatFoldAngle = s.iAngleEps;
    r.showFlaps = s.bDrawNorishiro;
    r.cutLineType = s.iCutLineType;
    r.mountainLineType = s.iYamaLineType;
    r.valleyLineType = s.iTaniLineType;
    return r;
}

inline DrawingOptions drawingOptionsOf(const Settings& s) {
    DrawingOptions o;
    o.lines = lineRulesOf(s);
    o.page = pageSetupOf(s);
    o.drawNumbers = s.bDrawEdgeNumber;
    o.useMaterial = s.bUseMaterial;
    o.whiteUnderLines = s.bDrawWhiteBkLine;
    o.flapReverse = s.bNorishiroReverse;
    o.numberReverse = s.bEdgeIdReverse;
    o.numberFontSize = s.iEdgeNumberFontSize;
    return o;
}

}  // namespace plikatra
