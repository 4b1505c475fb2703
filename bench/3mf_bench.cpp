// Reading speed of the 3MF reader on a large generated package.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "import/threemf_reader.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// The grid of the STL benchmark as one mesh object: 400,000 triangles, about 30 MB of XML that
// deflates to a few megabytes, as slicers and modellers write packages.
constexpr int kSide = 448;

std::string deflated(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A zip archive of deflated `parts`.
void writeZip(std::FILE* f, const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string directory;
    std::uint32_t offset = 0;
    auto u16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); };
    auto u32 = [&](std::string& s, unsigned long v) { u16(s, v & 0xFFFF), u16(s, v >> 16 & 0xFFFF); };
    for (const auto& [name, data] : parts) {
        const std::string packed = deflated(data);
        const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
        std::string local;
        for (std::string* s : {&local, &directory}) {
            const bool central = s == &directory;
            u32(*s, central ? 0x02014b50 : 0x04034b50);
            if (central) u16(*s, 20);
            u16(*s, 20), u16(*s, 0), u16(*s, 8), u16(*s, 0), u16(*s, 0);
            u32(*s, crc), u32(*s, packed.size()), u32(*s, data.size());
            u16(*s, name.size()), u16(*s, 0);
            if (central) u16(*s, 0), u16(*s, 0), u16(*s, 0), u32(*s, 0), u32(*s, offset);
            *s += name;
        }
        std::fwrite(local.data(), 1, local.size(), f);
        std::fwrite(packed.data(), 1, packed.size(), f);
        offset += static_cast<std::uint32_t>(local.size() + packed.size());
    }
    std::string end;
    u32(end, 0x06054b50), u16(end, 0), u16(end, 0), u16(end, parts.size()), u16(end, parts.size());
    u32(end, directory.size()), u32(end, offset), u16(end, 0);
    std::fwrite(directory.data(), 1, directory.size(), f);
    std::fwrite(end.data(), 1, end.size(), f);
}

const std::string& package() {
    static const std::string path = bench::generatedFile("grid.3mf", [](std::FILE* f) {
        const bench::Grid g = bench::wavyGrid(kSide);
        std::string model =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" "
            "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n<resources>\n<object id=\"1\" "
            "type=\"model\">\n<mesh>\n<vertices>\n";
        char line[128];
        for (std::size_t i = 0; i < g.positions.size(); i += 3) {
            std::snprintf(line, sizeof line, "<vertex x=\"%g\" y=\"%g\" z=\"%g\"/>\n", g.positions[i],
                          g.positions[i + 1], g.positions[i + 2]);
            model += line;
        }
        model += "</vertices>\n<triangles>\n";
        for (std::size_t i = 0; i < g.indices.size(); i += 3) {
            std::snprintf(line, sizeof line, "<triangle v1=\"%u\" v2=\"%u\" v3=\"%u\"/>\n", g.indices[i],
                          g.indices[i + 1], g.indices[i + 2]);
            model += line;
        }
        model += "</triangles>\n</mesh>\n</object>\n</resources>\n<build>\n<item objectid=\"1\"/>\n</build>\n</model>\n";
        writeZip(f, {{"[Content_Types].xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
                      "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                      "<Default Extension=\"model\" "
                      "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>"},
                     {"_rels/.rels",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                      "Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
                      "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>"},
                     {"3D/3dmodel.model", model}});
    });
    return path;
}

void BM_Read3mf(benchmark::State& state) { bench::measureReader(state, package(), &plikatra::read3mf); }
BENCHMARK(BM_Read3mf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
