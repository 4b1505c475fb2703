// The desktop program's front end: message boxes, the status bar, the progress window, the
// system's fonts and the dialogs, all owned by the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/front_end.h"
#include "qt/window/progress_window.h"
#include "base/fonts.h"

class QStatusBar;

namespace plikatra {

class QtFrontEnd : public FrontEnd {
public:
    QtFrontEnd() : progress_(nullptr) {}

    // The window dialogs and message boxes belong to, and its status bar.
    void attach(QWidget* window, QStatusBar* statusBar);
    // The profile the progress window keeps its place in.
    void setProfilePath(const std::string& path) { progress_.setProfilePath(path); }

    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // The program's text, then the file and the reason on lines of their own.
    void fileMessage(const std::string& text, const std::string& path, const std::string& reason,
                     MessageIcon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override;
    void status(const std::string& text) override;
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }

    bool layoutMethod(LayoutDialog& dialog) override;
    bool developmentSize(LayoutDialog& dialog) override;
    bool inputText(TextDialogValues& values) override;
    bool epsSaveSettings(EpsSaveSettings& values) override;
    std::optional<std::string> chooseTextureFile() override;
    void showTextureConfiguration() override;

    // Messages and questions go to the standard error stream instead of boxes (scripted runs
    // of the program); questions then take their first answer.
    void setUnattended(bool unattended) { unattended_ = unattended; }
    // The modeless "Texture Configuration" window the core asks to bring on screen.
    void setTextureWindow(QWidget* window) { textureWindow_ = window; }

private:
    QPointer<QWidget> window_;
    QPointer<QStatusBar> statusBar_;
    QtProgress progress_;
    SystemFonts fonts_;
    bool unattended_ = false;
    QPointer<QWidget> textureWindow_;
};

}  // namespace plikatra
