// Reading speed of the glTF reader on a large generated binary file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "import/gltf_reader.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// The grid of the STL benchmark, indexed as glTF exporters write it: 400,000 triangles in one
// primitive, about 7 MB.
constexpr int kSide = 448;

void writeU32(std::FILE* f, std::uint32_t v) { std::fwrite(&v, 4, 1, f); }

const std::string& binaryGltf() {
    static const std::string path = bench::generatedFile("grid.glb", [](std::FILE* f) {
        const bench::Grid g = bench::wavyGrid(kSide);
        const std::size_t positionBytes = g.positions.size() * 4, indexBytes = g.indices.size() * 4;
        const std::size_t vertices = g.positions.size() / 3;
        std::string json = "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
                           "\"nodes\":[{\"mesh\":0}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},"
                           "\"indices\":1}]}],\"buffers\":[{\"byteLength\":" +
                           std::to_string(positionBytes + indexBytes) +
                           "}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":" + std::to_string(positionBytes) +
                           "},{\"buffer\":0,\"byteOffset\":" + std::to_string(positionBytes) +
                           ",\"byteLength\":" + std::to_string(indexBytes) +
                           "}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":" +
                           std::to_string(vertices) +
                           ",\"type\":\"VEC3\",\"min\":[0,0,-0.1],\"max\":[4.48,4.48,0.1]},{\"bufferView\":1,"
                           "\"componentType\":5125,\"count\":" +
                           std::to_string(g.indices.size()) + ",\"type\":\"SCALAR\"}]}";
        json.resize((json.size() + 3) / 4 * 4, ' ');
        const std::size_t binBytes = positionBytes + indexBytes;
        std::fwrite("glTF", 1, 4, f);
        writeU32(f, 2);
        writeU32(f, static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + binBytes));
        writeU32(f, static_cast<std::uint32_t>(json.size()));
        std::fwrite("JSON", 1, 4, f);
        std::fwrite(json.data(), 1, json.size(), f);
        writeU32(f, static_cast<std::uint32_t>(binBytes));
        std::fwrite("BIN\0", 1, 4, f);
        std::fwrite(g.positions.data(), 4, g.positions.size(), f);
        std::fwrite(g.indices.data(), 4, g.indices.size(), f);
    });
    return path;
}

void BM_ReadGltfBinary(benchmark::State& state) { bench::measureReader(state, binaryGltf(), &plikatra::readGltf); }
BENCHMARK(BM_ReadGltfBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
