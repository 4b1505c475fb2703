#include "app/commands.h"

#include "app/document.h"
#include "base/settings.h"
#include "model/model_commands.h"

namespace plikatra {

namespace {

using C = CommandId;
using E = Enable;

// A display setting turned on or off: the views draw it anew.
void toggleSetting(Document& d, bool Settings::*flag) {
    Settings& s = d.settings();
    s.*flag = !(s.*flag);
    d.notify(DocumentEvent::Redraw);
}

void createDevelopment(Document& d, CommandHost& h) {
    h.busy(true);
    d.createDevelopment(h.unfoldAutomatically(d.settings()));
    h.busy(false);
}

const std::vector<Command> kCommands = {
    {C::Open, "&Open...\tCtrl+O", "Ctrl+O", "Open a model or a work file", "Open", E::Always,
     [](Document&, CommandHost& h) { h.openDocument(); }},
    {C::Save, "&Save\tCtrl+S", "Ctrl+S", "Save the work file", "Save", E::Development,
     [](Document&, CommandHost& h) { h.saveDocument(); }},
    {C::SaveAs, "Save &As", "", "Save the work file under a new name", "Save As", E::Model,
     [](Document&, CommandHost& h) { h.saveDocumentAs(); }},
    {C::SaveDevelopment, "Sav&e Development to File...\tCtrl+E", "Ctrl+E",
     "Save the development to file", "Save Development", E::Development,
     [](Document&, CommandHost& h) { h.saveDevelopment(); }},
    {C::ExportPdf, "Export P&DF...", "", "Save the printed pages of the development as a PDF file",
     "Export PDF", E::Development,
     [](Document&, CommandHost& h) { h.exportPdf(); }},
    {C::PageSettings, "P&age and Print Settings...", "", "Choose the paper, margins and print options",
     "Page and Print Settings", E::Always,
     [](Document&, CommandHost& h) { h.pageSettings(); }},
    {C::Print, "&Print...\tCtrl+P", "Ctrl+P", "Print the development page by page", "Print",
     E::Development,
     [](Document&, CommandHost& h) { h.print(); }},
    {C::PrintPreview, "Print Pre&view", "", "Show the printed pages", "Print Preview", E::Development,
     [](Document&, CommandHost& h) { h.printPreview(); }},
    {C::PrinterSetup, "Printe&r Setup...", "", "Choose a printer and its options", "Printer Setup",
     E::Always,
     [](Document&, CommandHost& h) { h.printerSetup(); }},
    {C::Exit, "E&xit", "", "Quit the program; asks to save changes", "Exit", E::Always,
     [](Document&, CommandHost& h) { h.exitProgram(); }},

    {C::SpecifyCutEdge, "Specify &Cut Edge", "", "Click edges of the 3D model that must be cut",
     "Specify Cut Edge", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.chooseModelEditMode(kModelEditCut); }},
    {C::SpecifyKeepEdge, "Specify the edge that should &not be cut if possible", "",
     "Click edges of the 3D model that should stay folded", "Specify Edge Not to Cut",
     E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.chooseModelEditMode(kModelEditKeep); }},
    {C::ResetEdgeAttribute, "&Reset Edge Attribute", "", "Remove every cut and keep mark",
     "Reset Edge Attribute", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.resetEdgeAttributes(); }},
    {C::ReverseSurface, "Reverse Surface D&irection", "", "Turn the faces of the shown objects over",
     "Reverse Surface Direction", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.reverseSurfaceDirection(); }},
    {C::HideSurface, "&Hide Surface", "", "Show only the edges of the 3D model", "Hide Surface",
     E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.setHideSurface(!d.hideSurface()); }},
    {C::ShowObjectList, "Show &Object List...", "", "Choose the objects to unfold", "Object List",
     E::ModelNoDevelopment,
     [](Document&, CommandHost& h) { h.showObjectList(); }},
    {C::SetTexture, "Set &Texture...", "", "Give a material a texture image", "Set Texture", E::Model,
     [](Document& d, CommandHost&) { d.setTexture(); }},
    {C::ResetView, "Re&set View", "", "Turn the 3D model back to its first view", "Reset View",
     E::Model,
     [](Document& d, CommandHost&) { d.notify(DocumentEvent::ResetView); }},
    {C::ReverseX, "Reverse &X-Coordinate", "", "Mirror the model along x", "Reverse X",
     E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.mirrorModel(Axis::X); }},
    {C::ReverseY, "Reverse &Y-Coordinate", "", "Mirror the model along y", "Reverse Y",
     E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.mirrorModel(Axis::Y); }},
    {C::ReverseZ, "Reverse &Z-Coordinate", "", "Mirror the model along z", "Reverse Z",
     E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.mirrorModel(Axis::Z); }},
    {C::ReverseTextureU, "Reverse Texture's &U-Coordinate", "", "Mirror the textures left to right",
     "Reverse Texture U", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.reverseTextureU(); }},
    {C::ReverseTextureV, "Reverse Texture's &V-Coordinate", "", "Mirror the textures top to bottom",
     "Reverse Texture V", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.reverseTextureV(); }},
    {C::JoinIsolatedEdges, "&Join Adjacent Isolated Edge", "",
     "Join open edges that lie on each other", "Join Adjacent Isolated Edge", E::ModelNoDevelopment,
     [](Document& d, CommandHost&) { d.joinAdjacentIsolatedEdges(); }},

    {C::EraseEdge, "&Erase Edge\tCtrl+D", "Ctrl+D", "Click fold lines to erase them", "Erase Edge",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeEraseEdge); }},
    {C::UndoEraseEdge, "&Undo Erase Edge\tCtrl+U", "Ctrl+U", "Click erased lines to show them again",
     "Undo Erase Edge", E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeShowEdge); }},
    {C::EditFlap, "Edit &Flap\tCtrl+F", "Ctrl+F", "Click flaps to move, resize, create or delete them",
     "Edit Flap", E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeEditFlap); }},
    {C::RotatePart, "&Rotate Part\tCtrl+R", "Ctrl+R", "Turn a part about a point", "Rotate Part",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeRotatePart); }},
    {C::MovePart, "&Move Part\tCtrl+M", "Ctrl+M", "Drag parts to new places", "Move Part",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeMovePart); }},
    {C::JoinSurface, "&Join Surface\tCtrl+N", "Ctrl+N", "Join two parts along a cut edge",
     "Join Surface", E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeJoinSurface); }},
    {C::CutPart, "&Cut Part\tCtrl+C", "Ctrl+C", "Cut a part along a fold line", "Cut Part",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeCutPart); }},
    {C::InputText, "Input &Text\tCtrl+T", "Ctrl+T", "Place and edit texts on the sheet", "Input Text",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeInputText); }},
    {C::CheckSurface, "Chec&k Corresponding Surface\tCtrl+K", "Ctrl+K",
     "Click a face to see where it lies in the other view", "Check Corresponding Surface",
     E::Development,
     [](Document& d, CommandHost&) { d.chooseEditMode(kModeCheckSurface); }},
    {C::UndoLastEditing, "&Undo Last Editing\tCtrl+Z", "Ctrl+Z", "Take back the last edit",
     "Undo Last Editing", E::Undo,
     [](Document& d, CommandHost&) { d.undo(); }},
    {C::Redo, "&Redo\tCtrl+Y", "Ctrl+Y", "Do the last undone step again", "Redo", E::Redo,
     [](Document& d, CommandHost&) { d.redo(); },
     "Ctrl+Shift+Z"},
    {C::ShortenCollidingFlaps, "S&horten Flaps That Collide", "",
     "Lower the flaps that lie on their part or reach past the face they are glued under",
     "Shorten Flaps That Collide", E::FlapsShown,
     [](Document& d, CommandHost&) { d.shortenCollidingFlaps(); }},
    {C::ShowFlap, "Show &Flap", "", "Show or hide the glue flaps", "Show Flap", E::Development,
     [](Document& d, CommandHost&) { toggleSetting(d, &Settings::bDrawNorishiro); }},
    {C::ShowJoinNumber, "Show Edge Join &Number", "", "Show or hide the join numbers",
     "Show Join Number", E::Development,
     [](Document& d, CommandHost&) { toggleSetting(d, &Settings::bDrawEdgeNumber); }},
    {C::ShowPageNumber, "Show &Page Number to Verify", "", "Label the pages of the sheet",
     "Show Page Number", E::Development,
     [](Document& d, CommandHost&) { d.setShowPageNumbers(!d.showPageNumbers()); }},
    {C::RecalculateLayout, "&Recalculate Parts Layout", "", "Lay the parts out again",
     "Recalculate Parts Layout", E::Development,
     [](Document& d, CommandHost&) { d.recalculateLayout(); }},
    {C::MirrorDevelopment, "&Mirror Development", "", "Mirror the development left to right",
     "Mirror Development", E::Development,
     [](Document& d, CommandHost&) { d.editor().mirror(); }},
    {C::ScaleUp, "Scale &Up Development", "", "Make the development 10 percent larger",
     "Scale Up", E::Development,
     [](Document& d, CommandHost&) { d.editor().scaleUp(); }},
    {C::ScaleDown, "Scale &Down Development", "", "Make the development 10 percent smaller",
     "Scale Down", E::Development,
     [](Document& d, CommandHost&) { d.editor().scaleDown(); }},
    {C::ScaleToSize, "&Scale Development to Specified Size)...", "",
     "Give the assembled model a size in centimetres", "Scale to Size", E::Development,
     [](Document& d, CommandHost&) { d.scaleToSize(); }},
    {C::ZoomIn, "Zoom &In", "", "Look closer at the sheet", "Zoom In", E::Development,
     [](Document& d, CommandHost&) { d.notify(DocumentEvent::ZoomIn); }},
    {C::ZoomOut, "Zoom &Out", "", "See more of the sheet", "Zoom Out", E::Development,
     [](Document& d, CommandHost&) { d.notify(DocumentEvent::ZoomOut); }},
    {C::ShowEntire, "Show &Entire", "", "Fit the whole sheet into the window", "Show Entire",
     E::Development,
     [](Document& d, CommandHost&) { d.notify(DocumentEvent::FitSheet); }},
    {C::CopyBitmap, "&BMP Format", "", "Copy the development to the clipboard as a picture",
     "Copy as Bitmap", E::Development,
     [](Document&, CommandHost& h) { h.copyBitmap(); }},
    {C::CopyMetafile, "&EMF Format (No Texture)", "", "Copy the development to the clipboard as a drawing",
     "Copy as Metafile", E::Development,
     [](Document&, CommandHost& h) { h.copyMetafile(); }},
    {C::UseMaterial, "&Use Color and Texture for Surface Draw", "",
     "Draw faces in their colours and textures", "Use Color and Texture", E::Model,
     [](Document& d, CommandHost&) { toggleSetting(d, &Settings::bUseMaterial); }},
    {C::SmoothLine, "Smooth Line", "", "Draw lines antialiased", "Smooth Line", E::Development,
     [](Document& d, CommandHost&) { toggleSetting(d, &Settings::bLineSmooth); }},
    {C::AlignToGrid, "Align to Grid", "", "Snap new and moved texts to a grid", "Align to Grid",
     E::Always,
     [](Document& d, CommandHost&) { toggleSetting(d, &Settings::bPlaceTextOnGrid); }},
    {C::Grid5, "5mm", "", "Text grid of 5 mm", "5 mm grid", E::TextGrid,
     [](Document& d, CommandHost&) { d.settings().textGridSize = 5; }},
    {C::Grid10, "10mm", "", "Text grid of 10 mm", "10 mm grid", E::TextGrid,
     [](Document& d, CommandHost&) { d.settings().textGridSize = 10; }},
    {C::Grid20, "20mm", "", "Text grid of 20 mm", "20 mm grid", E::TextGrid,
     [](Document& d, CommandHost&) { d.settings().textGridSize = 20; }},

    {C::SplitWindow, "S&plit Window", "", "Show the 3D model and the development side by side",
     "Split Window", E::Always,
     [](Document&, CommandHost& h) { h.splitWindow(); }},
    {C::OnlyDevelopmentWindow, "Show &Only Development Window", "", "Give the whole window to the development",
     "Only Development", E::Always,
     [](Document&, CommandHost& h) { h.onlyDevelopmentWindow(); }},
    {C::ModelInfo, "&Model Info...", "", "Counts of the model's faces, vertices and materials",
     "Model Info", E::Model,
     [](Document&, CommandHost& h) { h.modelInfo(); }},

    {C::LineTypeConfiguration, "&Line Type Configuration...", "", "Choose how cut and fold lines look",
     "Line Type Configuration", E::Model,
     [](Document&, CommandHost& h) { h.lineTypeConfiguration(); }},
    {C::FlapConfiguration, "&Flap Configuration...", "", "Choose the flap width", "Flap Configuration",
     E::Development,
     [](Document&, CommandHost& h) { h.flapConfiguration(); }},
    {C::JoinNumberConfiguration, "Join &Number Configuration...", "", "Choose how join numbers look",
     "Join Number Configuration", E::Development,
     [](Document&, CommandHost& h) { h.joinNumberConfiguration(); }},
    {C::ColorConfiguration, "&Color Configuration...", "", "Choose the colours of edges and surfaces",
     "Color Configuration", E::Always,
     [](Document&, CommandHost& h) { h.colorConfiguration(); }},
    {C::OtherConfigurations, "&Other Configurations...", "", "Unfolding method, speed and troubleshooting",
     "Other Configurations", E::Always,
     [](Document&, CommandHost& h) { h.otherConfigurations(); }},
    {C::ResetToDefault, "&Reset to Default", "", "Reset all settings to initial state",
     "Reset to Default", E::Always,
     [](Document& d, CommandHost&) { d.resetSettings(); }},

    {C::HelpContents, "&Contents...\tF1", "F1", "Open the help", "Help", E::Always,
     [](Document&, CommandHost& h) { h.openHelp(); }},
    {C::OpenGlInfo, "OpenGL &Info...", "", "The OpenGL version and the largest texture", "OpenGL Info",
     E::Always,
     [](Document&, CommandHost& h) { h.openGlInfo(); }},
    {C::Homepage, "Plikatra Designer's &Homepage...", "", "Open the program's home page", "Homepage",
     E::Always,
     [](Document&, CommandHost& h) { h.openHelp(); }},
    {C::About, "&About...", "", "Program version", "About", E::Always,
     [](Document&, CommandHost& h) { h.about(); }},

    {C::CreateDevelopment, "Create Development", "", "Unfold the model into parts",
     "Create Development", E::ModelNoDevelopment,
     [](Document& d, CommandHost& h) { createDevelopment(d, h); }},
    {C::UndoDevelopment, "Undo", "", "Discard the development", "Undo Development", E::Development,
     [](Document& d, CommandHost&) { d.undoDevelopment(); }},
};

// The development edit mode a command selects, 0 for other commands.
int editModeOf(CommandId id) {
    switch (id) {
        case C::EraseEdge: return 1;
        case C::UndoEraseEdge: return 2;
        case C::EditFlap: return 3;
        case C::RotatePart: return 4;
        case C::MovePart: return 5;
        case C::JoinSurface: return 6;
        case C::CutPart: return 7;
        case C::InputText: return 8;
        case C::CheckSurface: return 9;
        default: return 0;
    }
}

}  // namespace

bool CommandHost::unfoldAutomatically(const Settings& settings) const { return settings.autoCheck; }

const std::vector<Command>& commandTable() { return kCommands; }

const Command* findCommand(CommandId id) {
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

std::string commandMenuText(CommandId id, const Document& doc) {
    const Command* c = findCommand(id);
    if (!c) return "";
    if (id == C::UndoLastEditing && doc.canUndo()) return "&Undo " + doc.undoName() + "\tCtrl+Z";
    if (id == C::Redo && doc.canRedo()) return "&Redo " + doc.redoName() + "\tCtrl+Y";
    return c->text;
}

bool runCommand(CommandId id, Document& doc, CommandHost& host) {
    const Command* c = findCommand(id);
    if (!c || !c->run || !commandEnabled(id, doc)) return false;
    c->run(doc, host);
    return true;
}

bool commandEnabled(CommandId id, const Document& doc) {
    const Command* c = findCommand(id);
    if (!c) return false;
    const bool model = doc.model() != nullptr;
    const bool development = doc.hasDevelopment();
    switch (c->enable) {
        case Enable::Always: return true;
        case Enable::Model: return model;
        case Enable::ModelNoDevelopment: return model && !development;
        case Enable::Development: return development;
        case Enable::Undo: return doc.canUndo();
        case Enable::Redo: return doc.canRedo();
        case Enable::TextGrid: return doc.settings().bPlaceTextOnGrid;
        case Enable::FlapsShown: return development && doc.settings().bDrawNorishiro;
    }
    return false;
}

std::optional<bool> commandChecked(CommandId id, const Document& doc) {
    if (const int mode = editModeOf(id)) return doc.editor().mode() == mode;
    const Settings& s = doc.settings();
    switch (id) {
        case C::SpecifyCutEdge: return doc.modelEditMode() == 1;
        case C::SpecifyKeepEdge: return doc.modelEditMode() == 2;
        case C::HideSurface: return doc.hideSurface();
        case C::ShowFlap: return s.bDrawNorishiro;
        case C::ShowJoinNumber: return s.bDrawEdgeNumber;
        case C::ShowPageNumber: return doc.showPageNumbers();
        case C::UseMaterial: return s.bUseMaterial;
        case C::SmoothLine: return s.bLineSmooth;
        case C::AlignToGrid: return s.bPlaceTextOnGrid;
        case C::Grid5: return s.textGridSize == 5;
        case C::Grid10: return s.textGridSize == 10;
        case C::Grid20: return s.textGridSize == 20;
        default: return std::nullopt;
    }
}

std::string plainText(const char* menuText) {
    std::string out;
    for (const char* p = menuText; *p && *p != '\t'; ++p)
        if (*p != '&') out += *p;
    return out;
}

const std::vector<int>& mainToolBar() {
    static const std::vector<int> bar = {32779, 32887, 0,     32908, 32849, 32788, 0,
                                         32830, 32831, 0,     32838, 32839};
    return bar;
}

const std::vector<int>& developmentToolBar() {
    static const std::vector<int> bar = {
        32774, 32775, 32835, 32856, 0,     32777, 32776, 32805, 32874, 32877, 32875, 32866,
        32906, 32913, 0,     32812, 32813, 32814, 32872, 32869, 32854, 32859, 32884, 32910,
        0,     32879, 0,     32846, 32803, 57607};
    return bar;
}

}  // namespace plikatra
