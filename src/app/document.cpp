#include "app/document.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "app/options.h"
#include "base/file_io.h"
#include "base/progress.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/layout_dialog.h"
#include "development/undo.h"
#include "model/model_clone.h"
#include "output/eps_writer.h"
#include "textures/texture_image.h"

namespace plikatra {

namespace {

constexpr const char* kIdleStatus = "Ready";

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const IndexedUnfoldEngine& defaultEngine() {
    static const IndexedUnfoldEngine engine;
    return engine;
}

}  // namespace

Document::Document(FrontEnd& frontEnd, Settings& settings)
    : frontEnd_(frontEnd), settings_(settings), editor_(*this) {}

Document::~Document() {
    // The editor and the texture window point into the model.
    editor_.setModel(nullptr);
    textures_.rebuild(nullptr);
}

void Document::setModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    notify(DocumentEvent::Modified);
}

int Document::addListener(Listener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void Document::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void Document::notify(DocumentEvent event) {
    switch (event) {
        case DocumentEvent::Modified:
        case DocumentEvent::Feedback:
        case DocumentEvent::ZoomIn:
        case DocumentEvent::ZoomOut:
        case DocumentEvent::ResetView:
        case DocumentEvent::TextureFilter: break;
        default: flapsChecked_ = false; break;  // the development may have changed
    }
    // A listener may add or remove listeners while it is told; work on a copy.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(event);
}

void Document::replaceModel(std::unique_ptr<Model> model) {
    collidingFlaps_.clear();
    flapsChecked_ = false;
    editor_.setModel(nullptr);
    textures_.rebuild(nullptr);
    model_ = std::move(model);
    editor_.setModel(model_.get());
    textures_.rebuild(model_.get());
    resetHistory();
}

void Document::resetHistory() {
    applyHistoryBudget();
    history_.reset(model_.get());
}

void Document::applyHistoryBudget() {
    history_.setBudget(static_cast<std::size_t>(std::max(1, settings_.iUndoMemoryMB)) << 20);
}

template <class Command>
bool Document::replacingStep(const char* name, Command command) {
    if (!model_) return command();
    std::unique_ptr<Model> before = history_.canKeep(*model_) ? cloneModel(*model_) : nullptr;
    if (!command()) {
        // A command that changed nothing, or was cancelled and put things back.
        history_.recordEdit(name, *model_);
        return false;
    }
    if (before) history_.recordReplacement(name, std::move(before), *model_);
    else history_.forget(*model_);
    return true;
}

void Document::stepFinished(const char* name) {
    if (model_) history_.recordEdit(name, *model_);
}

bool Document::undo() { return historyStep(true); }
bool Document::redo() { return historyStep(false); }

bool Document::historyStep(bool undo) {
    if (!model_ || !(undo ? history_.canUndo() : history_.canRedo())) return false;
    const bool hadDevelopment = hasDevelopment();
    // The editor and the texture window point into the model, which a step may replace; the
    // texture window keeps its entry.
    const int textureEntry = textures_.selectedIndex();
    editor_.setModel(nullptr);
    textures_.rebuild(nullptr);
    collidingFlaps_.clear();
    flapsChecked_ = false;
    if (undo) history_.undo(model_);
    else history_.redo(model_);
    editor_.setModel(model_.get());
    textures_.rebuild(model_.get());
    if (textureEntry >= 0) textures_.select(textureEntry);
    computePageGrid(*model_, pageSetupOf(settings_));
    setModified(!history_.atSavedState());
    notify(hadDevelopment != hasDevelopment() ? DocumentEvent::FitSheet : DocumentEvent::Redraw);
    frontEnd_.status(kIdleStatus);
    return true;
}

ModelFileOptions Document::modelFileOptions() const {
    ModelFileOptions options;
    options.surfaceColor = settings_.colors[0];
    options.flapHeight = settings_.dNorishiroHeight;
    options.textureSizeLimit = textureSizeLimit();
    options.settings = workFileSettingsOf(settings_);
    return options;
}

LoadOutcome Document::open(const std::string& path) {
    LoadOutcome outcome;
    std::unique_ptr<Model> model = readModelFile(path, modelFileOptions(), frontEnd_, outcome);
    if (!model) return outcome;
    replaceModel(std::move(model));
    path_ = path;
    hasWorkFilePath_ = outcome.workFile;
    // Every document is called by the file it came from, a model file too, so the window and
    // the save question say which model it is.
    title_ = baseNameOf(path);
    // Other programs hand models over in this file; it is no document of the user's.
    const std::string name = baseNameOf(path);
    if (fileExtension(path) == ".6kt" && name.substr(0, name.size() - 4) == kTemporaryModelName) {
        path_ = std::string(kUntitled) + ".6kt";
        title_ = kUntitled;
        outcome.temporary = true;
    }
    if (outcome.workFile) {
        applyWorkFileSettings(settings_, outcome.carried);
        restoreWorkFileDocument(*model_, frontEnd_.fonts(), frontEnd_, pageSetupOf(settings_));
    }
    notify(DocumentEvent::FileOpened);
    if (!model_->bFinished && model_->faceCount > 1000)
        frontEnd_.message(format(kMsgTooManySurfaces, model_->faceCount), kAppTitle,
                          MessageIcon::Information);
    modified_ = true;
    setModified(false);
    frontEnd_.status(kIdleStatus);
    return outcome;
}

bool Document::restore(std::string_view workFile, const std::string& documentPath,
                       bool workFilePath, Ui& readerUi) {
    LoadOutcome outcome;
    // The name only picks the work file reader.
    std::unique_ptr<Model> model = readModelData(
        std::span(reinterpret_cast<const std::uint8_t*>(workFile.data()), workFile.size()),
        "recovery.ufd", modelFileOptions(), readerUi, outcome);
    if (!model) return false;
    replaceModel(std::move(model));
    path_ = documentPath;
    hasWorkFilePath_ = workFilePath && !documentPath.empty();
    title_ = documentPath.empty() ? std::string(kUntitled) : baseNameOf(documentPath);
    applyWorkFileSettings(settings_, outcome.carried);
    restoreWorkFileDocument(*model_, frontEnd_.fonts(), frontEnd_, pageSetupOf(settings_));
    history_.markUnsaved();
    notify(DocumentEvent::FileOpened);
    modified_ = false;
    setModified(true);
    frontEnd_.status(kIdleStatus);
    return true;
}

void Document::adopt(std::unique_ptr<Model> model, const std::string& path) {
    replaceModel(std::move(model));
    path_ = path;
    hasWorkFilePath_ = false;
    title_ = path.empty() ? std::string(kUntitled) : baseNameOf(path);
    if (model_) computePageGrid(*model_, pageSetupOf(settings_));
    notify(DocumentEvent::FileOpened);
    modified_ = true;
    setModified(false);
}

void Document::close() { adopt(nullptr); }

WorkFileDocumentState Document::workFileState() const {
    WorkFileDocumentState state;
    state.bFinished = model_ && model_->bFinished;
    state.settings = workFileSettingsOf(settings_);
    return state;
}

bool Document::save(const std::string& path, std::string* error) {
    if (!model_) {
        if (error) *error = kMsgCannotWriteFile;
        return false;
    }
    // A large file shows its progress, with Cancel, once saving has taken a moment; a small
    // one is written before a window could even be seen.
    const auto start = std::chrono::steady_clock::now();
    const double estimate = static_cast<double>(estimatedWorkFileBytes(*model_));
    std::optional<Progress> window;
    const SaveProgress progress = [&](std::size_t written) {
        if (!window) {
            if (std::chrono::steady_clock::now() - start < kSaveProgressDelay) return true;
            window.emplace(&frontEnd_.progress(), kSaveTitle, true);
            window->setRange(0, 100);
            window->setText("%s", kSaveText);
        }
        window->setPos(static_cast<int>(std::min(99.0, written * 100.0 / estimate)));
        return window->peekAndPump(true);
    };
    if (!writeWorkFile(*model_, path, workFileState(), error, progress)) return false;
    path_ = path;
    title_ = baseNameOf(path);
    hasWorkFilePath_ = true;
    history_.markSaved();
    setModified(false);
    return true;
}

bool Document::exportEps(const std::string& path, std::string* error) {
    if (!model_) {
        if (error) *error = kMsgCannotWriteFile;
        return false;
    }
    return writeEpsFile(*model_, epsOptionsOf(settings_), path, error);
}

bool Document::exportEpsAsked(const std::string& path, std::string* error) {
    if (!model_) return false;
    EpsSaveSettings state = initialEpsSaveSettings(*model_, settings_.bOmitFillFaceInEPS,
                                                   settings_.bOmitFillNorishiroInEPS);
    if (!frontEnd_.epsSaveSettings(state)) return false;
    settings_.bOmitFillFaceInEPS = state.omitFillFace;
    settings_.bOmitFillNorishiroInEPS = state.omitFillFlap;
    return exportEps(path, error);
}

void Document::setUnfoldEngine(const UnfoldEngine* engine) { engine_ = engine; }

void Document::setLayoutSearch(LayoutSearch search) { layoutSearch_ = search; }

const std::vector<FlaggedFlap>& Document::collidingFlaps() {
    if (!flapsChecked_) {
        collidingFlaps_.clear();
        if (hasDevelopment()) collidingFlaps_ = findCollidingFlaps(*model_, editorOptions().flapReverse);
        flapsChecked_ = true;
    }
    return collidingFlaps_;
}

bool Document::createDevelopment(bool autoLayout) {
    if (!model_) return false;
    frontEnd_.status("");
    settings_.bKavimoAllAuto = autoLayout;
    settings_.autoCheck = autoLayout;
    setModified();
    if (model_->bFinished) return false;
    editor_.reset();
    bool created = false;
    LayoutParams params = layoutParamsOf(settings_, layoutMode_);
    params.search = layoutSearch_;
    bool chosen = true;
    if (autoLayout) {
        settings_.layoutSpacingPercent = 15;
        params.spacingPercent = 15;
        params.mode = kLayoutAuto;
    } else {
        LayoutDialog dialog = LayoutDialog::initial(*model_, params, false);
        chosen = frontEnd_.layoutMethod(dialog);
        if (chosen) {
            dialog.apply(*model_, params);
            storeLayoutParams(settings_, params);
        }
    }
    if (chosen) {
        layoutMode_ = params.mode;
        const UnfoldEngine& engine = engine_ ? *engine_ : defaultEngine();
        created = replacingStep("Create Development", [&] {
            return runUnfolding(*model_, engine, unfoldOptionsOf(settings_), params, frontEnd_,
                                &times_);
        });
    }
    notify(DocumentEvent::FitSheet);
    return created;
}

bool Document::undoDevelopment() {
    if (!hasDevelopment()) return false;
    if (modified_ && frontEnd_.ask(kMsgUndoDevelopmentLosesEdits, kAppTitle, Buttons::OkCancel,
                                   MessageIcon::Information) == Answer::Cancel)
        return false;
    bool keepTexts = false;
    if (!model_->texts.empty())
        keepTexts = frontEnd_.ask(kMsgKeepTexts, kAppTitle, Buttons::YesNo,
                                  MessageIcon::Question) == Answer::Yes;
    editor_.reset();
    replacingStep("Delete Development", [&] {
        discardDevelopment(*model_);
        if (!keepTexts) model_->texts.clear();
        for (auto& solid : model_->solids)
            for (auto& f : solid->faces)
                for (auto& h : f->halfedges) h->lineShown = true;
        setFlapHeights(*model_, settings_.dNorishiroHeight);
        return true;
    });
    setModified();
    notify(DocumentEvent::FitSheet);
    frontEnd_.status(kIdleStatus);
    return true;
}

bool Document::recalculateLayout() {
    if (!hasDevelopment()) return false;
    LayoutParams params = layoutParamsOf(settings_, layoutMode_);
    params.search = layoutSearch_;
    LayoutDialog dialog = LayoutDialog::initial(*model_, params, true);
    if (!frontEnd_.layoutMethod(dialog)) return false;
    dialog.apply(*model_, params);
    storeLayoutParams(settings_, params);
    layoutMode_ = params.mode;
    model_->bFinished = false;
    layoutParts(*model_, params, frontEnd_);
    model_->bFinished = true;
    computePageGrid(*model_, pageSetupOf(settings_));
    stepFinished("Recalculate Parts Layout");
    setModified();
    notify(DocumentEvent::Redraw);
    return true;
}

void Document::chooseEditMode(int mode) {
    editor_.chooseMode(mode);
    if (editor_.mode() == kModeEditFlap && !settings_.bDrawNorishiro) {
        settings_.bDrawNorishiro = true;
        frontEnd_.message(kMsgFlapsShown, kAppTitle, MessageIcon::Information);
        notify(DocumentEvent::Redraw);
    }
}

void Document::chooseModelEditMode(int mode) {
    modelEditMode_ = mode == modelEditMode_ ? kModelEditNone : mode;
    notify(DocumentEvent::Redraw);
}

void Document::setHideSurface(bool on) {
    hideSurface_ = on;
    notify(DocumentEvent::Redraw);
}

void Document::setShowPageNumbers(bool on) {
    showPageNumbers_ = on;
    notify(DocumentEvent::Redraw);
}

bool Document::scaleToSize() {
    if (!hasDevelopment()) return false;
    LayoutDialog dialog =
        LayoutDialog::initial(*model_, layoutParamsOf(settings_, layoutMode_), true);
    if (!frontEnd_.developmentSize(dialog) || !dialog.validate().empty()) return false;
    return editor_.scaleTo(dialog.scale);
}

bool Document::modelCommand(bool done, bool modifies) {
    if (!done) return false;
    if (modifies) setModified();
    notify(DocumentEvent::Redraw);
    return true;
}

bool Document::resetEdgeAttributes() {
    const bool done = plikatra::resetEdgeAttributes(model_.get());
    if (done) stepFinished("Reset Edge Attribute");
    return modelCommand(done, true);
}
bool Document::reverseSurfaceDirection() {
    return modelCommand(replacingStep("Reverse Surface Direction", [&] {
                            return plikatra::reverseSurfaceDirection(model_.get());
                        }),
                        false);
}
bool Document::mirrorModel(Axis axis) {
    const char* name = axis == Axis::X   ? "Reverse X-Coordinate"
                       : axis == Axis::Y ? "Reverse Y-Coordinate"
                                         : "Reverse Z-Coordinate";
    return modelCommand(
        replacingStep(name, [&] { return plikatra::mirrorModel(model_.get(), axis); }), false);
}
bool Document::reverseTextureU() {
    return modelCommand(replacingStep("Reverse Texture's U-Coordinate",
                                      [&] { return reverseTextureUCoordinate(model_.get()); }),
                        false);
}
bool Document::reverseTextureV() {
    return modelCommand(replacingStep("Reverse Texture's V-Coordinate",
                                      [&] { return reverseTextureVCoordinate(model_.get()); }),
                        false);
}
bool Document::joinAdjacentIsolatedEdges() {
    return modelCommand(replacingStep("Join Adjacent Isolated Edge",
                                      [&] { return plikatra::joinAdjacentIsolatedEdges(model_.get()); }),
                        false);
}

bool Document::canMarkEdge(const Edge& edge) const {
    return plikatra::canMarkEdge(edge, settings_.bCullEdge, settings_.iAngleEps);
}

bool Document::toggleEdgeMark(Edge& edge) {
    if (!modelCommandsEnabled(model_.get())) return false;
    const bool done =
        plikatra::toggleEdgeMark(edge, modelEditMode_, settings_.bCullEdge, settings_.iAngleEps);
    if (done) stepFinished(modelEditMode_ == kModelEditKeep ? "Specify Edge Not to Cut" : "Specify Cut Edge");
    return modelCommand(done, true);
}

void Document::setTexture() {
    if (!model_) return;
    if (!model_->bTextureCoodinates) {
        frontEnd_.message(kMsgNoTextureCoordinates, kAppTitle, MessageIcon::Warning);
        return;
    }
    if (model_->materials.size() >= 2) {
        frontEnd_.showTextureConfiguration();
        textures_.open();
        notify(DocumentEvent::Redraw);
        return;
    }
    const std::optional<std::string> path = frontEnd_.chooseTextureFile();
    if (!path) return;
    const bool attached = replacingStep("Set Texture", [&] {
        Material& target =
            model_->materials.empty() ? model_->defaultMaterial : *model_->materials.front();
        return attachTextureFile(target, *path, textureSizeLimit(), frontEnd_);
    });
    if (!attached) {
        frontEnd_.message(kMsgTextureLoadFailed, kAppTitle, MessageIcon::Warning);
        return;
    }
    setModified();
    notify(DocumentEvent::Redraw);
}

void Document::selectTextureEntry(int index) {
    textures_.select(index);
    notify(DocumentEvent::Redraw);
}

void Document::specifyTexture() {
    if (!textures_.selectedMaterial()) return;
    const std::optional<std::string> path = frontEnd_.chooseTextureFile();
    if (!path || !replacingStep("Set Texture", [&] {
            return textures_.specifyTexture(*path, textureSizeLimit(), frontEnd_);
        }))
        return;
    notify(DocumentEvent::Redraw);
    setModified();
}

void Document::resetTexture() {
    if (!replacingStep("Reset Texture", [&] { return textures_.resetTexture(); })) return;
    notify(DocumentEvent::Redraw);
    setModified();
}

void Document::closeTextureConfiguration() {
    textures_.close();
    notify(DocumentEvent::Redraw);
}

void Document::setMaxTextureSize(int size) {
    if (size >= 1) maxTextureSize_ = size;
}

int Document::textureSizeLimit() const { return textureSizeLimitOf(settings_, maxTextureSize_); }

void Document::settingsChanged(DocumentEvent event) {
    updateDerivedSettings(settings_);
    applyHistoryBudget();
    if (model_) computePageGrid(*model_, pageSetupOf(settings_));
    notify(event);
}

void Document::applyDefaultColor() {
    if (!model_ || !model_->bFinished) return;
    const Rgb c = settingColorOf(settings_.colors[0]);
    // Only red, green and blue: the material keeps its alpha.
    Material& m = model_->defaultMaterial;
    m.ambient.r = c.r, m.ambient.g = c.g, m.ambient.b = c.b;
    m.diffuse.r = c.r, m.diffuse.g = c.g, m.diffuse.b = c.b;
    m.flatColor = c;
}

void Document::setColor(int index, ColorRef color) {
    plikatra::setColor(settings_, index, color);
    if (index == 0) applyDefaultColor();
}

void Document::resetColors() {
    plikatra::resetColors(settings_);
    applyDefaultColor();
}

bool Document::resetSettings() {
    if (!resetToDefault(settings_, frontEnd_)) return false;
    applyDefaultColor();
    settingsChanged(DocumentEvent::FitSheet);
    return true;
}

EditorOptions Document::editorOptions() const { return editorOptionsOf(settings_); }

void Document::status(const std::string& text) { frontEnd_.status(text); }

Fonts& Document::fonts() { return frontEnd_.fonts(); }

bool Document::inputText(TextDialogValues& values) { return frontEnd_.inputText(values); }

void Document::edited(DocumentEvent event) {
    setModified();
    notify(event);
}

void Document::redraw() { notify(DocumentEvent::Feedback); }

}  // namespace plikatra
