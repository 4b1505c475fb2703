#include "app/file_failure.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace plikatra {

namespace fs = std::filesystem;

std::string readFailureReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    std::fclose(f);
    return {};
}

std::string writeFailureReason(const std::string& path, int savedErrno) {
    std::error_code ec;
    const fs::path p(path);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::exists(folder, ec)) return std::strerror(ENOENT);
    if (!fs::is_directory(folder, ec)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
    if (fs::is_directory(p, ec)) return std::strerror(EISDIR);
    if (fs::exists(p, ec) && ::access(p.c_str(), W_OK) != 0) return std::strerror(errno);
    // Only errors a write gives: errno may be left over from some earlier call.
    switch (savedErrno) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EIO:
        case EROFS:
        case EACCES:
        case EPERM: return std::strerror(savedErrno);
        default: return {};
    }
}

std::string fileFailureText(const std::string& text, const std::string& path, const std::string& reason) {
    std::string out = text + "\n" + path;
    if (!reason.empty()) out += "\n" + reason;
    return out;
}

std::string fileFailureLine(const std::string& text, const std::string& path, const std::string& reason) {
    std::string out = path.empty() ? text : path + ": " + text;
    if (!reason.empty()) out += " (" + reason + ")";
    return out;
}

}  // namespace plikatra
