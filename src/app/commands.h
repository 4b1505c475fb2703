// The command table: every menu item, tool-bar button and accelerator of the desktop program
// as data, with the rules that enable and check it against the document and the action it
// runs. The window only turns these rows into menu items and buttons; what a command does
// on the document runs, and can be tested, without a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plikatra {

class Document;
struct Settings;

enum class CommandId : int {
    Open = 32779,
    Save = 32887,
    SaveAs = 32790,
    SaveDevelopment = 32846,
    ExportPdf = 32950,
    PageSettings = 32876,
    Print = 57607,
    PrintPreview = 57609,
    PrinterSetup = 57606,
    Exit = 57665,
    SpecifyCutEdge = 32830,
    SpecifyKeepEdge = 32831,
    ResetEdgeAttribute = 32882,
    ReverseSurface = 32788,
    HideSurface = 32849,
    ShowObjectList = 32860,
    SetTexture = 32861,
    ResetView = 32908,
    ReverseX = 32924,
    ReverseY = 32925,
    ReverseZ = 32926,
    ReverseTextureU = 32928,
    ReverseTextureV = 32927,
    JoinIsolatedEdges = 32931,
    EraseEdge = 32812,
    UndoEraseEdge = 32813,
    EditFlap = 32814,
    RotatePart = 32854,
    MovePart = 32859,
    JoinSurface = 32869,
    CutPart = 32872,
    InputText = 32884,
    CheckSurface = 32910,
    UndoLastEditing = 32879,
    Redo = 32880,
    ShortenCollidingFlaps = 32960,
    ShowFlap = 32843,
    ShowJoinNumber = 32832,
    ShowPageNumber = 32906,
    RecalculateLayout = 32856,
    MirrorDevelopment = 32805,
    ScaleUp = 32776,
    ScaleDown = 32777,
    ScaleToSize = 32937,
    ZoomIn = 32774,
    ZoomOut = 32775,
    ShowEntire = 32835,
    CopyBitmap = 32803,
    CopyMetafile = 57634,
    UseMaterial = 32866,
    SmoothLine = 32913,
    ModelInfo = 32862,
    OpenGlInfo = 32864,
    SplitWindow = 32838,
    OnlyDevelopmentWindow = 32839,
    AlignToGrid = 32933,
    Grid5 = 32934,
    Grid10 = 32935,
    Grid20 = 32936,
    LineTypeConfiguration = 32875,
    FlapConfiguration = 32874,
    JoinNumberConfiguration = 32877,
    ColorConfiguration = 32883,
    OtherConfigurations = 32773,
    ResetToDefault = 32911,
    HelpContents = 32782,
    About = 57664,
    Homepage = 32930,
    CreateDevelopment = 1056,
    UndoDevelopment = 1057,
};

// When a command can be used.
enum class Enable {
    Always,
    Model,               // a model is loaded
    ModelNoDevelopment,  // a model without development
    Development,         // a development exists
    Undo,                // a step of the history can be undone
    Redo,                // an undone step can be done again
    TextGrid,            // texts snap to the grid
    FlapsShown,          // a development exists and its flaps are shown
};

// What a command needs of the front end that runs it: files chosen, dialogs, printing and the
// window's panes. A front end without them (the command-line tool, tests) leaves them doing
// nothing.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    virtual void openDocument() {}
    virtual void saveDocument() {}
    virtual void saveDocumentAs() {}
    virtual void exitProgram() {}
    virtual void showObjectList() {}
    virtual void saveDevelopment() {}
    virtual void exportPdf() {}
    virtual void print() {}
    virtual void printPreview() {}
    virtual void printerSetup() {}
    virtual void pageSettings() {}
    virtual void copyBitmap() {}
    virtual void copyMetafile() {}
    virtual void modelInfo() {}
    virtual void openGlInfo() {}
    virtual void about() {}
    virtual void lineTypeConfiguration() {}
    virtual void flapConfiguration() {}
    virtual void joinNumberConfiguration() {}
    virtual void colorConfiguration() {}
    virtual void otherConfigurations() {}
    virtual void splitWindow() {}
    virtual void onlyDevelopmentWindow() {}
    virtual void openHelp() {}
    // Whether Create Development lays the parts out without asking; the window's "Auto" box.
    virtual bool unfoldAutomatically(const Settings& settings) const;
    // A long step starts (true) or ends (false): the window shows it is busy.
    virtual void busy(bool) {}
};

struct Command {
    CommandId id;
    const char* text;     // menu text with "&" marking the mnemonic and "\t" before the accelerator
    const char* shortcut;  // key sequence in portable text ("Ctrl+O"), empty for none
    const char* prompt;   // status bar text while the command is highlighted
    const char* tip;      // tool tip of its tool-bar button
    Enable enable;
    void (*run)(Document&, CommandHost&);  // what the command does
    const char* otherShortcut = "";  // a second key sequence for the same command
};

// Every command, in menu order.
const std::vector<Command>& commandTable();
// The row of `id`; null for an id the table does not hold.
const Command* findCommand(CommandId id);

// The menu text of `id` now: Undo and Redo name the step they would take ("&Undo Move
// Part\tCtrl+Z"); every other command keeps its table text.
std::string commandMenuText(CommandId id, const Document& doc);
// Whether `id` is enabled now.
bool commandEnabled(CommandId id, const Document& doc);
// Runs `id` as its menu item does; false (nothing done) when it is disabled or unknown.
bool runCommand(CommandId id, Document& doc, CommandHost& host);
// Whether `id` shows a check mark now; none for commands that never do.
std::optional<bool> commandChecked(CommandId id, const Document& doc);

// The menu text without "&" and without the accelerator part, for tool tips and tests.
std::string plainText(const char* menuText);

// Tool bars: button ids in order, 0 for a separator.
const std::vector<int>& mainToolBar();
const std::vector<int>& developmentToolBar();

}  // namespace plikatra
