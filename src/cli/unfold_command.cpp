#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/development_summary.h"

namespace plikatra {

int runUnfold(Document& doc, CliFrontEnd& frontEnd, const std::string& path,
              const UnfoldArgs& args, bool json) {
    Settings& s = doc.settings();
    if (args.algorithm) s.iAlgorithmType = *args.algorithm;
    if (args.paper) setPageType(s, *args.paper);

    const LoadOutcome outcome = doc.open(path);
    if (outcome.result != kReadOk)
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    if (doc.hasDevelopment()) {
        std::cerr << "The file already holds a development." << std::endl;
        return kExitFailed;
    }

    if (args.scale) {
        s.layoutSpacingMm = args.spacingMm.value_or(s.layoutSpacingMm);
        s.bPageDivide = !args.noPageDivide;
        frontEnd.givenScale = args.scale;
    }
    if (!doc.createDevelopment(!args.scale))
        return frontEnd.layoutRefused ? kExitFailed : kExitCancelled;
    const Model& m = *doc.model();
    const UnfoldTimes& times = doc.unfoldTimes();

    std::string error;
    if (!args.out.empty() && !doc.save(args.out, &error)) {
        std::cerr << error << std::endl;
        return kExitFailed;
    }
    if (!args.eps.empty() && !doc.exportEps(args.eps, &error)) {
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
