// A model file's bytes for the readers of large binary formats.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>

namespace plikatra {

// The whole file in a buffer that is not cleared first: the read fills it anyway, and on a
// file of tens of megabytes clearing it costs as much as a tenth of the reading.
class FileBytes {
public:
    // False when the file cannot be opened or read, or memory for it cannot be had. A file
    // that shrinks while it is read keeps what was there.
    bool read(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        struct stat st;
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || st.st_size < 0) return false;
        const auto size = static_cast<unsigned long long>(st.st_size);
        if (size > static_cast<unsigned long long>(PTRDIFF_MAX)) return false;
        data_.reset(new (std::nothrow) std::uint8_t[size ? static_cast<std::size_t>(size) : 1]);
        if (!data_) return false;
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, data_.get() + got, static_cast<std::size_t>(size) - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        size_ = got;
        return true;
    }

    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

}  // namespace plikatra
