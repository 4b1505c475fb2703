// The process-wide preferences every subsystem reads, with their profile persistence.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plikatra {

// Windows-style colour value: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr int kColorCount = 8;

// The colours the program starts with and returns to on reset: surfaces without material,
// mountain folds, valley folds, open edges, cut edges, edges to keep, the selection, and the
// background of the 3D view.
inline constexpr std::array<ColorRef, kColorCount> kInitialColors = {
    16767449, 16711680, 16776960, 255, 25855, 65535, 255, 16777215};

// Paper sizes in centimetres by paper type (iPageType 0..7): A4, A3, B5, B4, each upright
// then landscape.
constexpr int kPageTypeCount = 8;
struct PageSize {
    double width;
    double height;
};
inline constexpr std::array<PageSize, kPageTypeCount> kPageSizes = {{
    {21.0, 29.7}, {29.7, 21.0}, {29.7, 42.0}, {42.0, 29.7},
    {18.2, 25.7}, {25.7, 18.2}, {25.0, 35.3}, {35.3, 25.0},
}};

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
    bool bUseMaterial = true;
    bool bEnableLineAlpha = false;

    // State of the main window's "Auto" check box, copied from bKavimoAllAuto on load.
    bool autoCheck = true;

    bool operator==(const Settings&) const = default;
};

// The one settings record of the process.
Settings& settings();

class Ui;

// Reads every profile entry of the section "Settings" into settings(), then the colours.
// Missing or unreadable entries keep their current values; bFirstStartUp becomes true
// unless the profile says otherwise.
void loadSettings();
// Writes every profile entry and the colours to the section "Settings", with bFirstStartUp
// cleared. Write failures are ignored.
void saveSettings();
// "&Reset to Default": asks first; on OK resets the settings that reset, the page and layout
// values and the colours, then runs the reset hook. Returns whether the user agreed.
bool resetToDefault(Ui& ui);
// The question resetToDefault() asks.
inline constexpr const char* kResetSettingsQuestion = "Reset all settings to initial state.";
// Registers what must follow a reset (recomputing the page grid, notifying the views);
// an empty function removes it.
void setSettingsResetHook(std::function<void()> hook);

// Recomputes lineWidth, printPPI and textureSizeLimit from their indices, first setting
// out-of-range indices to 0. Call after changing any of the indices.
void updateDerivedSettings();

// Stores colour `index` (0..7; others are ignored). Colour 0 also colours the default
// material while a development exists.
void setColor(int index, ColorRef color);
// Colour `index` (0..7), 0 for other indices.
ColorRef getColor(int index);
// Restores all eight colours to kInitialColors.
void resetColors();

// Sets one entry by its profile key (case ignored), parsing the value as the profile's is
// parsed, or the paper type "iPageType" (0..7, with its page size), then recomputes the
// derived values. On an unknown key or a value that does not parse, returns false, leaves
// the settings unchanged and, when `error` is given, describes the problem there.
bool setSettingByName(const std::string& key, const std::string& value, std::string* error);
// The keys setSettingByName() accepts, in profile order.
std::vector<std::string> settingNames();

// Last top-left corner of the progress window; -1 for a coordinate never stored.
struct ScreenPoint {
    int x = -1;
    int y = -1;
};
ScreenPoint readProgressPosition();
void writeProgressPosition(int x, int y);

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
WindowPlacement loadWindowPlacement();
void saveWindowPlacement(const WindowPlacement& placement);

}  // namespace plikatra
