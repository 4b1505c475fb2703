#include "app/recent_files.h"

#include <algorithm>

#include "base/profile.h"

namespace plikatra {

namespace {
std::string keyOf(int i) { return "File" + std::to_string(i + 1); }
}  // namespace

void RecentFiles::load(const std::string& profilePath) {
    const IniDocument doc = loadProfile(profilePath);
    paths_.clear();
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string path = doc.get(kProfileRecentFiles, keyOf(i));
        if (!path.empty() && std::find(paths_.begin(), paths_.end(), path) == paths_.end())
            paths_.push_back(path);
    }
}

void RecentFiles::save(const std::string& profilePath) const {
    std::vector<std::pair<std::string, std::string>> values;
    for (int i = 0; i < kRecentFileCount; ++i)
        values.emplace_back(keyOf(i), i < static_cast<int>(paths_.size()) ? paths_[i] : "");
    writeProfileStrings(profilePath, kProfileRecentFiles, values);
}

void RecentFiles::add(const std::string& path) {
    remove(path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kRecentFileCount) paths_.resize(kRecentFileCount);
}

void RecentFiles::remove(const std::string& path) {
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

}  // namespace plikatra
