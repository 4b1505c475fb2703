// Shared by the tests of the Canvas outputs: hand-made drawings, the unfolded cube, and a
// reader for the metafiles we write.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "development/development_drawing.h"
#include "model/model.h"
#include "output/canvas.h"

namespace plikatra::test {

// A drawing put together directly in development units, owning what it points to.
struct SheetBuilder {
    std::vector<std::unique_ptr<Part>> parts;
    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<TextItem>> texts;
    DevelopmentDrawing drawing;

    // dMag2d 1 (development units are centimetres), an A4 grid of 1 × 1.
    SheetBuilder();
    Part* part(double x, double y, double w, double h);
    Material* material(float r, float g, float b, bool textured = false);
    DrawnFace& face(Part* p, std::vector<Point2> corners, const Material* m = nullptr);
    void flap(Part* p, Point2 base0, Point2 base1, double heightCm);
    void line(Part* p, Point2 a, Point2 b, LineRole role, int lineType);
    void number(Part* p, Point2 first, Point2 second, int n);
    TextItem* text(const std::string& s, double x, double y, int size = 36, std::uint32_t color = 0);
};

// The cube unfolded by the current engine with the initial settings.
std::unique_ptr<Model> unfoldedCube();

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
