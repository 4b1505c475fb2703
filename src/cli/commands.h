// The commands of plikatra-cli; each returns the process exit status.
#pragma once

#include <string>

namespace plikatra {

// Exit statuses: success, failure (message on standard error), cancelled.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;

int runInfo(const std::string& path, bool json);

}  // namespace plikatra
