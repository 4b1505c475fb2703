#include "app/view_options.h"

#include "base/settings.h"

namespace plikatra {

DevelopmentViewOptions developmentViewOptionsOf(const Settings& s, int editMode) {
    DevelopmentViewOptions o;
    o.lineWidth = s.lineWidth;
    o.lineSmooth = s.bLineSmooth;
    o.lineAlpha = s.bEnableLineAlpha;
    o.textureLineAlpha = s.dTextureLineAlpha;
    o.textureSmooth = s.bTextureSmooth;
    o.whiteUnderLines = s.bDrawWhiteBkLine;
    o.numberFontSize = s.iEdgeNumberFontSize;
    o.selectionColor = s.colors[6];
    o.editMode = editMode;
    return o;
}

ModelViewOptions modelViewOptionsOf(const Settings& s, bool hideSurface) {
    ModelViewOptions o;
    o.colors = s.colors;
    o.cullFace = s.bCullFace;
    o.cullEdge = s.bCullEdge;
    o.angleEps = s.iAngleEps;
    o.colorEdges = s.bDrawColorEdge;
    o.useMaterial = s.bUseMaterial;
    o.openedCuts = s.bEnhanceCutEdgeOpen;
    o.omitMaterialWhileRotating = s.bOmitMaterialWhenModelRotate;
    o.textureSmooth = s.bTextureSmooth;
    o.hideSurface = hideSurface;
    return o;
}

}  // namespace plikatra
