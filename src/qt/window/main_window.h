// The main window of the desktop program: menus, tool bars and the development bar made from
// the command table, the split panes with the 3D model view and the development view, the
// status bar, and the document's life from opening to the question before closing.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>

#include "app/commands.h"
#include "app/document.h"
#include "qt/window/qt_front_end.h"
#include "app/recent_files.h"
#include "app/recovery.h"

class QAction;
namespace plikatra {
class ObjectListWindow;
class OutputCommands;
class TextureConfigurationWindow;
}
class QCheckBox;
class QLabel;
class QMenu;
class QSplitter;
class QTextBrowser;
class QTimer;

namespace plikatra {

inline constexpr const char* kMsgSaveChanges = "Save the changes to %s?";
inline constexpr const char* kMsgScreenDepth = "Screen must be High Color (16 bit) or greater";
inline constexpr const char* kMsgHelpMissing = "Cannot find help file";
inline constexpr const char* kOpenFilter =
    "All Supported Formats|*.ufd;*.6ks;*.6kt;*.obj;*.dxf;*.mqo;*.3ds;*.lwo;*.stl;*.ply;*.gltf;*.glb;*.3mf;|Plikatra Designer Files "
    "(*.ufd)|*.ufd|HexaKing Super (*.6kt, *.6ks)|*.6ks;*.6kt|Wavefront (*.obj)|*.obj|AutoCAD "
    "(*.dxf)|*.dxf|Metasequoia (*.mqo)|*.mqo|3D Studio (*.3ds)|*.3ds|Lightwave (*.lwo)|*.lwo|"
    "Stereolithography (*.stl)|*.stl|Polygon File (*.ply)|*.ply|"
    "glTF 2.0 (*.gltf, *.glb)|*.gltf;*.glb|3D Manufacturing Format (*.3mf)|*.3mf||";
inline constexpr const char* kSaveFilter = "Plikatra Designer Files (*.ufd)|*.ufd||";

class MainWindow : public QMainWindow, private CommandHost {
    Q_OBJECT
public:
    // `profilePath`: the profile the window keeps its place, bars, recent files and the
    // settings in.
    MainWindow(Document& doc, QtFrontEnd& frontEnd, std::string profilePath);
    ~MainWindow() override;

    // Opens `path` as a document (OpenFile); false when it could not be opened.
    bool openFile(const QString& path);
    // Asks "Save the changes to ...?" when the document is modified; false when the user
    // cancelled, so the operation that asked must stop.
    bool askSaveChanges();
    bool save();
    bool saveAs();
    // Runs a command as its menu item does; disabled commands do nothing.
    void run(CommandId id);
    // Re-evaluates every command's enable and check state.
    void updateCommands();

    QAction* action(CommandId id) const;
    QWidget* modelView() const { return modelView_; }
    QWidget* developmentView() const { return developmentView_; }
    QSplitter* splitter() const { return splitter_; }
    const RecentFiles& recentFiles() const { return recent_; }
    ObjectListWindow* objectListWindow() const { return objectList_; }
    TextureConfigurationWindow* textureWindow() const { return textureWindow_; }
    // The program's own help window, shown when no browser takes the help; null until then.
    QTextBrowser* helpWindow() const { return helpWindow_; }
    // Saving, printing and copying the development.
    OutputCommands& outputCommands() const { return *output_; }
    // What the graphics implementation says of itself, for the information dialogs.
    void setGraphicsInfo(const std::string& version, const std::string& renderer, int maxTextureSize);

    // Restores placement and bar state from the profile, and the pane width once the window
    // has its size: the width kept is given back at every size the window takes while it
    // starts (a window manager maximises after the window is shown), until the user first
    // clicks, types or divides the panes. Saved on close.
    void restorePlacement();
    void savePlacement();

    // Keeps recovery copies of unsaved work in `store` (which must outlive the window), at the
    // interval the settings ask for; a normal close removes the copy.
    void keepRecoveryCopies(RecoveryStore& store);
    // At start-up: offers the work that a program which did not end normally left behind.
    bool offerRecovery();
    AutoSaver* autoSaver() const { return autoSaver_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createDevelopmentBar();
    void rebuildRecentMenu();
    void documentChanged(DocumentEvent event);
    void updateTitle();
    void openCommand();
    // Writes the work file to `path`; a failure is shown with the file and why.
    bool saveTo(const std::string& path);
    // The width the two panes share: the splitter's less its handle.
    int paneWidth() const;
    // Gives the 3D pane `modelWidth` (at most all) and the development view the rest.
    void setSplit(int modelWidth);
    // Start-up is over: the kept pane width is no longer given back, and from now on a change
    // of the window's width splits the panes in half.
    void endStartUp();
    // What the commands ask of the window (see CommandHost).
    void openDocument() override;
    void saveDocument() override;
    void saveDocumentAs() override;
    void exitProgram() override;
    void showObjectList() override;
    void saveDevelopment() override;
    void exportPdf() override;
    void print() override;
    void printPreview() override;
    void printerSetup() override;
    void pageSettings() override;
    void copyBitmap() override;
    void copyMetafile() override;
    void modelInfo() override;
    void openGlInfo() override;
    void about() override;
    void lineTypeConfiguration() override;
    void flapConfiguration() override;
    void joinNumberConfiguration() override;
    void colorConfiguration() override;
    void otherConfigurations() override;
    void splitWindow() override;
    void onlyDevelopmentWindow() override;
    // Opens the bundled help in the browser, or in a window of its own when there is none.
    void openHelp() override;
    bool unfoldAutomatically(const Settings& settings) const override;
    void busy(bool on) override;
    // A popup menu of these commands' actions at a screen position.
    void updateFlapCount();
    void popupCommands(std::initializer_list<CommandId> ids, QPoint globalPos);

    Document& doc_;
    QtFrontEnd& frontEnd_;
    std::string profilePath_;
    RecentFiles recent_;
    std::map<CommandId, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPointer<QWidget> modelView_;
    QPointer<QWidget> developmentView_;
    QCheckBox* autoCheck_ = nullptr;
    QLabel* flapCount_ = nullptr;
    ObjectListWindow* objectList_ = nullptr;
    TextureConfigurationWindow* textureWindow_ = nullptr;
    std::unique_ptr<OutputCommands> output_;
    RecoveryStore* recovery_ = nullptr;
    std::unique_ptr<AutoSaver> autoSaver_;
    QTimer* autoSaveTimer_ = nullptr;
    QTextBrowser* helpWindow_ = nullptr;  // a child of the window
    int listener_ = 0;
    std::string glVersion_, glRenderer_;
    int maxTextureSize_ = 0;
    // The 3D pane width to give back while the window starts; -1 for half the window.
    std::optional<int> startWidth_;
    bool sized_ = false;
};

}  // namespace plikatra
