#include "app/history.h"

#include "model/model_clone.h"

namespace plikatra {

void History::reset(const Model* model) {
    steps_.clear();
    position_ = 0;
    savedPosition_ = 0;
    bytes_ = 0;
    current_ = model ? captureDevelopment(*model) : DevelopmentState{};
}

void History::setBudget(std::size_t bytes) { budget_ = bytes; }

bool History::recordEdit(const std::string& name, const Model& model) {
    DevelopmentState now = captureDevelopment(model);
    Step step;
    step.delta = developmentDelta(current_, now);
    current_ = std::move(now);
    if (step.delta.empty()) return false;
    step.name = name;
    step.bytes = step.delta.bytes() + name.size();
    push(std::move(step));
    return true;
}

bool History::canKeep(const Model& model) const { return approximateModelBytes(model) <= budget_; }

void History::recordReplacement(const std::string& name, std::unique_ptr<Model> before,
                                const Model& model) {
    Step step;
    step.name = name;
    step.bytes = approximateModelBytes(*before) + name.size();
    step.other = std::move(before);
    current_ = captureDevelopment(model);
    push(std::move(step));
}

void History::push(Step step) {
    // A new step after undos drops the steps that could have been redone.
    while (steps_.size() > position_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    if (savedPosition_ > static_cast<long>(position_)) savedPosition_ = -1;
    bytes_ += step.bytes;
    steps_.push_back(std::move(step));
    ++position_;
    // The newest step stays even when it alone is over the budget.
    while (bytes_ > budget_ && steps_.size() > 1) {
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --position_;
        if (savedPosition_ >= 0) --savedPosition_;
    }
}

std::string History::undoName() const { return canUndo() ? steps_[position_ - 1].name : ""; }

std::string History::redoName() const { return canRedo() ? steps_[position_].name : ""; }

void History::apply(Step& step, std::unique_ptr<Model>& model, bool forward) {
    if (step.other) {
        std::swap(model, step.other);
        // The step now holds the model of its other side; its size is the same to within the
        // development's, which the budget can ignore.
        current_ = captureDevelopment(*model);
    } else {
        applyDelta(*model, step.delta, forward);
        applyDelta(current_, step.delta, forward);
    }
}

bool History::undo(std::unique_ptr<Model>& model) {
    if (!canUndo() || !model) return false;
    --position_;
    apply(steps_[position_], model, false);
    return true;
}

bool History::redo(std::unique_ptr<Model>& model) {
    if (!canRedo() || !model) return false;
    apply(steps_[position_], model, true);
    ++position_;
    return true;
}

}  // namespace plikatra
