// The commands of plikatra-cli; each returns the process exit status.
#pragma once

#include <optional>
#include <string>

#include "app/document.h"
#include "cli/cli_front_end.h"

namespace plikatra {

// Exit statuses: success, failure (message on standard error), cancelled.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;

int runInfo(Document& doc, const std::string& path, bool json);

struct UnfoldArgs {
    std::optional<int> algorithm;
    std::optional<int> paper;
    std::string out;
    std::string eps;
    std::optional<double> scale;
    std::optional<int> spacingMm;
    bool noPageDivide = false;
};

int runUnfold(Document& doc, CliFrontEnd& frontEnd, const std::string& path,
              const UnfoldArgs& args, bool json);

struct ExportArgs {
    std::string out;
    std::string eps;
};

// Opens a work file and writes it again, or its development as a drawing.
int runExport(Document& doc, const std::string& path, const ExportArgs& args, bool json);

}  // namespace plikatra
