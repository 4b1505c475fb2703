#include "app/options.h"
#include "development/editing.h"

#include <algorithm>
#include <cmath>

#include "app/fonts.h"
#include "app/settings.h"
#include "app/ui.h"
#include "development/development.h"
#include "development/editing_hits.h"
#include "development/unfolding.h"
#include "development/update_notices.h"

namespace plikatra {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kCentimetresPerInch = 0.39370078740157477;  // inches per centimetre
constexpr const char* kIdleStatus = "Ready";
// A release counts as a click within this squared pixel distance of its press.
constexpr long kClickSquaredPixels = 9;
// Popup menus open this far below the click.
constexpr double kPopupOffsetPixels = 10.0;

constexpr const char* kHints[] = {
    "",
    "Click the edge to erase.",
    "Click the edge to display.",
    "Click the flap to edit.",
    "Click points the center of a part and the target angle(Cancel with Right click).",
    "Click the part to move and Drag.([Shift] for multiple select)",
    "Click the edge to connect and click again to decide the direction",
    "Click the edge to cut.",
    "Click the place to input text. Click the text to edit.",
    "Click the face to see the corresponding between 3D and developed model.",
};

constexpr const char* kCommands[] = {
    "",
    "&Erase Edge\tCtrl+D",
    "&Undo Erase Edge\tCtrl+U",
    "Edit &Flap\tCtrl+F",
    "&Rotate Part\tCtrl+R",
    "&Move Part\tCtrl+M",
    "&Join Surface\tCtrl+N",
    "&Cut Part\tCtrl+C",
    "Input &Text\tCtrl+T",
    "Chec&k Corresponding Surface\tCtrl+K",
};

constexpr int kFlapSizesMm[] = {1, 2, 3, 5, 7, 10, 15, 20, 30, 50};

int buttonIndex(MouseButton b) { return b == MouseButton::Left ? 0 : b == MouseButton::Right ? 1 : 2; }

bool samePoint(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }

double cross(Point2 a, Point2 b, Point2 p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

Point2 faceCentroid(const Face& f) {
    Point2 c;
    for (const auto& h : f.halfedges) {
        const Point2 s = sheetStart(*h);
        c.x += s.x;
        c.y += s.y;
    }
    const double n = static_cast<double>(std::max<std::size_t>(1, f.halfedges.size()));
    return {c.x / n, c.y / n};
}

std::vector<MenuItem> flapSizes() {
    std::vector<MenuItem> items;
    for (int mm : kFlapSizesMm) items.push_back({kMenuResizeBase + mm, format("%dmm", mm), {}});
    return items;
}

bool menuHas(const std::vector<MenuItem>& items, int id) {
    for (const auto& i : items)
        if (i.id == id || menuHas(i.submenu, id)) return true;
    return false;
}

}  // namespace

const char* editModeHint(int mode) { return mode >= 1 && mode <= 9 ? kHints[mode] : ""; }
const char* editModeCommand(int mode) { return mode >= 1 && mode <= 9 ? kCommands[mode] : ""; }

DevelopmentEditor::DevelopmentEditor(Model* model, DocumentState& document)
    : model_(model), document_(document) {}

void DevelopmentEditor::setModel(Model* model) {
    model_ = model;
    reset();
}

void DevelopmentEditor::chooseMode(int mode) {
    cancelOperation();
    ui().status(kIdleStatus);
    mode_ = (mode == mode_ || mode < 0 || mode > 9) ? kModeNone : mode;
    if (mode_ == kModeEditFlap && !settings().bDrawNorishiro) {
        settings().bDrawNorishiro = true;
        ui().message(kMsgFlapsShown, kAppTitle, MessageIcon::Information);
    }
    if (mode_ != kModeNone) ui().status(editModeHint(mode_));
    notifyViews(kNoticeRedraw);
}

void DevelopmentEditor::cancelOperation() {
    flapTarget_ = nullptr;
    joinEdge_ = nullptr;
    rotatePart_ = nullptr;
    rotateCentre_.reset();
    rotateReference_.reset();
    pressedText_ = nullptr;
    menuText_ = nullptr;
    popup_.reset();
    dragging_ = false;
}

void DevelopmentEditor::reset() {
    cancelOperation();
    undo_.forget();
    highlighted_.clear();
}

RotateFeedback DevelopmentEditor::rotateFeedback() const {
    RotateFeedback f;
    f.part = rotatePart_;
    f.centre = rotateCentre_;
    f.reference = rotateReference_;
    f.cursor = cursor_;
    return f;
}

bool DevelopmentEditor::isClick(MouseButton button, Point2 p) const {
    const int i = buttonIndex(button);
    if (!pressed_[i]) return false;
    const long dx = std::lround((p.x - pressAt_[i].x) * pixelsPerUnit_);
    const long dy = std::lround((p.y - pressAt_[i].y) * pixelsPerUnit_);
    return dx * dx + dy * dy <= kClickSquaredPixels;
}

void DevelopmentEditor::finishEdit(int notice) {
    computeSheetExtent(*model_);
    computePageGrid(*model_, pageSetupOf(settings()));
    document_.setModified();
    notifyViews(notice);
}

void DevelopmentEditor::mousePress(MouseButton button, Point2 p, unsigned keys) {
    const int i = buttonIndex(button);
    pressAt_[i] = p;
    pressed_[i] = true;
    if (button != MouseButton::Left) return;
    last_ = p;
    dragging_ = false;
    if (!active()) return;
    if (mode_ == kModeMovePart) {
        Part* part = hitPart(*model_, p);
        if (part && (keys & (kKeyShift | kKeyCtrl))) {
            part->selected = !part->selected;
        } else if (part) {
            if (!part->selected) {
                for (auto& q : model_->parts) q->selected = false;
                part->selected = true;
            }
        } else {
            for (auto& q : model_->parts) q->selected = false;
        }
        notifyViews(kNoticeRedraw);
    } else if (mode_ == kModeInputText) {
        pressedText_ = hitText(*model_, p);
    }
}

void DevelopmentEditor::mouseMove(Point2 p, bool leftDown, unsigned keys) {
    (void)keys;
    cursor_ = p;
    if (!active()) return;
    if (mode_ == kModeRotatePart && rotateCentre_) notifyViews(kNoticeRedraw);
    if (!leftDown || !pressed_[0]) return;
    const double dx = p.x - last_.x, dy = p.y - last_.y;
    last_ = p;
    if (mode_ == kModeMovePart) {
        const bool any = std::any_of(model_->parts.begin(), model_->parts.end(),
                                     [](const auto& q) { return q->selected; });
        if (!any) return;
        if (!dragging_) {
            clearEditMarks(*model_);
            for (auto& q : model_->parts)
                if (q->selected) backupPart(*q);
            undo_ = UndoRecord{};
            undo_.code = kUndoMoveParts;
            undo_.available = true;
            dragging_ = true;
        }
        for (auto& q : model_->parts)
            if (q->selected) {
                q->x += dx;
                q->y += dy;
            }
        document_.setModified();
        notifyViews(kNoticeRedraw);
    } else if (mode_ == kModeInputText && pressedText_) {
        if (!dragging_) {
            clearEditMarks(*model_);
            undo_ = UndoRecord{};
            undo_.code = kUndoTextMoved;
            undo_.text = pressedText_;
            undo_.savedText = *pressedText_;
            undo_.available = true;
            dragging_ = true;
        }
        pressedText_->x += dx;
        pressedText_->y += dy;
        document_.setModified();
        notifyViews(kNoticeRedraw);
    }
}

bool DevelopmentEditor::mouseRelease(MouseButton button, Point2 p, unsigned keys) {
    const bool clicked = isClick(button, p);
    pressed_[buttonIndex(button)] = false;
    if (button == MouseButton::Right) {
        if (!clicked) return false;
        if (mode_ == kModeEditFlap && flapTarget_) {
            flapTarget_ = nullptr;
        } else if (mode_ == kModeRotatePart && rotateReference_) {
            rotateReference_.reset();
        } else if (mode_ == kModeRotatePart && rotateCentre_) {
            rotateCentre_.reset();
            rotatePart_ = nullptr;
        } else if (mode_ == kModeJoinSurface && joinEdge_) {
            joinEdge_ = nullptr;
        } else {
            return false;
        }
        notifyViews(kNoticeRedraw);
        return true;
    }
    if (button != MouseButton::Left || !active()) return false;
    const bool dragged = dragging_;
    dragging_ = false;
    if (mode_ == kModeMovePart) {
        if (dragged) {
            finishEdit();
        } else if (!(keys & (kKeyShift | kKeyCtrl))) {
            Part* part = hitPart(*model_, p);
            for (auto& q : model_->parts) q->selected = q.get() == part;
            notifyViews(kNoticeRedraw);
        }
        return false;
    }
    if (mode_ == kModeInputText && dragged && pressedText_) {
        const Point2 s = snapped({pressedText_->x, pressedText_->y});
        pressedText_->x = s.x;
        pressedText_->y = s.y;
        pressedText_ = nullptr;
        finishEdit();
        return false;
    }
    pressedText_ = nullptr;
    if (clicked) click(p, keys);
    return false;
}

void DevelopmentEditor::click(Point2 p, unsigned keys) {
    (void)keys;
    switch (mode_) {
        case kModeEraseEdge:
        case kModeShowEdge: clickEdge(p); break;
        case kModeEditFlap: clickFlap(p); break;
        case kModeRotatePart: clickRotate(p); break;
        case kModeJoinSurface: clickJoin(p); break;
        case kModeCutPart: clickCut(p); break;
        case kModeInputText: clickText(p); break;
        case kModeCheckSurface: clickCheck(p); break;
        default: break;
    }
}

void DevelopmentEditor::clickEdge(Point2 p) {
    const bool erase = mode_ == kModeEraseEdge;
    Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_, erase ? LineFilter::Shown : LineFilter::Hidden);
    if (!h) return;
    toggleEdgeLine(*model_, *h, erase, undo_);
    finishEdit();
}

void DevelopmentEditor::clickFlap(Point2 p) {
    Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
    if (!h || h->twin) {
        if (flapTarget_) {
            flapTarget_ = nullptr;
            notifyViews(kNoticeRedraw);
        }
        return;
    }
    flapTarget_ = h;
    PopupMenu menu;
    menu.position = {p.x, p.y + kPopupOffsetPixels / pixelsPerUnit_};
    if (h->pair) {
        if (h->hasFlap)
            menu.items = {{kMenuMoveFlap, "&Move to Opposite Edge", {}},
                          {kMenuSubmenu, "Re&size", flapSizes()}};
        else
            menu.items = {{kMenuMoveFlap, "&Move from Opposite Edge", {}}};
    } else if (!h->hasFlap) {
        menu.items = {{kMenuCreateConvex, "C&reate Flap (Convex)", {}},
                      {kMenuCreateConcave, "Cr&eate Flap (Concave)", {}}};
    } else {
        menu.items = {{kMenuSubmenu, "Re&size", flapSizes()}, {kMenuDeleteFlap, "&Delete", {}}};
    }
    popup_ = std::move(menu);
    notifyViews(kNoticeRedraw);
}

void DevelopmentEditor::clickRotate(Point2 p) {
    if (!rotateCentre_) {
        Halfedge* h = hitPoint(*model_, p, pixelsPerUnit_);
        if (!h) return;
        rotateCentre_ = sheetStart(*h);
        rotatePart_ = h->face->part;
        notifyViews(kNoticeRedraw);
        return;
    }
    if (!rotateReference_) {
        // The first corner of the part near the click that is not the centre itself.
        for (Face* f : rotatePart_->faces)
            for (auto& h : f->halfedges) {
                const Point2 s = sheetStart(*h);
                if (samePoint(s, *rotateCentre_)) continue;
                if (std::hypot(s.x - p.x, s.y - p.y) * pixelsPerUnit_ < kHitPixels) {
                    rotateReference_ = s;
                    notifyViews(kNoticeRedraw);
                    return;
                }
            }
        return;
    }
    const Point2 c = *rotateCentre_;
    const double target = snapRotationAngle(std::atan2(p.x - c.x, p.y - c.y) * kDegreesPerRadian);
    rotatePart(*model_, *rotatePart_, c, *rotateReference_, target, undo_);
    rotateCentre_.reset();
    rotateReference_.reset();
    rotatePart_ = nullptr;
    finishEdit();
}

void DevelopmentEditor::clickJoin(Point2 p) {
    if (!joinEdge_) {
        Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
        if (h && canJoinAt(*h)) {
            joinEdge_ = h;
            notifyViews(kNoticeRedraw);
        }
        return;
    }
    auto midDistance = [&](const Halfedge* h) {
        const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
        return std::hypot((a.x + b.x) / 2 - p.x, (a.y + b.y) / 2 - p.y);
    };
    Halfedge* e = joinEdge_;
    joinEdge_ = nullptr;
    // The join edge may have changed since the first click (only by an undo in between).
    if (!canJoinAt(*e)) return;
    if (midDistance(e->pair) < midDistance(e)) e = e->pair;
    if (joinSurface(*model_, *e, undo_)) finishEdit();
}

void DevelopmentEditor::clickCut(Point2 p) {
    Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
    if (!h || !canCutAt(*h)) return;
    // The two sides of a fold lie on one line, so the nearest-line rule cannot tell them
    // apart; the flap goes to the side of the face the user clicked in.
    const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
    const double clickSide = cross(a, b, p);
    const double faceSide = cross(a, b, faceCentroid(*h->face));
    if (clickSide * faceSide < 0) h = h->twin;
    if (cutPart(*model_, *h, undo_)) finishEdit();
}

void DevelopmentEditor::clickCheck(Point2 p) {
    highlighted_.clear();
    if (Face* f = hitFace(*model_, p)) highlighted_ = correspondingFaces(*f);
    notifyViews(kNoticeRedraw);
}

void DevelopmentEditor::clickText(Point2 p) {
    if (TextItem* t = hitText(*model_, p)) {
        menuText_ = t;
        menuPoint_ = p;
        PopupMenu menu;
        menu.position = {p.x, p.y + kPopupOffsetPixels / pixelsPerUnit_};
        menu.items = {{kMenuTextEdit, "&Edit", {}},
                      {kMenuTextNew, "&New", {}},
                      {kMenuTextDelete, "&Delete", {}},
                      {kMenuTextCancel, "&Cancel", {}}};
        popup_ = std::move(menu);
        return;
    }
    openTextDialog(nullptr, p);
}

Point2 DevelopmentEditor::snapped(Point2 p) const {
    const Settings& s = settings();
    if (!s.bPlaceTextOnGrid) return p;
    return {snapToTextGrid(p.x, model_->dMag2d, s.textGridSize),
            snapToTextGrid(p.y, model_->dMag2d, s.textGridSize)};
}

void DevelopmentEditor::measureText(TextItem& item) {
    const int pixelSize = static_cast<int>(std::lround(item.fontSize * screenDpi_ / 72.0));
    const TextExtent e = fonts().textExtent(item.fontName, pixelSize, item.text);
    const double pixelsPerCm = screenDpi_ * kCentimetresPerInch;
    item.width = e.width / pixelsPerCm;
    item.height = e.height / pixelsPerCm;
}

void DevelopmentEditor::openTextDialog(TextItem* item, Point2 at) {
    TextDialogValues v;
    if (item) {
        v.title = kTextDialogEditTitle;
        v.text = item->text;
        v.fontName = item->fontName;
        v.fontSize = item->fontSize;
        v.color = item->color;
    } else {
        v.title = kTextDialogNewTitle;
        v.fontName = lastFontName;
        v.fontSize = lastFontSize;
        v.color = lastColor;
    }
    if (!textDialog_ || !textDialog_(v)) return;
    lastFontName = v.fontName;
    lastFontSize = v.fontSize;
    lastColor = v.color;
    auto& texts = model_->texts;
    if (!item) {
        if (v.text.empty()) return;
        clearEditMarks(*model_);
        auto fresh = std::make_unique<TextItem>();
        const Point2 s = snapped(at);
        fresh->x = s.x;
        fresh->y = s.y;
        fresh->text = v.text;
        fresh->fontName = v.fontName;
        fresh->fontSize = v.fontSize;
        fresh->color = v.color;
        measureText(*fresh);
        undo_ = UndoRecord{};
        undo_.code = kUndoTextCreated;
        undo_.text = fresh.get();
        undo_.available = true;
        texts.push_back(std::move(fresh));
        finishEdit();
        return;
    }
    clearEditMarks(*model_);
    undo_ = UndoRecord{};
    undo_.savedText = *item;
    undo_.available = true;
    if (v.text.empty()) {
        undo_.code = kUndoTextDeleted;
        texts.erase(std::find_if(texts.begin(), texts.end(),
                                 [&](const auto& t) { return t.get() == item; }));
    } else {
        undo_.code = kUndoTextModified;
        undo_.text = item;
        item->text = v.text;
        item->fontName = v.fontName;
        item->fontSize = v.fontSize;
        item->color = v.color;
        measureText(*item);
    }
    finishEdit();
}

void DevelopmentEditor::dismissMenu() {
    popup_.reset();
    menuText_ = nullptr;
    if (flapTarget_) {
        flapTarget_ = nullptr;
        notifyViews(kNoticeRedraw);
    }
}

void DevelopmentEditor::chooseMenuItem(int id) {
    if (!popup_ || !menuHas(popup_->items, id) || id == kMenuSubmenu || !active()) {
        dismissMenu();
        return;
    }
    popup_.reset();
    if (Halfedge* h = flapTarget_) {
        flapTarget_ = nullptr;
        if (id == kMenuMoveFlap)
            moveFlapToOppositeSide(*model_, *h, undo_);
        else if (id == kMenuCreateConvex || id == kMenuCreateConcave)
            createFlap(*model_, *h, id == kMenuCreateConvex, undo_);
        else if (id == kMenuDeleteFlap)
            deleteFlap(*model_, *h, undo_);
        else if (id > kMenuResizeBase)
            resizeFlap(*model_, *h, id - kMenuResizeBase, undo_);
        finishEdit();
        return;
    }
    TextItem* t = menuText_;
    menuText_ = nullptr;
    if (!t) return;
    if (id == kMenuTextEdit) {
        openTextDialog(t, menuPoint_);
    } else if (id == kMenuTextNew) {
        openTextDialog(nullptr, menuPoint_);
    } else if (id == kMenuTextDelete) {
        clearEditMarks(*model_);
        undo_ = UndoRecord{};
        undo_.code = kUndoTextDeleted;
        undo_.savedText = *t;
        undo_.available = true;
        auto& texts = model_->texts;
        texts.erase(std::find_if(texts.begin(), texts.end(), [&](const auto& x) { return x.get() == t; }));
        finishEdit();
    }
}

void DevelopmentEditor::undo() {
    if (!model_) return;
    cancelOperation();
    if (undoLastEdit(*model_, undo_)) finishEdit();
}

void DevelopmentEditor::mirror() {
    if (!active()) return;
    cancelOperation();
    // Mirroring moves every corner; restoring backups taken before it would leave the edited
    // parts unmirrored, so the previous edit can no longer be undone.
    clearEditMarks(*model_);
    undo_.forget();
    mirrorDevelopment(*model_);
    document_.setModified();
    notifyViews(kNoticeMirrored);
}

bool DevelopmentEditor::scaleUp() {
    if (!active() || !scaleDevelopmentUp(*model_)) return false;
    document_.setModified();
    notifyViews(kNoticeScaleUp);
    return true;
}

bool DevelopmentEditor::scaleDown() {
    if (!active() || !scaleDevelopmentDown(*model_)) return false;
    document_.setModified();
    notifyViews(kNoticeScaleDown);
    return true;
}

bool DevelopmentEditor::scaleToSize(const ScaleDialogRunner& runner) {
    if (!active() || !scaleDevelopmentToSize(*model_, runner)) return false;
    document_.setModified();
    notifyViews(kNoticeScaleToSize);
    return true;
}

bool createDevelopmentCommand(Model& model, DocumentState& document, bool autoChecked,
                              DevelopmentEditor* editor) {
    ui().status("");
    Settings& s = settings();
    s.bKavimoAllAuto = autoChecked;
    s.autoCheck = autoChecked;
    document.setModified();
    if (model.bFinished) return false;
    if (editor) editor->reset();
    clearEditMarks(model);
    const bool created = createDevelopment(model);
    notifyViews(kNoticeFitSheet);
    return created;
}

bool undoDevelopmentCommand(Model& model, DocumentState& document, DevelopmentEditor* editor) {
    if (!model.bFinished) return false;
    if (document.modified &&
        ui().ask(kMsgUndoDevelopmentLosesEdits, kAppTitle, Buttons::OkCancel,
                 MessageIcon::Information) == Answer::Cancel)
        return false;
    bool keepTexts = false;
    if (!model.texts.empty())
        keepTexts = ui().ask(kMsgKeepTexts, kAppTitle, Buttons::YesNo, MessageIcon::Question) ==
                    Answer::Yes;
    clearEditMarks(model);
    discardDevelopment(model);
    if (editor) editor->reset();
    if (!keepTexts) model.texts.clear();
    const double height = settings().dNorishiroHeight;
    for (auto& solid : model.solids)
        for (auto& f : solid->faces)
            for (auto& h : f->halfedges) {
                h->lineShown = true;
                h->flapHeight = height;
            }
    document.setModified();
    notifyViews(kNoticeFitSheet);
    ui().status(kIdleStatus);
    return true;
}

}  // namespace plikatra
