#include "textures/texture_path.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace plikatra {

namespace fs = std::filesystem;

namespace {

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// `p` when it names a file, else a file in the same folder whose name matches p's file name
// ignoring case (the first in name order when several do).
std::optional<std::string> findFile(const fs::path& p) {
    if (isFile(p)) return p.string();
    const std::string wanted = p.filename().string();
    if (wanted.empty()) return std::nullopt;
    const fs::path folder = p.parent_path();
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    std::optional<std::string> best;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (equalIgnoringCase(name, wanted) && (!best || name < *best) && isFile(folder / name))
            best = name;
    }
    if (!best) return std::nullopt;
    return (folder / *best).string();
}

}  // namespace

std::optional<std::string> resolveModelTexturePath(const std::string& modelPath,
                                                   const std::string& textureName) {
    std::string name = textureName;
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool hasDrive = name.size() >= 2 && name[1] == ':' &&
                          ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    const std::size_t slash = name.find_last_of('/');
    const std::string fileName = slash != std::string::npos ? name.substr(slash + 1)
                                 : hasDrive                 ? name.substr(2)
                                                            : name;
    if (fileName.empty() || fileName == "." || fileName == "..") return std::nullopt;

    const fs::path modelFolder = fs::path(modelPath).parent_path();
    if (!hasDrive) {
        const fs::path given(name);
        const fs::path candidate =
            given.is_absolute() ? given.lexically_normal() : (modelFolder / given).lexically_normal();
        if (auto found = findFile(candidate)) return found;
    }
    return findFile(modelFolder / fileName);
}

}  // namespace plikatra
