// Progress of long operations: the window's logic (range, percentage, caption, text, Cancel),
// with front ends that draw it.
#pragma once

#include <string>

namespace plikatra {

// Thrown when the user cancels; each operation's top level catches it and reports in its
// own words.
struct CancelledException {};

// What a front end shows; the logic lives in Progress.
class ProgressFrontEnd {
public:
    virtual ~ProgressFrontEnd() = default;
    virtual void shown(const std::string& caption, bool withCancel) = 0;
    virtual void barMoved(int percent, const std::string& caption) = 0;
    virtual void textChanged(const std::string& text) = 0;
    // Processes pending input; returns true when the user pressed Cancel (or Escape, when
    // `cancelOnEscape`).
    virtual bool pump(bool cancelOnEscape) = 0;
    virtual void hidden() = 0;
    virtual void destroyed() = 0;
};

class Progress {
public:
    // Creates and shows the window; the front end is not owned.
    Progress(ProgressFrontEnd* frontEnd, const std::string& caption, bool withCancel);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void setCaption(const std::string& caption);
    void setRange(int lower, int upper);
    void setPos(int pos);
    // printf-style, cut to 512 characters.
    void setText(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Processes pending input; false when the operation is to stop.
    bool peekAndPump(bool cancelOnEscape = false);
    bool cancelled() const { return cancelled_; }
    // Pumps and throws CancelledException when the user cancelled.
    void checkCancel();

    const std::string& caption() const { return caption_; }
    const std::string& shownCaption() const { return shownCaption_; }
    const std::string& text() const { return text_; }
    int lastPercent() const { return lastPercent_; }
    int lower() const { return lower_; }
    int upper() const { return upper_; }
    int pos() const { return pos_; }
    bool withCancel() const { return withCancel_; }

private:
    ProgressFrontEnd* frontEnd_;
    std::string caption_;
    std::string shownCaption_;
    std::string text_;
    int lower_ = 0, upper_ = 100, pos_ = 0;
    int lastPercent_ = -1;
    bool withCancel_;
    bool cancelled_ = false;
    bool visible_ = true;
};

}  // namespace plikatra
