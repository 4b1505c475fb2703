// The one interface through which the application's core reaches a person or a screen: the
// messages, questions, status line, progress window and fonts of Ui, and every dialog an
// operation of the document needs answered. The desktop program, the command-line tool and
// the tests each supply one.
#pragma once

#include <optional>
#include <string>

#include "base/ui.h"
#include "development/editor_host.h"
#include "development/layout_dialog.h"
#include "output/eps_save_settings.h"

namespace plikatra {

class FrontEnd : public Ui {
public:
    // "Specify Development Layout Method": edits `dialog`; false when cancelled. Only valid
    // values may come back with true.
    virtual bool layoutMethod(LayoutDialog& dialog) = 0;
    // "Specify Development Size" (the scale and assembled size of `dialog`); false when
    // cancelled.
    virtual bool developmentSize(LayoutDialog& dialog) = 0;
    // "Input String"; false when cancelled.
    virtual bool inputText(TextDialogValues& values) = 0;
    // "EPS Save Settings"; false when cancelled.
    virtual bool epsSaveSettings(EpsSaveSettings& values) = 0;
    // An existing texture image chosen by the user; none when cancelled.
    virtual std::optional<std::string> chooseTextureFile() = 0;
    // Brings the modeless "Texture Configuration" window on screen.
    virtual void showTextureConfiguration() {}
};

}  // namespace plikatra
