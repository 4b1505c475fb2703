// Plays actions on the real main window as a user would, through Qt's test functions, and
// checks after every one what must always hold: the document's work file reads back to the
// same bytes and satisfies the work file reader's rules, no message names an internal fault,
// no dialog is left open, and the event loop never stops turning for long.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <atomic>
#include <ctime>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "actions.h"
#include "app/document.h"
#include "qt/window/main_window.h"
#include "qt/window/qt_front_end.h"
#include "base/settings.h"

class QDialog;
class QFileDialog;
class QMenu;
class QTimer;

namespace plikatra::winfuzz {

// Watches the window's thread from another: a beat comes from a fast timer in every event
// loop (modal dialogs and progress windows run their own) and from the player between steps.
// The processor time the thread spends between two beats is how long the window was blocked;
// processor time rather than wall time, so that a machine busy with other work does not make
// a responsive window look blocked. A thread that does not beat for `hangSeconds` of wall
// time is hung: the watchdog reports the action and ends the process.
class Watchdog {
public:
    explicit Watchdog(int hangSeconds);
    ~Watchdog();
    void beat();
    // Time spent in the checks does not count.
    void pause(bool paused);
    // The longest processor time between two beats since the last call, in milliseconds.
    long takeLongestBlockMs();
    void setCurrentAction(std::string text);

private:
    void watch();
    long threadCpuMs() const;

    clockid_t clock_{};
    std::atomic<long> lastBeatCpuMs_{0};
    std::atomic<long> lastBeatWallMs_{0};
    std::atomic<long> longestMs_{0};
    std::atomic<bool> paused_{false};
    std::atomic<bool> stop_{false};
    int hangSeconds_;
    std::mutex mutex_;
    std::string currentAction_;
    std::thread thread_;
};

struct FuzzerOptions {
    // Longest the window may be blocked, in milliseconds of processor time.
    int blockLimitMs = 1000;
    int hangSeconds = 120;
    // Model files the "Open" dialog may be answered with, besides the files the run makes.
    std::vector<std::string> openChoices;
    // The work file is checked after every this many actions (and after the last); reading a
    // big model back twice takes far longer than an action.
    int checkEvery = 1;
    // An action that blocks the window longer than blockLimitMs is a fault; when false it is
    // told on the standard error stream ("BLOCKED ms action") and the sequence goes on, for
    // surveying models too big for the limit.
    bool blocksAreFaults = true;
    // Tells on the standard error stream what each dialog and menu was answered with.
    bool verbose = false;
};

class WindowFuzzer : public QObject {
    Q_OBJECT
public:
    explicit WindowFuzzer(FuzzerOptions options);
    ~WindowFuzzer() override;

    // Opens `model` ("torus:RINGSxSIDES" builds a torus) and creates its development; a
    // fault text when either fails.
    std::optional<std::string> start(const std::string& model);
    // Plays one action and checks the window afterwards; a fault text when a check fails.
    std::optional<std::string> play(const Action& action, bool last = false);

    // How many actions were played, and how many dialogs and menus were answered.
    int dialogsAnswered() const { return dialogsAnswered_; }
    // The commands that ran (were enabled when chosen), by id.
    const std::set<int>& commandsRun() const { return commandsRun_; }

private:
    void perform(const Action& action);
    void saveAndReopen();
    void clickModeless(const Action& action);
    QWidget* viewOf(const Action& action) const;
    QPoint pointIn(const QWidget* view, int x, int y) const;

    // The dialog answerer: a fast timer finds the topmost modal dialog or menu and answers
    // it from outside the timer, so that what the answer runs may open dialogs of its own.
    void poll();
    void answer(QWidget* target);
    void answerMenu(QMenu* menu);
    void answerFileDialog(QFileDialog* dialog);
    void selectPath(QFileDialog* dialog, const QString& path);
    // A copy of `model` and the files beside it in the run's folder; `model` itself when it
    // names no file.
    std::string copyModel(const std::string& model);
    void answerForm(QDialog* dialog);
    QString savePath();
    QString openPath(const QFileDialog* dialog);
    QString randomFieldText();
    // Runs the event loop until no dialog or menu is left; false when one stays open.
    bool settle(int maxMs);

    std::optional<std::string> check(bool document = true);
    std::optional<std::string> checkDocument();

    FuzzerOptions options_;
    QTemporaryDir dir_;
    Settings settings_;
    QtFrontEnd frontEnd_;
    std::unique_ptr<Document> doc_;
    std::unique_ptr<MainWindow> window_;
    Watchdog watchdog_;
    QTimer* poller_ = nullptr;
    bool answerQueued_ = false;
    QPointer<QWidget> lastTarget_;
    int attemptsOnTarget_ = 0;
    std::mt19937_64 rng_;
    QString forcedPath_;  // the next file dialog's answer, when set
    std::optional<std::string> pendingFault_;  // found while playing, reported by the check
    std::vector<std::string> messages_;
    int filesMade_ = 0;
    int modelsCopied_ = 0;
    int dialogsAnswered_ = 0;
    int played_ = 0;
    std::set<int> commandsRun_;
};

}  // namespace plikatra::winfuzz
