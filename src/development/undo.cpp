#include "development/undo.h"

#include <algorithm>
#include <iterator>

#include "development/edge_numbering.h"
#include "development/opened_cuts.h"

namespace plikatra {

namespace {

template <class F>
void forEachHalfedge(Model& model, F f) {
    for (auto& s : model.solids)
        for (auto& face : s->faces)
            for (auto& h : face->halfedges) f(*h);
}

void restoreParts(Model& model) {
    for (auto& p : model.parts)
        if (p->backedUp) {
            p->x = p->backupX;
            p->y = p->backupY;
            p->width = p->backupWidth;
            p->height = p->backupHeight;
        }
}

void restoreHalfedges(Model& model) {
    forEachHalfedge(model, [](Halfedge& h) {
        if (!h.backup) return;
        h.twin = h.backup->twin;
        h.flatX = h.backup->flatX;
        h.flatY = h.backup->flatY;
        h.display = h.backup->display;
        h.hasFlap = h.backup->hasFlap;
    });
}

// Returns every backed-up face to the part it was in. A face that never left its part keeps its
// place in the list, so only the faces that moved change order.
void restoreFaces(Model& model) {
    for (auto& s : model.solids)
        for (auto& fp : s->faces) {
            Face* f = fp.get();
            if (!f->backedUp || f->part == f->backupPart) continue;
            if (f->part) {
                auto& list = f->part->faces;
                list.erase(std::remove(list.begin(), list.end(), f), list.end());
            }
            if (f->backupPart) f->backupPart->faces.push_back(f);
            f->part = f->backupPart;
            f->placed = f->part != nullptr;
        }
}

void renumber(Model& model) {
    numberEdges(model);
    computeOpenedCuts(model);
}

}  // namespace

const char* undoStepName(int code) {
    static const char* const kNames[] = {
        "Rotate Part",  "Move Part",   "Cut Part",    "Join Surface", "Undo Erase Edge",
        "Erase Edge",   "Move Flap",   "Move Text",   "Modify Text",  "Delete Text",
        "Input Text",   "Resize Flap", "Create Flap", "Delete Flap",  "Shorten Flaps That Collide",
        "Flap Style"};
    if (code < 0 || code >= static_cast<int>(std::size(kNames))) return "Edit";
    return kNames[code];
}

void clearEditMarks(Model& model) {
    for (auto& p : model.parts) p->backedUp = false;
    for (auto& s : model.solids)
        for (auto& f : s->faces) {
            f->backedUp = false;
            f->backupPart = nullptr;
            for (auto& h : f->halfedges) h->backup.reset();
        }
    model.removedPart.reset();
}

void backupPart(Part& part) {
    part.backupX = part.x;
    part.backupY = part.y;
    part.backupWidth = part.width;
    part.backupHeight = part.height;
    part.backedUp = true;
}

void backupFace(Face& face) {
    face.backupPart = face.part;
    face.backedUp = true;
}

void backupHalfedge(Halfedge& h) {
    if (!h.backup) h.backup = std::make_unique<HalfedgeBackup>();
    h.backup->twin = h.twin;
    h.backup->flatX = h.flatX;
    h.backup->flatY = h.flatY;
    h.backup->display = h.display;
    h.backup->hasFlap = h.hasFlap;
}

void backupPartDeep(Part& part) {
    backupPart(part);
    for (Face* f : part.faces) {
        backupFace(*f);
        for (auto& h : f->halfedges) backupHalfedge(*h);
    }
}

bool undoLastEdit(Model& model, UndoRecord& r) {
    if (!r.available) return false;
    r.available = false;
    Halfedge* h = r.halfedge;
    switch (r.code) {
        case kUndoRotatePart:
            restoreParts(model);
            restoreHalfedges(model);
            break;
        case kUndoMoveParts:
            restoreParts(model);
            break;
        case kUndoCutPart:
            restoreParts(model);
            restoreFaces(model);
            restoreHalfedges(model);
            if (!model.parts.empty() && model.parts.back()->faces.empty()) model.parts.pop_back();
            renumber(model);
            break;
        case kUndoJoinSurface:
            if (model.removedPart) model.parts.push_back(std::move(model.removedPart));
            restoreParts(model);
            restoreFaces(model);
            restoreHalfedges(model);
            renumber(model);
            break;
        case kUndoShowEdge:
        case kUndoEraseEdge:
            if (!h) return false;
            h->lineShown = !h->lineShown;
            if (h->twin) h->twin->lineShown = r.savedTwinLine;
            break;
        case kUndoFlapMoved:
            if (!h) return false;
            h->hasFlap = !h->hasFlap;
            if (h->pair) h->pair->hasFlap = !h->pair->hasFlap;
            break;
        case kUndoTextMoved:
        case kUndoTextModified:
            if (!r.text) return false;
            *r.text = r.savedText;
            break;
        case kUndoTextDeleted:
            model.texts.push_back(std::make_unique<TextItem>(r.savedText));
            break;
        case kUndoTextCreated: {
            auto& list = model.texts;
            auto it = std::find_if(list.begin(), list.end(),
                                   [&](const auto& t) { return t.get() == r.text; });
            if (it == list.end()) return false;
            list.erase(it);
            r.text = nullptr;
            break;
        }
        case kUndoFlapResized:
            if (!h) return false;
            h->flapHeight = r.savedHeight;
            break;
        case kUndoFlapStyled:
            if (!h || !h->edge) return false;
            h->edge->flapStyle = static_cast<std::int8_t>(r.savedFlapStyle);
            break;
        case kUndoFlapsShortened:
            for (const auto& [flap, height] : r.savedHeights) flap->flapHeight = height;
            break;
        case kUndoFlapCreated:
            if (!h) return false;
            h->hasFlap = false;
            h->edge->mountain = r.savedMountain;
            break;
        case kUndoFlapDeleted:
            if (!h) return false;
            h->hasFlap = true;
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace plikatra
