#include "app/unfold_run.h"

#include <chrono>

#include "base/progress.h"
#include "development/coincident_edges.h"
#include "development/edge_numbering.h"
#include "development/fewest_parts.h"
#include "development/flap_placement.h"
#include "development/flap_sides.h"
#include "development/opened_cuts.h"

namespace plikatra {

namespace {

// Shows the count and polls Cancel at a bounded rate rather than at every attached face:
// formatting two texts and pumping the front end's events per face would cost more than
// attaching it.
class ProgressAdapter : public UnfoldProgress {
public:
    ProgressAdapter(Progress& p, Ui& ui, std::chrono::milliseconds interval)
        : progress_(p), ui_(ui), pacer_(interval) {}
    void beforeAttach(const Model& m) override {
        if (!pacer_.due()) return;
        progress_.setPos(m.facesUnfolded);
        progress_.setText("%s  %d/%d", kUnfoldText, m.facesUnfolded, m.totalFacesToUnfold);
        ui_.status(format("Unfolding:%d/%d", m.facesUnfolded, m.totalFacesToUnfold));
        progress_.checkCancel();
    }
    void afterAttach(const Model&) override {}

private:
    Progress& progress_;
    Ui& ui_;
    ProgressPacer pacer_;
};

}  // namespace

bool runUnfolding(Model& model, const UnfoldEngine& engine, const UnfoldOptions& options,
                  const LayoutParams& layout, Ui& ui, UnfoldTimes* times,
                  std::chrono::milliseconds reportInterval) {
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    {
        Progress progress(&ui.progress(), kUnfoldTitle, true);
        progress.setCaption("Progress");
        int total = 0;
        for (auto& solid : model.solids)
            if (solid->visible) total += static_cast<int>(solid->faces.size());
        model.totalFacesToUnfold = total;
        progress.setRange(0, total);
        progress.setText("%s", kUnfoldText);
        ProgressAdapter adapter(progress, ui, reportInterval);
        try {
            if (options.algorithm == kAlgorithmFewestParts)
                growFewestParts(model, engine, options, adapter);
            else
                engine.growParts(model, options, adapter);
        } catch (const CancelledException&) {
            ui.message(kMsgUnfoldCancelled, kAppTitle, MessageIcon::Information);
            return false;
        }
    }
    const auto t1 = Clock::now();
    layoutParts(model, layout, ui);
    const auto t2 = Clock::now();
    joinCoincidentEdges(model);
    numberEdges(model);
    computeOpenedCuts(model);
    // The fewest-parts method promises a pattern that can be built as it stands, flaps
    // included; the other methods keep one flap on each numbered edge's first halfedge.
    if (options.algorithm == kAlgorithmFewestParts)
        placeFittingFlaps(model, options.flapReverse);
    else
        assignFlapSides(model);
    model.bFinished = true;
    computePageGrid(model, layout.page);
    ui.status("Ready");
    if (times) {
        times->unfoldMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        times->layoutMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    return true;
}

}  // namespace plikatra
