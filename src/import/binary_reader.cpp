#include "import/binary_reader.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace plikatra {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

bool BinaryReader::attach(int fd) {
    if (fd < 0) return false;
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (here < 0 || end < 0 || ::lseek(fd, here, SEEK_SET) < 0) return false;
    fd_ = fd;
    fileSize_ = end;
    rangeEnd_ = end;
    buffer_.resize(kBufferSize);
    bufferStart_ = here;
    bufferPos_ = bufferLen_ = 0;
    return true;
}

std::size_t BinaryReader::readSome(std::uint8_t* out, std::size_t n) {
    std::size_t copied = 0;
    while (copied < n) {
        if (bufferPos_ == bufferLen_) {
            if (fd_ < 0) break;
            bufferStart_ += static_cast<std::int64_t>(bufferLen_);
            bufferPos_ = bufferLen_ = 0;
            ssize_t got;
            do {
                got = ::pread(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(bufferStart_));
            } while (got < 0 && errno == EINTR);
            if (got <= 0) break;
            bufferLen_ = static_cast<std::size_t>(got);
        }
        const std::size_t take = std::min(n - copied, bufferLen_ - bufferPos_);
        std::memcpy(out + copied, buffer_.data() + bufferPos_, take);
        bufferPos_ += take;
        copied += take;
    }
    return copied;
}

bool BinaryReader::tryRead(void* buffer, std::size_t n) {
    return readSome(static_cast<std::uint8_t*>(buffer), n) == n;
}

void BinaryReader::readBytes(void* buffer, std::size_t n) {
    if (!tryRead(buffer, n)) throw import_exception{kShortRead};
}

std::uint8_t BinaryReader::readByte() {
    std::uint8_t b;
    readBytes(&b, 1);
    return b;
}

std::uint16_t BinaryReader::readUInt16() {
    std::uint8_t b[2];
    readBytes(b, 2);
    return littleEndian_ ? static_cast<std::uint16_t>(b[0] | b[1] << 8)
                         : static_cast<std::uint16_t>(b[1] | b[0] << 8);
}

std::uint32_t BinaryReader::readUInt32() {
    std::uint8_t b[4];
    readBytes(b, 4);
    if (!littleEndian_) std::reverse(b, b + 4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

float BinaryReader::readFloat() {
    const std::uint32_t bits = readUInt32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::int64_t BinaryReader::nextChunk() {
    if (tell() == rangeEnd_) return 0;
    chunkLength_ = readChunkHeader();
    chunkStart_ = tell();
    return chunkLength_;
}

void BinaryReader::skipChunk() { seek(chunkStart_ + chunkLength_); }

void BinaryReader::seek(std::int64_t pos) {
    if (pos < 0) pos = 0;
    // Keep the buffer when the target lies inside it; short hops are common between chunks.
    if (pos >= bufferStart_ && pos <= bufferStart_ + static_cast<std::int64_t>(bufferLen_)) {
        bufferPos_ = static_cast<std::size_t>(pos - bufferStart_);
        return;
    }
    bufferStart_ = pos;
    bufferPos_ = bufferLen_ = 0;
}

}  // namespace plikatra
