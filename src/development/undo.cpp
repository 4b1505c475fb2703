#include "development/undo.h"

#include <iterator>

namespace plikatra {

const char* undoStepName(int code) {
    static const char* const kNames[] = {
        "Rotate Part",  "Move Part",   "Cut Part",    "Join Surface", "Undo Erase Edge",
        "Erase Edge",   "Move Flap",   "Move Text",   "Modify Text",  "Delete Text",
        "Input Text",   "Resize Flap", "Create Flap", "Delete Flap",  "Shorten Flaps That Collide",
        "Flap Style"};
    if (code < 0 || code >= static_cast<int>(std::size(kNames))) return "Edit";
    return kNames[code];
}

}  // namespace plikatra
