// A read position over bytes held in memory, for the binary file formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "base/read_result.h"

namespace plikatra {

// Reads fixed-size values in either byte order from a block of bytes it does not own. Every
// read is checked against the end of the block: one that cannot be satisfied in full throws
// import_exception{kShortRead} and consumes nothing. The position may be moved past the end
// (a chunk that claims more than the file holds); reads from there throw.
class ByteCursor {
public:
    ByteCursor(std::span<const std::uint8_t> data, bool littleEndian)
        : data_(data.data()), size_(static_cast<std::int64_t>(data.size())), little_(littleEndian) {}
    // The bytes must outlive the cursor; a temporary block would not.
    ByteCursor(std::vector<std::uint8_t>&&, bool) = delete;

    std::int64_t size() const { return size_; }
    std::int64_t tell() const { return pos_; }
    // Bytes from the position to the end; 0 when the position lies past the end.
    std::int64_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    bool has(std::int64_t n) const { return n >= 0 && pos_ <= size_ && n <= size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    bool littleEndian() const { return little_; }

    // Moves to `pos`; a negative position counts as 0.
    void seek(std::int64_t pos) { pos_ = pos < 0 ? 0 : pos; }
    // Moves to `pos` and returns the cursor, for formats read at absolute offsets:
    // `in.at(offset).u32()`.
    ByteCursor& at(std::int64_t pos) {
        seek(pos);
        return *this;
    }
    // Moves forward by n bytes that must be there.
    void skip(std::int64_t n) { pos_ += checked(n); }

    // The next n bytes, consumed.
    const std::uint8_t* take(std::int64_t n) {
        const std::int64_t at = pos_;
        pos_ += checked(n);
        return data_ + at;
    }
    // Copies the next n bytes; false (and nothing consumed) when fewer are left.
    bool tryRead(void* out, std::int64_t n) {
        if (!has(n)) return false;
        std::memcpy(out, take(n), static_cast<std::size_t>(n));
        return true;
    }

    std::uint8_t u8() { return *take(1); }
    std::uint16_t u16() {
        const std::uint8_t* p = take(2);
        return little_ ? static_cast<std::uint16_t>(p[0] | p[1] << 8)
                       : static_cast<std::uint16_t>(p[1] | p[0] << 8);
    }
    std::uint32_t u32() {
        const std::uint8_t* p = take(4);
        return little_ ? load32(p[0], p[1], p[2], p[3]) : load32(p[3], p[2], p[1], p[0]);
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint64_t u64() {
        const std::uint64_t a = u32();
        const std::uint64_t b = u32();
        return little_ ? (b << 32 | a) : (a << 32 | b);
    }
    float f32() { return bitCast<float>(u32()); }
    double f64() { return bitCast<double>(u64()); }

    // The number of records a stored count announces, refused (import_exception{kShortRead})
    // when the bytes left cannot hold that many records of at least `minRecordSize` bytes; so
    // nothing is ever reserved for records the data cannot hold. A count of 0 or less reads
    // no records, as a counting loop would.
    std::int64_t records(std::int64_t count, std::int64_t minRecordSize) {
        if (count <= 0) return 0;
        if (minRecordSize > 0 && count > remaining() / minRecordSize) throw import_exception{kShortRead};
        return count;
    }

    // How many whole records of `recordSize` bytes lie between the position and `limit` (which
    // is cut to the end of the data), at most `count`: the records of a list that its
    // enclosing chunk or the end of the file cut short.
    std::int64_t recordsBefore(std::int64_t limit, std::int64_t count, std::int64_t recordSize) const {
        const std::int64_t end = limit < size_ ? limit : size_;
        const std::int64_t room = end > pos_ ? (end - pos_) / recordSize : 0;
        return count < room ? count : room;
    }

private:
    static std::uint32_t load32(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
        return static_cast<std::uint32_t>(b0) | static_cast<std::uint32_t>(b1) << 8 |
               static_cast<std::uint32_t>(b2) << 16 | static_cast<std::uint32_t>(b3) << 24;
    }
    template <typename T, typename U>
    static T bitCast(U bits) {
        static_assert(sizeof(T) == sizeof(U));
        T value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A negative length would move backwards, which could make a reader loop for ever; it is
    // refused like a length beyond the end.
    std::int64_t checked(std::int64_t n) const {
        if (n < 0) throw import_exception{kBadLength};
        if (n > remaining()) throw import_exception{kShortRead};
        return n;
    }

    const std::uint8_t* data_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
    bool little_;
};

}  // namespace plikatra
