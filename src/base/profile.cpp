#include "base/profile.h"
#include "base/file_io.h"
#include "base/settings.h"
#include "base/ui.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace plikatra {

namespace {

namespace fs = std::filesystem;

// A profile is a few kilobytes; anything far larger is not ours to load into memory.
constexpr std::uintmax_t kMaxProfileBytes = 16u << 20;

std::string_view trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Keeps an entry on one line and readable back as the same name and value.
std::string oneLine(std::string_view s, bool isKey) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\n' || c == '\r' || c == '\0') continue;
        if (isKey && c == '=') continue;
        out += c;
    }
    return std::string(trim(out));
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

}  // namespace

std::string profilePath() {
    if (const char* p = std::getenv("PLIKATRA_PROFILE"); p && *p) return p;
    std::string base;
    // A relative value is ignored, as every program that follows the XDG folders does.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        base = homeFolder() + "/.config";
    }
    return base + "/plikatra/plikatra.ini";
}

void IniDocument::parse(std::string_view text) {
    sections_.clear();
    sections_.push_back({});  // lines before the first header
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        sections_.back().lines.push_back({"\xEF\xBB\xBF", {}, {}, false, false});
        text.remove_prefix(3);
    }
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        const std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            if (close != std::string_view::npos) {
                Section s;
                s.name = std::string(trim(t.substr(1, close - 1)));
                s.header = std::string(raw);
                s.hasHeader = true;
                sections_.push_back(std::move(s));
                continue;
            }
        }
        Line line;
        line.raw = std::string(raw);
        const size_t eq = t.find('=');
        if (!t.empty() && t.front() != ';' && t.front() != '#' && eq != std::string_view::npos) {
            line.key = std::string(trim(t.substr(0, eq)));
            line.value = std::string(trim(t.substr(eq + 1)));
            line.entry = !line.key.empty();
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

std::string IniDocument::text() const {
    std::string out;
    for (const Section& s : sections_) {
        if (s.hasHeader) {
            out += s.header;
            out += '\n';
        }
        for (const Line& l : s.lines) {
            if (l.changed) {
                out += l.key;
                out += '=';
                out += l.value;
            } else {
                out += l.raw;
            }
            out += '\n';
        }
    }
    return out;
}

IniDocument::Section* IniDocument::findSection(std::string_view name) {
    for (Section& s : sections_)
        if (s.hasHeader && equalsIgnoreAsciiCase(s.name, name)) return &s;
    return nullptr;
}

const IniDocument::Section* IniDocument::findSection(std::string_view name) const {
    return const_cast<IniDocument*>(this)->findSection(name);
}

const std::string* IniDocument::find(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return nullptr;
    for (const Line& l : s->lines)
        if (l.entry && equalsIgnoreAsciiCase(l.key, key)) return &l.value;
    return nullptr;
}

std::string IniDocument::get(std::string_view section, std::string_view key,
                             std::string_view defaultValue) const {
    const std::string* v = find(section, key);
    return v ? *v : std::string(defaultValue);
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string k = oneLine(key, true);
    if (k.empty()) return;
    const std::string sectionName = oneLine(section, false);
    Section* s = findSection(sectionName);
    if (!s) {
        if (sections_.empty()) sections_.push_back({});
        Section added;
        added.name = sectionName;
        added.header = "[" + sectionName + "]";
        added.hasHeader = true;
        sections_.push_back(std::move(added));
        s = &sections_.back();
    }
    for (Line& l : s->lines) {
        if (l.entry && equalsIgnoreAsciiCase(l.key, k)) {
            l.value = oneLine(value, false);
            l.changed = true;
            return;
        }
    }
    // New entries go after the section's last entry, so that blank lines or comments that
    // separate it from the next section stay where they were.
    auto at = s->lines.end();
    while (at != s->lines.begin() && !std::prev(at)->entry) --at;
    if (at == s->lines.begin()) at = s->lines.end();
    s->lines.insert(at, Line{{}, k, oneLine(value, false), true, true});
}

void IniDocument::removeSection(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end();) {
        if (it->hasHeader && equalsIgnoreAsciiCase(it->name, section)) {
            it = sections_.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    if (const Section* s = findSection(section)) {
        for (const Line& l : s->lines)
            if (l.entry) out.emplace_back(l.key, l.value);
    }
    return out;
}

std::optional<IniDocument> loadProfileForUpdate(const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) return IniDocument{};
    if (ec || st.type() != fs::file_type::regular) return std::nullopt;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxProfileBytes) return std::nullopt;

    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string text;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        // The file may grow while we read it.
        if (text.size() > kMaxProfileBytes) break;
    }
    const bool failed = std::ferror(f) != 0 || text.size() > kMaxProfileBytes;
    std::fclose(f);
    if (failed) return std::nullopt;
    return IniDocument(text);
}

IniDocument loadProfile(const std::string& path) {
    std::optional<IniDocument> doc = loadProfileForUpdate(path);
    return doc ? std::move(*doc) : IniDocument{};
}

bool saveProfile(const IniDocument& doc, const std::string& path) {
    std::error_code ec;
    fs::path target(path);
    // Write through a symbolic link (a profile kept with other dot files) rather than
    // replacing the link with a plain file.
    if (fs::is_symlink(target, ec)) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return false;
    }
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    // The old profile is replaced in one step, so a crash never leaves half of it.
    return replaceFile(target.string(), doc.text());
}

bool looksLikeProfile(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return false;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view t = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (t.empty() || t.front() == ';' || t.front() == '#') continue;
        if (t.front() == '[' && t.find(']') != std::string_view::npos) continue;
        const size_t eq = t.find('=');
        if (eq != std::string_view::npos && !trim(t.substr(0, eq)).empty()) continue;
        return false;
    }
    return true;
}

namespace {

// Why the profile at `path` (present or not) cannot be written, as the system says it; ""
// when it can. A missing file can be written when its nearest existing folder can.
std::string whyUnwritable(const std::string& path) {
    fs::path p(path);
    std::error_code ec;
    if (fs::exists(p, ec)) return ::access(path.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
    for (p = p.parent_path(); !p.empty(); p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0) {
            if (errno == ENOENT && p.has_parent_path() && p != p.parent_path()) continue;
            return std::strerror(errno);
        }
        if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
        return ::access(p.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
    }
    return "";
}

}  // namespace

std::string loadSettingsAtStart(Settings& s, const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    std::string text;
    bool present = st.type() != fs::file_type::not_found;
    std::string unreadable;
    if (present) {
        if (st.type() == fs::file_type::directory) {
            unreadable = std::strerror(EISDIR);
        } else if (errno = 0; !readWholeFile(path, text)) {
            unreadable = std::strerror(errno ? errno : EIO);
        }
    }
    if (!unreadable.empty()) {
        loadSettings(s, IniDocument{});
        return format(kMsgProfileUnreadable, path.c_str(), unreadable.c_str());
    }
    if (present && (text.size() > kMaxProfileBytes || !looksLikeProfile(text))) {
        loadSettings(s, IniDocument{});
        return format(kMsgProfileDamaged, path.c_str());
    }
    loadSettings(s, IniDocument(text));
    const std::string why = whyUnwritable(path);
    if (!why.empty()) return format(kMsgProfileUnwritable, path.c_str(), why.c_str());
    return "";
}

std::string readProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
    return loadProfile(path).get(section, key, defaultValue);
}

void writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    writeProfileStrings(path, section, {{std::string(key), std::string(value)}});
}

void writeProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
    std::optional<IniDocument> doc = loadProfileForUpdate(path);
    if (!doc) return;
    for (const auto& [key, value] : values) doc->set(section, key, value);
    saveProfile(*doc, path);
}

}  // namespace plikatra
