#include "base/byte_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace plikatra {
namespace {

int thrownCode(const std::function<void()>& read) {
    try {
        read();
    } catch (const import_exception& e) {
        return e.code;
    }
    return 0;
}

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x3f, 0x80, 0x00, 0x00};

TEST(ByteCursor, ReadsEitherByteOrder) {
    for (bool little : {true, false}) {
        ByteCursor in(kBytes, little);
        EXPECT_EQ(in.u16(), little ? 0x0201 : 0x0102);
        EXPECT_EQ(in.u32(), little ? 0x06050403u : 0x03040506u);
        EXPECT_EQ(in.tell(), 6);
        if (!little) {
            EXPECT_EQ(in.f32(), 1.0f);
        }
    }
    const std::vector<std::uint8_t> one = {0x3f, 0xf0, 0, 0, 0, 0, 0, 0};
    ByteCursor big(one, false);
    EXPECT_EQ(big.f64(), 1.0);
    const std::vector<std::uint8_t> minusTwo = {0xff, 0xff, 0xff, 0xfe};
    ByteCursor minus(minusTwo, false);
    EXPECT_EQ(minus.i32(), -2);
}

// Every read past the end throws kShortRead and consumes nothing, so a reader that catches it
// knows exactly where it stopped.
TEST(ByteCursor, ReadsPastTheEndThrowAndConsumeNothing) {
    const std::vector<std::uint8_t> abc = {'a', 'b', 'c'};
    ByteCursor in(abc, true);
    EXPECT_EQ(thrownCode([&] { in.u32(); }), kShortRead);
    EXPECT_EQ(in.tell(), 0);
    std::uint8_t buf[4];
    EXPECT_FALSE(in.tryRead(buf, 4));
    EXPECT_TRUE(in.tryRead(buf, 2));
    EXPECT_EQ(in.u8(), 'c');
    EXPECT_TRUE(in.atEnd());
    for (auto read : std::vector<std::function<void()>>{[&] { in.u8(); }, [&] { in.u16(); },
                                                         [&] { in.f32(); }, [&] { in.f64(); },
                                                         [&] { in.skip(1); }, [&] { in.take(1); }})
        EXPECT_EQ(thrownCode(read), kShortRead);
    // A negative length would move backwards.
    in.seek(1);
    EXPECT_EQ(thrownCode([&] { in.skip(-1); }), kBadLength);
    // Past the end (a chunk that claims more than the file holds) nothing can be read, not
    // even nothing.
    in.seek(10);
    EXPECT_EQ(in.remaining(), 0);
    EXPECT_FALSE(in.has(0));
    EXPECT_EQ(thrownCode([&] { in.u8(); }), kShortRead);
    in.seek(-5);
    EXPECT_EQ(in.tell(), 0);
    EXPECT_EQ(in.at(2).u8(), 'c');
}

TEST(ByteCursor, CountsAreCheckedAgainstTheBytesLeft) {
    const std::vector<std::uint8_t> data(100, 0);
    ByteCursor in(data, true);
    in.skip(4);
    EXPECT_EQ(in.records(8, 12), 8);   // 96 bytes left
    EXPECT_EQ(thrownCode([&] { in.records(9, 12); }), kShortRead);
    EXPECT_EQ(thrownCode([&] { in.records(0x7fffffff, 1); }), kShortRead);
    EXPECT_EQ(in.records(-3, 12), 0);
    EXPECT_EQ(in.records(0, 12), 0);
    // Records cut short by a chunk end or by the end of the data: only the whole ones count.
    EXPECT_EQ(in.recordsBefore(40, 10, 12), 3);
    EXPECT_EQ(in.recordsBefore(1000, 10, 12), 8);
    EXPECT_EQ(in.recordsBefore(1000, 5, 12), 5);
    EXPECT_EQ(in.recordsBefore(2, 5, 12), 0);
}

}  // namespace
}  // namespace plikatra
