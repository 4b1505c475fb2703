#include "qt/window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <cerrno>

#include "app/file_failure.h"
#include "qt/window/command_icons.h"
#include "qt/dialogs/dialogs.h"
#include "qt/window/output_commands.h"
#include "qt/views/development_view_widget.h"
#include "qt/views/model_view_widget.h"
#include "base/profile.h"
#include "base/settings.h"

namespace plikatra {

namespace {

using C = CommandId;

constexpr const char* kBarStateKey = "State";
constexpr const char* kModelWidthKey = "modelWidth";

// "&Open...\tCtrl+O" as Qt shows it: the mnemonic kept, the accelerator set apart.
QString menuText(const Command& c) { return QString::fromUtf8(c.text).section('\t', 0, 0); }

// Qt's "Description (patterns);;..." form of a "Description|patterns|...||" filter.
QString qtFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        QString name = parts[i];
        if (!name.contains('(')) name += " (" + patterns.join(' ') + ")";
        else name = name.section('(', 0, 0).trimmed() + " (" + patterns.join(' ') + ")";
        out << name;
    }
    return out.join(";;");
}

// Where the example models are: installed beside the program's data, or in a source tree.
QString examplesFolder() {
    const QDir app(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {app.filePath("../share/plikatra/examples"), app.filePath("../../examples"),
          app.filePath("../examples")})
        if (QFileInfo(candidate).isDir()) return QDir(candidate).canonicalPath();
    return {};
}

// The help's front page. The build copies docs/help to share/plikatra/help beside bin/, where
// an installed program or the package has it too, so one place serves all three; a source tree
// beside the program is looked at last.
QString helpIndex() {
    const QDir app(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {app.filePath("../share/plikatra/help/index.html"), app.filePath("../../docs/help/index.html"),
          app.filePath("../docs/help/index.html")})
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
    return {};
}

}  // namespace

MainWindow::MainWindow(Document& doc, QtFrontEnd& frontEnd, std::string profilePath)
    : doc_(doc), frontEnd_(frontEnd), profilePath_(std::move(profilePath)) {
    frontEnd_.setProfilePath(profilePath_);
    setAcceptDrops(true);
    setWindowTitle(kAppTitle);
    frontEnd_.attach(this, statusBar());
    statusBar()->showMessage("Ready");
    // Flaps that would not work on paper, counted after every change of the development.
    flapCount_ = new QLabel(this);
    flapCount_->setObjectName("flapCount");
    flapCount_->setVisible(false);
    flapCount_->setTextFormat(Qt::RichText);
    // The count offers its remedy: one click runs the same command as the menu.
    connect(flapCount_, &QLabel::linkActivated, this, [this] {
        if (QAction* shorten = actions_.at(C::ShortenCollidingFlaps); shorten->isEnabled()) shorten->trigger();
    });
    statusBar()->addPermanentWidget(flapCount_);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    auto* modelView = new ModelViewWidget(doc_, splitter_);
    auto* developmentView = new DevelopmentViewWidget(doc_, splitter_);
    modelView_ = modelView;
    developmentView_ = developmentView;
    modelView_->setObjectName("modelView");
    developmentView_->setObjectName("developmentView");
    splitter_->addWidget(modelView_);
    splitter_->addWidget(developmentView_);
    setCentralWidget(splitter_);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { endStartUp(); });

    // The two modeless windows exist from the start, hidden until asked for.
    objectList_ = new ObjectListWindow(doc_, this);
    textureWindow_ = new TextureConfigurationWindow(doc_, this);
    frontEnd_.setTextureWindow(textureWindow_);
    output_ = std::make_unique<OutputCommands>(this, doc_, frontEnd_);

    createActions();
    createMenus();
    connect(modelView, &ModelViewWidget::graphicsReady, this,
            [this](const QString& version, const QString& renderer, int maxTextureSize) {
                setGraphicsInfo(version.toStdString(), renderer.toStdString(), maxTextureSize);
            });
    connect(modelView, &ModelViewWidget::modelEditMenuRequested, this,
            [this](QPoint at) { popupCommands({C::SpecifyCutEdge, C::SpecifyKeepEdge}, at); });
    connect(developmentView, &DevelopmentViewWidget::editModeMenuRequested, this, [this](QPoint at) {
        popupCommands({C::EraseEdge, C::UndoEraseEdge, C::EditFlap, C::RotatePart, C::MovePart,
                       C::JoinSurface, C::CutPart, C::InputText, C::CheckSurface},
                      at);
    });
    createToolBars();
    createDevelopmentBar();
    recent_.load(profilePath_);
    rebuildRecentMenu();
    listener_ = doc_.addListener([this](DocumentEvent e) { documentChanged(e); });
    updateTitle();
    updateCommands();
}

MainWindow::~MainWindow() { doc_.removeListener(listener_); }

void MainWindow::createActions() {
    for (const Command& c : commandTable()) {
        auto* a = new QAction(menuText(c), this);
        if (*c.otherShortcut)
            a->setShortcuts({QKeySequence(QString::fromUtf8(c.shortcut)),
                             QKeySequence(QString::fromUtf8(c.otherShortcut))});
        else if (*c.shortcut)
            a->setShortcut(QKeySequence(QString::fromUtf8(c.shortcut)));
        a->setStatusTip(QString::fromUtf8(c.prompt));
        a->setToolTip(QString::fromUtf8(c.tip));
        a->setCheckable(commandChecked(c.id, doc_).has_value());
        const CommandId id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
        actions_[c.id] = a;
        // Shortcuts of actions that sit in no menu still work while the window has focus.
        addAction(a);
    }
    for (const int id : mainToolBar())
        if (id) actions_[CommandId(id)]->setIcon(commandIcon(CommandId(id)));
    for (const int id : developmentToolBar())
        if (id) actions_[CommandId(id)]->setIcon(commandIcon(CommandId(id)));
}

QAction* MainWindow::action(CommandId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::createMenus() {
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (const int id : ids) {
            if (id == 0) menu->addSeparator();
            else menu->addAction(action(CommandId(id)));
        }
    };
    auto menuOf = [this](const char* title) {
        QMenu* m = menuBar()->addMenu(title);
        connect(m, &QMenu::aboutToShow, this, &MainWindow::updateCommands);
        return m;
    };
    QMenu* file = menuOf("&File");
    add(file, {int(C::Open), int(C::Save), int(C::SaveAs), 0, int(C::SaveDevelopment),
               int(C::ExportPdf), 0, int(C::PageSettings), int(C::Print), int(C::PrintPreview),
               int(C::PrinterSetup), 0});
    recentMenu_ = file->addMenu("Recent &Files");
    file->addSeparator();
    add(file, {int(C::Exit)});

    QMenu* model = menuOf("&3D Model");
    add(model, {int(C::SpecifyCutEdge), int(C::SpecifyKeepEdge), int(C::ResetEdgeAttribute), 0,
                int(C::ReverseSurface), int(C::HideSurface), int(C::ShowObjectList),
                int(C::SetTexture), int(C::ResetView), 0, int(C::ReverseX), int(C::ReverseY),
                int(C::ReverseZ), int(C::ReverseTextureU), int(C::ReverseTextureV), 0,
                int(C::JoinIsolatedEdges)});

    QMenu* development = menuOf("&Development");
    add(development, {int(C::EraseEdge), int(C::UndoEraseEdge), int(C::EditFlap),
                      int(C::RotatePart), int(C::MovePart), int(C::JoinSurface), int(C::CutPart),
                      int(C::InputText), int(C::CheckSurface), 0, int(C::UndoLastEditing), int(C::Redo), 0,
                      int(C::ShowFlap), int(C::ShortenCollidingFlaps), int(C::ShowJoinNumber),
                      int(C::ShowPageNumber), 0,
                      int(C::RecalculateLayout), int(C::MirrorDevelopment), int(C::ScaleUp),
                      int(C::ScaleDown), int(C::ScaleToSize), 0, int(C::ZoomIn), int(C::ZoomOut),
                      int(C::ShowEntire), 0});
    QMenu* clipboard = development->addMenu("Copy to &Clipboard");
    add(clipboard, {int(C::CopyBitmap), int(C::CopyMetafile)});
    development->addSeparator();
    add(development, {int(C::UseMaterial), int(C::SmoothLine), 0});
    QMenu* grid = development->addMenu("Text &Grid");
    connect(grid, &QMenu::aboutToShow, this, &MainWindow::updateCommands);
    add(grid, {int(C::AlignToGrid), 0, int(C::Grid5), int(C::Grid10), int(C::Grid20)});

    QMenu* view = menuOf("&View");
    add(view, {int(C::SplitWindow), int(C::OnlyDevelopmentWindow), 0, int(C::ModelInfo)});

    QMenu* configuration = menuOf("&Configuration");
    add(configuration, {int(C::LineTypeConfiguration), int(C::FlapConfiguration),
                        int(C::JoinNumberConfiguration), int(C::ColorConfiguration),
                        int(C::OtherConfigurations), 0, int(C::ResetToDefault)});

    QMenu* help = menuOf("&Help");
    add(help, {int(C::HelpContents), int(C::OpenGlInfo), int(C::Homepage), 0, int(C::About)});
}

void MainWindow::createToolBars() {
    auto fill = [this](QToolBar* bar, const std::vector<int>& ids) {
        bar->setIconSize(QSize(16, 15));
        for (const int id : ids) {
            if (id == 0) bar->addSeparator();
            else bar->addAction(action(CommandId(id)));
        }
    };
    QToolBar* main = addToolBar("Main Tool Bar");
    main->setObjectName("mainToolBar");
    fill(main, mainToolBar());
    QToolBar* second = addToolBar("Development Tool Bar");
    second->setObjectName("developmentToolBar");
    fill(second, developmentToolBar());
}

void MainWindow::createDevelopmentBar() {
    QToolBar* bar = addToolBar("Development Bar");
    bar->setObjectName("developmentBar");
    auto* create = new QPushButton("Create Development", bar);
    auto* undo = new QPushButton("Undo", bar);
    autoCheck_ = new QCheckBox("Auto", bar);
    autoCheck_->setChecked(doc_.settings().autoCheck);
    create->setObjectName("createDevelopment");
    undo->setObjectName("undoDevelopment");
    autoCheck_->setObjectName("autoLayout");
    bar->addWidget(create);
    bar->addWidget(undo);
    bar->addWidget(autoCheck_);
    connect(create, &QPushButton::clicked, this, [this] { run(C::CreateDevelopment); });
    connect(undo, &QPushButton::clicked, this, [this] { run(C::UndoDevelopment); });
    connect(autoCheck_, &QCheckBox::toggled, this, [this](bool on) { doc_.settings().autoCheck = on; });
    // The buttons follow their commands' enable rules.
    connect(action(C::CreateDevelopment), &QAction::changed, create,
            [this, create] { create->setEnabled(action(C::CreateDevelopment)->isEnabled()); });
    connect(action(C::UndoDevelopment), &QAction::changed, undo,
            [this, undo] { undo->setEnabled(action(C::UndoDevelopment)->isEnabled()); });
}

void MainWindow::rebuildRecentMenu() {
    recentMenu_->clear();
    int n = 1;
    for (const std::string& path : recent_.paths()) {
        const QString p = QString::fromStdString(path);
        QAction* a = recentMenu_->addAction(QString("&%1 %2").arg(n++).arg(p));
        connect(a, &QAction::triggered, this, [this, p] {
            if (askSaveChanges()) openFile(p);
        });
    }
    recentMenu_->setEnabled(!recent_.paths().empty());
}

void MainWindow::updateCommands() {
    for (const auto& [id, a] : actions_) {
        a->setEnabled(commandEnabled(id, doc_));
        if (id == C::UndoLastEditing || id == C::Redo)
            a->setText(QString::fromStdString(commandMenuText(id, doc_)).section('\t', 0, 0));
        if (const auto checked = commandChecked(id, doc_)) a->setChecked(*checked);
    }
    if (autoCheck_) autoCheck_->setChecked(doc_.settings().autoCheck);
}

void MainWindow::updateTitle() {
    setWindowTitle(QString::fromStdString(doc_.title()) + "[*] - " + kAppTitle);
    setWindowModified(doc_.modified());
}

void MainWindow::updateFlapCount() {
    const size_t n = doc_.hasDevelopment() ? doc_.collidingFlaps().size() : 0;
    const QString shorten = QString::fromUtf8(findCommand(C::ShortenCollidingFlaps)->text).remove('&');
    flapCount_->setText(n == 0 ? QString() : QString("%1 flap(s) collide: <a href=\"shorten\">%2</a>").arg(n).arg(shorten));
    flapCount_->setVisible(n != 0);
}

void MainWindow::popupCommands(std::initializer_list<CommandId> ids, QPoint globalPos) {
    updateCommands();
    QMenu menu(this);
    for (const CommandId id : ids) menu.addAction(actions_.at(id));
    menu.exec(globalPos);
}

void MainWindow::setGraphicsInfo(const std::string& version, const std::string& renderer, int maxTextureSize) {
    glVersion_ = version;
    glRenderer_ = renderer;
    maxTextureSize_ = maxTextureSize;
}

void MainWindow::documentChanged(DocumentEvent event) {
    if (event != DocumentEvent::Feedback && event != DocumentEvent::Modified) updateFlapCount();
    // A new document closes the texture window; the object list stays where the user put it.
    if (event == DocumentEvent::FileOpened && textureWindow_) textureWindow_->hide();
    if (event == DocumentEvent::Modified || event == DocumentEvent::FileOpened) updateTitle();
    updateCommands();
}

bool MainWindow::openFile(const QString& path) {
    const LoadOutcome outcome = doc_.open(path.toStdString());
    if (outcome.result != kReadOk) return false;
    if (!outcome.temporary) {
        recent_.add(QFileInfo(path).absoluteFilePath().toStdString());
        recent_.save(profilePath_);
        rebuildRecentMenu();
    }
    updateTitle();
    updateCommands();
    return true;
}

void MainWindow::openCommand() {
    if (!askSaveChanges()) return;
    QString start;
    // On the very first run the examples are the place to begin.
    if (doc_.settings().bFirstStartUp && !doc_.model()) start = examplesFolder();
    const QString path =
        QFileDialog::getOpenFileName(this, "Open", start, qtFilter(kOpenFilter));
    if (!path.isEmpty()) openFile(path);
}

bool MainWindow::askSaveChanges() {
    if (!doc_.modified()) return true;
    const Answer a = frontEnd_.ask(format(kMsgSaveChanges, doc_.title().c_str()), kAppTitle,
                                   Buttons::YesNoCancel, MessageIcon::Warning);
    if (a == Answer::Cancel) return false;
    if (a == Answer::Yes) return save();
    return true;
}

bool MainWindow::save() {
    if (!doc_.hasWorkFilePath()) return saveAs();
    if (!saveTo(doc_.path())) return false;
    recent_.add(doc_.path());
    recent_.save(profilePath_);
    rebuildRecentMenu();
    return true;
}

bool MainWindow::saveTo(const std::string& path) {
    std::string error;
    if (doc_.save(path, &error)) return true;
    if (error.empty()) return false;  // the user stopped it; the previous file stands
    const int savedErrno = errno;
    frontEnd_.fileMessage(error, path, writeFailureReason(path, savedErrno), MessageIcon::Error);
    return false;
}

bool MainWindow::saveAs() {
    if (!doc_.model()) return false;
    const QFileInfo current(QString::fromStdString(doc_.path().empty() ? kUntitled : doc_.path()));
    QFileDialog dialog(this, "Save As", current.absolutePath(), qtFilter(kSaveFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ufd");
    dialog.selectFile(current.completeBaseName() + ".ufd");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const std::string path = dialog.selectedFiles().front().toStdString();
    if (!saveTo(path)) return false;
    recent_.add(path);
    recent_.save(profilePath_);
    rebuildRecentMenu();
    return true;
}

int MainWindow::paneWidth() const { return std::max(0, splitter_->width() - splitter_->handleWidth()); }

void MainWindow::setSplit(int modelWidth) {
    modelWidth = std::clamp(modelWidth, 0, paneWidth());
    splitter_->setSizes({modelWidth, paneWidth() - modelWidth});
}

void MainWindow::openHelp() {
    const QString index = helpIndex();
    if (index.isEmpty()) {
        frontEnd_.message(kMsgHelpMissing, kAppTitle, MessageIcon::Error);
        return;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(index))) return;
    // No browser to hand the pages to: the program shows them itself.
    if (!helpWindow_) {
        helpWindow_ = new QTextBrowser(this);
        helpWindow_->setWindowFlag(Qt::Window);
        helpWindow_->setObjectName("helpWindow");
        helpWindow_->setWindowTitle(QString(kAppTitle) + " Help");
        helpWindow_->resize(760, 620);
    }
    helpWindow_->setSource(QUrl::fromLocalFile(index));
    helpWindow_->show();
    helpWindow_->raise();
}

void MainWindow::run(CommandId id) {
    runCommand(id, doc_, *this);
    updateCommands();
}

// What the commands ask of the window.
void MainWindow::openDocument() { openCommand(); }
void MainWindow::saveDocument() { save(); }
void MainWindow::saveDocumentAs() { saveAs(); }
void MainWindow::exitProgram() { close(); }
void MainWindow::showObjectList() {
    objectList_->refill();
    objectList_->show();
    objectList_->raise();
}
void MainWindow::saveDevelopment() { output_->saveDevelopment(); }
void MainWindow::exportPdf() { output_->exportPdf(); }
void MainWindow::print() { output_->print(); }
void MainWindow::printPreview() { output_->printPreview(); }
void MainWindow::printerSetup() { output_->printerSetup(); }
void MainWindow::pageSettings() { execPageSettingsDialog(this, doc_); }
void MainWindow::copyBitmap() { output_->copyBitmap(); }
void MainWindow::copyMetafile() { output_->copyMetafile(); }
void MainWindow::modelInfo() { execModelInfoDialog(this, *doc_.model()); }
void MainWindow::openGlInfo() {
    execOpenGlInfoDialog(this, OpenGlInfo{glVersion_, glRenderer_, maxTextureSize_});
}
void MainWindow::about() { execAboutDialog(this, glVersion_, glRenderer_); }
void MainWindow::lineTypeConfiguration() { execLineTypeDialog(this, doc_); }
void MainWindow::flapConfiguration() { execFlapDialog(this, doc_); }
void MainWindow::joinNumberConfiguration() { execJoinNumberDialog(this, doc_); }
void MainWindow::colorConfiguration() { execColorDialog(this, doc_); }
void MainWindow::otherConfigurations() { execOtherDialog(this, doc_); }
void MainWindow::splitWindow() {
    endStartUp();
    setSplit(paneWidth() / 2);
}
void MainWindow::onlyDevelopmentWindow() {
    endStartUp();
    setSplit(0);
}
bool MainWindow::unfoldAutomatically(const Settings& settings) const {
    return autoCheck_ ? autoCheck_->isChecked() : settings.autoCheck;
}
void MainWindow::busy(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::restorePlacement() {
    const WindowPlacement w = loadWindowPlacement(profilePath_);
    if (w.right > w.left && w.bottom > w.top) {
        setGeometry(w.left, w.top, w.right - w.left, w.bottom - w.top);
    } else if (const QScreen* s = screen()) {
        // First start: the menus' and bars' own size would make a strip of a window, which
        // is also what un-maximising would come back to. Four fifths of the screen, centred.
        const QRect area = s->availableGeometry();
        const QSize size(area.width() * 4 / 5, area.height() * 4 / 5);
        setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    }
    const QByteArray state = QByteArray::fromBase64(
        QByteArray::fromStdString(readProfileString(profilePath_, kProfileBarState, kBarStateKey)));
    if (!state.isEmpty()) restoreState(state);
    // A width of 0 is the development view alone, so only a missing entry means none was kept;
    // a first start splits the window in half.
    const bool kept = !readProfileString(profilePath_, kProfileWindow, kModelWidthKey).empty();
    startWidth_ = kept ? std::max(0, w.modelWidth) : -1;
    sized_ = false;
    // Start-up lasts until the user first does something: a window manager gives a new window
    // its size (maximised, say) some time after it is shown, later still while the views set up
    // their graphics, and no event says when it is done.
    qApp->installEventFilter(this);
    // A window that already has its size gets the width now; one yet to be shown gets it when
    // the splitter is given its size.
    if (isVisible()) setSplit(*startWidth_ < 0 ? paneWidth() / 2 : *startWidth_);
}

void MainWindow::endStartUp() {
    if (startWidth_) qApp->removeEventFilter(this);
    startWidth_.reset();
    sized_ = true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (startWidth_) {
        switch (event->type()) {
            case QEvent::Resize:
                // The splitter has its new width already; the kept width is laid out against it.
                if (watched == splitter_) setSplit(*startWidth_ < 0 ? paneWidth() / 2 : *startWidth_);
                break;
            case QEvent::MouseButtonPress:
            case QEvent::KeyPress:
            case QEvent::Wheel: endStartUp(); break;
            default: break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::savePlacement() {
    WindowPlacement w;
    const QRect r = normalGeometry();
    w.left = r.left();
    w.top = r.top();
    w.right = r.right() + 1;
    w.bottom = r.bottom() + 1;
    w.show = isMaximized() ? 3 : 1;
    w.modelWidth = splitter_->sizes().value(0);
    saveWindowPlacement(profilePath_, w);
    writeProfileString(profilePath_, kProfileBarState, kBarStateKey, saveState().toBase64().toStdString());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!askSaveChanges()) {
        event->ignore();
        return;
    }
    savePlacement();
    saveSettings(doc_.settings(), profilePath_);
    // Saved or given up: either way nothing is left to recover.
    if (autoSaver_) autoSaver_->finish();
    event->accept();
}

void MainWindow::keepRecoveryCopies(RecoveryStore& store) {
    recovery_ = &store;
    autoSaver_ = std::make_unique<AutoSaver>(doc_, store);
    autoSaveTimer_ = new QTimer(this);
    // The interval is read at every tick, so a change in "Other Configurations" counts at once.
    connect(autoSaveTimer_, &QTimer::timeout, this, [this] {
        autoSaver_->setInterval(autoSaveInterval(doc_.settings().iAutoSaveMinutes));
        autoSaver_->poll();
    });
    autoSaver_->setInterval(autoSaveInterval(doc_.settings().iAutoSaveMinutes));
    autoSaveTimer_->start(1000);
}

bool MainWindow::offerRecovery() {
    if (!recovery_) return false;
    const bool restored = plikatra::offerRecovery(doc_, *recovery_, frontEnd_);
    if (restored) updateCommands();
    return restored;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    if (askSaveChanges()) openFile(urls.front().toLocalFile());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    const int oldWidth = event->oldSize().width();
    QMainWindow::resizeEvent(event);
    // The sizes of start-up keep the stored pane width (see eventFilter); later width changes
    // split the window in half.
    if (sized_ && !startWidth_ && oldWidth > 0 && oldWidth != width()) setSplit(paneWidth() / 2);
}

}  // namespace plikatra
