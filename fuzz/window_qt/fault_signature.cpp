#include "fault_signature.h"

#include <sstream>

namespace plikatra::winfuzz {

std::string faultSignature(const std::string& log, int ending) {
    std::istringstream in(log);
    std::string line, found;
    while (std::getline(in, line)) {
        if (line.starts_with("FAULT")) {
            const size_t step = line.find("): ");
            const std::string message = step == std::string::npos ? line : line.substr(step + 3);
            // "FAULT at start: ..." has a colon of its own before the message.
            const size_t from = step == std::string::npos ? message.find(':') + 1 : 0;
            found = message.substr(0, message.find(':', from));
            break;
        }
        if (line.find("SUMMARY: ") != std::string::npos || line.find("runtime error:") != std::string::npos) {
            found = line;
            break;
        }
    }
    if (found.empty()) found = ending < 0 ? "signal " + std::to_string(-ending) : "exit status " + std::to_string(ending);
    std::string kept;
    for (const char c : found.substr(0, 160))
        if (c < '0' || c > '9') kept += c;
    return kept;
}

}  // namespace plikatra::winfuzz
