#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/development_summary.h"

namespace plikatra {

int runExport(Document& doc, const std::string& path, const ExportArgs& args, bool json) {
    const LoadOutcome outcome = doc.open(path);
    if (outcome.result != kReadOk)
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    const Model& m = *doc.model();
    std::string error;
    if (!args.out.empty() && !doc.save(args.out, &error)) {
        std::cerr << error << std::endl;
        return kExitFailed;
    }
    if (!args.eps.empty()) {
        if (!m.bFinished) {
            std::cerr << "The file holds no development to draw." << std::endl;
            return kExitFailed;
        }
        if (!doc.exportEps(args.eps, &error)) {
            std::cerr << error << std::endl;
            return kExitFailed;
        }
    }
    if (json)
        std::cout << developmentJson(m).dump(2) << std::endl;
    else
        printDevelopment(m);
    return kExitOk;
}

}  // namespace plikatra
