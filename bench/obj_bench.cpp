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

namespace {

// Folder of the generated file; a plain array so that it outlives every static destructor.
char gDir[] = "/tmp/plikatra-bench-XXXXXX";

// A wavy grid of quads with texture coordinates, split into several groups: about 55 MB.
const std::string& largeObj() {
    static const std::string path = [] {
        constexpr int kSide = 700;
        constexpr int kGroups = 8;
        const char* dir = mkdtemp(gDir);
        if (!dir) std::abort();
        std::string file = std::string(dir) + "/grid.obj";
        std::FILE* f = std::fopen(file.c_str(), "w");
        if (!f) std::abort();
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
        std::fclose(f);
        std::atexit([] { std::filesystem::remove_all(gDir); });
        return file;
    }();
    return path;
}

void BM_ReadObj(benchmark::State& state) {
    const std::string& path = largeObj();
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        auto model = std::make_unique<plikatra::Model>();
        if (plikatra::readObj(path, *model) != 0) state.SkipWithError("the generated file did not load");
        benchmark::DoNotOptimize(model->faceCount);
        // Freeing millions of small objects is not part of reading.
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
