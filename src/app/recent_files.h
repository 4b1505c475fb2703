// The list of the last four documents opened or saved, newest first, kept in the profile's
// section "Recent File List" as "File1" to "File4".
#pragma once

#include <string>
#include <vector>

namespace plikatra {

inline constexpr int kRecentFileCount = 4;
inline constexpr const char* kProfileRecentFiles = "Recent File List";

class RecentFiles {
public:
    // Reads the list from the profile at `profilePath`; missing entries are skipped.
    void load(const std::string& profilePath);
    // Writes the list to the profile (failures are ignored, as for every profile write).
    void save(const std::string& profilePath) const;
    // Puts `path` first, dropping an older entry of the same path and the oldest beyond four.
    void add(const std::string& path);
    // Drops `path` (a file that can no longer be opened).
    void remove(const std::string& path);
    const std::vector<std::string>& paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

}  // namespace plikatra
