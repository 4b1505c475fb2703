#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/development_summary.h"
#include "development/unfold_engine.h"

namespace plikatra {

int runUnfold(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const UnfoldArgs& args,
              const CommonArgs& common) {
    Settings& s = doc.settings();
    if (args.algorithm) s.iAlgorithmType = *args.algorithm;
    if (args.paper) setPageType(s, *args.paper);
    // The reference engine with the scanning layout: the plain algorithms, for comparison.
    static const ReferenceUnfoldEngine reference;
    if (args.engine == "reference") {
        doc.setUnfoldEngine(&reference);
        doc.setLayoutSearch(LayoutSearch::Scan);
    }

    if (const int status = openForCommand(doc, frontEnd, path, common); status != kExitOk) return status;
    auto fail = [&](int status) {
        if (common.json) printJsonFailure(status == kExitCancelled ? kReadCancelled : kReadFailed, frontEnd.lastMessage);
        return status;
    };
    if (doc.hasDevelopment()) {
        frontEnd.message("The file already holds a development.", kAppTitle, MessageIcon::Error);
        return fail(kExitFailed);
    }

    const bool given = args.scale || args.assembledSize;
    if (given) {
        s.layoutSpacingMm = args.spacingMm.value_or(s.layoutSpacingMm);
        s.bPageDivide = !args.noPageDivide;
        s.layoutByOutline = args.layout == "nest";
        s.layoutRotationStep = args.rotationStep;
        frontEnd.givenScale = args.scale;
        frontEnd.givenSize = args.assembledSize;
    }
    if (!doc.createDevelopment(!given)) return fail(frontEnd.layoutRefused ? kExitFailed : kExitCancelled);
    if (args.shortenCollidingFlaps) doc.shortenCollidingFlaps();
    if (const int status = writeOutputs(doc, frontEnd, args.outputs); status != kExitOk) return fail(status);

    const Model& m = *doc.model();
    const UnfoldTimes& times = doc.unfoldTimes();
    if (common.json) {
        nlohmann::json j = developmentJson(m, printedGrid(doc));
        j["colliding_flaps"] = doc.collidingFlaps().size();
        j["unfold_ms"] = times.unfoldMs;
        j["layout_ms"] = times.layoutMs;
        std::cout << j.dump(2) << std::endl;
    } else {
        printDevelopment(m, printedGrid(doc));
        std::printf("unfold: %.1f ms, layout: %.1f ms\n", times.unfoldMs, times.layoutMs);
    }
    return kExitOk;
}

}  // namespace plikatra
