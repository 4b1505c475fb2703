// What changed in a document, as its listeners (the views, the window's title and commands)
// are told: the typed form of the update notices between commands and views.
#pragma once

namespace plikatra {

enum class DocumentEvent {
    Redraw,           // what the views show changed: draw again
    Feedback,         // only the editor's feedback changed (selections, rubber line, highlights)
    Modified,         // the modified flag changed
    FileOpened,       // a new document: drop pending edits, fit the sheet, reset the camera
    FitSheet,         // fit the whole sheet into the development view
    PageGridChanged,  // the page grid may have changed: keep the sheet's top-left in place
    ScaledUp,         // the development was scaled up or down by its command: keep the zoom
    ScaledDown,
    ScaledToSize,
    ZoomIn,
    ZoomOut,
    TextureFilter,    // texture smoothing changed
    ResetView,        // the 3D camera returns to where it started
};

}  // namespace plikatra
