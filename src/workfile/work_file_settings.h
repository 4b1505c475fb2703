// The drawing and page settings a work file carries with its document: written from the
// program's settings, and given back to them when the file is opened.
#pragma once

namespace plikatra {

struct WorkFileSettings {
    int iAngleEps = 178;
    int iTaniLineType = 2;
    int iYamaLineType = 1;
    int iCutLineType = 0;
    bool bDrawNorishiro = true;   // "bDrawFlap" in the file
    bool bDrawEdgeNumber = false;  // "bDrawNumber"
    bool bUseMaterial = true;
    int iEdgeNumberFontSize = 8;
    bool bNorishiroReverse = false;
    bool bEdgeIdReverse = false;
    bool bEnableLineAlpha = false;  // written, never read back
    double dTextureLineAlpha = 0.5;
    bool bCullEdge = true;
    int iPageType = 0;
    double dPageMarginSide = 1.5;
    double dPageMarginTop = 1.5;
    bool bDrawWhiteBkLine = false;

    bool operator==(const WorkFileSettings&) const = default;
};

}  // namespace plikatra
