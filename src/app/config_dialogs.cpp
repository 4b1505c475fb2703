#include "app/config_dialogs.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "base/file_io.h"
#include "model/model_stats.h"
#include "textures/texture_image.h"

namespace plikatra {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// True when only blanks are left from `end` on.
bool restIsBlank(const char* end) {
    while (*end && isBlank(*end)) ++end;
    return *end == '\0';
}

// Millimetres shown for a length in centimetres: the whole millimetres, cut off, not rounded.
// A length no int can hold (a damaged profile) shows as 0, which the field then refuses.
int wholeMillimetres(double cm) {
    const double mm = cm * 10;
    if (!(mm > std::numeric_limits<int>::min() && mm < std::numeric_limits<int>::max())) return 0;
    return static_cast<int>(mm);
}

}  // namespace

std::optional<int> parseIntegerField(const std::string& text) {
    const char* p = text.c_str();
    while (isBlank(*p)) ++p;
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (errno == ERANGE || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max() || !restIsBlank(end))
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<double> parseRealField(const std::string& text) {
    const char* p = text.c_str();
    while (isBlank(*p)) ++p;
    if (!*p) return std::nullopt;
    char* end = nullptr;
    const double v = ::strtod_l(p, &end, cLocale());
    if (end == p || !restIsBlank(end)) return std::nullopt;
    return v;
}

std::string checkIntegerField(const std::string& text, IntRange range) {
    const std::optional<int> v = parseIntegerField(text);
    if (!v) return kMsgEnterInteger;
    if (!range.contains(*v)) return format(kMsgIntegerRange, range.min, range.max);
    return {};
}

LineTypeConfig LineTypeConfig::of(const Settings& s) {
    return {s.iCutLineType,    s.iYamaLineType, s.iTaniLineType, s.iLineWidthIndex,
            s.bDrawWhiteBkLine, s.bCullEdge,     s.iAngleEps};
}

void LineTypeConfig::apply(Document& doc) const {
    Settings& s = doc.settings();
    s.iCutLineType = iCutLineType;
    s.iYamaLineType = iYamaLineType;
    s.iTaniLineType = iTaniLineType;
    s.iLineWidthIndex = iLineWidthIndex;
    s.bDrawWhiteBkLine = bDrawWhiteBkLine;
    s.bCullEdge = bCullEdge;
    s.iAngleEps = iAngleEps;
    updateDerivedSettings(s);
    doc.notify(DocumentEvent::Redraw);
}

FlapConfig FlapConfig::of(const Settings& s) {
    FlapConfig c;
    c.bDrawNorishiro = s.bDrawNorishiro;
    c.bTintCollidingNorishiro = s.bTintCollidingNorishiro;
    c.widthMm = wholeMillimetres(s.dNorishiroHeight);
    c.bNorishiroReverse = s.bNorishiroReverse;
    return c;
}

FlapConfig FlapConfig::of(const Settings& s, const Model* model) {
    FlapConfig c = of(s);
    c.styleEnabled = model && !model->parts.empty();
    if (model) c.flapStyle = static_cast<int>(model->flapStyle);
    return c;
}

bool FlapConfig::apply(Document& doc) const {
    const double height = widthMm / 10.0;
    Model* model = doc.model();
    if (changeAll && bDrawNorishiro && doc.hasDevelopment()) {
        if (doc.frontEnd().ask(kMsgChangeAllFlaps, kAppTitle, Buttons::YesNo,
                               MessageIcon::Question) != Answer::Yes)
            return false;
        // Every halfedge, flap or not, so a flap created or moved later has the same width.
        for (const auto& part : model->parts)
            for (Face* face : part->faces)
                for (auto& h : face->halfedges) h->flapHeight = height;
        doc.recordStep("Change Flap Width");
        doc.setModified();
    }
    if (styleEnabled && model && flapStyle >= 0 && flapStyle < kFlapStyleCount &&
        static_cast<int>(model->flapStyle) != flapStyle) {
        model->flapStyle = static_cast<FlapStyle>(flapStyle);
        doc.recordStep("Flap Style");
        doc.setModified();
    }
    Settings& s = doc.settings();
    s.bDrawNorishiro = bDrawNorishiro;
    s.bTintCollidingNorishiro = bTintCollidingNorishiro;
    s.dNorishiroHeight = height;
    doc.notify(DocumentEvent::Redraw);
    return true;
}

JoinNumberConfig JoinNumberConfig::of(const Settings& s) {
    return {s.bDrawEdgeNumber, s.bEdgeIdReverse, s.iEdgeNumberFontSize, s.bFitEdgeNumberToFace};
}

void JoinNumberConfig::apply(Document& doc) const {
    Settings& s = doc.settings();
    s.bDrawEdgeNumber = bDrawEdgeNumber;
    s.bEdgeIdReverse = bEdgeIdReverse;
    s.iEdgeNumberFontSize = iEdgeNumberFontSize;
    s.bFitEdgeNumberToFace = bFitEdgeNumberToFace;
    doc.notify(DocumentEvent::Redraw);
}

PageConfig PageConfig::of(const Settings& s) {
    PageConfig c;
    c.iPageType = s.iPageType;
    c.marginTopMm = wholeMillimetres(s.dPageMarginTop);
    c.marginSideMm = wholeMillimetres(s.dPageMarginSide);
    c.bPrintPageNumber = s.bPrintPageNumber;
    c.bPrintTombo = s.bPrintTombo;
    c.bPrintOmitPage = s.bPrintOmitPage;
    c.bPrintRaster = s.bPrintRaster;
    c.iPrintPPIIndex = s.iPrintPPIIndex;
    return c;
}

void PageConfig::apply(Document& doc) const {
    Settings& s = doc.settings();
    const double top = marginTopMm / 10.0;
    const double side = marginSideMm / 10.0;
    const bool pageChanged =
        iPageType != s.iPageType || top != s.dPageMarginTop || side != s.dPageMarginSide;
    if (iPageType >= 0 && iPageType < kPageTypeCount) setPageType(s, iPageType);
    s.dPageMarginTop = top;
    s.dPageMarginSide = side;
    s.bPrintPageNumber = bPrintPageNumber;
    s.bPrintTombo = bPrintTombo;
    s.bPrintOmitPage = bPrintOmitPage;
    s.bPrintRaster = bPrintRaster;
    s.iPrintPPIIndex = iPrintPPIIndex;
    if (pageChanged) {
        doc.settingsChanged(DocumentEvent::FitSheet);
    } else {
        updateDerivedSettings(s);
        doc.notify(DocumentEvent::Redraw);
    }
}

ColorConfig ColorConfig::of(const Settings& s) {
    ColorConfig c;
    c.colors = s.colors;
    return c;
}

void ColorConfig::setColor(Document& doc, int index, ColorRef color) {
    if (index < 0 || index >= kColorCount) return;
    doc.setColor(index, color);
    colors[static_cast<size_t>(index)] = color;
}

void ColorConfig::resetToDefault(Document& doc) {
    doc.resetColors();
    colors = doc.settings().colors;
}

void ColorConfig::finish(Document& doc) { doc.notify(DocumentEvent::Redraw); }

OtherConfig OtherConfig::of(const Settings& s) {
    OtherConfig c;
    c.bDrawColorEdge = s.bDrawColorEdge;
    c.bEnhanceCutEdgeOpen = s.bEnhanceCutEdgeOpen;
    c.bSound = s.bSound;
    c.bZoomWheelInvert = s.bZoomWheelInvert;
    c.bTextureSmooth = s.bTextureSmooth;
    c.iAlgorithmType = s.iAlgorithmType;
    c.iFewestPartsSeconds = s.iFewestPartsSeconds;
    c.iAutoSaveMinutes = s.iAutoSaveMinutes;
    c.bUnStrictEdgeCrossCheck = s.bUnStrictEdgeCrossCheck;
    c.bCullFace = s.bCullFace;
    c.simpleDisplay = !s.bRenderAllGL;
    c.bOmitMaterialWhenModelRotate = s.bOmitMaterialWhenModelRotate;
    c.bLimitTextureSize = s.bLimitTextureSize;
    c.iTextureLimitSizeIndex = s.iTextureLimitSizeIndex;
    c.bSlideColorToWhite = s.bSlideColorToWhite;
    return c;
}

void OtherConfig::apply(Document& doc) const {
    Settings& s = doc.settings();
    const bool smoothingChanged = s.bTextureSmooth != bTextureSmooth;
    s.bDrawColorEdge = bDrawColorEdge;
    s.bEnhanceCutEdgeOpen = bEnhanceCutEdgeOpen;
    s.bSound = bSound;
    s.bZoomWheelInvert = bZoomWheelInvert;
    s.bTextureSmooth = bTextureSmooth;
    s.iAlgorithmType = iAlgorithmType;
    s.iFewestPartsSeconds = iFewestPartsSeconds;
    s.iAutoSaveMinutes = iAutoSaveMinutes;
    s.bUnStrictEdgeCrossCheck = bUnStrictEdgeCrossCheck;
    s.bCullFace = bCullFace;
    s.bRenderAllGL = !simpleDisplay;
    s.bOmitMaterialWhenModelRotate = bOmitMaterialWhenModelRotate;
    s.bLimitTextureSize = bLimitTextureSize;
    s.iTextureLimitSizeIndex = iTextureLimitSizeIndex;
    s.bSlideColorToWhite = bSlideColorToWhite;
    updateDerivedSettings(s);
    // Textures loaded before the limit was on keep their size until they are shrunk here.
    if (s.bLimitTextureSize && doc.model()) reduceLargeTextures(*doc.model(), s.textureSizeLimit);
    doc.notify(smoothingChanged ? DocumentEvent::TextureFilter : DocumentEvent::Redraw);
}

int reduceLargeTextures(Model& model, int limit) {
    int reduced = 0;
    auto reduce = [&](Material& m) {
        const TextureImage* t = m.texture.get();
        if (!m.hasTexture || !t || (t->width <= limit && t->height <= limit)) return;
        fitTextureImage(m, limit);
        ++reduced;
    };
    for (auto& m : model.materials) reduce(*m);
    reduce(model.defaultMaterial);
    return reduced;
}

ModelInfo ModelInfo::of(const Model& model) {
    const ModelStats stats = modelStats(model);
    ModelInfo info;
    info.faces = model.faceCount;
    info.vertices = stats.vertices;
    info.materials = model.materials.empty() ? 1 : stats.materials;
    info.objects = stats.solids;
    info.hasTextureCoordinates = model.bTextureCoodinates;
    info.textureImages = stats.texturedMaterials;
    return info;
}

std::string OpenGlInfo::maxTextureSizeText() const {
    return format("%d x %d", maxTextureSize, maxTextureSize);
}

ObjectList ObjectList::of(const Model* model) {
    ObjectList list;
    if (!model) return list;
    int unnamed = 0;
    for (const auto& solid : model->solids) {
        list.names.push_back(solid->name.empty() ? format(kUnnamedObjectFormat, ++unnamed)
                                                 : solid->name);
        list.selected.push_back(solid->visible);
    }
    return list;
}

bool ObjectList::editable(const Document& doc) { return doc.model() && !doc.hasDevelopment(); }

bool ObjectList::applySelection(Document& doc, const std::vector<bool>& selected) {
    if (!editable(doc) || selected.size() != doc.model()->solids.size()) return false;
    for (size_t i = 0; i < selected.size(); ++i) doc.model()->solids[i]->visible = selected[i];
    doc.notify(DocumentEvent::Redraw);
    return true;
}

bool ObjectList::selectAll(Document& doc, bool select) {
    if (!editable(doc)) return false;
    return applySelection(doc, std::vector<bool>(doc.model()->solids.size(), select));
}

std::string checkTextFontSize(const std::string& text) {
    const std::optional<int> v = parseIntegerField(text);
    if (!v) return kMsgEnterInteger;
    if (!kTextFontSizeRange.contains(*v)) return kMsgTextFontSizeRange;
    return {};
}

void settleTextFont(TextDialogValues& values, const std::vector<std::string>& faceNames) {
    for (const std::string& face : faceNames)
        if (equalsIgnoreAsciiCase(face, values.fontName)) return;
    values.fontName = kDefaultFontName;
}

}  // namespace plikatra
