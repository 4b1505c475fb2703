// A front end for tests: records every message, question, status text and progress window,
// measures text predictably, and answers questions and dialogs as the test tells it.
//
//     RecordingFrontEnd ui;
//     ui.answers = {Answer::Cancel};                  // the first question is cancelled
//     ui.onInputText = [](TextDialogValues& v) { v.text = "Hi"; return true; };
//     Document doc(ui, settings);
//     ... EXPECT_EQ(ui.texts(), std::vector<std::string>{kMsgUndoDevelopmentLosesEdits});
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.h"
#include "base/fonts.h"
#include "recording_progress.h"

namespace plikatra {

// A fixed list of faces and a predictable extent (every character half the pixel size wide,
// the line as high as the pixel size); records the faces asked about.
class RecordingFonts : public Fonts {
public:
    explicit RecordingFonts(std::vector<std::string> names = {}) : names(std::move(names)) {}
    std::vector<std::string> names;
    std::vector<std::string> asked;  // faces passed to isInstalled and textExtent, in order

    std::vector<std::string> faceNames() override { return names; }
    bool isInstalled(const std::string& face) override;
    TextExtent textExtent(const std::string& face, int pixelSize, const std::string& text) override;
};

class RecordingFrontEnd : public FrontEnd {
public:
    struct Entry {
        std::string text;
        std::string caption;
        MessageIcon icon;
        bool question;
    };
    std::vector<Entry> entries;
    std::vector<Answer> answers;  // consumed front first; Ok/Yes when empty
    std::vector<std::string> statusTexts;
    RecordingProgress progressWindow;
    RecordingFonts fontList{{"Arial"}};

    // Dialog answers. Without a handler the layout method's offered values are taken when they
    // are valid (as OK would); every other dialog is cancelled.
    std::function<bool(LayoutDialog&)> onLayoutMethod;
    std::function<bool(LayoutDialog&)> onDevelopmentSize;
    std::function<bool(TextDialogValues&)> onInputText;
    std::function<bool(EpsSaveSettings&)> onEpsSaveSettings;
    std::vector<std::string> textureFiles;  // chosen files, front first; cancelled when empty
    int textureConfigurationShown = 0;

    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override;
    void status(const std::string& text) override { statusTexts.push_back(text); }
    ProgressFrontEnd& progress() override { return progressWindow; }
    Fonts& fonts() override { return fontList; }

    bool layoutMethod(LayoutDialog& dialog) override;
    bool developmentSize(LayoutDialog& dialog) override;
    bool inputText(TextDialogValues& values) override;
    bool epsSaveSettings(EpsSaveSettings& values) override;
    std::optional<std::string> chooseTextureFile() override;
    void showTextureConfiguration() override { ++textureConfigurationShown; }

    // Texts of all entries, in order.
    std::vector<std::string> texts() const;
};

}  // namespace plikatra
