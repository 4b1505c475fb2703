// The document's undo and redo history. Edits of the development and of edge marks are kept as
// the differences of the development state before and after them; commands that change the
// model itself (unfolding, deleting the development, mirroring, reversing faces, joining open
// edges, textures) keep the whole model from the other side of the step and swap it in. A memory
// budget bounds the history: the oldest steps go first.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

#include "development/development_state.h"
#include "model/model.h"

namespace plikatra {

inline constexpr std::size_t kDefaultHistoryBudget = 256u << 20;

class History {
public:
    // A new document (or none): no steps, and `model` is the state the next edit starts from.
    void reset(const Model* model);
    void setBudget(std::size_t bytes);

    // After an edit named `name` (for instance "Move Part") of the development or the edge
    // marks: records what changed since the last step. Nothing is recorded when nothing
    // changed. Returns whether a step was recorded.
    bool recordEdit(const std::string& name, const Model& model);
    // Whether a copy of `model` fits in the budget, so a whole-model command can be undone.
    bool canKeep(const Model& model) const;
    // After a command that replaced or restructured the model: `before` is a copy of the model
    // as it was (see cloneModel), `model` the document's model now.
    void recordReplacement(const std::string& name, std::unique_ptr<Model> before,
                           const Model& model);
    // After a change that cannot be taken back (a model too large to copy): the steps before
    // it no longer apply, and no step is the saved state any more.
    void forget(const Model& model) {
        reset(&model);
        markUnsaved();
    }

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // Names of the steps Undo and Redo would take ("" for none).
    std::string undoName() const;
    std::string redoName() const;
    // Takes the last step back (or does it again) on the document's model, which a
    // whole-model step replaces. False when there is nothing to undo (redo).
    bool undo(std::unique_ptr<Model>& model);
    bool redo(std::unique_ptr<Model>& model);

    // The modified flag follows the history: at the saved position the document is unmodified.
    void markSaved() { savedPosition_ = static_cast<long>(position_); }
    // The document differs from its file in a way no step records (restored recovery work).
    void markUnsaved() { savedPosition_ = -1; }
    bool atSavedState() const { return savedPosition_ == static_cast<long>(position_); }

    std::size_t stepCount() const { return steps_.size(); }
    std::size_t bytes() const { return bytes_; }

private:
    struct Step {
        std::string name;
        DevelopmentDelta delta;
        std::unique_ptr<Model> other;  // whole-model steps: the model on the other side
        std::size_t bytes = 0;
    };
    void push(Step step);
    void apply(Step& step, std::unique_ptr<Model>& model, bool forward);

    std::deque<Step> steps_;
    std::size_t position_ = 0;  // steps_[0, position_) are done
    long savedPosition_ = 0;
    std::size_t bytes_ = 0;
    std::size_t budget_ = kDefaultHistoryBudget;
    DevelopmentState current_;  // the state the document's model is in
};

}  // namespace plikatra
