// The forms that only inform: "Model Info", "OpenGL Info" and the About box. They have an OK
// button and change nothing.
#pragma once

#include <string>

#include "app/config_dialogs.h"
#include "qt/dialogs/form_dialog.h"

namespace plikatra {

class ModelInfoForm : public FormDialog {
    Q_OBJECT
public:
    ModelInfoForm(const ModelInfo& info, QWidget* parent = nullptr);

protected:
    bool commit() override { return true; }
};

class OpenGlInfoForm : public FormDialog {
    Q_OBJECT
public:
    OpenGlInfoForm(const OpenGlInfo& info, QWidget* parent = nullptr);

protected:
    bool commit() override { return true; }
};

class AboutForm : public FormDialog {
    Q_OBJECT
public:
    // The graphics driver's version and renderer of the current context; empty when unknown.
    AboutForm(const std::string& glVersion, const std::string& glRenderer,
              QWidget* parent = nullptr);

protected:
    bool commit() override { return true; }
};

}  // namespace plikatra
