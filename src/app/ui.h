// Messages and questions shown to the user, behind an interface so that the core runs
// the same under the desktop program, the terminal tool and the tests.
#pragma once

#include <string>
#include <vector>

namespace plikatra {

// Shown when a file cannot be created or written.
inline constexpr const char* kMsgCannotWriteFile = "Cannot write to file";

// Caption of the message boxes.
inline constexpr const char* kAppTitle = "Plikatra Designer";

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Ui {
public:
    virtual ~Ui() = default;
    virtual void message(const std::string& text, const std::string& caption,
                         MessageIcon icon) = 0;
    virtual Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
                       MessageIcon icon) = 0;
    // The status bar's text; nothing where there is no status bar.
    virtual void status(const std::string& text) { (void)text; }
};

// Writes messages to standard error; questions get a fixed answer (no terminal dialogue,
// since batch runs have no standard input).
class TerminalUi : public Ui {
public:
    explicit TerminalUi(Answer defaultAnswer = Answer::Ok) : defaultAnswer_(defaultAnswer) {}
    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override;

private:
    Answer defaultAnswer_;
};

// Records every message and question; questions are answered from a queue.
class RecordingUi : public Ui {
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

    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override;
    void status(const std::string& text) override { statusTexts.push_back(text); }
    // Texts of all entries, in order.
    std::vector<std::string> texts() const;
};

// The Ui the core reports through; a TerminalUi unless another was installed.
Ui& ui();
// Installs `u` (not owned) as the Ui; null restores the terminal one.
void setUi(Ui* u);

// Formats like printf into a std::string, in the C locale.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace plikatra
