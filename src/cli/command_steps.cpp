#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/development_outputs.h"
#include "cli/commands.h"
#include "cli/painted_outputs.h"
#include "output/text_metrics.h"

namespace plikatra {

namespace {

namespace fs = std::filesystem;

// Why a file cannot be written, in the system's words: the folder that is missing or closed,
// or the file that is a folder or read-only.
std::string writeFailureReason(const std::string& path) {
    std::error_code ec;
    const fs::path p(path);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::exists(folder, ec)) return std::strerror(ENOENT);
    if (!fs::is_directory(folder, ec)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
    if (fs::is_directory(p, ec)) return std::strerror(EISDIR);
    if (fs::exists(p, ec) && ::access(p.c_str(), W_OK) != 0) return std::strerror(errno);
    return {};
}

fs::path comparable(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(path), ec);
    return ec ? fs::absolute(path) : p;
}

int writeFailed(CliFrontEnd& frontEnd, const std::string& path, const std::string& message) {
    const std::string reason = writeFailureReason(path);
    frontEnd.file = path;
    frontEnd.message(reason.empty() ? message : message + " (" + reason + ")", kAppTitle,
                     MessageIcon::Error);
    return kExitFailed;
}

}  // namespace

void printJsonFailure(int result, const std::string& message) {
    nlohmann::json j;
    j["result"] = result;
    j["message"] = message;
    std::cout << j.dump() << std::endl;
}

std::string outputClash(const std::string& input, const OutputArgs& o) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--out", &o.out}, {"--eps", &o.eps}, {"--pdf", &o.pdf},
        {"--svg", &o.svg}, {"--emf", &o.emf},
    };
    const fs::path in = comparable(input);
    std::vector<std::pair<const char*, fs::path>> seen;
    for (const auto& [flag, path] : outputs) {
        if (path->empty()) continue;
        const fs::path p = comparable(*path);
        if (p == in) return *path + ": " + flag + " would overwrite the model being read";
        for (const auto& [other, q] : seen)
            if (p == q) return *path + ": " + other + " and " + flag + " name the same file";
        seen.emplace_back(flag, p);
    }
    return {};
}

int openForCommand(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const CommonArgs& common) {
    frontEnd.file = path;
    const LoadOutcome outcome = doc.open(path);
    if (outcome.result != kReadOk) {
        if (common.json) printJsonFailure(outcome.result, outcome.message);
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    }
    if (common.joinOpenEdges) doc.joinAdjacentIsolatedEdges();
    return kExitOk;
}

int writeOutputs(Document& doc, CliFrontEnd& frontEnd, const OutputArgs& o) {
    std::string error;
    if (!o.out.empty() && !doc.save(o.out, &error)) return writeFailed(frontEnd, o.out, error);
    if (!o.drawings()) return kExitOk;
    if (!doc.hasDevelopment()) {
        frontEnd.message("The file holds no development to draw.", kAppTitle, MessageIcon::Error);
        return kExitFailed;
    }
    if (!o.eps.empty() && !doc.exportEps(o.eps, &error)) return writeFailed(frontEnd, o.eps, error);
    FreeTypeTextMetrics metrics;
    if (!o.svg.empty()) {
        const OutputStatus s = saveDevelopmentSvg(doc, o.svg, metrics);
        if (!s.ok()) return writeFailed(frontEnd, o.svg, s.message);
    }
    if (!o.emf.empty()) {
        const OutputStatus s = saveDevelopmentMetafile(doc, o.emf, metrics);
        if (!s.ok()) return writeFailed(frontEnd, o.emf, s.message);
    }
    if (!o.pdf.empty() && !writePdf(doc, o.pdf, error)) return writeFailed(frontEnd, o.pdf, error);
    return kExitOk;
}

}  // namespace plikatra
