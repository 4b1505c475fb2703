// Reading speed of the PLY reader on a large generated grid, binary and ASCII.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "import/ply_reader.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// A wavy grid of 640 × 640 quadrilaterals over shared vertices, with texture coordinates:
// 410,000 vertices and faces, 14 MB binary and about 25 MB ASCII.
constexpr int kSide = 640;

template <typename Vertex, typename Face>
void writeGrid(std::FILE* f, const char* format, Vertex vertex, Face face) {
    std::fprintf(f,
                 "ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                 "property float z\nproperty float s\nproperty float t\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 format, (kSide + 1) * (kSide + 1), kSide * kSide);
    for (int j = 0; j <= kSide; ++j)
        for (int i = 0; i <= kSide; ++i)
            vertex(f, i * 0.01f, j * 0.01f, static_cast<float>(0.1 * std::sin(i * 0.05) * std::cos(j * 0.07)),
                   static_cast<float>(i) / kSide, static_cast<float>(j) / kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const int a = j * (kSide + 1) + i;
            face(f, a, a + 1, a + kSide + 2, a + kSide + 1);
        }
}

const std::string& binaryPly() {
    static const std::string path = bench::generatedFile("grid.bin.ply", [](std::FILE* f) {
        writeGrid(
            f, "binary_little_endian",
            [](std::FILE* out, float x, float y, float z, float s, float t) {
                const float v[5] = {x, y, z, s, t};
                std::fwrite(v, 4, 5, out);
            },
            [](std::FILE* out, int a, int b, int c, int d) {
                const std::uint8_t n = 4;
                const std::int32_t q[4] = {a, b, c, d};
                std::fwrite(&n, 1, 1, out);
                std::fwrite(q, 4, 4, out);
            });
    });
    return path;
}

const std::string& asciiPly() {
    static const std::string path = bench::generatedFile("grid.ascii.ply", [](std::FILE* f) {
        writeGrid(
            f, "ascii",
            [](std::FILE* out, float x, float y, float z, float s, float t) {
                std::fprintf(out, "%g %g %g %g %g\n", x, y, z, s, t);
            },
            [](std::FILE* out, int a, int b, int c, int d) { std::fprintf(out, "4 %d %d %d %d\n", a, b, c, d); });
    });
    return path;
}

void BM_ReadPlyBinary(benchmark::State& state) { bench::measureReader(state, binaryPly(), &plikatra::readPly); }
BENCHMARK(BM_ReadPlyBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadPlyAscii(benchmark::State& state) { bench::measureReader(state, asciiPly(), &plikatra::readPly); }
BENCHMARK(BM_ReadPlyAscii)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
