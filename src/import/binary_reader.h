// Reads fixed-size values and chunks from a binary file in either byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/read_result.h"

namespace plikatra {

// Code of the import_exception thrown when fewer bytes than requested could be read.
constexpr int kShortRead = -2;

// A buffered reader over an open file descriptor. Every read is bounded by the file: a read
// that cannot be satisfied in full throws import_exception{kShortRead}. Formats made of
// chunks derive from it and supply their chunk header routine.
class BinaryReader {
public:
    explicit BinaryReader(bool littleEndian) : littleEndian_(littleEndian) {}
    virtual ~BinaryReader() = default;
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    // Takes an open descriptor (not owned); false when it is invalid or cannot seek.
    // Records the file size, which also becomes the end of the chunk range.
    bool attach(int fd);

    // Reads n bytes; throws on a short read.
    void readBytes(void* buffer, std::size_t n);
    // Reads n bytes; false when fewer arrived (the ones that did are consumed).
    bool tryRead(void* buffer, std::size_t n);
    std::uint8_t readByte();
    std::uint16_t readUInt16();
    std::uint32_t readUInt32();
    float readFloat();

    // 0 at the end of the chunk range; otherwise reads a chunk header with readChunkHeader,
    // remembers where the chunk's data starts and returns its length.
    std::int64_t nextChunk();
    // Positions the file after the current chunk's data.
    void skipChunk();

    std::int64_t tell() const { return bufferStart_ + static_cast<std::int64_t>(bufferPos_); }
    void seek(std::int64_t pos);

    std::int64_t fileSize() const { return fileSize_; }
    std::int64_t chunkStart() const { return chunkStart_; }
    std::int64_t chunkLength() const { return chunkLength_; }
    std::int64_t chunkEnd() const { return chunkStart_ + chunkLength_; }
    std::int64_t rangeEnd() const { return rangeEnd_; }
    void setRangeEnd(std::int64_t end) { rangeEnd_ = end; }
    bool littleEndian() const { return littleEndian_; }

protected:
    // Reads the format's chunk header at the current position and returns the data length.
    virtual std::int64_t readChunkHeader() = 0;

private:
    // Copies up to n bytes, refilling the buffer as needed; returns how many were copied.
    std::size_t readSome(std::uint8_t* out, std::size_t n);

    std::int64_t chunkStart_ = 0;
    std::int64_t chunkLength_ = 0;
    std::int64_t rangeEnd_ = 0;
    int fd_ = -1;
    bool littleEndian_;

    std::int64_t fileSize_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::int64_t bufferStart_ = 0;  // file position of buffer_[0]
    std::size_t bufferPos_ = 0;
    std::size_t bufferLen_ = 0;
};

}  // namespace plikatra
