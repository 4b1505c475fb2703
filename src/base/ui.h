// Messages and questions shown to the user, behind an interface so that the core runs
// the same under the desktop program, the terminal tool and the tests.
#pragma once

#include <string>

namespace plikatra {

// Shown when a file cannot be created or written.
inline constexpr const char* kMsgCannotWriteFile = "Cannot write to file";

// Caption of the message boxes.
inline constexpr const char* kAppTitle = "Plikatra Designer";

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class ProgressFrontEnd;
class Fonts;

// What the core needs from a person or a screen: messages, questions, the status line, the
// progress window and the installed fonts. The application layer extends it with the dialogs
// (FrontEnd); the layers below take this face of it as a parameter, never from a global.
class Ui {
public:
    virtual ~Ui() = default;
    virtual void message(const std::string& text, const std::string& caption,
                         MessageIcon icon) = 0;
    virtual Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
                       MessageIcon icon) = 0;
    // The status bar's text; nothing where there is no status bar.
    virtual void status(const std::string& text) { (void)text; }
    // Draws the progress windows of long operations.
    virtual ProgressFrontEnd& progress() = 0;
    virtual Fonts& fonts() = 0;

    // A failure about one file: `text` is the program's message, `path` the file and `reason`
    // why, in the system's words ("" when nothing tells). Shown as the text alone unless the
    // front end names the file and the reason too.
    virtual void fileMessage(const std::string& text, const std::string& path,
                             const std::string& reason, MessageIcon icon) {
        (void)path;
        (void)reason;
        message(text, kAppTitle, icon);
    }

    // A message in the program's own caption.
    void show(const std::string& text, MessageIcon icon) { message(text, kAppTitle, icon); }
};

// Formats like printf into a std::string, in the C locale.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace plikatra
