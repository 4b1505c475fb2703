#include "qt/window/qt_front_end.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStatusBar>

#include <iostream>

#include "app/file_failure.h"
#include "qt/dialogs/dialogs.h"
#include "textures/texture_commands.h"

namespace plikatra {

namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return QMessageBox::Ok;
        case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Answer firstAnswer(Buttons buttons) {
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

// "Description|patterns|" filters of the core in Qt's "Description (patterns)" form.
QString qtFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << QString("%1 (%2)").arg(parts[i].section('(', 0, 0).trimmed(), patterns);
    }
    return out.join(";;");
}

}  // namespace

void QtFrontEnd::attach(QWidget* window, QStatusBar* statusBar) {
    window_ = window;
    statusBar_ = statusBar;
    progress_.setParent(window);
}

void QtFrontEnd::message(const std::string& text, const std::string& caption, MessageIcon icon) {
    if (unattended_) {
        if (!caption.empty() && caption != kAppTitle) std::cerr << caption << ": ";
        std::cerr << text << std::endl;
        return;
    }
    QMessageBox box(iconOf(icon), QString::fromStdString(caption.empty() ? kAppTitle : caption),
                    QString::fromStdString(text), QMessageBox::Ok, window_);
    box.exec();
}

void QtFrontEnd::fileMessage(const std::string& text, const std::string& path, const std::string& reason,
                             MessageIcon icon) {
    message(fileFailureText(text, path, reason), kAppTitle, icon);
}

Answer QtFrontEnd::ask(const std::string& text, const std::string& caption, Buttons buttons,
                       MessageIcon icon) {
    if (unattended_) {
        message(text, caption, icon);
        return firstAnswer(buttons);
    }
    QMessageBox box(iconOf(icon), QString::fromStdString(caption.empty() ? kAppTitle : caption),
                    QString::fromStdString(text), buttonsOf(buttons), window_);
    switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

void QtFrontEnd::status(const std::string& text) {
    if (statusBar_) statusBar_->showMessage(QString::fromStdString(text));
}

bool QtFrontEnd::layoutMethod(LayoutDialog& dialog) {
    if (unattended_) return dialog.validate().empty();
    return execLayoutMethodDialog(window_, dialog);
}

bool QtFrontEnd::developmentSize(LayoutDialog& dialog) {
    return !unattended_ && execDevelopmentSizeDialog(window_, dialog);
}

bool QtFrontEnd::inputText(TextDialogValues& values) {
    return !unattended_ && execInputStringDialog(window_, values, fonts_.faceNames());
}

bool QtFrontEnd::epsSaveSettings(EpsSaveSettings& values) {
    return unattended_ || execEpsSaveSettingsDialog(window_, values);
}

std::optional<std::string> QtFrontEnd::chooseTextureFile() {
    const QString path = QFileDialog::getOpenFileName(window_, QString(), QString(),
                                                      qtFilter(kTextureFileFilter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

void QtFrontEnd::showTextureConfiguration() {
    if (!textureWindow_) return;
    textureWindow_->show();
    textureWindow_->raise();
}

}  // namespace plikatra
