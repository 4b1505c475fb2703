// PDF export of the 20,000-triangle development (see flat_development.h) through Qt's
// printer, vector pages only: no raster factory, so the time is the drawing and the PDF
// writer, not the off-screen renderer.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/document.h"
#include "app/terminal_front_end.h"
#include "base/settings.h"
#include "flat_development.h"
#include "qt/printing/printing.h"

using namespace plikatra;

namespace {

// Qt's printer needs an application with fonts; no display is needed or wanted.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "bench_pdf";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
}

void BM_PdfExport(benchmark::State& state) {
    ensureApplication();
    TerminalFrontEnd frontEnd;
    Settings settings;
    Document doc(frontEnd, settings);
    doc.adopt(makeFlatDevelopment());
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "plikatra_bench.pdf";
    std::string error;
    for (auto _ : state)
        if (!exportPdf(doc, file.string(), {}, &error)) state.SkipWithError(error.c_str());
    state.counters["faces"] = static_cast<double>(doc.model()->solids[0]->faces.size());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(BM_PdfExport)->Unit(benchmark::kMillisecond);
