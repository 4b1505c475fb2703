// The development editor: turns the development view's mouse input into edits of the
// development, in the nine edit modes, and tells the view what to show meanwhile (pending
// selections, the rotation rubber line, highlighted faces, the popup menu to open). The view
// converts its pixel positions to development units and passes its scale in pixels per
// development unit, so hit distances given in pixels keep their meaning at any zoom.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "development/editing_operations.h"
#include "development/editor_host.h"
#include "development/undo.h"
#include "model/model.h"

namespace plikatra {

enum EditMode : int {
    kModeNone = 0,
    kModeEraseEdge = 1,
    kModeShowEdge = 2,
    kModeEditFlap = 3,
    kModeRotatePart = 4,
    kModeMovePart = 5,
    kModeJoinSurface = 6,
    kModeCutPart = 7,
    kModeInputText = 8,
    kModeCheckSurface = 9,
};

// Status-bar hint of a mode (empty for mode 0).
const char* editModeHint(int mode);
// Menu text of a mode's command (empty for mode 0).
const char* editModeCommand(int mode);


enum class MouseButton { Left, Right, Middle };
enum KeyModifier : unsigned { kKeyNone = 0, kKeyShift = 1, kKeyCtrl = 2 };

// Popup menu entries; an item with a submenu has no action of its own.
enum MenuId : int {
    kMenuMoveFlap = 1,
    kMenuCreateConvex,
    kMenuCreateConcave,
    kMenuDeleteFlap,
    kMenuTextEdit,
    kMenuTextNew,
    kMenuTextDelete,
    kMenuTextCancel,
    kMenuSubmenu,
    kMenuResizeBase = 1000,  // kMenuResizeBase + n: flap height n millimetres
    // kMenuStyleBase + 1 + s: flap style s (a FlapStyle); kMenuStyleBase: the development's
    kMenuStyleBase = 2000,
};

struct MenuItem {
    int id = 0;
    std::string text;
    std::vector<MenuItem> submenu;
    bool checked = false;  // shown with a check mark: the choice in force
};

struct PopupMenu {
    Point2 position;  // development units: 10 pixels below the click
    std::vector<MenuItem> items;
};

// What the view draws for Rotate Part between clicks.
struct RotateFeedback {
    const Part* part = nullptr;
    std::optional<Point2> centre;
    std::optional<Point2> reference;
    Point2 cursor;  // end of the rubber line
};

class DevelopmentEditor {
public:
    explicit DevelopmentEditor(EditorHost& host, Model* model = nullptr)
        : host_(host), model_(model) {}

    // The model being edited (null: none; clicks do nothing).
    void setModel(Model* model);
    Model* model() const { return model_; }

    // View scale and screen resolution.
    void setPixelsPerUnit(double ppu) { pixelsPerUnit_ = ppu; }
    double pixelsPerUnit() const { return pixelsPerUnit_; }
    void setScreenDpi(double dpi) { screenDpi_ = dpi; }

    // An edit-mode command: cancels the current operation, shows the mode's hint and sets the
    // mode, or returns to mode 0 when it was already active. (Edit Flap also needs flaps shown;
    // turning them on is the document's, which owns the settings.)
    void chooseMode(int mode);
    int mode() const { return mode_; }

    // Mouse input at a sheet position in development units.
    void mousePress(MouseButton button, Point2 p, unsigned keys = kKeyNone);
    void mouseMove(Point2 p, bool leftDown, unsigned keys = kKeyNone);
    // Returns true when a right click was taken to cancel a pending selection; otherwise the
    // view may open its edit-mode menu.
    bool mouseRelease(MouseButton button, Point2 p, unsigned keys = kKeyNone);

    // The popup menu the view must open, if any, and the user's choice from it.
    const std::optional<PopupMenu>& popup() const { return popup_; }
    void chooseMenuItem(int id);
    void dismissMenu();

    // Drops the pending selections of the current mode.
    void cancelOperation();

    // Pending selections and feedback for the view.
    Halfedge* flapTarget() const { return flapTarget_; }
    Halfedge* joinEdge() const { return joinEdge_; }
    RotateFeedback rotateFeedback() const;
    const std::unordered_set<const Face*>& highlightedFaces() const { return highlighted_; }
    void clearHighlight() { highlighted_.clear(); }
    // Check Corresponding Surface from the 3D view: highlights the faces that belong with
    // `face` (none for null) and tells the views.
    void checkFace(const Face* face);
    TextItem* pressedText() const { return pressedText_; }

    // The kind of the last edit (an UndoCode), by which the history names its step.
    int lastEdit() const { return lastEdit_; }
    // Forgets the pending selections and the last edit (the development went away).
    void reset();

    // Defaults for the next new text item.
    std::string lastFontName = "Arial";
    int lastFontSize = 36;
    std::uint32_t lastColor = 0;

    // Development commands that are not modes.
    void mirror();
    bool scaleUp();
    bool scaleDown();
    // Sets the scale chosen in "Specify Development Size".
    bool scaleTo(double scale);
    // "Shorten Flaps That Collide"; returns how many flaps were shortened.
    int shortenCollidingFlaps();

private:
    bool active() const { return model_ && model_->bFinished; }
    bool isClick(MouseButton button, Point2 p) const;
    void click(Point2 p, unsigned keys);
    // Ends an edit of kind `code` (an UndoCode): the sheet and the page grid follow it, the views
    // are told and the history records it as a step.
    void finishEdit(int code, DocumentEvent event = DocumentEvent::Redraw);

    void clickEdge(Point2 p);
    void clickFlap(Point2 p);
    void clickRotate(Point2 p);
    void clickJoin(Point2 p);
    void clickCut(Point2 p);
    void clickText(Point2 p);
    void clickCheck(Point2 p);
    void openTextDialog(TextItem* item, Point2 at);
    void measureText(TextItem& item);
    Point2 snapped(Point2 p) const;

    EditorHost& host_;
    Model* model_;
    int mode_ = kModeNone;
    double pixelsPerUnit_ = 1.0;
    double screenDpi_ = 96.0;

    Point2 pressAt_[3];
    bool pressed_[3] = {false, false, false};
    Point2 last_;
    bool dragging_ = false;

    Halfedge* flapTarget_ = nullptr;
    Halfedge* joinEdge_ = nullptr;
    Part* rotatePart_ = nullptr;
    std::optional<Point2> rotateCentre_, rotateReference_;
    Point2 cursor_;
    TextItem* pressedText_ = nullptr;
    TextItem* menuText_ = nullptr;
    Point2 menuPoint_;
    std::unordered_set<const Face*> highlighted_;
    std::optional<PopupMenu> popup_;
    int lastEdit_ = kUndoNone;
};

}  // namespace plikatra
