#include "qt/window/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/settings.h"

namespace plikatra {

namespace {

constexpr int kWidth = 390;
constexpr int kHeight = 130;
// Events are pumped at most this often: an operation reports far more often than a person
// can see, and every pump costs a round through the event loop.
constexpr qint64 kPumpIntervalMs = 15;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent, std::string profilePath)
    : QDialog(parent), profilePath_(std::move(profilePath)) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    line_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    cancelButton_ = new QPushButton(" Cancel ", this);
    // Only a left-button release over the button cancels: "released" also fires when the
    // pointer slides off a pressed button, and a keyboard press would click it at once, so the
    // button neither takes the focus nor serves as the dialog's default; Escape is the key.
    cancelButton_->setAutoDefault(false);
    cancelButton_->setDefault(false);
    cancelButton_->setFocusPolicy(Qt::NoFocus);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(line_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    resize(kWidth, kHeight);
}

void ProgressWindow::start(const QString& caption, bool withCancel) {
    cancelled_ = false;
    active_ = true;
    setWindowTitle(caption);
    line_->clear();
    bar_->setValue(0);
    cancelButton_->setVisible(withCancel);
    cancelButton_->setEnabled(withCancel);
    resize(kWidth, kHeight);
    // The last place the user left the window, unless it is unknown or off every screen.
    const ScreenPoint p = readProgressPosition(profilePath_);
    const QRect wanted(p.x, p.y, kWidth, kHeight);
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(wanted)) visible = true;
    if (p.x >= 0 && p.y >= 0 && visible) {
        move(p.x, p.y);
    } else if (parentWidget()) {
        const QRect host = parentWidget()->window()->frameGeometry();
        move(host.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    show();
    raise();
    QCoreApplication::processEvents();
}

void ProgressWindow::setPercent(int percent, const QString& caption) {
    bar_->setValue(percent);
    setWindowTitle(caption);
}

void ProgressWindow::setLine(const QString& text) { line_->setText(text); }

bool ProgressWindow::pump(bool cancelOnEscape) {
    static QElapsedTimer since;
    if (!since.isValid() || since.elapsed() >= kPumpIntervalMs) {
        escapeCancels_ = cancelOnEscape;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        escapeCancels_ = false;
        since.restart();
    }
    return cancelled_;
}

void ProgressWindow::finish() {
    if (!active_) return;
    active_ = false;
    writeProgressPosition(profilePath_, pos().x(), pos().y());
    hide();
}

void ProgressWindow::cancel() {
    cancelled_ = true;
    hide();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    // Escape cancels only where the operation allows it; it never closes the window alone.
    if (event->key() == Qt::Key_Escape) {
        if (escapeCancels_ && cancelButton_->isEnabled()) cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void QtProgress::shown(const std::string& caption, bool withCancel) {
    if (!window_) window_ = new ProgressWindow(parent_, profilePath_);
    window_->start(QString::fromStdString(caption), withCancel);
}

void QtProgress::barMoved(int percent, const std::string& caption) {
    if (window_) window_->setPercent(percent, QString::fromStdString(caption));
}

void QtProgress::textChanged(const std::string& text) {
    if (window_) window_->setLine(QString::fromStdString(text));
}

bool QtProgress::pump(bool cancelOnEscape) { return window_ && window_->pump(cancelOnEscape); }

void QtProgress::hidden() {
    if (window_) window_->hide();
}

void QtProgress::destroyed() {
    if (window_) window_->finish();
}

}  // namespace plikatra
