// The kinds of development edit, by which the history names its steps ("Undo Move Part").
#pragma once

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

// The name of the edit an undo code stands for ("Move Part"), as the Undo and Redo commands
// show it.
const char* undoStepName(int code);

}  // namespace plikatra
