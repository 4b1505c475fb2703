// One unfolding as "Create Development" runs it once the layout is chosen: parts grown face by
// face, laid out on the sheet, closed-up edges joined, cut edges numbered, flaps put on them
// and cuts opened for the 3D view.
#pragma once

#include <chrono>

#include "base/ui.h"
#include "development/layout.h"
#include "development/progress_pacer.h"
#include "development/unfold_engine.h"
#include "model/model.h"

namespace plikatra {

inline constexpr const char* kUnfoldTitle = "Create Development";
inline constexpr const char* kUnfoldText = "Unfolding...";
inline constexpr const char* kMsgUnfoldCancelled = "Canceled development creation";

struct UnfoldTimes {
    double unfoldMs = 0.0;
    double layoutMs = 0.0;
};

// Runs the unfolding with the progress window. Returns false when the user cancelled: the
// message was shown and the parts built so far stay. `times` receives how long growing and
// layout took. The count is shown and Cancel polled at most once per `reportInterval`
// (before every attached face when it is zero).
bool runUnfolding(Model& model, const UnfoldEngine& engine, const UnfoldOptions& options,
                  const LayoutParams& layout, Ui& ui, UnfoldTimes* times = nullptr,
                  std::chrono::milliseconds reportInterval = kProgressInterval);

}  // namespace plikatra
