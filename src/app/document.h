// The one open document: the model with its development, the file it came from, the modified
// flag, the development editor with its undo record, and every operation a user can run on
// them. The desktop program and the command-line tool both drive it; it reaches the person in
// front of it only through its FrontEnd, and tells its listeners (the views, the window) what
// changed through typed events.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/front_end.h"
#include "app/history.h"
#include "app/open_model.h"
#include "app/unfold_run.h"
#include "base/settings.h"
#include "development/document_event.h"
#include "development/editing.h"
#include "development/editor_host.h"
#include "development/flap_checks.h"
#include "development/unfold_engine.h"
#include "model/model.h"
#include "model/model_commands.h"
#include "textures/texture_commands.h"
#include "workfile/work_file_writer.h"

namespace plikatra {

inline constexpr const char* kSaveTitle = "Save";
inline constexpr const char* kSaveText = "Saving the work file...";
inline constexpr std::chrono::milliseconds kSaveProgressDelay{300};

inline constexpr const char* kUntitled = "Untitled";
// Base name of the file through which other programs hand a model over.
inline constexpr const char* kTemporaryModelName = "Plikatra_TMP";
inline constexpr const char* kMsgUndoDevelopmentLosesEdits =
    "All edits to the development will not be saved when you select this operation.";
inline constexpr const char* kMsgKeepTexts =
    "Do you want to keep text in development window?\n(When you select Yes, the text will appear "
    "when unfolded next time.)";
inline constexpr const char* kMsgFlapsShown = "Configuration is changed to show flaps.";

class Document : private EditorHost {
public:
    using Listener = std::function<void(DocumentEvent)>;

    // Neither is owned; both must outlive the document.
    Document(FrontEnd& frontEnd, Settings& settings);
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    FrontEnd& frontEnd() const { return frontEnd_; }
    Settings& settings() const { return settings_; }
    // The model; null while no document is open.
    Model* model() const { return model_.get(); }
    bool hasDevelopment() const { return model_ && model_->bFinished; }
    // The file the document came from ("" for a new one).
    const std::string& path() const { return path_; }
    // Base name and extension of the file the document came from or was saved to; "Untitled"
    // for none and for the exchange file of other programs.
    const std::string& title() const { return title_; }
    // The document was read from or written to a work file, so "&Save" needs no name.
    bool hasWorkFilePath() const { return hasWorkFilePath_; }
    bool modified() const { return modified_; }
    void setModified(bool modified = true);

    DevelopmentEditor& editor() { return editor_; }
    const DevelopmentEditor& editor() const { return editor_; }

    // Listeners are told about every change, in the order they were added.
    int addListener(Listener listener);
    void removeListener(int id);
    // Broadcasts `event` to the listeners (the view commands: zoom, reset view...).
    void notify(DocumentEvent event);

    // Opens `path` by its extension. On success the new model replaces the document (the
    // previous one is destroyed), the settings a work file carries take effect and the
    // listeners hear FileOpened; on failure everything stays as it was.
    LoadOutcome open(const std::string& path);
    // Puts back work held in memory (`workFile`, the text of a work file, as a recovery copy
    // keeps it) as the document `documentPath`, modified: saving writes where the user
    // expects, and asks for a work file name unless `workFilePath` (the document had been
    // read from or saved to a work file). Messages of the reader go to `readerUi`. False, with
    // everything as it was, when the text does not read.
    bool restore(std::string_view workFile, const std::string& documentPath, bool workFilePath,
                 Ui& readerUi);
    // Makes a model built in memory the document, as if opened from `path`.
    void adopt(std::unique_ptr<Model> model, const std::string& path = "");
    // "New": no model.
    void close();
    // Writes the work file to `path` in one step (a failed save leaves any previous file and
    // the modified flag as they were); on success the document takes the path. A save that
    // takes longer than kSaveProgressDelay shows a progress window whose Cancel stops it:
    // false with an empty error.
    bool save(const std::string& path, std::string* error = nullptr);
    // The document state and settings a work file stores.
    WorkFileDocumentState workFileState() const;
    // Writes the development as EPS with the current settings (no dialog).
    bool exportEps(const std::string& path, std::string* error = nullptr);
    // The same after "EPS Save Settings", whose check boxes OK stores in the settings; false
    // without writing anything when the dialog was cancelled.
    bool exportEpsAsked(const std::string& path, std::string* error = nullptr);

    // The part-growing engine of "Create Development"; null returns to the default, indexed
    // engine.
    void setUnfoldEngine(const UnfoldEngine* engine);
    // How the layout finds each part's place (indexed by default; the scan gives the same
    // layout slowly, for comparison).
    void setLayoutSearch(LayoutSearch search);
    // Dialog-bar "Create Development" with the "Auto" check box: unfolds and lays out (asking
    // for the layout method unless automatic). Returns whether a development was created.
    bool createDevelopment(bool autoLayout);
    // Dialog-bar "Undo": discards the development after the questions. False when refused.
    bool undoDevelopment();
    // "&Recalculate Parts Layout": asks for the layout method and lays the parts out again.
    bool recalculateLayout();
    // How long the last unfolding's growing and layout took.
    const UnfoldTimes& unfoldTimes() const { return times_; }
    // The layout mode last chosen.
    int layoutMode() const { return layoutMode_; }

    // An edit-mode command of the development (Edit Flap also turns flaps on).
    void chooseEditMode(int mode);
    // The 3D view's edit modes: 1 cut, 2 keep; choosing the active one returns to 0.
    void chooseModelEditMode(int mode);
    int modelEditMode() const { return modelEditMode_; }
    // "&Hide Surface": the 3D view shows only edges. "Show &Page Number to Verify": the
    // development view labels its pages. Both are switches of the running program.
    bool hideSurface() const { return hideSurface_; }
    void setHideSurface(bool on);
    bool showPageNumbers() const { return showPageNumbers_; }
    void setShowPageNumbers(bool on);
    // "&Scale Development to Specified Size)...".
    bool scaleToSize();
    // The history: Undo takes the last step back (the first Undo is "&Undo Last Editing"),
    // Redo does an undone step again. Every development edit, model command, Create and Delete
    // Development, layout and scale change is a step.
    bool canUndo() const { return model_ && history_.canUndo(); }
    bool canRedo() const { return model_ && history_.canRedo(); }
    std::string undoName() const { return history_.undoName(); }
    std::string redoName() const { return history_.redoName(); }
    bool undo();
    bool redo();
    void undoLastEdit() { undo(); }
    // After a change of the development or the edge marks made outside the editor and the
    // document's own commands (a dialog that changes every flap): makes it one step of the
    // history, named `name`.
    void recordStep(const char* name) { stepFinished(name); }
    const History& history() const { return history_; }
    // "Shorten Flaps That Collide": returns how many flaps were shortened (undoable).
    int shortenCollidingFlaps() { return editor_.shortenCollidingFlaps(); }
    // The flaps of the development that collide with their part or do not fit under their
    // face, found again after any change of the development (empty without one).
    const std::vector<FlaggedFlap>& collidingFlaps();

    // Commands on the 3D model, enabled while a model has no development.
    bool resetEdgeAttributes();
    bool reverseSurfaceDirection();
    bool mirrorModel(Axis axis);
    bool reverseTextureU();
    bool reverseTextureV();
    bool joinAdjacentIsolatedEdges();
    // A click on an edge in the 3D view's cut or keep mode.
    bool canMarkEdge(const Edge& edge) const;
    bool toggleEdgeMark(Edge& edge);

    // "Set &Texture...", and the "Texture Configuration" window's buttons.
    void setTexture();
    TextureConfiguration& textureConfiguration() { return textures_; }
    void selectTextureEntry(int index);
    void specifyTexture();
    void resetTexture();
    void closeTextureConfiguration();
    // The graphics implementation's largest texture side, read by the 3D view.
    void setMaxTextureSize(int size);
    int textureSizeLimit() const;

    // After a dialog changed settings that the development depends on: recomputes the page
    // grid and tells the views (FitSheet for page settings, Redraw otherwise).
    void settingsChanged(DocumentEvent event = DocumentEvent::Redraw);
    // A colour of the colour table; colour 0 also recolours the default material while a
    // development exists.
    void setColor(int index, ColorRef color);
    void resetColors();
    // "&Reset to Default", after its question. False when the user cancelled.
    bool resetSettings();

private:
    // EditorHost
    EditorOptions editorOptions() const override;
    void status(const std::string& text) override;
    Fonts& fonts() override;
    bool inputText(TextDialogValues& values) override;
    void edited(DocumentEvent event) override;
    void redraw() override;
    void stepFinished(const char* name) override;

    // Runs `command`, which changes the model as a whole; when it did, the model as it was
    // becomes a step of the history (or, too large for the history's budget, ends it).
    template <class Command>
    bool replacingStep(const char* name, Command command);
    bool historyStep(bool undo);
    void resetHistory();
    void applyHistoryBudget();

    void replaceModel(std::unique_ptr<Model> model);
    ModelFileOptions modelFileOptions() const;
    void applyDefaultColor();
    bool modelCommand(bool done, bool modifies);

    FrontEnd& frontEnd_;
    Settings& settings_;
    std::unique_ptr<Model> model_;
    std::string path_;
    std::string title_ = kUntitled;
    bool hasWorkFilePath_ = false;
    bool modified_ = false;
    DevelopmentEditor editor_;
    History history_;
    TextureConfiguration textures_;
    std::vector<FlaggedFlap> collidingFlaps_;
    bool flapsChecked_ = false;
    int modelEditMode_ = kModelEditNone;
    bool hideSurface_ = false;
    bool showPageNumbers_ = false;
    int layoutMode_ = 0;
    int maxTextureSize_ = kMinTextureSide;
    const UnfoldEngine* engine_ = nullptr;
    LayoutSearch layoutSearch_ = LayoutSearch::Indexed;
    UnfoldTimes times_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
};

}  // namespace plikatra
