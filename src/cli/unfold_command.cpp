#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/settings.h"
#include "app/ui.h"
#include "cli/commands.h"
#include "cli/development_summary.h"
#include "development/layout.h"
#include "development/unfolding.h"
#include "import/model_loader.h"
#include "output/eps_writer.h"
#include "workfile/work_file_writer.h"

namespace plikatra {

int runUnfold(const std::string& path, const UnfoldArgs& args, bool json) {
    Settings& s = settings();
    if (args.algorithm) s.iAlgorithmType = *args.algorithm;
    if (args.paper) {
        std::string error;
        if (!setSettingByName("iPageType", std::to_string(*args.paper), &error)) {
            std::cerr << error << std::endl;
            return kExitFailed;
        }
    }

    const LoadOutcome outcome = loadModel(path);
    if (outcome.result != kReadOk)
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    Model& m = *currentModel();
    if (m.bFinished) {
        std::cerr << "The file already holds a development." << std::endl;
        return kExitFailed;
    }

    bool dialogRefused = false;
    if (args.scale) {
        // A given scale is what the layout dialog stores on OK in its second mode.
        s.bKavimoAllAuto = false;
        s.layoutSpacingMm = args.spacingMm.value_or(s.layoutSpacingMm);
        s.bPageDivide = !args.noPageDivide;
        setLayoutDialogRunner([&s, &args, &dialogRefused](LayoutDialog& d) {
            d.mode = kLayoutGivenScale;
            d.spacingMm = s.layoutSpacingMm;
            d.pageDivide = s.bPageDivide;
            d.setScale(*args.scale);
            const std::string problem = d.validate();
            if (!problem.empty()) {
                ui().message(problem, kAppTitle, MessageIcon::Warning);
                dialogRefused = true;
                return false;
            }
            return true;
        });
    } else {
        s.bKavimoAllAuto = true;
    }

    static const ReferenceUnfoldEngine engine;
    UnfoldTimes times;
    if (!createDevelopment(m, engine, &times)) return dialogRefused ? kExitFailed : kExitCancelled;

    std::string error;
    if (!args.out.empty() && !writeWorkFile(m, args.out, &error)) {
        std::cerr << error << std::endl;
        return kExitFailed;
    }
    if (!args.eps.empty() && !writeEpsFile(m, args.eps, &error)) {
        std::cerr << error << std::endl;
        return kExitFailed;
    }

    if (json) {
        nlohmann::json j = developmentJson(m);
        j["unfold_ms"] = times.unfoldMs;
        j["layout_ms"] = times.layoutMs;
        std::cout << j.dump(2) << std::endl;
    } else {
        printDevelopment(m);
        std::printf("unfold: %.1f ms, layout: %.1f ms\n", times.unfoldMs, times.layoutMs);
    }
    return kExitOk;
}

}  // namespace plikatra
