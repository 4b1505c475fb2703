#include "emf_file.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "output/emf_writer.h"

namespace plikatra::test {

EmfFile::EmfFile(std::vector<std::uint8_t> data) : bytes(std::move(data)) {
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        EmfRecord r;
        r.offset = at;
        r.type = u32(r, 0);
        r.size = u32(r, 4);
        if (r.size < 8 || r.size % 4 != 0 || at + r.size > bytes.size()) {
            error = "record " + std::to_string(records.size()) + " of type " + std::to_string(r.type) +
                    " has a bad size " + std::to_string(r.size);
            return;
        }
        records.push_back(r);
        at += r.size;
    }
    if (at != bytes.size()) error = "bytes left after the last record";
    else if (records.empty() || records.front().type != kEmrHeader) error = "no header first";
    else if (records.back().type != kEmrEof) error = "no EOF last";
    else if (u32(records.front(), 48) != bytes.size()) error = "header byte count differs from the file size";
    else if (u32(records.front(), 52) != records.size()) error = "header record count differs";
    else if (u32(records.front(), 40) != kEmfSignature) error = "bad signature";
    if (!error.empty()) return;
    // What a reader takes from inside a record must lie inside it.
    for (const EmfRecord& r : records) {
        std::uint64_t end = 0;
        switch (r.type) {
            case kEmrPolygon16:
            case kEmrPolyline16: end = r.size < 28 ? ~0ull : 28 + 4ull * u32(r, 24); break;
            case kEmrPolygon:
            case kEmrPolyline: end = r.size < 28 ? ~0ull : 28 + 8ull * u32(r, 24); break;
            case kEmrExtTextOutW:
                end = r.size < 76 ? ~0ull
                                  : std::max(u32(r, 48) + 2ull * u32(r, 44), u32(r, 72) + 4ull * u32(r, 44));
                break;
            default: break;
        }
        if (end > r.size) {
            error = "record of type " + std::to_string(r.type) + " at offset " + std::to_string(r.offset) +
                    " reaches past its size " + std::to_string(r.size);
            return;
        }
    }
}

std::uint32_t EmfFile::u32(const EmfRecord& r, std::size_t at) const {
    const std::uint8_t* p = bytes.data() + r.offset + at;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t EmfFile::i32(const EmfRecord& r, std::size_t at) const { return static_cast<std::int32_t>(u32(r, at)); }

std::int16_t EmfFile::i16(const EmfRecord& r, std::size_t at) const {
    const std::uint8_t* p = bytes.data() + r.offset + at;
    return static_cast<std::int16_t>(p[0] | p[1] << 8);
}

std::string EmfFile::utf16(const EmfRecord& r, std::size_t at, std::size_t count) const {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned c = static_cast<std::uint16_t>(i16(r, at + 2 * i));
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::vector<const EmfRecord*> EmfFile::of(std::uint32_t type) const {
    std::vector<const EmfRecord*> out;
    for (const EmfRecord& r : records)
        if (r.type == type) out.push_back(&r);
    return out;
}

std::vector<std::uint32_t> EmfFile::types() const {
    std::vector<std::uint32_t> out;
    for (const EmfRecord& r : records) out.push_back(r.type);
    return out;
}

std::string EmfFile::handleProblems() const {
    if (records.empty()) return "no records";
    const std::uint32_t handles = u32(records.front(), 56) & 0xFFFF;
    std::map<std::uint32_t, int> alive;  // handle -> kind (pen, brush, font)
    std::map<int, std::uint32_t> selected;
    std::vector<std::map<int, std::uint32_t>> saved;
    auto kindOfStock = [](std::uint32_t index) { return index <= 5 ? 1 : index <= 9 ? 0 : 2; };
    for (const EmfRecord& r : records) {
        const std::string where = " at record type " + std::to_string(r.type) + " offset " + std::to_string(r.offset);
        switch (r.type) {
            case kEmrCreatePen:
            case kEmrExtCreatePen:
            case kEmrCreateBrushIndirect:
            case kEmrExtCreateFontIndirectW: {
                const std::uint32_t h = u32(r, 8);
                if (h == 0 || h >= handles) return "handle " + std::to_string(h) + " outside the table" + where;
                if (alive.count(h)) return "handle " + std::to_string(h) + " created twice" + where;
                alive[h] = r.type == kEmrCreateBrushIndirect ? 1 : r.type == kEmrExtCreateFontIndirectW ? 2 : 0;
                break;
            }
            case kEmrSelectObject: {
                const std::uint32_t h = u32(r, 8);
                if (h & kEmfStockObject) {
                    selected[kindOfStock(h & ~kEmfStockObject)] = h;
                } else {
                    if (!alive.count(h)) return "selects dead handle " + std::to_string(h) + where;
                    selected[alive[h]] = h;
                }
                break;
            }
            case kEmrDeleteObject: {
                const std::uint32_t h = u32(r, 8);
                if (!alive.count(h)) return "deletes dead handle " + std::to_string(h) + where;
                for (const auto& [kind, s] : selected)
                    if (s == h) return "deletes selected handle " + std::to_string(h) + where;
                for (const auto& state : saved)
                    for (const auto& [kind, s] : state)
                        if (s == h) return "deletes handle of a saved state " + std::to_string(h) + where;
                alive.erase(h);
                break;
            }
            case kEmrSaveDc: saved.push_back(selected); break;
            case kEmrRestoreDc:
                if (saved.empty()) return "restores without save" + where;
                selected = saved.back();
                saved.pop_back();
                break;
            default: break;
        }
    }
    if (!alive.empty()) return std::to_string(alive.size()) + " objects never deleted";
    return {};
}

EmfFile::Text EmfFile::text(const EmfRecord& r) const {
    Text t;
    t.x = i32(r, 36);
    t.y = i32(r, 40);
    const std::uint32_t count = u32(r, 44), offString = u32(r, 48), offDx = u32(r, 72);
    t.text = utf16(r, offString, count);
    for (std::uint32_t i = 0; i < count; ++i) t.dx.push_back(i32(r, offDx + 4 * i));
    return t;
}

std::vector<IntPoint> EmfFile::points(const EmfRecord& r) const {
    std::vector<IntPoint> out;
    const std::uint32_t count = u32(r, 24);
    const bool small = r.type == kEmrPolygon16 || r.type == kEmrPolyline16;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (small)
            out.push_back({i16(r, 28 + 4 * i), i16(r, 30 + 4 * i)});
        else
            out.push_back({i32(r, 28 + 8 * i), i32(r, 32 + 8 * i)});
    }
    return out;
}

bool haveProgram(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace plikatra::test
