// Recovery copies: while a document has unsaved changes, a work file of it is written now and
// then to the user's state folder, so that after a crash or a kill the next start can offer
// the work back. A save, a discarded document or a normal exit removes the copy.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/front_end.h"

namespace plikatra {

class Document;

inline constexpr const char* kMsgRestoreWork = "Restore the unsaved work from %s on %s?";
inline constexpr const char* kMsgRecoveryDamaged =
    "The recovery file %s cannot be read; it has been set aside as %s.";
inline constexpr const char* kMsgRecoveryOtherVersion =
    "The recovery file %s was written by another version of the program (%s); it has been set "
    "aside as %s.";

// Where recovery copies live: $PLIKATRA_RECOVERY_DIR when set, else
// $XDG_STATE_HOME/plikatra/recovery (~/.local/state/plikatra/recovery by default).
std::string recoveryFolder();

// What a recovery copy says about the document it belongs to.
struct RecoveryInfo {
    std::string program;       // the program version that wrote it
    std::int64_t savedAt = 0;  // seconds since the epoch
    std::string documentPath;  // "" for a document without a file
    bool workFile = false;     // the document had been read from or saved to a work file
};

// A recovery copy: a few header lines naming the document, then the work file itself.
std::string recoveryText(const RecoveryInfo& info, std::string_view workFile);

enum class RecoveryCheck { Ok, Damaged, OtherVersion };
// Splits a recovery copy into its header and its work file. Damaged when it is not a
// recovery copy or is cut short (the work file lacks its last line); OtherVersion when
// another version of the program wrote it (`info.program` says which).
RecoveryCheck parseRecoveryText(std::string_view text, RecoveryInfo& info,
                                std::string_view& workFile);

// "14:32" in the local time of day, or "14:32 on 2026-12-07" when not today.
std::string recoveryTimeText(std::int64_t savedAt, std::int64_t now);

// This program's recovery copy, and the copies that programs no longer running left behind.
// Each running program holds a lock on a file beside its copy, so a second window's copy is
// never taken for an orphan.
class RecoveryStore {
public:
    explicit RecoveryStore(std::string folder = recoveryFolder());
    // Waits for a write in progress; the copy stays (removeCopy is the caller's decision).
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& copyPath() const { return copyPath_; }

    // Starts replacing the copy on another thread with what `compose` returns there
    // (atomically: a temporary file in the same folder, flushed, renamed). False when a
    // previous write is still running, so nothing was started.
    bool writeLater(std::function<std::string()> compose);
    // Waits for a write in progress; false when it failed (or none was made).
    bool wait();
    // Waits for a write in progress and removes the copy.
    void removeCopy();

    // Copies left by programs that are no longer running, newest first.
    std::vector<std::string> orphans() const;
    // Removes an orphan and its lock file.
    static void discard(const std::string& copy);
    // Renames a damaged orphan so that it is not offered again; returns the new path.
    static std::string setAside(const std::string& copy);

private:
    std::string folder_;
    std::string copyPath_;
    int lockFd_ = -1;
    std::future<bool> pending_;
};

// Writes the document to the store whenever it has been modified for the interval, and
// removes the copy when the document stops being modified (saved, reopened, discarded).
class AutoSaver {
public:
    using Clock = std::chrono::steady_clock;
    AutoSaver(Document& doc, RecoveryStore& store);
    ~AutoSaver();
    AutoSaver(const AutoSaver&) = delete;
    AutoSaver& operator=(const AutoSaver&) = delete;

    // The interval: 0 turns autosaving off.
    void setInterval(std::chrono::seconds interval) { interval_ = interval; }
    std::chrono::seconds interval() const { return interval_; }
    // Called often (every second); writes when the interval has passed since the document
    // became modified or was last written. True when a write was started.
    bool poll(Clock::time_point now = Clock::now());
    // Takes the snapshot and starts the write now. True when started.
    bool saveNow();
    // How long the last snapshot held the caller (the window) up.
    std::chrono::microseconds lastBlock() const { return lastBlock_; }
    // A normal exit: the copy goes.
    void finish();

private:
    Document& doc_;
    RecoveryStore& store_;
    int listener_ = 0;
    std::chrono::seconds interval_{120};
    Clock::time_point due_{};
    bool dirty_ = false;
    std::chrono::microseconds lastBlock_{0};
};

// The autosave interval the settings ask for: `iAutoSaveMinutes`, or the seconds of
// $PLIKATRA_AUTOSAVE_SECONDS when set (for tests).
std::chrono::seconds autoSaveInterval(int minutes);

// At start-up: offers the newest orphaned copy ("Restore the unsaved work from ... on ...?").
// Yes restores it into `doc` (modified, under the original document's path) and makes it this
// program's own copy; No removes it. Damaged copies and copies of other versions are refused
// with a message and set aside. Returns whether work was restored.
bool offerRecovery(Document& doc, RecoveryStore& store, FrontEnd& ui);

}  // namespace plikatra
