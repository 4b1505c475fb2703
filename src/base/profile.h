// The application profile: an INI file of sections holding name=value lines.
//
// The program finds the file once at start (profilePath) and hands the path to every reader
// and writer of the profile.
// Reading never fails: a missing, unreadable or malformed file simply has no entries.
// Writing keeps every line it does not change (unknown sections, keys, comments, order),
// replaces the file atomically, and silently gives up when the file cannot be written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plikatra {

// Section names the program uses.
inline constexpr const char* kProfileSettings = "Settings";
inline constexpr const char* kProfileWindow = "Window";
inline constexpr const char* kProfileBarState = "ControlBars\\State";

// Path of the profile file, from the environment at the time of the call: `$PLIKATRA_PROFILE`
// when that variable is set, else `$XDG_CONFIG_HOME/plikatra/plikatra.ini`
// (`~/.config/plikatra/plikatra.ini` by default).
std::string profilePath();

// The text of one INI file held in memory. Section and key names compare ignoring ASCII
// case; when a name occurs twice the first occurrence counts.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text) { parse(text); }

    // Replaces the content with `text`. Lines that are neither a section header nor a
    // name=value line are kept verbatim but never match a lookup.
    void parse(std::string_view text);
    // The file text: unchanged lines as read, changed or new entries as "key=value".
    std::string text() const;

    // The value of `key` in `section`, or null when absent.
    const std::string* find(std::string_view section, std::string_view key) const;
    // The value of `key` in `section`, or `defaultValue` when absent.
    std::string get(std::string_view section, std::string_view key,
                    std::string_view defaultValue = {}) const;
    // Sets `key` in `section`, appending the section and the key when missing. Line breaks
    // in the key or value are dropped, and an '=' in the key, so that the entry stays one
    // line that reads back the same.
    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes `section` with all its entries (every occurrence).
    void removeSection(std::string_view section);
    // Names and values of the entries of `section`, in file order.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

private:
    struct Line {
        std::string raw;    // as read; empty for lines created by set()
        std::string key;    // empty for lines that are not entries
        std::string value;
        bool entry = false;
        bool changed = false;
    };
    struct Section {
        std::string name;
        std::string header;  // raw header line; empty for the lines before the first header
        bool hasHeader = false;
        std::vector<Line> lines;
    };
    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;

    std::vector<Section> sections_;
};

// Loads the profile from `path`: empty when the file is missing, unreadable, not a
// regular file or larger than a profile can sensibly be.
IniDocument loadProfile(const std::string& path);
// Loads the profile for changing it: empty when the file is missing, nullopt when something
// is there that cannot be read (a folder, an unreadable or oversized file), which must then
// not be replaced.
std::optional<IniDocument> loadProfileForUpdate(const std::string& path);
// Writes `doc` to `path` through a temporary file in the same folder and a rename,
// creating missing folders. Returns false on failure; callers of the profile ignore it.
bool saveProfile(const IniDocument& doc, const std::string& path);

// Whether `text` reads as a profile: only blank lines, comments, section headers and
// name=value lines, and no NUL byte. Anything else is a damaged or foreign file.
bool looksLikeProfile(std::string_view text);

struct Settings;

// Reads the settings from the profile at program start and returns the one message to show
// about it, or "" when there is nothing to say. A profile that is missing is the first start
// and says nothing. One that cannot be read (a folder, no permission) or is damaged leaves the
// settings at their defaults and says so; one that reads but cannot be written (nor created)
// is used and says that changes will not be kept.
std::string loadSettingsAtStart(Settings& s, const std::string& path);

// Messages of loadSettingsAtStart, with the profile path and the system's reason.
inline constexpr const char* kMsgProfileUnreadable =
    "Cannot read the settings file %s (%s); starting with the default settings.";
inline constexpr const char* kMsgProfileDamaged =
    "The settings file %s is damaged; starting with the default settings.";
inline constexpr const char* kMsgProfileUnwritable =
    "Cannot write the settings file %s (%s); changed settings will not be kept.";

// One value of the profile at `path`, `defaultValue` when absent.
std::string readProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue = {});
// Sets one value of the profile at `path` and rewrites the file; failures are ignored.
void writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
// Sets several values of one section with a single rewrite; failures are ignored.
void writeProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace plikatra
