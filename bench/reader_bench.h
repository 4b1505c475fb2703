// Shared by the reading benchmarks: a generated input file and the timed reading loop.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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

// Times `read` on `path` and reports bytes per second.
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
}

}  // namespace plikatra::bench
