// The single-level undo of development edits: the record an edit leaves behind, the backup
// marks it sets on parts, faces and halfedges, and the step that puts them back.
#pragma once

#include <utility>
#include <vector>

#include "model/model.h"

namespace plikatra {

enum UndoCode : int {
    kUndoNone = -1,
    kUndoRotatePart = 0,
    kUndoMoveParts = 1,
    kUndoCutPart = 2,
    kUndoJoinSurface = 3,
    kUndoShowEdge = 4,
    kUndoEraseEdge = 5,
    kUndoFlapMoved = 6,
    kUndoTextMoved = 7,
    kUndoTextModified = 8,
    kUndoTextDeleted = 9,
    kUndoTextCreated = 10,
    kUndoFlapResized = 11,
    kUndoFlapCreated = 12,
    kUndoFlapDeleted = 13,
    kUndoFlapsShortened = 14,
    kUndoFlapStyled = 15,
};

// What the last edit needs to be taken back. The backups of parts, faces and halfedges and
// the model's removed-part slot complete it.
struct UndoRecord {
    int code = kUndoNone;
    Halfedge* halfedge = nullptr;
    TextItem* text = nullptr;
    double savedHeight = 0.0;     // flap height before a resize
    int savedFlapStyle = -1;      // the edge's flap style before it was changed
    bool savedMountain = true;    // fold direction before a flap was created
    bool savedTwinLine = true;    // the twin's line flag before an erase
    TextItem savedText;
    std::vector<std::pair<Halfedge*, double>> savedHeights;  // flaps shortened, heights before
    bool available = false;       // enables "Undo Last Editing"

    // Forgets the edit, for instance when the development it refers to goes away.
    void forget() { *this = UndoRecord{}; }
};

// The name of the edit an undo code records ("Move Part"), as the Undo and Redo commands
// show it.
const char* undoStepName(int code);

// Clears the previous edit's marks: backed-up flags of parts and faces, halfedge backups, and
// the removed-part slot (deleting the part held there).
void clearEditMarks(Model& model);

// Copies the part's position and size into its backup fields.
void backupPart(Part& part);
// Remembers the part the face is in.
void backupFace(Face& face);
// Copies the halfedge's twin, flat position, display position and flap flag.
void backupHalfedge(Halfedge& h);
// Backs up a part, and every face of it with all their halfedges.
void backupPartDeep(Part& part);

// Takes the last edit back. Does nothing (returns false) when no edit is available; clears the
// available flag either way, so a second undo does nothing.
bool undoLastEdit(Model& model, UndoRecord& record);

}  // namespace plikatra
