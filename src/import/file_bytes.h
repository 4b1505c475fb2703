// A model file's bytes for the readers of large binary formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "base/file_io.h"

namespace plikatra {

// The whole file in a buffer that is not cleared first: the read fills it anyway, and on a
// file of tens of megabytes clearing it costs as much as a tenth of the reading.
class FileBytes {
public:
    // False when the file cannot be opened or read, or memory for it cannot be had. A file
    // that shrinks while it is read keeps what was there.
    bool read(const std::string& path) {
        const auto got = readFileInto(path, [this](std::size_t size) {
            data_.reset(new (std::nothrow) std::uint8_t[size ? size : 1]);
            return data_.get();
        });
        if (!got) return false;
        size_ = *got;
        return true;
    }

    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

}  // namespace plikatra
