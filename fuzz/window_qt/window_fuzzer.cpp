#include "window_fuzzer.h"

#include <pthread.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "qt/dialogs/object_list_window.h"
#include "qt/dialogs/texture_window.h"
#include "qt/window/output_commands.h"
#include "qt/window/progress_window.h"
#include "app/recovery.h"
#include "model/primitive_shapes.h"
#include "workfile/work_file_checks.h"
#include "work_file_text.h"
#include "workfile/work_file_writer.h"

namespace plikatra::winfuzz {

namespace {

using Clock = std::chrono::steady_clock;

long wallMs() {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// Words that only a fault of the program would put in front of a user.
constexpr const char* kInternalFaultWords[] = {"internal", "exception", "std::",   "assert",
                                               "bad_alloc", "what()",   "(null)",  "nullptr",
                                               "unknown error", "segmentation"};

// Progress and dialogs without a person, for reading a work file back beside the window.
class QuietProgress : public ProgressFrontEnd {
public:
    void shown(const std::string&, bool) override {}
    void barMoved(int, const std::string&) override {}
    void textChanged(const std::string&) override {}
    bool pump(bool) override { return false; }
    void hidden() override {}
    void destroyed() override {}
};

// Reads a work file back with the fonts the window measures texts with, so that restored
// text boxes come out as the window's; every message it would show is kept.
class ReadBackFrontEnd : public FrontEnd {
public:
    explicit ReadBackFrontEnd(Fonts& fonts) : fonts_(fonts) {}
    void message(const std::string& text, const std::string&, MessageIcon) override { texts.push_back(text); }
    Answer ask(const std::string& text, const std::string&, Buttons buttons, MessageIcon) override {
        texts.push_back(text);
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }
    bool layoutMethod(LayoutDialog&) override { return false; }
    bool developmentSize(LayoutDialog&) override { return false; }
    bool inputText(TextDialogValues&) override { return false; }
    bool epsSaveSettings(EpsSaveSettings&) override { return false; }
    std::optional<std::string> chooseTextureFile() override { return std::nullopt; }

    std::vector<std::string> texts;

private:
    Fonts& fonts_;
    QuietProgress progress_;
};

std::string readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

Qt::KeyboardModifiers modifiersOf(int bits) {
    Qt::KeyboardModifiers m;
    if (bits & 1) m |= Qt::ShiftModifier;
    if (bits & 2) m |= Qt::ControlModifier;
    if (bits & 4) m |= Qt::AltModifier;
    return m;
}

Qt::MouseButton buttonOf(int button) {
    return button == 1 ? Qt::RightButton : button == 2 ? Qt::MiddleButton : Qt::LeftButton;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Watchdog::Watchdog(int hangSeconds) : hangSeconds_(hangSeconds) {
    pthread_getcpuclockid(pthread_self(), &clock_);
    lastBeatCpuMs_ = threadCpuMs();
    lastBeatWallMs_ = wallMs();
    thread_ = std::thread([this] { watch(); });
}

Watchdog::~Watchdog() {
    stop_ = true;
    thread_.join();
}

long Watchdog::threadCpuMs() const {
    timespec t{};
    clock_gettime(clock_, &t);
    return static_cast<long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void Watchdog::beat() {
    lastBeatCpuMs_ = threadCpuMs();
    lastBeatWallMs_ = wallMs();
}

void Watchdog::pause(bool paused) {
    beat();
    paused_ = paused;
}

long Watchdog::takeLongestBlockMs() {
    const long longest = std::max(longestMs_.exchange(0), threadCpuMs() - lastBeatCpuMs_);
    beat();
    return longest;
}

void Watchdog::setCurrentAction(std::string text) {
    std::lock_guard lock(mutex_);
    currentAction_ = std::move(text);
}

void Watchdog::watch() {
    while (!stop_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!paused_) {
            const long blocked = threadCpuMs() - lastBeatCpuMs_;
            if (blocked > longestMs_) longestMs_ = blocked;
        }
        if (wallMs() - lastBeatWallMs_ > hangSeconds_ * 1000L) {
            std::lock_guard lock(mutex_);
            std::fprintf(stderr, "FAULT hang: the window did not answer for %d s during: %s\n", hangSeconds_,
                         currentAction_.c_str());
            std::fflush(stderr);
            _exit(4);
        }
    }
}

// ---------------------------------------------------------------------------------------------

WindowFuzzer::WindowFuzzer(FuzzerOptions options) : options_(std::move(options)), watchdog_(options_.hangSeconds) {
    poller_ = new QTimer(this);
    connect(poller_, &QTimer::timeout, this, &WindowFuzzer::poll);
    poller_->start(10);
}

WindowFuzzer::~WindowFuzzer() {
    poller_->stop();
    window_.reset();
    doc_.reset();
}

std::optional<std::string> WindowFuzzer::start(const std::string& model) {
    const QDir dir(dir_.path());
    // Files the open dialogs may be answered with: damaged, empty, a folder, textures.
    {
        std::mt19937 bytes(7);
        QByteArray garbage;
        for (int i = 0; i < 600; ++i) garbage.append(static_cast<char>(bytes() & 0xff));
        for (const char* name : {"garbage.obj", "garbage.ufd", "garbage.png"}) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::WriteOnly)) f.write(garbage);
        }
        QFile(dir.filePath("empty.ufd")).open(QIODevice::WriteOnly);
        dir.mkdir("folder.ufd");
        QImage texture(64, 32, QImage::Format_RGB32);
        for (int y = 0; y < texture.height(); ++y)
            for (int x = 0; x < texture.width(); ++x) texture.setPixel(x, y, qRgb(x * 4, y * 8, (x ^ y) * 8));
        texture.save(dir.filePath("texture.png"));
        texture.save(dir.filePath("texture.bmp"));
        texture.save(dir.filePath("texture.jpg"));
    }

    // The run works on copies, so that no answer to a save dialog, and no "Save" of a work
    // file that was opened, can write beside the models it was given.
    const std::string copy = copyModel(model);
    for (std::string& choice : options_.openChoices) choice = copyModel(choice);
    QDir::setCurrent(dir.path());

    doc_ = std::make_unique<Document>(frontEnd_, settings_);
    // The window keeps its settings, recent files and bar state in a profile of the run's own.
    window_ = std::make_unique<MainWindow>(*doc_, frontEnd_, dir.filePath("plikatra.ini").toStdString());
    window_->resize(1000, 700);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) return "the window is not shown";
    QApplication::setActiveWindow(window_.get());
    // Printing writes a PDF into the run's folder: there is no printer to send pages to.
    window_->outputCommands().printer().setOutputFileName(dir.filePath("printed.pdf"));

    bool opened = false;
    if (model.starts_with("torus:")) {
        int rings = 0, sides = 0;
        if (std::sscanf(model.c_str() + 6, "%dx%d", &rings, &sides) == 2 && rings > 2 && sides > 2) {
            doc_->adopt(makeTorus(rings, sides), dir.filePath("torus.obj").toStdString());
            opened = true;
        }
    } else {
        opened = window_->openFile(QString::fromStdString(copy));
    }
    if (!settle(60000)) return "a dialog stays open after opening the model";
    if (!opened || !doc_->model()) return "the model " + model + " does not open";
    if (auto* autoLayout = window_->findChild<QCheckBox*>("autoLayout")) autoLayout->setChecked(true);
    if (QAction* create = window_->action(CommandId::CreateDevelopment)) create->trigger();
    if (!settle(600000)) return "a dialog stays open after creating the development";
    if (!doc_->hasDevelopment()) return "no development of " + model;
    messages_.clear();
    watchdog_.takeLongestBlockMs();
    return check();
}

std::string WindowFuzzer::copyModel(const std::string& model) {
    const QFileInfo original(QString::fromStdString(model));  // relative to where the run began
    if (!original.isFile()) return model;
    // The files beside it come along: material libraries and textures are found there.
    const QDir into(QDir(dir_.path()).filePath(QString("models/%1").arg(modelsCopied_++)));
    into.mkpath(".");
    for (const QFileInfo& f : original.dir().entryInfoList(QDir::Files))
        if (f.size() < 64 * 1024 * 1024) QFile::copy(f.filePath(), into.filePath(f.fileName()));
    return into.filePath(original.fileName()).toStdString();
}

std::optional<std::string> WindowFuzzer::play(const Action& action, bool last) {
    rng_.seed(action.answers);
    watchdog_.setCurrentAction(actionText(action));
    watchdog_.takeLongestBlockMs();
    // After "Exit" the window is gone, as if the program had been started again.
    if (!window_->isVisible()) {
        window_->show();
        QApplication::setActiveWindow(window_.get());
    }
    if (options_.verbose) std::fprintf(stderr, "%s\n", actionText(action).c_str());
    perform(action);
    if (!settle(30000)) {
        QWidget* open = QApplication::activeModalWidget();
        if (!open) open = QApplication::activePopupWidget();
        return "a dialog or menu stays open: " +
               (open ? std::string(open->metaObject()->className()) + " \"" + open->windowTitle().toStdString() + "\""
                     : std::string("?"));
    }
    const long blocked = watchdog_.takeLongestBlockMs();
    if (blocked > options_.blockLimitMs) {
        if (options_.blocksAreFaults)
            return "the window was blocked for " + std::to_string(blocked) + " ms of processor time";
        std::fprintf(stderr, "BLOCKED %ld %s\n", blocked, actionText(action).c_str());
    }
    ++played_;
    return check(last || played_ % std::max(1, options_.checkEvery) == 0);
}

QWidget* WindowFuzzer::viewOf(const Action& action) const {
    return action.view == 0 ? window_->modelView() : window_->developmentView();
}

QPoint WindowFuzzer::pointIn(const QWidget* view, int x, int y) const {
    return QPoint(view->width() * x / 1000, view->height() * y / 1000);
}

void WindowFuzzer::perform(const Action& a) {
    QWidget* view = viewOf(a);
    const Qt::KeyboardModifiers mods = modifiersOf(a.modifiers);
    switch (a.kind) {
        case ActionKind::Click:
            if (!view->isVisible() || view->width() == 0) break;
            if (a.value == 2) QTest::mouseDClick(view, buttonOf(a.button), mods, pointIn(view, a.x1, a.y1));
            else QTest::mouseClick(view, buttonOf(a.button), mods, pointIn(view, a.x1, a.y1));
            break;
        case ActionKind::Drag: {
            if (!view->isVisible() || view->width() == 0) break;
            const QPoint from = pointIn(view, a.x1, a.y1), to = pointIn(view, a.x2, a.y2);
            QTest::mousePress(view, buttonOf(a.button), mods, from);
            for (int i = 1; i <= a.value; ++i)
                QTest::mouseMove(view, from + (to - from) * i / a.value);
            QTest::mouseRelease(view, buttonOf(a.button), mods, to);
            break;
        }
        case ActionKind::Wheel: {
            if (!view->isVisible() || view->width() == 0) break;
            const QPoint at = pointIn(view, a.x1, a.y1);
            QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, a.value), Qt::NoButton, mods,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
            break;
        }
        case ActionKind::RightClick:
            if (!view->isVisible() || view->width() == 0) break;
            QTest::mouseClick(view, Qt::RightButton, {}, pointIn(view, a.x1, a.y1));
            break;
        case ActionKind::Key:
            view->setFocus();
            QTest::keyClick(view, Qt::Key(a.value), mods);
            break;
        case ActionKind::Command:
            // As a menu does: the rules are evaluated before the item can be chosen.
            window_->updateCommands();
            if (QAction* action = window_->action(CommandId(a.value)); action && action->isEnabled()) {
                commandsRun_.insert(a.value);
                action->trigger();
            }
            break;
        case ActionKind::Shortcut:
            if (QAction* action = window_->action(CommandId(a.value))) {
                QApplication::setActiveWindow(window_.get());
                QTest::keySequence(window_.get(), action->shortcut());
            }
            break;
        case ActionKind::Undo:
            QApplication::setActiveWindow(window_.get());
            // Undo, and Redo by either of its keys.
            if (a.value == 1) QTest::keyClick(window_.get(), Qt::Key_Y, Qt::ControlModifier);
            else if (a.value == 2)
                QTest::keyClick(window_.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            else QTest::keyClick(window_.get(), Qt::Key_Z, Qt::ControlModifier);
            break;
        case ActionKind::SaveReopen: saveAndReopen(); break;
        case ActionKind::Resize:
            if (a.value == 0) {
                if (window_->isMaximized()) window_->showNormal();
                else window_->showMaximized();
            } else {
                window_->showNormal();
                window_->resize(a.value, a.value2);
            }
            QTest::qWait(30);
            break;
        case ActionKind::Modeless: clickModeless(a); break;
        case ActionKind::Wait: QTest::qWait(a.value); break;
    }
}

void WindowFuzzer::saveAndReopen() {
    if (!doc_->model()) return;
    const QString path = QDir(dir_.path()).filePath(QString("reopened%1.ufd").arg(filesMade_++));
    forcedPath_ = path;
    window_->run(CommandId::SaveAs);
    forcedPath_.clear();
    settle(30000);
    if (!QFileInfo::exists(path) || doc_->modified()) return;
    const std::string saved = readBytes(path);
    forcedPath_ = path;
    window_->run(CommandId::Open);
    forcedPath_.clear();
    settle(30000);
    if (doc_->path() != path.toStdString() || !doc_->model()) {
        pendingFault_ = "a work file just saved does not open again";
        return;
    }
    const std::string again = workFileText(*doc_->model(), doc_->workFileState());
    if (withoutWorkedOutAgain(again) != withoutWorkedOutAgain(saved))
        pendingFault_ = "a work file saved and opened again writes differently: " +
                        firstDifference(withoutWorkedOutAgain(saved), withoutWorkedOutAgain(again));
}

void WindowFuzzer::clickModeless(const Action& a) {
    std::vector<QWidget*> windows;
    for (QWidget* w : {static_cast<QWidget*>(window_->objectListWindow()),
                       static_cast<QWidget*>(window_->textureWindow()),
                       static_cast<QWidget*>(window_->helpWindow())})
        if (w && w->isVisible()) windows.push_back(w);
    if (windows.empty()) return;
    QWidget* target = windows[static_cast<size_t>(a.value) % windows.size()];
    if (a.value % 9 == 0) {
        target->close();
        return;
    }
    std::vector<QWidget*> controls;
    for (QWidget* w : target->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled()) continue;
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w))
            controls.push_back(w);
        else if (auto* list = qobject_cast<QAbstractItemView*>(w))
            controls.push_back(list->viewport());
    }
    if (controls.empty()) return;
    QWidget* control = controls[static_cast<size_t>(a.value / 9) % controls.size()];
    QTest::mouseClick(control, Qt::LeftButton, {}, pointIn(control, a.x1, a.y1));
}

// ---------------------------------------------------------------------------------------------

void WindowFuzzer::poll() {
    watchdog_.beat();
    if (answerQueued_) return;
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::activeModalWidget();
    if (!target || !target->isVisible()) return;
    // The progress window only waits; the work it shows goes on underneath.
    if (qobject_cast<ProgressWindow*>(target)) return;
    answerQueued_ = true;
    QPointer<QWidget> queued(target);
    QMetaObject::invokeMethod(
        this,
        [this, queued] {
            answerQueued_ = false;
            if (queued && queued->isVisible()) answer(queued);
        },
        Qt::QueuedConnection);
}

void WindowFuzzer::answer(QWidget* target) {
    if (target != lastTarget_) {
        lastTarget_ = target;
        attemptsOnTarget_ = 0;
    }
    ++dialogsAnswered_;
    if (options_.verbose)
        std::fprintf(stderr, "  answering %s \"%s\" %s\n", target->metaObject()->className(),
                     target->windowTitle().toUtf8().constData(),
                     qobject_cast<QMessageBox*>(target)
                         ? static_cast<QMessageBox*>(target)->text().toUtf8().constData()
                         : "");
    // A dialog that keeps refusing what it is given is cancelled in the end, as a user would.
    if (++attemptsOnTarget_ > 4) {
        if (auto* dialog = qobject_cast<QDialog*>(target)) dialog->reject();
        else target->close();
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(target)) return answerMenu(menu);
    if (auto* box = qobject_cast<QMessageBox*>(target)) {
        messages_.push_back(box->text().toStdString());
        const QList<QAbstractButton*> buttons = box->buttons();
        if (buttons.isEmpty()) box->reject();
        else buttons[static_cast<int>(rng_() % static_cast<std::uint64_t>(buttons.size()))]->click();
        return;
    }
    if (auto* files = qobject_cast<QFileDialog*>(target)) return answerFileDialog(files);
    if (auto* colors = qobject_cast<QColorDialog*>(target)) {
        colors->setCurrentColor(QColor::fromRgb(static_cast<QRgb>(rng_() & 0xffffff)));
        if (rng_() % 5) colors->accept();
        else colors->reject();
        return;
    }
    if (auto* preview = qobject_cast<QPrintPreviewDialog*>(target)) {
        // A button of its tool bar now and then (next page, zoom, page set-up), then close.
        QList<QAction*> actions;
        for (QAction* action : preview->findChildren<QAction*>())
            if (action->isEnabled() && !action->text().isEmpty()) actions << action;
        if (!actions.isEmpty() && rng_() % 2) actions[static_cast<int>(rng_() % actions.size())]->trigger();
        else preview->reject();
        return;
    }
    if (qobject_cast<QPrintDialog*>(target) || qobject_cast<QPageSetupDialog*>(target)) {
        auto* dialog = static_cast<QDialog*>(target);
        if (rng_() % 5 < 3) dialog->accept();
        else dialog->reject();
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(target)) return answerForm(dialog);
    target->close();
}

void WindowFuzzer::answerMenu(QMenu* menu) {
    QList<QAction*> enabled;
    for (QAction* action : menu->actions())
        if (action->isEnabled() && action->isVisible() && !action->isSeparator()) enabled << action;
    if (enabled.isEmpty() || rng_() % 4 == 0) {
        QTest::keyClick(menu, Qt::Key_Escape);
        return;
    }
    menu->setActiveAction(enabled[static_cast<int>(rng_() % enabled.size())]);
    QTest::keyClick(menu, Qt::Key_Return);
}

QString WindowFuzzer::savePath() {
    const QDir dir(dir_.path());
    static const char* const kExtensions[] = {"ufd", "bmp", "eps", "emf", "svg", "pdf", "txt", ""};
    switch (rng_() % 12) {
        case 0: return dir.filePath("missing/out.ufd");  // a folder that is not there
        case 1: return dir.filePath("folder.ufd");       // a folder
        default: {
            const char* ext = kExtensions[rng_() % std::size(kExtensions)];
            const QString name = QString("out%1").arg(filesMade_++);
            return dir.filePath(*ext ? name + "." + ext : name);
        }
    }
}

QString WindowFuzzer::openPath(const QFileDialog* dialog) {
    const QDir dir(dir_.path());
    const QString filters = dialog->nameFilters().join(' ');
    QStringList choices;
    if (filters.contains("*.bmp") && !filters.contains("*.obj")) {
        // The texture chooser.
        choices << dir.filePath("texture.png") << dir.filePath("texture.bmp") << dir.filePath("texture.jpg")
                << dir.filePath("garbage.png") << dir.filePath("missing.png");
    } else {
        for (const std::string& model : options_.openChoices) choices << QString::fromStdString(model);
        // Work files the run saved, in a fixed order.
        const QStringList saved = dir.entryList({"*.ufd"}, QDir::Files, QDir::Name);
        for (const QString& name : saved) choices << dir.filePath(name);
        choices << dir.filePath("garbage.obj") << dir.filePath("missing.obj") << dir.filePath("folder.ufd");
    }
    return choices[static_cast<int>(rng_() % static_cast<std::uint64_t>(choices.size()))];
}

// Typed into the name field, as a user would: selectFile leaves a field that has the focus
// as it is, so the proposed name would be taken instead.
void WindowFuzzer::selectPath(QFileDialog* dialog, const QString& path) {
    dialog->selectFile(path);
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->setText(path);
}

void WindowFuzzer::answerFileDialog(QFileDialog* dialog) {
    if (!forcedPath_.isEmpty()) {
        selectPath(dialog, forcedPath_);
        // QFileDialog keeps its accept() protected; QDialog's public one reaches it.
        static_cast<QDialog*>(dialog)->accept();
        return;
    }
    if (rng_() % 7 == 0) {
        dialog->reject();
        return;
    }
    selectPath(dialog, dialog->acceptMode() == QFileDialog::AcceptSave ? savePath() : openPath(dialog));
    static_cast<QDialog*>(dialog)->accept();
}

QString WindowFuzzer::randomFieldText() {
    static const char* const kOdd[] = {"", "-1", "0", "abc", "99999999999", "2147483648", "1.5", " 7 ",
                                       "-2147483649", "1e9", "\xc3\xa9t\xc3\xa9"};
    switch (rng_() % 6) {
        case 0: return QString::fromUtf8(kOdd[rng_() % std::size(kOdd)]);
        case 1: return QString::number(static_cast<int>(rng_() % 21));
        case 2: return QString::number(static_cast<int>(rng_() % 311) - 10);
        case 3: return QString::number(static_cast<int>(rng_() % 100000));
        default: return QString::number(static_cast<int>(rng_() % 1001));
    }
}

void WindowFuzzer::answerForm(QDialog* dialog) {
    auto chance = [this](int percent) { return static_cast<int>(rng_() % 100) < percent; };
    QList<QPushButton*> others;
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        const QString name = b->objectName();
        if (b->isVisible() && b->isEnabled() && name != "ok" && name != "cancel" &&
            !qobject_cast<QDialogButtonBox*>(b->parentWidget()))
            others << b;
    }
    // Now and then one of the form's own buttons (a colour, a default): it may open a dialog
    // of its own, answered on a later turn.
    if (!others.isEmpty() && attemptsOnTarget_ < 3 && chance(15)) {
        others[static_cast<int>(rng_() % others.size())]->click();
        return;
    }
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled()) continue;
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            // Typed, so that what a validator would refuse is refused.
            if (!line->isReadOnly() && !qobject_cast<QComboBox*>(line->parentWidget()) && chance(50)) {
                line->selectAll();
                line->insert(randomFieldText());
            }
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            if (chance(30)) check->click();
        } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            if (chance(20)) radio->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->count() > 0 && chance(30)) combo->setCurrentIndex(static_cast<int>(rng_() % combo->count()));
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            if (chance(30)) spin->setValue(spin->minimum() + static_cast<int>(rng_() % (1 + spin->maximum() - spin->minimum())));
        } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
            if (chance(30)) dspin->setValue(dspin->minimum() + (dspin->maximum() - dspin->minimum()) * (rng_() % 1001) / 1000.0);
        }
    }
    const bool ok = chance(75);
    if (auto* button = dialog->findChild<QAbstractButton*>(ok ? "ok" : "cancel")) {
        button->click();
        return;
    }
    if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* b : box->buttons()) {
            const QDialogButtonBox::ButtonRole role = box->buttonRole(b);
            if ((ok && role == QDialogButtonBox::AcceptRole) || (!ok && role == QDialogButtonBox::RejectRole)) {
                b->click();
                return;
            }
        }
    }
    if (ok) dialog->accept();
    else dialog->reject();
}

bool WindowFuzzer::settle(int maxMs) {
    auto open = [this] {
        return QApplication::activePopupWidget() ||
               (QApplication::activeModalWidget() && !qobject_cast<ProgressWindow*>(QApplication::activeModalWidget())) ||
               answerQueued_;
    };
    const long until = wallMs() + maxMs;
    int quiet = 0;
    while (wallMs() < until) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const bool waiting = open();
        quiet = waiting ? 0 : quiet + 1;
        if (quiet >= 3) return true;
        if (waiting) QTest::qWait(5);
    }
    // Time may have run out in the window's own work (drawing a big model); that is the
    // watchdog's to judge. Only a dialog or menu still open fails here.
    return !open();
}

// ---------------------------------------------------------------------------------------------

std::optional<std::string> WindowFuzzer::check(bool document) {
    for (const std::string& text : messages_) {
        std::string lower = text;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (const char* word : kInternalFaultWords)
            if (lower.find(word) != std::string::npos) return "a message names an internal fault: \"" + text + "\"";
    }
    messages_.clear();
    if (pendingFault_) {
        std::optional<std::string> fault = std::move(pendingFault_);
        pendingFault_.reset();
        return fault;
    }
    if (!document) return std::nullopt;
    watchdog_.pause(true);
    std::optional<std::string> fault = checkDocument();
    watchdog_.pause(false);
    return fault;
}

std::optional<std::string> WindowFuzzer::checkDocument() {
    Model* model = doc_->model();
    if (!model) return std::nullopt;
    if (!isSoundWorkFileModel(*model)) return "the document breaks the rules a work file must satisfy";
    ReadBackFrontEnd ui(frontEnd_.fonts());
    // Written, read back and written again, twice: what opening works out again (fold
    // directions, the default material's colours) may settle on the first reading, after
    // which every byte must come back.
    std::string written = workFileText(*model, doc_->workFileState());
    for (int round = 0; round < 2; ++round) {
        Settings settings = settings_;
        Document back(ui, settings);
        // Textures are read at most as large as the graphics can show, which the window's view
        // told its document; the copy reads them as large.
        back.setMaxTextureSize(doc_->textureSizeLimit());
        if (!back.restore(written, "check.ufd", true, ui))
            return "the work file of the document does not read back" +
                   (ui.texts.empty() ? std::string() : ": \"" + ui.texts.front() + "\"");
        std::string again = workFileText(*back.model(), back.workFileState());
        const std::string a = round == 0 ? withoutWorkedOutAgain(written) : written;
        const std::string b = round == 0 ? withoutWorkedOutAgain(again) : again;
        if (a != b)
            return std::string("the work file of the document reads back differently") +
                   (round == 0 ? "" : " the second time") + ": " + firstDifference(a, b);
        written = std::move(again);
    }
    return std::nullopt;
}

}  // namespace plikatra::winfuzz
