#include "base/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

namespace plikatra {

locale_t cLocale() {
    static const locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

CLocaleScope::CLocaleScope() : previous_(cLocale() ? ::uselocale(cLocale()) : nullptr) {}

CLocaleScope::~CLocaleScope() {
    if (cLocale()) ::uselocale(previous_);
}

namespace {

template <class Buffer>
bool readInto(const std::string& path, Buffer& out) {
    const auto got = readFileInto(path, [&out](std::size_t size) -> std::uint8_t* {
        if (size > out.max_size()) return nullptr;
        out.resize(size);
        return reinterpret_cast<std::uint8_t*>(out.data());
    });
    if (!got) return false;
    out.resize(*got);
    return true;
}

}  // namespace

std::optional<std::size_t> readFileInto(const std::string& path,
                                        const std::function<std::uint8_t*(std::size_t)>& reserve) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || st.st_size < 0) return std::nullopt;
    const auto size = static_cast<unsigned long long>(st.st_size);
    if (size > PTRDIFF_MAX) return std::nullopt;
    std::uint8_t* data = reserve(static_cast<std::size_t>(size));
    if (!data && size > 0) return std::nullopt;
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, static_cast<std::size_t>(size) - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;  // the file shrank since fstat: keep what is there
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool readWholeFile(const std::string& path, std::string& out) { return readInto(path, out); }

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    return readInto(path, out);
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

namespace {

std::atomic<unsigned> tempCounter{0};

bool writeAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

namespace {

// The temporaries replaceFile names for `target`: "<target>.~<pid>-<n>.tmp".
std::string tempPrefix(const std::string& target) { return target + ".~"; }

// Removes the temporaries of `target` left by saves that never finished (the process was
// killed while writing). A temporary whose process is still running may be a save in progress
// and stays.
void removeStaleTemporaries(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path t(target);
    const std::string prefix = tempPrefix(t.filename().string());
    std::error_code ec;
    const fs::path folder = t.has_parent_path() ? t.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos) continue;
        char* stop = nullptr;
        const long pid = std::strtol(rest.c_str(), &stop, 10);
        if (stop != rest.c_str() + dash || pid <= 0) continue;
        if (pid == static_cast<long>(::getpid())) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

}  // namespace

bool replaceFile(const std::string& path, std::string_view data) {
    return replaceFileWith(path, [data](const PieceWriter& write) { return write(data); });
}

bool replaceFileWith(const std::string& path, const std::function<bool(const PieceWriter&)>& produce) {
    std::string target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (ec) return false;
        target = resolved.string();
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0)) return false;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = tempPrefix(target) + std::to_string(::getpid()) + "-" + std::to_string(tempCounter++) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return false;
    if (exists) (void)::fchmod(fd, existing.st_mode & 07777);
    bool written = true;
    const PieceWriter write = [fd, &written](std::string_view piece) {
        written = written && writeAll(fd, piece);
        return written;
    };
    bool ok = produce(write) && written && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        // The reason is the caller's to report; removing the temporary must not change it.
        const int reason = errno;
        ::unlink(temp.c_str());
        errno = reason;
        return false;
    }
    removeStaleTemporaries(target);
    return true;
}

std::string fileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    for (char& ch : ext)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return ext;
}

}  // namespace plikatra
