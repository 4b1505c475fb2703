// Reading speed of the STL reader, binary and ASCII, on a large generated surface.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "import/stl_reader.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// A wavy closed-off grid of triangles, every shared corner written again for each triangle
// as exporters do: 400,000 triangles, 20 MB binary and about 90 MB ASCII.
constexpr int kSide = 448;

void eachTriangle(void (*emit)(std::FILE*, const float*), std::FILE* f) {
    auto z = [](int i, int j) { return static_cast<float>(0.1 * std::sin(i * 0.05) * std::cos(j * 0.07)); };
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const float a[9] = {i * 0.01f, j * 0.01f, z(i, j), (i + 1) * 0.01f, j * 0.01f, z(i + 1, j),
                                (i + 1) * 0.01f, (j + 1) * 0.01f, z(i + 1, j + 1)};
            const float b[9] = {i * 0.01f, j * 0.01f, z(i, j), (i + 1) * 0.01f, (j + 1) * 0.01f, z(i + 1, j + 1),
                                i * 0.01f, (j + 1) * 0.01f, z(i, j + 1)};
            emit(f, a);
            emit(f, b);
        }
}

const std::string& binaryStl() {
    static const std::string path = bench::generatedFile("grid.bin.stl", [](std::FILE* f) {
        char header[80] = "solid grid written by the benchmark";
        std::fwrite(header, 1, 80, f);
        const std::uint32_t count = 2u * kSide * kSide;
        std::fwrite(&count, 4, 1, f);
        eachTriangle(
            [](std::FILE* out, const float* c) {
                const float normal[3] = {0, 0, 1};
                const std::uint16_t attribute = 0;
                std::fwrite(normal, 4, 3, out);
                std::fwrite(c, 4, 9, out);
                std::fwrite(&attribute, 2, 1, out);
            },
            f);
    });
    return path;
}

const std::string& asciiStl() {
    static const std::string path = bench::generatedFile("grid.ascii.stl", [](std::FILE* f) {
        std::fprintf(f, "solid grid\n");
        eachTriangle(
            [](std::FILE* out, const float* c) {
                std::fprintf(out, "  facet normal 0 0 1\n    outer loop\n");
                for (int k = 0; k < 3; ++k)
                    std::fprintf(out, "      vertex %e %e %e\n", c[3 * k], c[3 * k + 1], c[3 * k + 2]);
                std::fprintf(out, "    endloop\n  endfacet\n");
            },
            f);
        std::fprintf(f, "endsolid grid\n");
    });
    return path;
}

void BM_ReadStlBinary(benchmark::State& state) { bench::measureReader(state, binaryStl(), &plikatra::readStl); }
BENCHMARK(BM_ReadStlBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadStlAscii(benchmark::State& state) { bench::measureReader(state, asciiStl(), &plikatra::readStl); }
BENCHMARK(BM_ReadStlAscii)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
