#include "recording_front_end.h"

#include <algorithm>

#include "base/file_io.h"

namespace plikatra {

bool RecordingFonts::isInstalled(const std::string& face) {
    asked.push_back(face);
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return equalsIgnoreAsciiCase(n, face); });
}

TextExtent RecordingFonts::textExtent(const std::string& face, int pixelSize,
                                      const std::string& text) {
    asked.push_back(face);
    return {static_cast<int>(text.size()) * pixelSize / 2, pixelSize};
}

void RecordingFrontEnd::message(const std::string& text, const std::string& caption,
                                MessageIcon icon) {
    entries.push_back({text, caption, icon, false});
}

Answer RecordingFrontEnd::ask(const std::string& text, const std::string& caption, Buttons buttons,
                              MessageIcon icon) {
    entries.push_back({text, caption, icon, true});
    if (!answers.empty()) {
        Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return (buttons == Buttons::Ok || buttons == Buttons::OkCancel) ? Answer::Ok : Answer::Yes;
}

bool RecordingFrontEnd::layoutMethod(LayoutDialog& dialog) {
    if (onLayoutMethod) return onLayoutMethod(dialog);
    if (dialog.validate().empty()) return true;
    message(dialog.validate(), kAppTitle, MessageIcon::Warning);
    return false;
}

bool RecordingFrontEnd::developmentSize(LayoutDialog& dialog) {
    return onDevelopmentSize && onDevelopmentSize(dialog);
}

bool RecordingFrontEnd::inputText(TextDialogValues& values) {
    return onInputText && onInputText(values);
}

bool RecordingFrontEnd::epsSaveSettings(EpsSaveSettings& values) {
    return onEpsSaveSettings && onEpsSaveSettings(values);
}

std::optional<std::string> RecordingFrontEnd::chooseTextureFile() {
    if (textureFiles.empty()) return std::nullopt;
    std::string path = textureFiles.front();
    textureFiles.erase(textureFiles.begin());
    return path;
}

std::vector<std::string> RecordingFrontEnd::texts() const {
    std::vector<std::string> t;
    for (const auto& e : entries) t.push_back(e.text);
    return t;
}

}  // namespace plikatra
