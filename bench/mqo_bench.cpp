// Reading speed of the MQO reader on a large generated document.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "import/mqo_reader.h"
#include "model/model.h"
#include "reader_bench.h"

namespace plikatra {
namespace {

// Four objects, each a wavy grid of quads with materials and texture coordinates, behind a
// scene block that is skipped: about 20 MB.
const std::string& largeMqo() {
    static const std::string path = bench::generatedFile("grid.mqo", [](std::FILE* f) {
        constexpr int kSide = 200;
        constexpr int kObjects = 4;
        std::fprintf(f, "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n");
        std::fprintf(f, "Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tdirlights 1 {\r\n\t\tlight {\r\n"
                        "\t\t\tdir 0.408 0.408 0.816\r\n\t\t}\r\n\t}\r\n}\r\n");
        std::fprintf(f, "Material 2 {\r\n"
                        "\t\"skin\" col(1.000 0.800 0.600 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)\r\n"
                        "\t\"cloth\" shader(3) col(0.200 0.300 0.900 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)\r\n"
                        "}\r\n");
        for (int o = 0; o < kObjects; ++o) {
            std::fprintf(f, "Object \"grid%d\" {\r\n\tdepth 0\r\n\tvisible 15\r\n\tlocking 0\r\n\tshading 1\r\n"
                            "\tfacet 59.5\r\n\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n",
                         o);
            std::fprintf(f, "\tvertex %d {\r\n", kSide * kSide);
            for (int j = 0; j < kSide; ++j)
                for (int i = 0; i < kSide; ++i)
                    std::fprintf(f, "\t\t%.4f %.4f %.4f\r\n", i * 1.5, j * 1.5 + o * 400.0,
                                 10.0 * std::sin(i * 0.05) * std::cos(j * 0.07));
            std::fprintf(f, "\t}\r\n\tface %d {\r\n", (kSide - 1) * (kSide - 1));
            for (int j = 0; j + 1 < kSide; ++j)
                for (int i = 0; i + 1 < kSide; ++i) {
                    const int a = j * kSide + i, b = a + 1, c = a + kSide + 1, d = a + kSide;
                    const double u0 = i / double(kSide - 1), u1 = (i + 1) / double(kSide - 1);
                    const double v0 = j / double(kSide - 1), v1 = (j + 1) / double(kSide - 1);
                    std::fprintf(f, "\t\t4 V(%d %d %d %d) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n", d, c,
                                 b, a, (i + j) % 2, u0, v1, u1, v1, u1, v0, u0, v0);
                }
            std::fprintf(f, "\t}\r\n}\r\n");
        }
        std::fprintf(f, "Eof\r\n");
    });
    return path;
}

void BM_ReadMqo(benchmark::State& state) { bench::measureReader(state, largeMqo(), &plikatra::readMqo); }
BENCHMARK(BM_ReadMqo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace plikatra
