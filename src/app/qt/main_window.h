// The main window of the desktop program: menus, tool bars and the development bar made from
// the command table, the split panes with the 3D model view and the development view, the
// status bar, and the document's life from opening to the question before closing.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <initializer_list>
#include <map>
#include <memory>

#include "app/commands.h"
#include "app/document.h"
#include "app/qt/qt_front_end.h"
#include "app/recent_files.h"

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

namespace plikatra {

inline constexpr const char* kMsgSaveChanges = "Save the changes to %s?";
inline constexpr const char* kMsgScreenDepth = "Screen must be High Color (16 bit) or greater";
inline constexpr const char* kMsgHelpMissing = "Cannot find help file";
inline constexpr const char* kOpenFilter =
    "All Supported Formats|*.ufd;*.6ks;*.6kt;*.obj;*.dxf;*.mqo;*.3ds;*.lwo;*.stl;*.ply;*.gltf;*.glb;|Plikatra Designer Files "
    "(*.ufd)|*.ufd|HexaKing Super (*.6kt, *.6ks)|*.6ks;*.6kt|Wavefront (*.obj)|*.obj|AutoCAD "
    "(*.dxf)|*.dxf|Metasequoia (*.mqo)|*.mqo|3D Studio (*.3ds)|*.3ds|Lightwave (*.lwo)|*.lwo|"
    "Stereolithography (*.stl)|*.stl|Polygon File (*.ply)|*.ply|"
    "glTF 2.0 (*.gltf, *.glb)|*.gltf;*.glb||";
inline constexpr const char* kSaveFilter = "Plikatra Designer Files (*.ufd)|*.ufd||";

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Document& doc, QtFrontEnd& frontEnd);
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
    // Saving, printing and copying the development.
    OutputCommands& outputCommands() const { return *output_; }
    // What the graphics implementation says of itself, for the information dialogs.
    void setGraphicsInfo(const std::string& version, const std::string& renderer, int maxTextureSize);

    // Restores placement, pane width and bar state from the profile; saves them on close.
    void restorePlacement();
    void savePlacement();
    // From now on a change of the window's width splits the panes in half.
    void followResizes() { sized_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createDevelopmentBar();
    void rebuildRecentMenu();
    void documentChanged(DocumentEvent event);
    void updateTitle();
    void openCommand();
    void setSplit(int modelWidth);
    void openHelp();
    // A popup menu of these commands' actions at a screen position.
    void updateFlapCount();
    void popupCommands(std::initializer_list<CommandId> ids, QPoint globalPos);

    Document& doc_;
    QtFrontEnd& frontEnd_;
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
    int listener_ = 0;
    std::string glVersion_, glRenderer_;
    int maxTextureSize_ = 0;
    bool sized_ = false;
};

}  // namespace plikatra
