// The undo history on the 70,000-face scan-like model (see scan_like_model.h) unfolded by fold
// angle into about 1,500 parts: what recording one development edit costs (a capture of the
// development state and its difference to the last), one undo and one redo of such an edit, one
// undo of Create Development (the model before it swapped in), and the memory 100 mixed edits
// keep (counter "history_MB").
//
//   bench_history [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <memory>

#include "app/document.h"
#include "app/terminal_front_end.h"
#include "base/settings.h"
#include "development/editing_operations.h"
#include "scan_like_model.h"

using namespace plikatra;

namespace {

constexpr int kScanFrequency = 59;  // 69,620 faces

class QuietFrontEnd : public TerminalFrontEnd {
public:
    void message(const std::string&, const std::string&, MessageIcon) override {}
};

struct Scan {
    QuietFrontEnd frontEnd;
    Settings settings;
    std::unique_ptr<Document> doc;
    Scan() {
        settings.iAlgorithmType = 0;
        doc = std::make_unique<Document>(frontEnd, settings);
        doc->adopt(makeScanLikeSphere(kScanFrequency));
        doc->createDevelopment(true);
    }
};

Scan& scan() {
    static Scan s;
    return s;
}

Halfedge* nthCorner(Model& m, std::size_t n) {
    for (auto& p : m.parts)
        for (Face* f : p->faces)
            for (auto& h : f->halfedges)
                if (n-- == 0) return h.get();
    return nullptr;
}

// One edit of one of three kinds, as the editor makes it, then recorded as a step.
void edit(Document& doc, int i) {
    Model& m = *doc.model();
    Halfedge* h = nthCorner(m, static_cast<std::size_t>(i) * 7919 % 200000);
    switch (i % 3) {
        case 0: {
            Part& p = *m.parts[static_cast<std::size_t>(i) % m.parts.size()];
            p.x += 0.01;
            doc.recordStep("Move Part");
            break;
        }
        case 1:
            toggleEdgeLine(*h);
            doc.recordStep("Erase Edge");
            break;
        default:
            resizeFlap(*h, 3 + i % 7);
            doc.recordStep("Resize Flap");
            break;
    }
}

void BM_RecordEdit(benchmark::State& state) {
    Document& doc = *scan().doc;
    int i = 0;
    for (auto _ : state) edit(doc, i++);
    state.counters["history_MB"] = doc.history().bytes() / 1048576.0;
}
BENCHMARK(BM_RecordEdit)->Unit(benchmark::kMillisecond);

void BM_UndoRedoEdit(benchmark::State& state) {
    Document& doc = *scan().doc;
    edit(doc, 1);
    for (auto _ : state) {
        doc.undo();
        doc.redo();
    }
    state.SetLabel("one undo and one redo");
}
BENCHMARK(BM_UndoRedoEdit)->Unit(benchmark::kMillisecond);

void BM_HundredEditsMemory(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scan fresh;
        const std::size_t before = fresh.doc->history().bytes();
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i) edit(*fresh.doc, i);
        state.counters["history_MB"] = (fresh.doc->history().bytes() - before) / 1048576.0;
        state.counters["steps"] = static_cast<double>(fresh.doc->history().stepCount());
    }
}
BENCHMARK(BM_HundredEditsMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UndoRedoCreateDevelopment(benchmark::State& state) {
    Scan fresh;
    for (auto _ : state) {
        while (fresh.doc->undo()) {
        }
        fresh.doc->redo();
    }
    state.counters["create_step_MB"] = fresh.doc->history().bytes() / 1048576.0;
    state.SetLabel("one undo and one redo");
}
BENCHMARK(BM_UndoRedoCreateDevelopment)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
