#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/settings.h"
#include "app/ui.h"
#include "cli/commands.h"
#include "development/layout.h"
#include "development/unfolding.h"
#include "import/model_loader.h"
#include "output/eps_writer.h"
#include "workfile/work_file_writer.h"

namespace plikatra {

namespace {

struct Summary {
    int parts = 0;
    int faces = 0;
    int largestJoinNumber = 0;
    int flaps = 0;
};

Summary summarize(const Model& m) {
    Summary s;
    s.parts = static_cast<int>(m.parts.size());
    for (const auto& p : m.parts) s.faces += static_cast<int>(p->faces.size());
    for (const auto& solid : m.solids) {
        for (const auto& e : solid->edges) s.largestJoinNumber = std::max(s.largestJoinNumber, e->joinNumber);
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfedges) s.flaps += h->hasFlap;
    }
    return s;
}

}  // namespace

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

    const Summary sum = summarize(m);
    if (json) {
        nlohmann::json j;
        j["result"] = 0;
        j["parts"] = sum.parts;
        j["faces"] = sum.faces;
        j["join_numbers"] = sum.largestJoinNumber;
        j["flaps"] = sum.flaps;
        j["pages_across"] = m.pagesAcross;
        j["pages_down"] = m.pagesDown;
        j["mag2d"] = m.dMag2d;
        j["scale"] = m.dMag2d * m.dMag3d;
        j["unfold_ms"] = times.unfoldMs;
        j["layout_ms"] = times.layoutMs;
        std::cout << j.dump(2) << std::endl;
    } else {
        std::printf("parts: %d\nfaces: %d\njoin numbers: %d\nflaps: %d\npages: %d x %d\n"
                    "scale: %g cm per model unit\nunfold: %.1f ms, layout: %.1f ms\n",
                    sum.parts, sum.faces, sum.largestJoinNumber, sum.flaps, m.pagesAcross,
                    m.pagesDown, m.dMag2d * m.dMag3d, times.unfoldMs, times.layoutMs);
    }
    return kExitOk;
}

}  // namespace plikatra
