#include "qt/dialogs/dialogs.h"

#include "qt/dialogs/config_forms.h"
#include "qt/dialogs/export_forms.h"
#include "qt/dialogs/info_forms.h"
#include "qt/dialogs/layout_forms.h"
#include "qt/dialogs/text_forms.h"

namespace plikatra {

namespace {

template <class Form, class... Args>
bool run(Args&&... args) {
    Form form(std::forward<Args>(args)...);
    return form.exec() == QDialog::Accepted;
}

}  // namespace

bool execLineTypeDialog(QWidget* parent, Document& doc) { return run<LineTypeForm>(doc, parent); }
bool execFlapDialog(QWidget* parent, Document& doc) { return run<FlapForm>(doc, parent); }
bool execJoinNumberDialog(QWidget* parent, Document& doc) {
    return run<JoinNumberForm>(doc, parent);
}
bool execPageSettingsDialog(QWidget* parent, Document& doc) {
    return run<PageSettingsForm>(doc, parent);
}
bool execOtherDialog(QWidget* parent, Document& doc) { return run<OtherForm>(doc, parent); }
void execColorDialog(QWidget* parent, Document& doc) { run<ColorForm>(doc, parent); }

void execModelInfoDialog(QWidget* parent, const Model& model) {
    run<ModelInfoForm>(ModelInfo::of(model), parent);
}
void execOpenGlInfoDialog(QWidget* parent, const OpenGlInfo& info) {
    run<OpenGlInfoForm>(info, parent);
}
void execAboutDialog(QWidget* parent, const std::string& glVersion, const std::string& glRenderer) {
    run<AboutForm>(glVersion, glRenderer, parent);
}

bool execLayoutMethodDialog(QWidget* parent, LayoutDialog& values) {
    return run<LayoutMethodForm>(values, parent);
}
bool execDevelopmentSizeDialog(QWidget* parent, LayoutDialog& values) {
    return run<DevelopmentSizeForm>(values, parent);
}
bool execInputStringDialog(QWidget* parent, TextDialogValues& values,
                           const std::vector<std::string>& faceNames) {
    if (!run<InputStringForm>(values, faceNames, parent)) return false;
    settleTextFont(values, faceNames);
    return true;
}
bool execEpsSaveSettingsDialog(QWidget* parent, EpsSaveSettings& values) {
    return run<EpsSaveSettingsForm>(values, parent);
}
bool execBitmapSizeDialog(QWidget* parent, BitmapSizeDialog& dialog) {
    return run<BitmapSizeForm>(dialog, parent);
}

}  // namespace plikatra
