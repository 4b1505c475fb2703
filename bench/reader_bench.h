// Shared by the reading benchmarks: a generated input file and the timed reading loop.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/model.h"
#include "silent_ui.h"

namespace plikatra::bench {

// Writes a file named `name` with `write` into a temporary folder that is removed at exit.
inline std::string generatedFile(const char* name, const std::function<void(std::FILE*)>& write) {
    // A plain array, so that it outlives every static destructor that may still need it.
    static char dir[] = "/tmp/plikatra-bench-XXXXXX";
    static const bool made = [] {
        if (!mkdtemp(dir)) std::abort();
        std::atexit([] { std::filesystem::remove_all(dir); });
        return true;
    }();
    (void)made;
    const std::string file = std::string(dir) + "/" + name;
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) std::abort();
    write(f);
    std::fclose(f);
    return file;
}

// A wavy square grid of side × side quads, two triangles each, with shared corners: the
// indexed surface the benchmarks of indexed formats write.
struct Grid {
    std::vector<float> positions;  // x, y, z of each corner
    std::vector<std::uint32_t> indices;  // three corners a triangle
};

inline Grid wavyGrid(int side) {
    Grid g;
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i)
            g.positions.insert(g.positions.end(), {i * 0.01f, j * 0.01f,
                                                   static_cast<float>(0.1 * std::sin(i * 0.05) * std::cos(j * 0.07))});
    const auto at = [side](int i, int j) { return static_cast<std::uint32_t>(j * (side + 1) + i); };
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            g.indices.insert(g.indices.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j), at(i + 1, j + 1),
                                               at(i, j + 1)});
    return g;
}

// Seconds to read `path` through a 128 KiB buffer, as `cat FILE > /dev/null` does; the best of
// five runs.
inline double catTime(const std::string& path) {
    std::vector<char> buffer(128 * 1024);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) std::abort();
        std::setvbuf(f, nullptr, _IONBF, 0);
        while (std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
        }
        std::fclose(f);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// Times `read` on `path` and reports bytes per second, with cat's speed on the same file.
inline void measureReader(benchmark::State& state, const std::string& path,
                          int (*read)(const std::string&, Model&, const ReadContext&)) {
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
    SilentUi ui;
    const ReadContext ctx{ui};
    for (auto _ : state) {
        auto model = std::make_unique<Model>();
        if (read(path, *model, ctx) != 0) state.SkipWithError("the generated file did not load");
        benchmark::DoNotOptimize(model->faceCount);
        // Freeing the many small objects of a model is not part of reading.
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    // The reference point of the same run: reading the same file the way cat does (128 KiB at a
    // time, nothing kept), the fastest any reader could take it in.
    const double catSeconds = catTime(path);
    state.counters["cat_MBps"] = static_cast<double>(bytes) / 1e6 / catSeconds;
}

}  // namespace plikatra::bench
