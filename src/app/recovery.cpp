#include "app/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "app/document.h"
#include "base/file_io.h"
#include "base/version.h"
#include "workfile/work_file_writer.h"

namespace plikatra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "# Plikatra Designer recovery copy\n";
constexpr const char* kCopyExtension = ".recovery";
constexpr const char* kLockExtension = ".lock";
constexpr const char* kSetAsideExtension = ".damaged";

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// Takes the next line of `text` (without its line feed); false at the end.
bool nextLine(std::string_view& text, std::string_view& line) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

std::int64_t secondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The reader's own messages are not shown while a recovery copy is read: a copy that fails
// gets the one message that says what happened to it.
class QuietUi : public Ui {
public:
    explicit QuietUi(Ui& inner) : inner_(inner) {}
    void message(const std::string& text, const std::string&, MessageIcon) override { last = text; }
    Answer ask(const std::string& text, const std::string&, Buttons buttons, MessageIcon) override {
        last = text;
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
    ProgressFrontEnd& progress() override { return inner_.progress(); }
    Fonts& fonts() override { return inner_.fonts(); }
    std::string last;

private:
    Ui& inner_;
};

// Whether the program that holds `copy`'s lock has gone (or never took one).
bool ownerGone(const std::string& copy) {
    const std::string lock = copy + kLockExtension;
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return true;
    const bool gone = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return gone;
}

void refuse(FrontEnd& ui, const std::string& copy, RecoveryCheck check, const RecoveryInfo& info) {
    const std::string moved = RecoveryStore::setAside(copy);
    if (check == RecoveryCheck::OtherVersion)
        ui.show(format(kMsgRecoveryOtherVersion, copy.c_str(), info.program.c_str(), moved.c_str()),
                MessageIcon::Warning);
    else
        ui.show(format(kMsgRecoveryDamaged, copy.c_str(), moved.c_str()), MessageIcon::Warning);
}

}  // namespace

std::string recoveryFolder() {
    if (const char* p = std::getenv("PLIKATRA_RECOVERY_DIR"); p && *p) return p;
    std::string base;
    // A relative value is ignored, as every program that follows the XDG folders does.
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/state";
    }
    return base + "/plikatra/recovery";
}

std::string recoveryText(const RecoveryInfo& info, std::string_view workFile) {
    std::string path = info.documentPath;
    // The path is one header line.
    std::replace(path.begin(), path.end(), '\n', ' ');
    std::string text(kMagic);
    text += "program " + info.program + "\n";
    text += "saved " + std::to_string(info.savedAt) + "\n";
    text += std::string("workfile ") + (info.workFile ? "1" : "0") + "\n";
    text += "document " + path + "\n";
    text += "\n";
    text.append(workFile);
    return text;
}

RecoveryCheck parseRecoveryText(std::string_view text, RecoveryInfo& info,
                                std::string_view& workFile) {
    info = RecoveryInfo{};
    if (text.substr(0, kMagic.size()) != kMagic) return RecoveryCheck::Damaged;
    text.remove_prefix(kMagic.size());
    bool program = false, saved = false, document = false;
    std::string_view line;
    while (true) {
        if (!nextLine(text, line)) return RecoveryCheck::Damaged;
        if (line.empty()) break;
        const size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        if (key == "program") {
            info.program = value;
            program = true;
        } else if (key == "saved") {
            char* end = nullptr;
            const std::string v(value);
            info.savedAt = std::strtoll(v.c_str(), &end, 10);
            saved = !v.empty() && *end == '\0';
        } else if (key == "workfile") {
            info.workFile = value == "1";
        } else if (key == "document") {
            info.documentPath = value;
            document = true;
        }
    }
    if (!program || !saved || !document) return RecoveryCheck::Damaged;
    if (info.program != programVersion()) return RecoveryCheck::OtherVersion;
    // A copy cut short lacks the work file's last line.
    if (!endsWith(text, "\nend 2\n")) return RecoveryCheck::Damaged;
    workFile = text;
    return RecoveryCheck::Ok;
}

std::string recoveryTimeText(std::int64_t savedAt, std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(savedAt), n = static_cast<std::time_t>(now);
    std::tm when{}, today{};
    localtime_r(&t, &when);
    localtime_r(&n, &today);
    char buf[64];
    if (when.tm_year == today.tm_year && when.tm_yday == today.tm_yday)
        std::strftime(buf, sizeof buf, "%H:%M", &when);
    else
        std::strftime(buf, sizeof buf, "%H:%M on %Y-%m-%d", &when);
    return buf;
}

RecoveryStore::RecoveryStore(std::string folder) : folder_(std::move(folder)) {
    std::error_code ec;
    // The copies hold the user's work: only the user may read them.
    if (fs::create_directories(folder_, ec)) fs::permissions(folder_, fs::perms::owner_all, ec);
    // A name no other copy has: the lock file is created only when it is new.
    const std::string stem = folder_ + "/" + std::to_string(secondsNow()) + "-" + std::to_string(::getpid());
    for (int n = 0; n < 100 && lockFd_ < 0; ++n) {
        copyPath_ = stem + (n ? "-" + std::to_string(n) : std::string()) + kCopyExtension;
        const std::string lock = copyPath_ + kLockExtension;
        lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (lockFd_ < 0 && errno != EEXIST) break;
    }
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

RecoveryStore::~RecoveryStore() {
    wait();
    if (lockFd_ >= 0) {
        std::error_code ec;
        if (!fs::exists(copyPath_, ec)) ::unlink((copyPath_ + kLockExtension).c_str());
        ::close(lockFd_);
    }
}

bool RecoveryStore::writeLater(std::function<std::string()> compose) {
    if (pending_.valid() &&
        pending_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    if (pending_.valid()) pending_.get();
    const std::string path = copyPath_;
    pending_ = std::async(std::launch::async, [path, compose = std::move(compose)] {
        return replaceFile(path, compose());
    });
    return true;
}

bool RecoveryStore::wait() {
    if (!pending_.valid()) return false;
    return pending_.get();
}

void RecoveryStore::removeCopy() {
    wait();
    ::unlink(copyPath_.c_str());
}

std::vector<std::string> RecoveryStore::orphans() const {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder_, ec)) {
        const std::string path = entry.path().string();
        if (path == copyPath_ || !entry.is_regular_file(ec)) continue;
        if (endsWith(path, kLockExtension)) {
            // The lock of a program that ended without a copy.
            const std::string copy = path.substr(0, path.size() - std::string_view(kLockExtension).size());
            if (copy != copyPath_ && !fs::exists(copy, ec) && ownerGone(copy)) ::unlink(path.c_str());
            continue;
        }
        if (!endsWith(path, kCopyExtension) || !ownerGone(path)) continue;
        found.emplace_back(entry.last_write_time(ec), path);
    }
    std::sort(found.begin(), found.end(), std::greater<>());
    std::vector<std::string> paths;
    for (auto& f : found) paths.push_back(std::move(f.second));
    return paths;
}

void RecoveryStore::discard(const std::string& copy) {
    ::unlink(copy.c_str());
    ::unlink((copy + kLockExtension).c_str());
}

std::string RecoveryStore::setAside(const std::string& copy) {
    const std::string moved = copy + kSetAsideExtension;
    if (::rename(copy.c_str(), moved.c_str()) != 0) {
        discard(copy);
        return copy;
    }
    ::unlink((copy + kLockExtension).c_str());
    return moved;
}

AutoSaver::AutoSaver(Document& doc, RecoveryStore& store) : doc_(doc), store_(store) {
    listener_ = doc_.addListener([this](DocumentEvent event) {
        switch (event) {
            case DocumentEvent::Modified:
                if (doc_.modified()) {
                    dirty_ = true;
                    due_ = Clock::now() + interval_;
                } else {
                    // Saved, reopened or discarded: there is nothing left to recover.
                    dirty_ = false;
                    store_.removeCopy();
                }
                break;
            case DocumentEvent::Feedback:
            case DocumentEvent::ZoomIn:
            case DocumentEvent::ZoomOut:
            case DocumentEvent::ResetView:
            case DocumentEvent::TextureFilter: break;
            default:
                if (doc_.modified() && !dirty_) {
                    dirty_ = true;
                    due_ = Clock::now() + interval_;
                }
                break;
        }
    });
}

AutoSaver::~AutoSaver() { doc_.removeListener(listener_); }

bool AutoSaver::poll(Clock::time_point now) {
    if (interval_.count() <= 0 || !dirty_ || !doc_.modified() || now < due_) return false;
    return saveNow();
}

bool AutoSaver::saveNow() {
    Model* model = doc_.model();
    if (!model) return false;
    const auto start = Clock::now();
    // Only the copy is taken here; formatting the numbers, the slow part, runs on the
    // writing thread.
    auto snapshot = std::make_shared<WorkFileSnapshot>(*model, doc_.workFileState());
    RecoveryInfo info;
    info.program = programVersion();
    info.savedAt = secondsNow();
    info.documentPath = doc_.path();
    info.workFile = doc_.hasWorkFilePath();
    const bool started = store_.writeLater(
        [snapshot, info] { return recoveryText(info, snapshot->text()); });
    lastBlock_ = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    if (!started) return false;
    dirty_ = false;
    due_ = Clock::now() + interval_;
    return true;
}

void AutoSaver::finish() {
    dirty_ = false;
    store_.removeCopy();
}

std::chrono::seconds autoSaveInterval(int minutes) {
    if (const char* s = std::getenv("PLIKATRA_AUTOSAVE_SECONDS"); s && *s)
        return std::chrono::seconds(std::max(0, std::atoi(s)));
    return std::chrono::minutes(std::max(0, minutes));
}

bool offerRecovery(Document& doc, RecoveryStore& store, FrontEnd& ui) {
    for (const std::string& copy : store.orphans()) {
        std::string text;
        RecoveryInfo info;
        std::string_view workFile;
        const RecoveryCheck check = readWholeFile(copy, text)
                                        ? parseRecoveryText(text, info, workFile)
                                        : RecoveryCheck::Damaged;
        if (check != RecoveryCheck::Ok) {
            refuse(ui, copy, check, info);
            continue;
        }
        const std::string name = info.documentPath.empty() ? std::string(kUntitled)
                                                           : baseNameOf(info.documentPath);
        const std::string question =
            format(kMsgRestoreWork, recoveryTimeText(info.savedAt, secondsNow()).c_str(), name.c_str());
        if (ui.ask(question, kAppTitle, Buttons::YesNo, MessageIcon::Question) != Answer::Yes) {
            RecoveryStore::discard(copy);
            continue;
        }
        QuietUi quiet(ui);
        if (!doc.restore(workFile, info.documentPath, info.workFile, quiet)) {
            refuse(ui, copy, RecoveryCheck::Damaged, info);
            continue;
        }
        // The work is this program's to keep safe now; the orphan goes once its copy is made.
        store.writeLater([text = std::move(text)] { return text; });
        if (store.wait()) RecoveryStore::discard(copy);
        return true;
    }
    return false;
}

}  // namespace plikatra
