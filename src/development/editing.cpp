#include "development/editing.h"

#include <algorithm>
#include <cmath>

#include "base/ui.h"
#include "development/development.h"
#include "development/editing_hits.h"
#include "development/flap_checks.h"

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

// The check mark goes on the style the edge has now.
std::vector<MenuItem> flapStyles(const Halfedge& h) {
    static const char* const kNames[] = {"&White", "&Textured", "&Half Textured", "&Shadow", "&None"};
    const int own = h.edge ? h.edge->flapStyle : -1;
    std::vector<MenuItem> items{{kMenuStyleBase, "&Like the Development", {}, own < 0}};
    for (int s = 0; s < kFlapStyleCount; ++s) items.push_back({kMenuStyleBase + 1 + s, kNames[s], {}, own == s});
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

void DevelopmentEditor::setModel(Model* model) {
    model_ = model;
    reset();
}

void DevelopmentEditor::chooseMode(int mode) {
    cancelOperation();
    host_.status(kIdleStatus);
    mode_ = (mode == mode_ || mode < 0 || mode > 9) ? kModeNone : mode;
    if (mode_ != kModeNone) host_.status(editModeHint(mode_));
    host_.redraw();
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
    lastEdit_ = kUndoNone;
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

void DevelopmentEditor::finishEdit(int code, DocumentEvent event) {
    lastEdit_ = code;
    computeSheetExtent(*model_);
    computePageGrid(*model_, host_.editorOptions().page);
    host_.edited(event);
    host_.stepFinished(undoStepName(code));
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
        host_.redraw();
    } else if (mode_ == kModeInputText) {
        pressedText_ = hitText(*model_, p);
    }
}

void DevelopmentEditor::mouseMove(Point2 p, bool leftDown, unsigned keys) {
    (void)keys;
    cursor_ = p;
    if (!active()) return;
    if (mode_ == kModeRotatePart && rotateCentre_) host_.redraw();
    if (!leftDown || !pressed_[0]) return;
    const double dx = p.x - last_.x, dy = p.y - last_.y;
    last_ = p;
    if (mode_ == kModeMovePart) {
        const bool any = std::any_of(model_->parts.begin(), model_->parts.end(),
                                     [](const auto& q) { return q->selected; });
        if (!any) return;
        dragging_ = true;
        for (auto& q : model_->parts)
            if (q->selected) {
                q->x += dx;
                q->y += dy;
            }
        host_.edited(DocumentEvent::Redraw);
    } else if (mode_ == kModeInputText && pressedText_) {
        dragging_ = true;
        pressedText_->x += dx;
        pressedText_->y += dy;
        host_.edited(DocumentEvent::Redraw);
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
        host_.redraw();
        return true;
    }
    if (button != MouseButton::Left || !active()) return false;
    const bool dragged = dragging_;
    dragging_ = false;
    if (mode_ == kModeMovePart) {
        if (dragged) {
            finishEdit(kUndoMoveParts);
        } else if (!(keys & (kKeyShift | kKeyCtrl))) {
            Part* part = hitPart(*model_, p);
            for (auto& q : model_->parts) q->selected = q.get() == part;
            host_.redraw();
        }
        return false;
    }
    if (mode_ == kModeInputText && dragged && pressedText_) {
        const Point2 s = snapped({pressedText_->x, pressedText_->y});
        pressedText_->x = s.x;
        pressedText_->y = s.y;
        pressedText_ = nullptr;
        finishEdit(kUndoTextMoved);
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
    toggleEdgeLine(*h);
    finishEdit(erase ? kUndoEraseEdge : kUndoShowEdge);
}

void DevelopmentEditor::clickFlap(Point2 p) {
    Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
    if (!h || h->twin) {
        if (flapTarget_) {
            flapTarget_ = nullptr;
            host_.redraw();
        }
        return;
    }
    flapTarget_ = h;
    PopupMenu menu;
    menu.position = {p.x, p.y + kPopupOffsetPixels / pixelsPerUnit_};
    if (h->pair) {
        if (h->hasFlap)
            menu.items = {{kMenuMoveFlap, "&Move to Opposite Edge", {}},
                          {kMenuSubmenu, "Re&size", flapSizes()},
                          {kMenuSubmenu, "St&yle", flapStyles(*h)}};
        else
            menu.items = {{kMenuMoveFlap, "&Move from Opposite Edge", {}}};
    } else if (!h->hasFlap) {
        menu.items = {{kMenuCreateConvex, "C&reate Flap (Convex)", {}},
                      {kMenuCreateConcave, "Cr&eate Flap (Concave)", {}}};
    } else {
        menu.items = {{kMenuSubmenu, "Re&size", flapSizes()},
                      {kMenuSubmenu, "St&yle", flapStyles(*h)},
                      {kMenuDeleteFlap, "&Delete", {}}};
    }
    popup_ = std::move(menu);
    host_.redraw();
}

void DevelopmentEditor::clickRotate(Point2 p) {
    if (!rotateCentre_) {
        Halfedge* h = hitPoint(*model_, p, pixelsPerUnit_);
        if (!h) return;
        rotateCentre_ = sheetStart(*h);
        rotatePart_ = h->face->part;
        host_.redraw();
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
                    host_.redraw();
                    return;
                }
            }
        return;
    }
    const Point2 c = *rotateCentre_;
    const double target = rotationTarget(c, p);
    rotatePart(*model_, *rotatePart_, c, *rotateReference_, target);
    rotateCentre_.reset();
    rotateReference_.reset();
    rotatePart_ = nullptr;
    finishEdit(kUndoRotatePart);
}

void DevelopmentEditor::clickJoin(Point2 p) {
    if (!joinEdge_) {
        Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
        if (h && canJoinAt(*h)) {
            joinEdge_ = h;
            host_.redraw();
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
    if (joinSurface(*model_, *e)) finishEdit(kUndoJoinSurface);
}

void DevelopmentEditor::clickCut(Point2 p) {
    Halfedge* h = hitHalfedge(*model_, p, pixelsPerUnit_);
    const LineRules rules = host_.editorOptions().lines;
    if (!h || !canCutAt(*h, rules)) return;
    // The two sides of a fold lie on one line, so the nearest-line rule cannot tell them
    // apart; the flap goes to the side of the face the user clicked in.
    const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
    const double clickSide = sideOf(a, b, p);
    const double faceSide = sideOf(a, b, faceCentroid(*h->face));
    if (clickSide * faceSide < 0) h = h->twin;
    if (cutPart(*model_, *h, rules)) finishEdit(kUndoCutPart);
}

void DevelopmentEditor::clickCheck(Point2 p) { checkFace(hitFace(*model_, p)); }

void DevelopmentEditor::checkFace(const Face* face) {
    highlighted_.clear();
    if (face) highlighted_ = correspondingFaces(*face, host_.editorOptions().lines);
    host_.redraw();
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
    const EditorOptions o = host_.editorOptions();
    if (!o.placeTextOnGrid) return p;
    return {snapToTextGrid(p.x, model_->dMag2d, o.textGridSize),
            snapToTextGrid(p.y, model_->dMag2d, o.textGridSize)};
}

void DevelopmentEditor::measureText(TextItem& item) {
    const int pixelSize = static_cast<int>(std::lround(item.fontSize * screenDpi_ / 72.0));
    const TextExtent e = host_.fonts().textExtent(item.fontName, pixelSize, item.text);
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
    if (!host_.inputText(v)) return;
    lastFontName = v.fontName;
    lastFontSize = v.fontSize;
    lastColor = v.color;
    auto& texts = model_->texts;
    if (!item) {
        if (v.text.empty()) return;
        auto fresh = std::make_unique<TextItem>();
        const Point2 s = snapped(at);
        fresh->x = s.x;
        fresh->y = s.y;
        fresh->text = v.text;
        fresh->fontName = v.fontName;
        fresh->fontSize = v.fontSize;
        fresh->color = v.color;
        measureText(*fresh);
        texts.push_back(std::move(fresh));
        finishEdit(kUndoTextCreated);
        return;
    }
    if (v.text.empty()) {
        texts.erase(std::find_if(texts.begin(), texts.end(),
                                 [&](const auto& t) { return t.get() == item; }));
        finishEdit(kUndoTextDeleted);
        return;
    }
    item->text = v.text;
    item->fontName = v.fontName;
    item->fontSize = v.fontSize;
    item->color = v.color;
    measureText(*item);
    finishEdit(kUndoTextModified);
}

void DevelopmentEditor::dismissMenu() {
    popup_.reset();
    menuText_ = nullptr;
    if (flapTarget_) {
        flapTarget_ = nullptr;
        host_.redraw();
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
        int code = kUndoNone;
        if (id == kMenuMoveFlap) {
            moveFlapToOppositeSide(*h);
            code = kUndoFlapMoved;
        } else if (id == kMenuCreateConvex || id == kMenuCreateConcave) {
            createFlap(*h, id == kMenuCreateConvex);
            code = kUndoFlapCreated;
        } else if (id == kMenuDeleteFlap) {
            deleteFlap(*h);
            code = kUndoFlapDeleted;
        } else if (id >= kMenuStyleBase) {
            setFlapStyle(*h, id - kMenuStyleBase - 1);
            code = kUndoFlapStyled;
        } else if (id > kMenuResizeBase) {
            resizeFlap(*h, id - kMenuResizeBase);
            code = kUndoFlapResized;
        }
        finishEdit(code);
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
        auto& texts = model_->texts;
        texts.erase(std::find_if(texts.begin(), texts.end(), [&](const auto& x) { return x.get() == t; }));
        finishEdit(kUndoTextDeleted);
    }
}

void DevelopmentEditor::mirror() {
    if (!active()) return;
    cancelOperation();
    mirrorDevelopment(*model_, host_.editorOptions().page);
    host_.edited(DocumentEvent::PageGridChanged);
    host_.stepFinished("Mirror Development");
}

bool DevelopmentEditor::scaleUp() {
    if (!active() || !scaleDevelopmentUp(*model_, host_.editorOptions().page)) return false;
    host_.edited(DocumentEvent::ScaledUp);
    host_.stepFinished("Scale Up Development");
    return true;
}

bool DevelopmentEditor::scaleDown() {
    if (!active() || !scaleDevelopmentDown(*model_, host_.editorOptions().page)) return false;
    host_.edited(DocumentEvent::ScaledDown);
    host_.stepFinished("Scale Down Development");
    return true;
}

int DevelopmentEditor::shortenCollidingFlaps() {
    if (!active()) return 0;
    cancelOperation();
    const int n = plikatra::shortenCollidingFlaps(*model_, host_.editorOptions().flapReverse);
    if (n > 0) finishEdit(kUndoFlapsShortened);
    return n;
}

bool DevelopmentEditor::scaleTo(double scale) {
    if (!active()) return false;
    setDevelopmentScale(*model_, scale, host_.editorOptions().page);
    host_.edited(DocumentEvent::ScaledToSize);
    host_.stepFinished("Scale Development to Specified Size");
    return true;
}

}  // namespace plikatra
