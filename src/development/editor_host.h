// What the development editor needs from the document around it: the options it edits with,
// the status line, the fonts that measure new texts, the "Input String" dialog, and a way to
// tell the views what changed.
#pragma once

#include <cstdint>
#include <string>

#include "base/fonts.h"
#include "development/development.h"
#include "development/document_event.h"

namespace plikatra {

struct EditorOptions {
    LineRules lines;
    PageSetup page;
    bool flapReverse = false;  // flaps on the face's own side
    bool placeTextOnGrid = true;
    int textGridSize = 10;  // millimetres on paper
};

// The "Input String" dialog's fields.
struct TextDialogValues {
    std::string title;  // "Input text" or "Modify/Delete text"
    std::string text;
    std::string fontName;
    int fontSize = 36;
    std::uint32_t color = 0;
};

inline constexpr const char* kTextDialogNewTitle = "Input text";
inline constexpr const char* kTextDialogEditTitle = "Modify/Delete text";

class EditorHost {
public:
    virtual ~EditorHost() = default;
    virtual EditorOptions editorOptions() const = 0;
    virtual void status(const std::string& text) = 0;
    virtual Fonts& fonts() = 0;
    // Shows "Input String" with `values`; false when cancelled.
    virtual bool inputText(TextDialogValues& values) = 0;
    // The development changed (the document is modified) and the views follow `event`.
    virtual void edited(DocumentEvent event) = 0;
    // Only what the view shows changed (a pending selection, the rubber line, a highlight).
    virtual void redraw() = 0;
    // An edit is complete (a drag has ended, a click has changed the development): the
    // document's history takes it as one step named `name` ("Move Part").
    virtual void stepFinished(const char* name) { (void)name; }
};

}  // namespace plikatra
