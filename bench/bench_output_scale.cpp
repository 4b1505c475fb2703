// Every output of "Create Development" on scan-like models of many parts (see
// scan_like_model.h), unfolded by fold angle: EPS, SVG, the metafile, PDF (vector pages with
// raster layers rendered off screen) and the bitmap file at its natural size.
//
// Two series. "fitted": the whole development on one page, as the command-line tool lays it
// out by default; the 70,000-face scan's figures are quoted from here. As faces grow the faces
// shrink on the page while flaps keep their height in centimetres, so the flaps pile up ever
// deeper and the visible pieces of their outlines grow faster than the faces (the drawing
// itself grows with the square of the faces). "detail": fitted to one page too, with flaps as
// much lower as the faces are smaller, so that every size draws the 70,000-face scan's
// drawing in finer detail: the same pile of flaps, only more of it, which is where time
// should grow in step with the faces. (Spreading the model over more pages at one size per
// face would do the same, but the sheet holds at most 5 × 5 pages.) After the runs a table gives each output's time per size and the
// growth exponent (time ∝ faces^exponent) from 20,480 to 1,310,720 faces (fitted: to 81,920).
// The table counts the process's CPU time, renderer threads included, which a busy machine
// disturbs far less than the wall-clock time Google Benchmark reports. Last, the print preview
// of the scan spread over 25 pages: its first page alone and all its pages.
//
//   bench_output_scale [--benchmark_filter=...]
//
// With PLIKATRA_BENCH_KEEP set to a folder, each output is kept there as
// <series>_<faces>.<format>, so that two builds' outputs can be compared byte for byte.
//
// Needs no display: Qt runs on its off-screen platform and OpenGL on a surfaceless context.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPrinter>

#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <tuple>

#include "app/development_outputs.h"
#include "app/document.h"
#include "app/terminal_front_end.h"
#include "app/view_options.h"
#include "base/settings.h"
#include "qt/printing/painter_canvas.h"
#include "qt/printing/printing.h"
#include "output/flap_pieces.h"
#include "output/text_metrics.h"
#include "scan_like_model.h"
#include "views/offscreen_raster.h"

using namespace plikatra;

namespace {

enum Format { kEps, kSvg, kEmf, kPdf, kBmp, kFormats };
const char* kFormatNames[] = {"eps", "svg", "emf", "pdf", "bmp"};

// Sizes by the sphere's frequency: 20 · frequency² faces.
constexpr int kScanFrequency = 59;  // 69,620 faces
const int kFrequencies[] = {32, 64, 128, 256};
enum Series { kFitted, kDetail, kPages };
const char* kSeriesNames[] = {"fitted", "detail", "pages"};
// The 70,000-face scan at a scale that spreads it over 25 pages, for the print preview.
constexpr double kPreviewScale = 2.5;

void ensureApplication() {
    static int argc = 1;
    static char name[] = "bench_output_scale";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
}

// The command-line front end without its messages ("Too many surfaces" on every model),
// laying out at a given scale when there is one.
class QuietFrontEnd : public TerminalFrontEnd {
public:
    std::optional<double> scale;
    void message(const std::string&, const std::string&, MessageIcon) override {}
    bool layoutMethod(LayoutDialog& dialog) override {
        if (scale) {
            dialog.mode = kLayoutGivenScale;
            dialog.setScale(*scale);
        }
        return TerminalFrontEnd::layoutMethod(dialog);
    }
};

// One unfolded model per size, kept for all formats.
struct Unfolded {
    QuietFrontEnd frontEnd;
    Settings settings;
    std::unique_ptr<Document> doc;
};

Document& unfolded(int series, int frequency) {
    static std::map<std::pair<int, int>, std::unique_ptr<Unfolded>> cache;
    // One model at a time: the largest needs the memory.
    if (!cache.count({series, frequency})) cache.clear();
    auto& u = cache[{series, frequency}];
    if (!u) {
        u = std::make_unique<Unfolded>();
        u->settings.iAlgorithmType = 0;
        u->settings.bPageDivide = true;
        if (series == kPages) u->frontEnd.scale = kPreviewScale;
        u->doc = std::make_unique<Document>(u->frontEnd, u->settings);
        u->doc->adopt(makeScanLikeSphere(frequency));
        if (!u->doc->createDevelopment(series != kPages))
            std::fprintf(stderr, "unfolding frequency %d failed\n", frequency);
        // Flaps in proportion to the faces, as high as the 70,000-face scan's are at its size.
        if (series == kDetail) setFlapHeights(*u->doc->model(), kInitialFlapHeight * kScanFrequency / frequency);
    }
    return *u->doc;
}

bool write(Format format, const Document& doc, const std::string& path, std::string& error) {
    FreeTypeTextMetrics metrics;
    switch (format) {
        case kEps: return const_cast<Document&>(doc).exportEps(path, &error);
        case kSvg: {
            const OutputStatus s = saveDevelopmentSvg(doc, path, metrics);
            error = s.message;
            return s.ok();
        }
        case kEmf: {
            const OutputStatus s = saveDevelopmentMetafile(doc, path, metrics);
            error = s.message;
            return s.ok();
        }
        case kPdf: {
            ensureApplication();
            const RasterFactory raster = offscreenRasterFactory(developmentViewOptionsOf(doc.settings(), kModeNone));
            return exportPdf(doc, path, raster, &error) || error.empty();
        }
        default: {
            ensureApplication();
            const BitmapSizeDialog size = bitmapSizeDialogOf(doc, kBitmapFileLimit);
            const RasterFactory raster = offscreenRasterFactory(developmentViewOptionsOf(doc.settings(), kModeNone));
            PainterImageCanvasFactory texts(96.0);
            const OutputStatus s = saveDevelopmentBitmap(doc, path, size.width(), size.height(), raster, &texts);
            error = s.message;
            return s.ok();
        }
    }
}

// CPU time of the whole process so far.
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

std::map<std::tuple<int, int, int>, double> gSeconds;
std::map<int, double> gPreviewSeconds;  // last page drawn → seconds  // (series, format, frequency) → seconds

void BM_Output(benchmark::State& state) {
    const auto series = static_cast<Series>(state.range(0));
    const auto format = static_cast<Format>(state.range(1));
    const int frequency = static_cast<int>(state.range(2));
    Document& doc = unfolded(series, frequency);
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("plikatra_bench_scale." + std::string(kFormatNames[format]));
    std::string error;
    for (auto _ : state) {
        const double start = processSeconds();
        if (!write(format, doc, file.string(), error)) state.SkipWithError(error.c_str());
        gSeconds[{series, format, frequency}] = processSeconds() - start;
    }
    const Model& m = *doc.model();
    size_t flaps = 0;
    for (const auto& s : m.solids)
        for (const auto& e : s->edges) flaps += (e->a && e->a->hasFlap) + (e->b && e->b->hasFlap);
    state.SetLabel(std::string(kSeriesNames[series]) + " " + kFormatNames[format]);
    state.counters["pages"] = static_cast<double>(doc.model()->pagesAcross * doc.model()->pagesDown);
    state.counters["faces"] = static_cast<double>(m.faceCount);
    state.counters["parts"] = static_cast<double>(m.parts.size());
    state.counters["flaps"] = static_cast<double>(flaps);
    std::error_code ec;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file, ec));
    if (const char* keep = std::getenv("PLIKATRA_BENCH_KEEP"))
        std::filesystem::copy_file(file,
                                   std::filesystem::path(keep) / (std::string(kSeriesNames[series]) + "_" +
                                                                  std::to_string(m.faceCount) + "." +
                                                                  kFormatNames[format]),
                                   std::filesystem::copy_options::overwrite_existing, ec);
    std::filesystem::remove(file, ec);
}

// The visible flap pieces of the 70,000-face scan alone: the step that SVG, the metafile and
// PDF share, measured apart from writing.
void BM_FlapPieces(benchmark::State& state) {
    Document& doc = unfolded(kFitted, kScanFrequency);
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    std::size_t pieces = 0;
    for (auto _ : state) pieces = visibleFlapPieces(drawing).size();
    state.counters["flaps"] = static_cast<double>(drawing.flaps.size());
    state.counters["pieces"] = static_cast<double>(pieces);
}

// The print preview's pages of the 25-page development, drawn as the preview dialog asks for
// them (raster pages at the preview's resolution): the first page alone, then all of them.
void BM_Preview(benchmark::State& state) {
    ensureApplication();
    const int last = static_cast<int>(state.range(0));
    Document& doc = unfolded(kPages, kScanFrequency);
    const RasterFactory raster = offscreenRasterFactory(developmentViewOptionsOf(doc.settings(), kModeNone));
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "plikatra_bench_preview.pdf";
    int pages = 0;
    for (auto _ : state) {
        DevelopmentPrinter job(doc, raster);
        pages = job.pageCount();
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(file.string()));
        job.preparePrinter(printer);
        const double start = processSeconds();
        job.print(printer, 1, last, true);
        gPreviewSeconds[last] = processSeconds() - start;
    }
    state.counters["pages"] = pages;
    std::error_code ec;
    std::filesystem::remove(file, ec);
}

void printGrowth() {
    for (int series : {kFitted, kDetail}) {
        const int first = kFrequencies[0];
        const int last = series == kFitted ? kFrequencies[1] : kFrequencies[std::size(kFrequencies) - 1];
        std::printf("\n%s: CPU seconds by faces\n%-6s", kSeriesNames[series], "output");
        for (int f : kFrequencies) std::printf(" %9d", 20 * f * f);
        std::printf(" %9s", "exponent");
        if (series == kFitted) std::printf(" %9d", 20 * kScanFrequency * kScanFrequency);
        std::printf("\n");
        auto seconds = [&](int format, int f) {
            auto it = gSeconds.find({series, format, f});
            return it == gSeconds.end() ? -1.0 : it->second;
        };
        for (int format = 0; format < kFormats; ++format) {
            std::printf("%-6s", kFormatNames[format]);
            for (int f : kFrequencies) {
                const double t = seconds(format, f);
                t < 0 ? std::printf(" %9s", "-") : std::printf(" %9.3f", t);
            }
            const double lo = seconds(format, first), hi = seconds(format, last);
            if (lo > 0 && hi > 0)
                std::printf(" %9.2f", std::log(hi / lo) / std::log(static_cast<double>(last * last) / (first * first)));
            else
                std::printf(" %9s", "-");
            if (series == kFitted) {
                const double t = seconds(format, kScanFrequency);
                t < 0 ? std::printf(" %9s", "-") : std::printf(" %9.3f", t);
            }
            std::printf("\n");
        }
    }
    for (const auto& [last, seconds] : gPreviewSeconds)
        std::printf("\npreview of the %d-face scan on pages: pages 1..%d in %.3f CPU seconds",
                    20 * kScanFrequency * kScanFrequency, last, seconds);
    std::printf("\n");
}

// Fitted to one page, a model much beyond 80,000 faces piles its flaps so deep that the
// drawing itself (and so every output's size) grows with the square of the faces.
const int kFittedFrequencies[] = {32, 59, 64};

void sizes(benchmark::internal::Benchmark* b) {
    for (int f : kFittedFrequencies)
        for (int format = 0; format < kFormats; ++format) b->Args({kFitted, format, f});
    for (int f : kFrequencies)
        for (int format = 0; format < kFormats; ++format) b->Args({kDetail, format, f});
}

}  // namespace

BENCHMARK(BM_Output)->Apply(sizes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FlapPieces)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Preview)->Arg(1)->Arg(25)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printGrowth();
    return 0;
}
