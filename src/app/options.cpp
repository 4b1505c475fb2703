#include "app/options.h"

#include <algorithm>

#include "textures/texture_image.h"

namespace plikatra {

PageSetup pageSetupOf(const Settings& s) {
    return {s.pageWidth, s.pageHeight, s.dPageMarginSide, s.dPageMarginTop};
}

LineRules lineRulesOf(const Settings& s) {
    LineRules r;
    r.cullFlatFolds = s.bCullEdge;
    r.flatFoldAngle = s.iAngleEps;
    r.showFlaps = s.bDrawNorishiro;
    r.cutLineType = s.iCutLineType;
    r.mountainLineType = s.iYamaLineType;
    r.valleyLineType = s.iTaniLineType;
    return r;
}

DrawingOptions drawingOptionsOf(const Settings& s) {
    DrawingOptions o;
    o.lines = lineRulesOf(s);
    o.page = pageSetupOf(s);
    o.drawNumbers = s.bDrawEdgeNumber;
    o.useMaterial = s.bUseMaterial;
    o.whiteUnderLines = s.bDrawWhiteBkLine;
    o.flapReverse = s.bNorishiroReverse;
    o.numberReverse = s.bEdgeIdReverse;
    o.numberFontSize = s.iEdgeNumberFontSize;
    o.fitNumbersToFaces = s.bFitEdgeNumberToFace;
    return o;
}

EpsOptions epsOptionsOf(const Settings& s) {
    EpsOptions o;
    o.drawing = drawingOptionsOf(s);
    o.omitFaceFill = s.bOmitFillFaceInEPS;
    o.omitFlapFill = s.bOmitFillNorishiroInEPS;
    return o;
}

UnfoldOptions unfoldOptionsOf(const Settings& s) {
    UnfoldOptions o;
    o.algorithm = s.iAlgorithmType;
    o.flatFoldAngle = s.iAngleEps;
    o.unstrictCrossCheck = s.bUnStrictEdgeCrossCheck;
    // A bound that is not positive would stop the search before it starts; a huge one is
    // capped at a day.
    o.searchMilliseconds = std::clamp(s.iFewestPartsSeconds, 1, 86400) * 1000;
    o.flapReverse = s.bNorishiroReverse;
    return o;
}

CanvasDrawingOptions canvasDrawingOptionsOf(const Settings& s) {
    CanvasDrawingOptions o;
    o.lineWidth = s.lineWidth;
    o.whiteUnderLines = s.bDrawWhiteBkLine;
    o.numberFontSize = s.iEdgeNumberFontSize;
    o.useOriginalFont = s.bUseOriginalFont;
    return o;
}

PrintOptions printOptionsOf(const Settings& s) {
    PrintOptions o;
    o.printPageNumber = s.bPrintPageNumber;
    o.alignmentMarks = s.bPrintTombo;
    o.omitEmptyPages = s.bPrintOmitPage;
    o.printRaster = s.bPrintRaster;
    o.slideColorToWhite = s.bSlideColorToWhite;
    o.lineSmooth = s.bLineSmooth;
    o.rasterPixelsPerInch = s.printPPI;
    o.drawing = canvasDrawingOptionsOf(s);
    return o;
}

SvgOptions svgOptionsOf(const Settings& s) {
    SvgOptions o;
    o.lineWidth = s.lineWidth;
    o.whiteUnderLines = s.bDrawWhiteBkLine;
    o.numberFontSize = s.iEdgeNumberFontSize;
    o.textures = s.bUseMaterial;
    return o;
}

MetafileOptions metafileOptionsOf(const Settings& s) {
    MetafileOptions o;
    o.drawing = canvasDrawingOptionsOf(s);
    return o;
}

BitmapOptions bitmapOptionsOf(const Settings& s) {
    BitmapOptions o;
    o.slideColorToWhite = s.bSlideColorToWhite;
    o.lineSmooth = s.bLineSmooth;
    return o;
}

EditorOptions editorOptionsOf(const Settings& s) {
    EditorOptions o;
    o.lines = lineRulesOf(s);
    o.page = pageSetupOf(s);
    o.placeTextOnGrid = s.bPlaceTextOnGrid;
    o.textGridSize = s.textGridSize;
    o.flapReverse = s.bNorishiroReverse;
    return o;
}

LayoutParams layoutParamsOf(const Settings& s, int mode) {
    LayoutParams p;
    p.mode = mode;
    p.spacingPercent = s.layoutSpacingPercent;
    p.spacingMm = s.layoutSpacingMm;
    p.pageDivide = s.bPageDivide;
    p.page = pageSetupOf(s);
    p.method = s.layoutByOutline ? LayoutMethod::Outline : LayoutMethod::Box;
    p.rotationStep = s.layoutRotationStep;
    p.flapReverse = s.bNorishiroReverse;
    return p;
}

void storeLayoutParams(Settings& s, const LayoutParams& params) {
    s.layoutSpacingPercent = params.spacingPercent;
    s.layoutSpacingMm = params.spacingMm;
    s.bPageDivide = params.pageDivide;
    s.layoutByOutline = params.method == LayoutMethod::Outline;
    s.layoutRotationStep = params.rotationStep;
}

WorkFileSettings workFileSettingsOf(const Settings& s) {
    WorkFileSettings w;
    w.iAngleEps = s.iAngleEps;
    w.iTaniLineType = s.iTaniLineType;
    w.iYamaLineType = s.iYamaLineType;
    w.iCutLineType = s.iCutLineType;
    w.bDrawNorishiro = s.bDrawNorishiro;
    w.bDrawEdgeNumber = s.bDrawEdgeNumber;
    w.bUseMaterial = s.bUseMaterial;
    w.iEdgeNumberFontSize = s.iEdgeNumberFontSize;
    w.bNorishiroReverse = s.bNorishiroReverse;
    w.bEdgeIdReverse = s.bEdgeIdReverse;
    w.bEnableLineAlpha = s.bEnableLineAlpha;
    w.dTextureLineAlpha = s.dTextureLineAlpha;
    w.bCullEdge = s.bCullEdge;
    w.iPageType = s.iPageType;
    w.dPageMarginSide = s.dPageMarginSide;
    w.dPageMarginTop = s.dPageMarginTop;
    w.bDrawWhiteBkLine = s.bDrawWhiteBkLine;
    return w;
}

void applyWorkFileSettings(Settings& s, const WorkFileSettings& w) {
    s.iAngleEps = w.iAngleEps;
    s.iTaniLineType = w.iTaniLineType;
    s.iYamaLineType = w.iYamaLineType;
    s.iCutLineType = w.iCutLineType;
    s.bDrawNorishiro = w.bDrawNorishiro;
    s.bDrawEdgeNumber = w.bDrawEdgeNumber;
    s.bUseMaterial = w.bUseMaterial;
    s.iEdgeNumberFontSize = w.iEdgeNumberFontSize;
    s.bNorishiroReverse = w.bNorishiroReverse;
    s.bEdgeIdReverse = w.bEdgeIdReverse;
    // Line alpha stays as the program has it: the file's value is informational.
    s.dTextureLineAlpha = w.dTextureLineAlpha;
    s.bCullEdge = w.bCullEdge;
    s.dPageMarginSide = w.dPageMarginSide;
    s.dPageMarginTop = w.dPageMarginTop;
    s.bDrawWhiteBkLine = w.bDrawWhiteBkLine;
    // The development's scale is dMag2d × dMag3d and needs no state of its own; the page
    // size follows the paper type.
    setPageType(s, w.iPageType);
}

int textureSizeLimitOf(const Settings& s, int maxTextureSize) {
    return textureSizeLimit(maxTextureSize, s.bLimitTextureSize, s.iTextureLimitSizeIndex);
}

}  // namespace plikatra
