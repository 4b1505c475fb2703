#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/development_summary.h"

namespace plikatra {

int runExport(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const OutputArgs& args,
              const CommonArgs& common) {
    if (const int status = openForCommand(doc, frontEnd, path, common); status != kExitOk) return status;
    if (const int status = writeOutputs(doc, frontEnd, args); status != kExitOk) {
        if (common.json) printJsonFailure(1, frontEnd.lastMessage);
        return status;
    }
    if (common.json) {
        nlohmann::json j = developmentJson(*doc.model(), printedGrid(doc));
        j["colliding_flaps"] = doc.collidingFlaps().size();
        std::cout << j.dump(2) << std::endl;
    } else
        printDevelopment(*doc.model(), printedGrid(doc));
    return kExitOk;
}

}  // namespace plikatra
