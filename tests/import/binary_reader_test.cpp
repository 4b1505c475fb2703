#include "import/binary_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>

#include "test_util.h"

namespace plikatra {
namespace {

// Chunks of a one-byte id and a one-byte length.
class TinyChunkReader : public BinaryReader {
public:
    TinyChunkReader() : BinaryReader(true) {}
    std::uint8_t id = 0;

protected:
    std::int64_t readChunkHeader() override {
        id = readByte();
        return readByte();
    }
};

class LittleReader : public BinaryReader {
public:
    explicit LittleReader(bool little) : BinaryReader(little) {}

protected:
    std::int64_t readChunkHeader() override { return readUInt32(); }
};

class OpenFile {
public:
    explicit OpenFile(const std::string& content) {
        fd_ = ::open(dir_.write("f.bin", content).c_str(), O_RDONLY);
    }
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }

private:
    test::TempDir dir_;
    int fd_ = -1;
};

int shortReadCode(const std::function<void()>& read) {
    try {
        read();
    } catch (const import_exception& e) {
        return e.code;
    }
    return 0;
}

TEST(BinaryReader, ByteOrder) {
    const std::string bytes("\x01\x02\x03\x04\x05\x06\x3f\x80\x00\x00", 10);
    for (bool little : {true, false}) {
        OpenFile file(bytes);
        LittleReader r(little);
        ASSERT_TRUE(r.attach(file.fd()));
        EXPECT_EQ(r.fileSize(), 10);
        EXPECT_EQ(r.readUInt16(), little ? 0x0201 : 0x0102);
        EXPECT_EQ(r.readUInt32(), little ? 0x06050403u : 0x03040506u);
        if (!little) {
            EXPECT_EQ(r.readFloat(), 1.0f);
        }
    }
    LittleReader invalid(true);
    EXPECT_FALSE(invalid.attach(-1));
}

TEST(BinaryReader, ShortReadsThrowAndTryReadDoesNot) {
    OpenFile file("abc");
    LittleReader r(false);
    ASSERT_TRUE(r.attach(file.fd()));
    EXPECT_EQ(shortReadCode([&] { r.readUInt32(); }), kShortRead);
    r.seek(0);
    char buf[4];
    EXPECT_FALSE(r.tryRead(buf, 4));
    r.seek(1);
    EXPECT_TRUE(r.tryRead(buf, 2));
    EXPECT_EQ(std::string(buf, 2), "bc");
    EXPECT_EQ(shortReadCode([&] { r.readByte(); }), kShortRead);
    EXPECT_EQ(shortReadCode([&] { r.readFloat(); }), kShortRead);
    EXPECT_EQ(shortReadCode([&] { r.readUInt16(); }), kShortRead);
    // Past the end nothing arrives.
    r.seek(100);
    EXPECT_EQ(shortReadCode([&] { r.readByte(); }), kShortRead);
}

TEST(BinaryReader, SeekAndTellAcrossTheBuffer) {
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    OpenFile file(big);
    LittleReader r(true);
    ASSERT_TRUE(r.attach(file.fd()));
    std::string all(big.size(), '\0');
    r.readBytes(all.data(), all.size());
    EXPECT_EQ(all, big);
    EXPECT_EQ(r.tell(), 200000);
    for (std::int64_t pos : {150000, 65535, 65536, 3, 199999}) {
        r.seek(pos);
        EXPECT_EQ(r.tell(), pos);
        EXPECT_EQ(r.readByte(), static_cast<std::uint8_t>(big[static_cast<std::size_t>(pos)])) << pos;
    }
}

TEST(BinaryReader, Chunks) {
    // Chunk 'a' of 3 bytes, chunk 'b' of 0 bytes, chunk 'c' of 2 bytes.
    OpenFile file(std::string("a\x03xyzb\x00" "c\x02pq", 11));
    TinyChunkReader r;
    ASSERT_TRUE(r.attach(file.fd()));
    EXPECT_EQ(r.nextChunk(), 3);
    EXPECT_EQ(r.id, 'a');
    EXPECT_EQ(r.chunkStart(), 2);
    EXPECT_EQ(r.readByte(), 'x');
    r.skipChunk();
    EXPECT_EQ(r.tell(), 5);
    EXPECT_EQ(r.nextChunk(), 0);
    EXPECT_EQ(r.id, 'b');
    r.skipChunk();
    EXPECT_EQ(r.nextChunk(), 2);
    EXPECT_EQ(r.id, 'c');
    r.skipChunk();
    EXPECT_EQ(r.tell(), r.rangeEnd());
    r.id = 0;
    EXPECT_EQ(r.nextChunk(), 0);
    EXPECT_EQ(r.id, 0);  // at the end no header is read
}

}  // namespace
}  // namespace plikatra
