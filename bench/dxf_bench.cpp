// Reading speed of the DXF reader on a large generated drawing of 3DFACE entities.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "import/dxf_reader.h"
#include "model/model.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// A wavy grid of quadrilateral 3DFACEs over four layers: about 20 MB. Neighbouring faces
// repeat their shared corners, as drawings do, so the reader's vertex merging is exercised.
const std::string& largeDxf() {
    static const std::string path = bench::generatedFile("grid.dxf", [](std::FILE* f) {
        constexpr int kSide = 310;
        std::fprintf(f, "  0\nSECTION\n  2\nENTITIES\n");
        auto z = [](int i, int j) { return 0.1 * std::sin(i * 0.05) * std::cos(j * 0.07); };
        for (int j = 0; j < kSide; ++j)
            for (int i = 0; i < kSide; ++i) {
                std::fprintf(f, "  0\n3DFACE\n  5\n%X\n100\nAcDbEntity\n  8\nLayer%d\n100\nAcDbFace\n",
                             j * kSide + i + 16, (j * 4) / kSide);
                const int xs[4] = {i, i + 1, i + 1, i};
                const int ys[4] = {j, j, j + 1, j + 1};
                for (int k = 0; k < 4; ++k)
                    std::fprintf(f, " 1%d\n%.6f\n 2%d\n%.6f\n 3%d\n%.6f\n", k, xs[k] * 0.01, k, ys[k] * 0.01, k,
                                 z(xs[k], ys[k]));
            }
        std::fprintf(f, "  0\nENDSEC\n  0\nEOF\n");
    });
    return path;
}

void BM_ReadDxf(benchmark::State& state) { bench::measureReader(state, largeDxf(), &plikatra::readDxf); }
BENCHMARK(BM_ReadDxf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
