// A reader for the metafiles we write, used as the oracle of the EMF tests: the records with
// their framing checked, the handle use, the texts and points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/canvas.h"

namespace plikatra::test {

// A metafile split into its records, with the checks every file must pass.
struct EmfRecord {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::size_t offset = 0;
};

class EmfFile {
public:
    explicit EmfFile(std::vector<std::uint8_t> bytes);
    // Empty when the framing is sound: header first, EOF last, sizes multiples of 4 that
    // add up to the header's byte count, and the record count as the header says.
    std::string error;
    std::vector<EmfRecord> records;
    std::vector<std::uint8_t> bytes;

    std::uint32_t u32(const EmfRecord& r, std::size_t at) const;
    std::int32_t i32(const EmfRecord& r, std::size_t at) const;
    std::int16_t i16(const EmfRecord& r, std::size_t at) const;
    std::uint8_t u8(const EmfRecord& r, std::size_t at) const { return bytes[r.offset + at]; }
    // `count` UTF-16 units from `at` as UTF-8 (ASCII only, '?' for others; zeros kept).
    std::string utf16(const EmfRecord& r, std::size_t at, std::size_t count) const;
    std::vector<const EmfRecord*> of(std::uint32_t type) const;
    std::vector<std::uint32_t> types() const;

    // Handle use: objects are created into free slots, selected while alive, deleted only
    // when not selected; stock objects carry the high bit. Empty when all is well.
    std::string handleProblems() const;

    // EXTTEXTOUTW contents.
    struct Text {
        int x = 0, y = 0;
        std::string text;
        std::vector<int> dx;
    };
    Text text(const EmfRecord& r) const;
    // POLYGON16 / POLYLINE16 / POLYGON / POLYLINE points.
    std::vector<IntPoint> points(const EmfRecord& r) const;
};

// Whether `program` can be run from the PATH.
bool haveProgram(const std::string& program);

}  // namespace plikatra::test
