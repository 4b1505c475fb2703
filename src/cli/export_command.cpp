#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/development_summary.h"
#include "import/model_loader.h"
#include "output/eps_writer.h"
#include "workfile/work_file_writer.h"

namespace plikatra {

int runExport(const std::string& path, const ExportArgs& args, bool json) {
    const LoadOutcome outcome = loadModel(path);
    if (outcome.result != kReadOk)
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    Model& m = *currentModel();
    std::string error;
    if (!args.out.empty() && !writeWorkFile(m, args.out, &error)) {
        std::cerr << error << std::endl;
        return kExitFailed;
    }
    if (!args.eps.empty()) {
        if (!m.bFinished) {
            std::cerr << "The file holds no development to draw." << std::endl;
            return kExitFailed;
        }
        if (!writeEpsFile(m, args.eps, &error)) {
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
