// The configuration and information dialogs as data, without windows: what each shows when it
// opens, the ranges of its integer fields, its own checks, and what OK does to the document.
// A form copies one of these in when it opens, lets the user edit the copy, and calls apply()
// only on OK, so Cancel never touches the settings.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/document.h"
#include "base/settings.h"
#include "development/editor_host.h"

namespace plikatra {

// The range check of integer fields. The texts are the ones every dialog of the desktop uses.
inline constexpr const char* kMsgEnterInteger = "Please enter an integer.";
inline constexpr const char* kMsgIntegerRange = "Please enter an integer between %d and %d.";
inline constexpr const char* kMsgEnterNumber = "Please enter a number.";

struct IntRange {
    int min;
    int max;
    bool contains(int v) const { return v >= min && v <= max; }
};

// An integer as typed into a field: blanks, an optional sign, decimal digits, blanks. None
// for anything else or for a value outside int.
std::optional<int> parseIntegerField(const std::string& text);
// A real number as typed into a field (C locale), with blanks around it allowed.
std::optional<double> parseRealField(const std::string& text);
// Empty when `text` is an integer within `range`, else the message that refuses it.
std::string checkIntegerField(const std::string& text, IntRange range);

// Combo box items; an item's position is the value stored.
inline constexpr std::array<const char*, 4> kFoldLineTypeItems = {
    "Solid  ---------------", "Dot 1 - - - - - - - - -", "Dot 2 -- - -- - -- - -- ", "None"};
inline constexpr std::array<const char*, 2> kCutLineTypeItems = {"Solid  ---------------",
                                                                 "None"};
inline constexpr std::array<const char*, 8> kLineWidthItems = {"0.25", "0.5", "0.75", "1(default)",
                                                               "2",    "3",   "4",    "5"};
inline constexpr std::array<const char*, 8> kPaperSizeItems = {
    "A4 V [210x297]mm", "A4 H [297x210]mm", "A3 V [297x420]mm", "A3 H [420x297]mm",
    "B5 V [182x257]mm", "B5 H [257x182]mm", "B4 V [250x353]mm", "B4 H [353x250]mm"};
inline constexpr std::array<const char*, 4> kRasterResolutionItems = {"75", "100", "150", "200"};
// The unfolding algorithms in iAlgorithmType order; a new algorithm only needs its entry here.
inline constexpr std::array<const char*, 4> kAlgorithmItems = {
    "Well suited for free form figure", "Well suited for ruled figure",
    "Middle of upper 2 algorithms", "Fewest parts (searches for a few seconds)"};
// The flap styles in FlapStyle order.
inline constexpr std::array<const char*, 5> kFlapStyleItems = {"White", "Textured", "Half Textured",
                                                               "Shadow on the glued face", "None"};
inline constexpr std::array<const char*, 5> kTextureLimitItems = {
    "64 x 64", "128 x 128", "256 x 256", "512 x 512", "1024 x 1024"};

// "Line Type Configuration".
struct LineTypeConfig {
    static constexpr IntRange kAngleRange{90, 180};

    int iCutLineType = 0;
    int iYamaLineType = 1;
    int iTaniLineType = 2;
    int iLineWidthIndex = 3;
    bool bDrawWhiteBkLine = false;
    bool bCullEdge = true;
    int iAngleEps = 178;

    static LineTypeConfig of(const Settings& s);
    // The angle only matters while near-flat folds are hidden.
    bool angleEnabled() const { return bCullEdge; }
    // Stores the seven values, recomputes the printed line width and redraws.
    void apply(Document& doc) const;
};

// "Flap Configuration".
inline constexpr const char* kMsgChangeAllFlaps = "Do you want to change all flaps' size?";

struct FlapConfig {
    static constexpr IntRange kWidthRange{1, 50};

    bool bDrawNorishiro = true;
    // "Tint Colliding Flaps": the view fills flaps that collide in a paler selection colour.
    bool bTintCollidingNorishiro = true;
    bool changeAll = false;  // "Change All Flap Widths", clear each time the dialog opens
    int widthMm = 5;
    // Shown for information only; the dialog never stores it.
    bool bNorishiroReverse = false;
    // How the development draws its flaps (a FlapStyle); kept with the development, so only
    // offered while there is one.
    int flapStyle = 0;
    bool styleEnabled = false;

    static FlapConfig of(const Settings& s);
    // The same, with the style of `model`'s development (none: no development).
    static FlapConfig of(const Settings& s, const Model* model);
    bool changeAllEnabled() const { return bDrawNorishiro; }
    bool tintEnabled() const { return bDrawNorishiro; }
    bool widthEnabled() const { return bDrawNorishiro && changeAll; }
    // With "Change All Flap Widths" on a development, asks first; No stores nothing and returns
    // false. Yes gives every halfedge of every part the new width. Then stores "Show Flap", the
    // tint and the width for new flaps; a new style goes to the development as an undoable
    // step. Then redraws.
    bool apply(Document& doc) const;
};

// "Join Number Configuration".
struct JoinNumberConfig {
    static constexpr IntRange kFontSizeRange{1, 100};

    bool bDrawEdgeNumber = false;
    bool bEdgeIdReverse = false;
    int iEdgeNumberFontSize = 8;
    bool bFitEdgeNumberToFace = false;

    static JoinNumberConfig of(const Settings& s);
    void apply(Document& doc) const;
};

// "Page and Print Settings". The margins are edited in whole millimetres.
struct PageConfig {
    static constexpr IntRange kMarginRange{1, 50};

    int iPageType = 0;
    int marginTopMm = 15;
    int marginSideMm = 15;
    bool bPrintPageNumber = false;
    bool bPrintTombo = false;
    bool bPrintOmitPage = true;
    bool bPrintRaster = false;
    int iPrintPPIIndex = 1;

    static PageConfig of(const Settings& s);
    // Stores everything; only a new paper or margin recomputes the page grid and refits the
    // sheet (FitSheet), otherwise the views just redraw.
    void apply(Document& doc) const;
};

// "Color Configuration": every change takes effect at once, so there is nothing to apply.
struct ColorConfig {
    struct Row {
        const char* label;
        int index;  // into the colour table
    };
    static constexpr std::array<Row, kColorCount> kRows = {{
        {"Convex Fold Edge", 1},
        {"Concave Fold Edge", 2},
        {"Edge with Only One Side Surface", 3},
        {"Cut Edge", 4},
        {"Edge that should not be cut if possible", 5},
        {"Element Selection during Editing Development", 6},
        {"Background Color of Model Window", 7},
        {"Surface without Material Setting", 0},
    }};

    std::array<ColorRef, kColorCount> colors = kInitialColors;  // by colour index

    static ColorConfig of(const Settings& s);
    // Sets colour `index` in the document (colour 0 recolours the default material too).
    void setColor(Document& doc, int index, ColorRef color);
    // "Reset to Default": all eight colours back to their initial values.
    void resetToDefault(Document& doc);
    // Closing the dialog redraws the views with the new colours.
    static void finish(Document& doc);
};

// "Other Configurations".
struct OtherConfig {
    bool bDrawColorEdge = true;
    bool bEnhanceCutEdgeOpen = true;
    bool bSound = true;
    bool bZoomWheelInvert = false;
    bool bTextureSmooth = true;
    int iAlgorithmType = 1;
    int iFewestPartsSeconds = 3;  // how long the fewest-parts method may search
    int iAutoSaveMinutes = 2;     // 0: no recovery copies
    bool bUnStrictEdgeCrossCheck = false;
    bool bCullFace = false;
    bool simpleDisplay = true;  // the inverse of bRenderAllGL
    bool bOmitMaterialWhenModelRotate = false;
    bool bLimitTextureSize = false;
    int iTextureLimitSizeIndex = 3;
    bool bSlideColorToWhite = true;

    static constexpr IntRange kFewestPartsSecondsRange{1, 600};
    static constexpr IntRange kAutoSaveMinutesRange{0, 120};
    static constexpr int kFewestPartsAlgorithm = 3;

    static OtherConfig of(const Settings& s);
    bool limitIndexEnabled() const { return bLimitTextureSize; }
    // The time bound only matters to the fewest-parts method.
    static bool secondsEnabled(int algorithm) { return algorithm == kFewestPartsAlgorithm; }
    // Stores everything; with the texture limit on, shrinks every loaded texture larger than
    // it; tells the views TextureFilter when smoothing changed, else Redraw.
    void apply(Document& doc) const;
};

// Rescales to `limit` × `limit` every texture of `model` (the default material's included)
// that is wider or taller than `limit`. Returns how many were rescaled.
int reduceLargeTextures(Model& model, int limit);

// "Model Info": read-only facts about the model.
inline constexpr const char* kUvExist = "Exist";
inline constexpr const char* kUvMissing = "Does not exist";

struct ModelInfo {
    int faces = 0;
    int vertices = 0;
    int materials = 1;  // an empty table still draws with one (the default) material
    int objects = 0;
    bool hasTextureCoordinates = false;
    int textureImages = 0;

    static ModelInfo of(const Model& model);
    const char* uvText() const { return hasTextureCoordinates ? kUvExist : kUvMissing; }
};

// "OpenGL Info": what the graphics driver of the current context reports, read by the caller.
struct OpenGlInfo {
    std::string version;   // GL_VERSION
    std::string renderer;  // GL_RENDERER
    int maxTextureSize = 0;

    std::string maxTextureSizeText() const;  // "%d x %d"
};

// The modeless "Object List": which solids the development is made of.
inline constexpr const char* kObjectListNote =
    "The development will be created from selected objects only.";
inline constexpr const char* kUnnamedObjectFormat = "Object-%d";

struct ObjectList {
    std::vector<std::string> names;  // the solids in order; "Object-n" over the unnamed ones
    std::vector<bool> selected;      // each solid's visible flag

    static ObjectList of(const Model* model);
    // Visibility can change only while a model has no development.
    static bool editable(const Document& doc);
    // Makes exactly the solids with a set flag visible and redraws. False (nothing changes)
    // when not editable or when the flags do not match the solids.
    static bool applySelection(Document& doc, const std::vector<bool>& selected);
    // "Select All" and "Deselect All".
    static bool selectAll(Document& doc, bool select);
};

// "Specify Development Layout Method": the spacing between parts, in percent of the model's
// largest extent (automatic layout) or in millimetres on paper (given scale).
inline constexpr IntRange kLayoutSpacingPercentRange{0, 100};
inline constexpr IntRange kLayoutSpacingMmRange{0, 100};

// "Input String": the font size check and the face fallback.
inline constexpr const char* kMsgTextFontSizeRange = "Specify a value of 5 - 100 for font size";
inline constexpr IntRange kTextFontSizeRange{5, 100};
inline constexpr std::array<int, 16> kTextFontSizeItems = {8,  9,  10, 11, 12, 14, 16, 18,
                                                          20, 22, 24, 26, 28, 36, 48, 72};
// Empty when the size field holds an acceptable font size, else the message to show.
std::string checkTextFontSize(const std::string& text);
// After the dialog closes: a face that is not installed becomes "Arial". Face names compare
// ignoring ASCII case.
void settleTextFont(TextDialogValues& values, const std::vector<std::string>& faceNames);

}  // namespace plikatra
