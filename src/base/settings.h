// The user's preferences, with their profile persistence. The application layer holds the one
// record of a running program and turns it into the option structs the algorithms take; the
// layers below never read it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/color.h"
#include "base/paper.h"

namespace plikatra {

struct Settings {
    // Stored in the profile, in the order in which they are read and written.
    bool bDrawColorEdge = true;
    bool bDrawEdgeNumber = false;
    bool bDrawNorishiro = true;
    int iEdgeNumberFontSize = 8;
    bool bCullFace = false;
    bool bUseOriginalFont = false;
    bool bCullEdge = true;
    int iTaniLineType = 2;
    int iYamaLineType = 1;
    int iCutLineType = 0;
    int iAlgorithmType = 1;
    double dNorishiroHeight = 0.5;
    bool bPrintRaster = false;
    int iAngleEps = 178;
    bool bOmitFillFaceInEPS = false;
    bool bOmitFillNorishiroInEPS = false;
    bool bEnhanceCutEdgeOpen = true;
    int iPrintPPIIndex = 1;
    bool bSound = true;
    bool bNorishiroReverse = false;
    bool bEdgeIdReverse = false;
    bool bRenderAllGL = false;
    bool bPageDivide = true;
    double dPageMarginSide = 1.5;
    double dPageMarginTop = 1.5;
    bool bKavimoAllAuto = true;
    bool bLineSmooth = false;
    bool bZoomWheelInvert = false;
    bool bTextureSmooth = true;
    int iLineWidthIndex = 3;
    bool bPrintTombo = false;
    bool bPrintOmitPage = true;
    bool bPrintPageNumber = false;
    bool bLimitTextureSize = false;
    int iTextureLimitSizeIndex = 3;
    bool bSlideColorToWhite = true;
    bool bOmitMaterialWhenModelRotate = false;
    bool bDrawWhiteBkLine = false;
    bool bFirstStartUp = true;
    bool bUnStrictEdgeCrossCheck = false;
    bool bPlaceTextOnGrid = true;
    int textGridSize = 10;
    int iFewestPartsSeconds = 3;  // time bound of the fewest-parts unfolding
    bool bTintCollidingNorishiro = true;  // tint flaps that collide in the development view
    int iAutoSaveMinutes = 2;  // recovery copy of unsaved work every so many minutes; 0 off
    int iUndoMemoryMB = 256;   // memory the undo history may keep; the oldest steps go first
    bool bFitEdgeNumberToFace = false;    // join numbers no taller than a third of their face

    // Colours "color0".."color7".
    std::array<ColorRef, kColorCount> colors = kInitialColors;

    // Derived from the index settings above.
    double lineWidth = 1.0;
    int printPPI = 100;
    int textureSizeLimit = 512;

    // Held with the settings but not stored in the profile.
    int iPageType = 0;
    double pageWidth = 21.0;
    double pageHeight = 29.7;
    double dTextureLineAlpha = 0.5;
    int layoutSpacingPercent = 15;
    int layoutSpacingMm = 10;
    bool layoutByOutline = false;  // arrange parts by their outlines instead of their boxes
    int layoutRotationStep = 90;   // degrees between the turns tried when arranging by outline
    bool bUseMaterial = true;
    bool bEnableLineAlpha = false;

    // State of the main window's "Auto" check box, copied from bKavimoAllAuto on load.
    bool autoCheck = true;

    bool operator==(const Settings&) const = default;
};

class Ui;

// Reads every profile entry of the section "Settings" into `s`, then the colours. Missing or
// unreadable entries keep their current values; bFirstStartUp becomes true unless the profile
// says otherwise.
void loadSettings(Settings& s, const std::string& profilePath);
class IniDocument;
// The same from a profile already read.
void loadSettings(Settings& s, const IniDocument& profile);
// Writes every profile entry and the colours to the section "Settings", with bFirstStartUp
// cleared. Write failures are ignored.
void saveSettings(Settings& s, const std::string& profilePath);
// "&Reset to Default": asks first; on OK resets the settings that reset, the page and layout
// values and the colours. Returns whether the user agreed; what depends on the settings (the
// page grid, the default material's colour, the views) is then the caller's to refresh.
bool resetToDefault(Settings& s, Ui& ui);
// The question resetToDefault() asks.
inline constexpr const char* kResetSettingsQuestion = "Reset all settings to initial state.";

// Recomputes lineWidth, printPPI and textureSizeLimit from their indices, first setting
// out-of-range indices to 0. Call after changing any of the indices.
void updateDerivedSettings(Settings& s);

// Stores colour `index` (0..7; others are ignored).
void setColor(Settings& s, int index, ColorRef color);
// Colour `index` (0..7), 0 for other indices.
ColorRef getColor(const Settings& s, int index);
// Restores all eight colours to kInitialColors.
void resetColors(Settings& s);

// Selects the paper type (0..7) with its page size.
void setPageType(Settings& s, int pageType);

// Sets one entry by its profile key (case ignored), parsing the value as the profile's is
// parsed, or the paper type "iPageType" (0..7, with its page size), then recomputes the
// derived values. On an unknown key or a value that does not parse, returns false, leaves
// the settings unchanged and, when `error` is given, describes the problem there.
bool setSettingByName(Settings& s, const std::string& key, const std::string& value,
                      std::string* error);
// The keys setSettingByName() accepts, in profile order.
std::vector<std::string> settingNames();

// Last top-left corner of the progress window; -1 for a coordinate never stored.
struct ScreenPoint {
    int x = -1;
    int y = -1;
};
ScreenPoint readProgressPosition(const std::string& profilePath);
void writeProgressPosition(const std::string& profilePath, int x, int y);

// The main window's placement as kept in the section "Window". The core only stores it;
// the window code gives it meaning. modelWidth 0 means none was stored.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int show = 3;  // maximised
    int modelWidth = 0;

    bool operator==(const WindowPlacement&) const = default;
};
WindowPlacement loadWindowPlacement(const std::string& profilePath);
void saveWindowPlacement(const std::string& profilePath, const WindowPlacement& placement);

}  // namespace plikatra
