// The progress window of long operations (loading, unfolding, layout): caption with the
// percentage, a bar, one line of text and " Cancel ". It pumps the event loop at every update
// so the program stays responsive, and remembers where the user put it.
#pragma once

#include <QDialog>

#include <string>
#include <utility>

#include "base/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace plikatra {

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    // `profilePath`: the profile that keeps where the user last left the window.
    ProgressWindow(QWidget* parent, std::string profilePath);

    void start(const QString& caption, bool withCancel);
    void setPercent(int percent, const QString& caption);
    void setLine(const QString& text);
    // Processes pending events; true once the user pressed Cancel (or Escape when
    // `cancelOnEscape`).
    bool pump(bool cancelOnEscape);
    // Hides the window for good and stores its position for the next one.
    void finish();
    bool cancelled() const { return cancelled_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cancel();

    QLabel* line_;
    QProgressBar* bar_;
    QPushButton* cancelButton_;
    bool cancelled_ = false;
    bool escapeCancels_ = false;
    bool active_ = false;
    std::string profilePath_;
};

// The progress front end the core drives: one window, shown per operation.
class QtProgress : public ProgressFrontEnd {
public:
    explicit QtProgress(QWidget* parent) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    // The profile the window keeps its place in.
    void setProfilePath(std::string path) { profilePath_ = std::move(path); }

    void shown(const std::string& caption, bool withCancel) override;
    void barMoved(int percent, const std::string& caption) override;
    void textChanged(const std::string& text) override;
    bool pump(bool cancelOnEscape) override;
    void hidden() override;
    void destroyed() override;

private:
    QWidget* parent_;
    ProgressWindow* window_ = nullptr;
    std::string profilePath_;
};

}  // namespace plikatra
