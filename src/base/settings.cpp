#include "base/settings.h"
#include "base/file_io.h"

#include <locale.h>

#include <cstdio>
#include <utility>
#include <variant>

#include "base/profile.h"
#include "base/ui.h"

namespace plikatra {

namespace {

using Field = std::variant<bool Settings::*, int Settings::*, double Settings::*>;

struct Entry {
    const char* name;
    Field field;
    bool resets;  // set back to its initial value by "&Reset to Default"
};

// The profile entries in the order in which they are read and written.
const Entry kEntries[] = {
    {"bDrawColorEdge", &Settings::bDrawColorEdge, true},
    {"bDrawEdgeNumber", &Settings::bDrawEdgeNumber, true},
    {"bDrawNorishiro", &Settings::bDrawNorishiro, true},
    {"iEdgeNumberFontSize", &Settings::iEdgeNumberFontSize, true},
    {"bCullFace", &Settings::bCullFace, true},
    {"bUseOriginalFont", &Settings::bUseOriginalFont, false},
    {"bCullEdge", &Settings::bCullEdge, true},
    {"iTaniLineType", &Settings::iTaniLineType, true},
    {"iYamaLineType", &Settings::iYamaLineType, true},
    {"iCutLineType", &Settings::iCutLineType, true},
    {"iAlgorithmType", &Settings::iAlgorithmType, true},
    {"dNorishiroHeight", &Settings::dNorishiroHeight, true},
    {"bPrintRaster", &Settings::bPrintRaster, true},
    {"iAngleEps", &Settings::iAngleEps, true},
    {"bOmitFillFaceInEPS", &Settings::bOmitFillFaceInEPS, false},
    {"bOmitFillNorishiroInEPS", &Settings::bOmitFillNorishiroInEPS, false},
    {"bEnhanceCutEdgeOpen", &Settings::bEnhanceCutEdgeOpen, true},
    {"iPrintPPIIndex", &Settings::iPrintPPIIndex, true},
    {"bSound", &Settings::bSound, true},
    {"bNorishiroReverse", &Settings::bNorishiroReverse, false},
    {"bEdgeIdReverse", &Settings::bEdgeIdReverse, true},
    {"bRenderAllGL", &Settings::bRenderAllGL, false},
    {"bPageDivide", &Settings::bPageDivide, true},
    {"dPageMarginSide", &Settings::dPageMarginSide, true},
    {"dPageMarginTop", &Settings::dPageMarginTop, true},
    {"bKavimoAllAuto", &Settings::bKavimoAllAuto, false},
    {"bLineSmooth", &Settings::bLineSmooth, true},
    {"bZoomWheelInvert", &Settings::bZoomWheelInvert, true},
    {"bTextureSmooth", &Settings::bTextureSmooth, true},
    {"iLineWidthIndex", &Settings::iLineWidthIndex, true},
    {"bPrintTombo", &Settings::bPrintTombo, true},
    {"bPrintOmitPage", &Settings::bPrintOmitPage, true},
    {"bPrintPageNumber", &Settings::bPrintPageNumber, true},
    {"bLimitTextureSize", &Settings::bLimitTextureSize, true},
    {"iTextureLimitSizeIndex", &Settings::iTextureLimitSizeIndex, true},
    {"bSlideColorToWhite", &Settings::bSlideColorToWhite, true},
    {"bOmitMaterialWhenModelRotate", &Settings::bOmitMaterialWhenModelRotate, false},
    {"bDrawWhiteBkLine", &Settings::bDrawWhiteBkLine, false},
    {"bFirstStartUp", &Settings::bFirstStartUp, false},
    {"bUnStrictEdgeCrossCheck", &Settings::bUnStrictEdgeCrossCheck, false},
    {"bPlaceTextOnGrid", &Settings::bPlaceTextOnGrid, false},
    {"textGridSize", &Settings::textGridSize, false},
    {"iFewestPartsSeconds", &Settings::iFewestPartsSeconds, true},
    {"bTintCollidingNorishiro", &Settings::bTintCollidingNorishiro, true},
    {"iAutoSaveMinutes", &Settings::iAutoSaveMinutes, true},
    {"iUndoMemoryMB", &Settings::iUndoMemoryMB, true},
    {"bFitEdgeNumberToFace", &Settings::bFitEdgeNumberToFace, true},
};

constexpr double kLineWidths[] = {0.25, 0.5, 0.75, 1.0, 2.0, 3.0, 4.0, 5.0};
constexpr int kPrintPPIs[] = {75, 100, 150, 200};
constexpr int kTextureSizeLimits[] = {64, 128, 256, 512, 1024};

// "%i" accepts decimal, octal with a leading 0 and hexadecimal with a leading 0x.
bool parseInt(const std::string& text, int& out) {
    int v = 0;
    if (std::sscanf(text.c_str(), "%i", &v) != 1) return false;
    out = v;
    return true;
}

bool parseReal(const std::string& text, double& out) {
    double v = 0.0;
    if (std::sscanf(text.c_str(), "%lf", &v) != 1) return false;
    out = v;
    return true;
}

// Parses `text` for `field` and stores it; false (nothing stored) when it does not parse.
bool parseInto(Settings& s, const Field& field, const std::string& text) {
    if (auto b = std::get_if<bool Settings::*>(&field)) {
        int v;
        if (!parseInt(text, v)) return false;
        s.**b = v != 0;
    } else if (auto i = std::get_if<int Settings::*>(&field)) {
        int v;
        if (!parseInt(text, v)) return false;
        s.**i = v;
    } else {
        double v;
        if (!parseReal(text, v)) return false;
        s.*std::get<double Settings::*>(field) = v;
    }
    return true;
}

std::string formatField(const Settings& s, const Field& field) {
    char buf[64];
    if (auto b = std::get_if<bool Settings::*>(&field)) return s.**b ? "1" : "0";
    if (auto i = std::get_if<int Settings::*>(&field)) {
        std::snprintf(buf, sizeof buf, "%d", s.**i);
        return buf;
    }
    // "%lf" of a huge value needs more than 64 characters.
    const double v = s.*std::get<double Settings::*>(field);
    const int n = std::snprintf(buf, sizeof buf, "%lf", v);
    if (n < static_cast<int>(sizeof buf)) return buf;
    std::string big(static_cast<size_t>(n), '\0');
    std::snprintf(big.data(), big.size() + 1, "%lf", v);
    return big;
}

void copyField(Settings& to, const Settings& from, const Field& field) {
    std::visit([&](auto member) { to.*member = from.*member; }, field);
}

bool equalsIgnoreCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

std::string colorKey(int i) { return "color" + std::to_string(i); }

int readInt(const IniDocument& doc, const char* section, const char* key, int preset) {
    int v = preset;
    parseInt(doc.get(section, key), v);
    return v;
}

}  // namespace

void setPageType(Settings& s, int pageType) {
    s.iPageType = pageType;
    s.pageWidth = kPageSizes[static_cast<size_t>(pageType)].width;
    s.pageHeight = kPageSizes[static_cast<size_t>(pageType)].height;
}

void updateDerivedSettings(Settings& s) {
    if (s.iPrintPPIIndex < 0 || s.iPrintPPIIndex > 3) s.iPrintPPIIndex = 0;
    if (s.iLineWidthIndex < 0 || s.iLineWidthIndex > 7) s.iLineWidthIndex = 0;
    if (s.iTextureLimitSizeIndex < 0 || s.iTextureLimitSizeIndex > 4) s.iTextureLimitSizeIndex = 0;
    s.lineWidth = kLineWidths[s.iLineWidthIndex];
    s.printPPI = kPrintPPIs[s.iPrintPPIIndex];
    s.textureSizeLimit = kTextureSizeLimits[s.iTextureLimitSizeIndex];
}

void loadSettings(Settings& s, const std::string& profilePath) { loadSettings(s, loadProfile(profilePath)); }

void loadSettings(Settings& s, const IniDocument& doc) {
    CLocaleScope c;
    s.bFirstStartUp = true;
    for (const Entry& e : kEntries) parseInto(s, e.field, doc.get(kProfileSettings, e.name));
    updateDerivedSettings(s);
    s.autoCheck = s.bKavimoAllAuto;
    for (int i = 0; i < kColorCount; ++i) {
        const int v = readInt(doc, kProfileSettings, colorKey(i).c_str(), -1);
        if (v != -1) s.colors[static_cast<size_t>(i)] = static_cast<ColorRef>(v);
    }
}

void saveSettings(Settings& s, const std::string& profilePath) {
    CLocaleScope c;
    s.bFirstStartUp = false;
    std::vector<std::pair<std::string, std::string>> values;
    for (const Entry& e : kEntries) values.emplace_back(e.name, formatField(s, e.field));
    for (int i = 0; i < kColorCount; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(s.colors[static_cast<size_t>(i)]));
        values.emplace_back(colorKey(i), buf);
    }
    writeProfileStrings(profilePath, kProfileSettings, values);
}

bool resetToDefault(Settings& s, Ui& ui) {
    if (ui.ask(kResetSettingsQuestion, "", Buttons::OkCancel, MessageIcon::Question) != Answer::Ok)
        return false;
    const Settings initial;
    for (const Entry& e : kEntries)
        if (e.resets) copyField(s, initial, e.field);
    setPageType(s, initial.iPageType);
    s.dTextureLineAlpha = initial.dTextureLineAlpha;
    s.layoutSpacingPercent = initial.layoutSpacingPercent;
    s.layoutSpacingMm = initial.layoutSpacingMm;
    resetColors(s);
    updateDerivedSettings(s);
    return true;
}

void setColor(Settings& s, int index, ColorRef color) {
    if (index < 0 || index >= kColorCount) return;
    s.colors[static_cast<size_t>(index)] = color;
}

ColorRef getColor(const Settings& s, int index) {
    if (index < 0 || index >= kColorCount) return 0;
    return s.colors[static_cast<size_t>(index)];
}

void resetColors(Settings& s) { s.colors = kInitialColors; }

bool setSettingByName(Settings& s, const std::string& key, const std::string& value,
                      std::string* error) {
    CLocaleScope c;
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const auto badValue = [&] { return fail("Invalid value \"" + value + "\" for setting " + key); };

    for (const Entry& e : kEntries) {
        if (!equalsIgnoreCase(key, e.name)) continue;
        Settings parsed = s;
        if (!parseInto(parsed, e.field, value)) return badValue();
        copyField(s, parsed, e.field);
        // The "Auto" check box follows the setting, as it does after loading.
        if (equalsIgnoreCase(key, "bKavimoAllAuto")) s.autoCheck = s.bKavimoAllAuto;
        updateDerivedSettings(s);
        return true;
    }
    if (equalsIgnoreCase(key, "iPageType")) {
        int v;
        if (!parseInt(value, v) || v < 0 || v >= kPageTypeCount) return badValue();
        setPageType(s, v);
        return true;
    }
    for (int i = 0; i < kColorCount; ++i) {
        if (!equalsIgnoreCase(key, colorKey(i).c_str())) continue;
        int v;
        if (!parseInt(value, v)) return badValue();
        // -1 stands for "no colour stored", as in the profile.
        if (v != -1) setColor(s, i, static_cast<ColorRef>(v));
        return true;
    }
    return fail("Unknown setting " + key);
}

std::vector<std::string> settingNames() {
    std::vector<std::string> names;
    for (const Entry& e : kEntries) names.emplace_back(e.name);
    for (int i = 0; i < kColorCount; ++i) names.push_back(colorKey(i));
    names.emplace_back("iPageType");
    return names;
}

ScreenPoint readProgressPosition(const std::string& profilePath) {
    CLocaleScope c;
    const IniDocument doc = loadProfile(profilePath);
    return {readInt(doc, kProfileSettings, "X", -1), readInt(doc, kProfileSettings, "Y", -1)};
}

void writeProgressPosition(const std::string& profilePath, int x, int y) {
    writeProfileStrings(profilePath, kProfileSettings, {{"X", std::to_string(x)}, {"Y", std::to_string(y)}});
}

WindowPlacement loadWindowPlacement(const std::string& profilePath) {
    CLocaleScope c;
    const IniDocument doc = loadProfile(profilePath);
    WindowPlacement w;
    w.left = readInt(doc, kProfileWindow, "left", w.left);
    w.top = readInt(doc, kProfileWindow, "top", w.top);
    w.right = readInt(doc, kProfileWindow, "right", w.right);
    w.bottom = readInt(doc, kProfileWindow, "bottom", w.bottom);
    w.show = readInt(doc, kProfileWindow, "show", w.show);
    w.modelWidth = readInt(doc, kProfileWindow, "modelWidth", w.modelWidth);
    return w;
}

void saveWindowPlacement(const std::string& profilePath, const WindowPlacement& w) {
    writeProfileStrings(profilePath, kProfileWindow, {{"left", std::to_string(w.left)},
                                         {"top", std::to_string(w.top)},
                                         {"right", std::to_string(w.right)},
                                         {"bottom", std::to_string(w.bottom)},
                                         {"show", std::to_string(w.show)},
                                         {"modelWidth", std::to_string(w.modelWidth)}});
}

}  // namespace plikatra
