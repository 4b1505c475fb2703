// Reading speed of the OBJ reader on a large generated file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "import/obj_reader.h"
#include "model/model.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// A wavy grid of quads with texture coordinates, split into several groups: about 55 MB.
const std::string& largeObj() {
    static const std::string path = bench::generatedFile("grid.obj", [](std::FILE* f) {
        constexpr int kSide = 700;
        constexpr int kGroups = 8;
        std::fprintf(f, "# generated grid\nmtllib grid.mtl\n");
        for (int j = 0; j < kSide; ++j)
            for (int i = 0; i < kSide; ++i)
                std::fprintf(f, "v %f %f %f\n", i * 0.01, j * 0.01, 0.1 * std::sin(i * 0.05) * std::cos(j * 0.07));
        for (int j = 0; j < kSide; ++j)
            for (int i = 0; i < kSide; ++i)
                std::fprintf(f, "vt %f %f\n", i / double(kSide - 1), j / double(kSide - 1));
        const int rowsPerGroup = (kSide - 1 + kGroups - 1) / kGroups;
        for (int j = 0; j < kSide - 1; ++j) {
            if (j % rowsPerGroup == 0) std::fprintf(f, "g part%d\nusemtl m%d\n", j / rowsPerGroup, j / rowsPerGroup);
            for (int i = 0; i < kSide - 1; ++i) {
                const int a = j * kSide + i + 1, b = a + 1, c = a + kSide + 1, d = a + kSide;
                std::fprintf(f, "f %d/%d %d/%d %d/%d %d/%d\n", a, a, b, b, c, c, d, d);
            }
        }
    });
    return path;
}

void BM_ReadObj(benchmark::State& state) { bench::measureReader(state, largeObj(), &plikatra::readObj); }
BENCHMARK(BM_ReadObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
