// The desktop program's dialogs, one call each, for the main window and the Qt front end.
// Every modal dialog copies its values in when it opens and gives them back (or applies them
// to the document) only on OK; Cancel changes nothing. The two modeless windows are classes
// made once with the main window.
#pragma once

#include <string>
#include <vector>

#include "app/config_dialogs.h"
#include "app/document.h"
#include "qt/dialogs/object_list_window.h"
#include "qt/dialogs/texture_window.h"
#include "development/editor_host.h"
#include "development/layout_dialog.h"
#include "output/bitmap_size_dialog.h"
#include "output/eps_save_settings.h"

class QWidget;

namespace plikatra {

// The "&Configuration" menu. Each returns whether OK stored the values (the document has
// then told its views what to redraw).
bool execLineTypeDialog(QWidget* parent, Document& doc);
bool execFlapDialog(QWidget* parent, Document& doc);
bool execJoinNumberDialog(QWidget* parent, Document& doc);
bool execPageSettingsDialog(QWidget* parent, Document& doc);
bool execOtherDialog(QWidget* parent, Document& doc);
// Colours take effect as they are chosen; closing the dialog redraws the views.
void execColorDialog(QWidget* parent, Document& doc);

// Information only.
void execModelInfoDialog(QWidget* parent, const Model& model);
void execOpenGlInfoDialog(QWidget* parent, const OpenGlInfo& info);
void execAboutDialog(QWidget* parent, const std::string& glVersion, const std::string& glRenderer);

// The dialogs the core asks through its front end. Each edits `values` only on OK and returns
// whether OK was pressed; what comes back has passed the dialog's checks.
bool execLayoutMethodDialog(QWidget* parent, LayoutDialog& values);
bool execDevelopmentSizeDialog(QWidget* parent, LayoutDialog& values);
// A face not in `faceNames` comes back as "Arial".
bool execInputStringDialog(QWidget* parent, TextDialogValues& values,
                           const std::vector<std::string>& faceNames);
bool execEpsSaveSettingsDialog(QWidget* parent, EpsSaveSettings& values);
// On OK the chosen size is dialog.width() × dialog.height().
bool execBitmapSizeDialog(QWidget* parent, BitmapSizeDialog& dialog);

}  // namespace plikatra
