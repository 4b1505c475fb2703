// Frames per second of the two views drawn off screen at 1280 × 800: the 3D view turning a
// geodesic sphere, and the development view zooming a development of flat triangles.
// Unfolding a sphere of 100,000 faces takes many minutes with today's engine, so the
// development here is generated directly: square blocks of a folded triangle grid laid out as
// parts on the sheet, with fold lines inside the blocks and numbered cuts with flaps between
// them. For the renderer it is a development like any other.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <map>
#include <memory>
#include <unordered_map>

#include "app/document.h"
#include "app/front_end.h"
#include "app/options.h"
#include "app/view_options.h"
#include "base/settings.h"
#include "base/ui.h"
#include "development/development.h"
#include "development/development_drawing.h"
#include "model/primitive_shapes.h"
#include "views/development_renderer.h"
#include "views/model_renderer.h"
#include "views/offscreen_context.h"
#include "views/offscreen_raster.h"
#include "silent_ui.h"

using namespace plikatra;

namespace {

constexpr int kWidth = 1280, kHeight = 800;

OffscreenContext* context() {
    static std::unique_ptr<OffscreenContext> c = [] {
        std::string error;
        auto made = OffscreenContext::create(kWidth, kHeight, error);
        if (!made) std::fprintf(stderr, "%s\n", error.c_str());
        return made;
    }();
    // A raster source leaves no context current when it is done: make this one current again.
    std::string error;
    if (c && !c->makeCurrent(error)) return nullptr;
    return c.get();
}

Point3 unit(Point3 p) {
    const double l = length(p);
    return {p.x / l, p.y / l, p.z / l};
}

Point3 lerp(Point3 a, Point3 b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// Icosahedron with every face cut into frequency² triangles, projected onto the unit sphere:
// 20 × frequency² faces. Points on the icosahedron's edges are computed from the edge's
// lower-numbered corner so that neighbouring faces share them.
std::unique_ptr<Model> geodesicSphere(int f) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const std::array<Point3, 12> corners = {{{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                             {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                             {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}}};
    const int tris[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                             {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                             {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                             {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("sphere");
    std::map<std::array<int, 3>, Vertex*> shared;  // (lower corner, upper corner, step)
    auto vertex = [&](int a, int b, int step, Point3 p) {
        if (a > b) {
            std::swap(a, b);
            step = f - step;
        }
        if (step == 0) b = a;
        if (step == f) a = b, step = 0;
        auto [it, added] = shared.try_emplace({a, b, step}, nullptr);
        if (added) {
            const Point3 q = unit(p);
            it->second = s->addVertex(q.x, q.y, q.z);
        }
        return it->second;
    };
    std::vector<Vertex*> grid;
    for (const auto& tri : tris) {
        const Point3 A = corners[tri[0]], B = corners[tri[1]], C = corners[tri[2]];
        // Row i (0 at A) holds i + 1 points from the AB side to the AC side.
        grid.clear();
        auto at = [&](int i, int j) { return grid[static_cast<size_t>(i * (i + 1) / 2 + j)]; };
        for (int i = 0; i <= f; ++i)
            for (int j = 0; j <= i; ++j) {
                const Point3 p = i == 0 ? A
                                        : lerp(lerp(A, B, static_cast<double>(i) / f),
                                               lerp(A, C, static_cast<double>(i) / f),
                                               static_cast<double>(j) / i);
                Vertex* v = nullptr;
                if (i == f) v = vertex(tri[1], tri[2], j, p);
                else if (j == 0) v = vertex(tri[0], tri[1], i, p);
                else if (j == i) v = vertex(tri[0], tri[2], i, p);
                else v = s->addVertex(unit(p).x, unit(p).y, unit(p).z);
                grid.push_back(v);
            }
        for (int i = 0; i < f; ++i)
            for (int j = 0; j <= i; ++j) {
                Face* down = s->addFace();
                for (Vertex* v : {at(i, j), at(i + 1, j), at(i + 1, j + 1)}) down->addCorner(v);
                if (j < i) {
                    Face* up = s->addFace();
                    for (Vertex* v : {at(i, j), at(i + 1, j + 1), at(i, j + 1)}) up->addCorner(v);
                }
            }
    }
    finishShape(*m);
    return m;
}

// A development of rows × cols grid squares, each cut into two triangles, in square blocks of
// `block` squares per side, one part per block. The grid zigzags in depth so that its folds
// are real folds, mountain and valley.
std::unique_ptr<Model> gridDevelopment(int rows, int cols, int block) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("grid");
    std::unordered_map<const Vertex*, std::pair<int, int>> cell;
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= cols; ++j)
            cell[s->addVertex(j, i, 0.3 * ((i + j) % 2))] = {i, j};
    auto v = [&](int i, int j) {
        return s->vertices[static_cast<size_t>(i * (cols + 1) + j)].get();
    };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            Face* a = s->addFace();
            for (Vertex* c : {v(i, j), v(i, j + 1), v(i + 1, j + 1)}) a->addCorner(c);
            Face* b = s->addFace();
            for (Vertex* c : {v(i, j), v(i + 1, j + 1), v(i + 1, j)}) b->addCorner(c);
        }
    finishShape(*m);

    const int across = (cols + block - 1) / block, down = (rows + block - 1) / block;
    const double gap = 1.5;  // grid squares between blocks
    m->dMag2d = std::min(85.0 / (across * (block + gap)), 128.0 / (down * (block + gap)));
    std::vector<Part*> parts;
    for (int bi = 0; bi < down; ++bi)
        for (int bj = 0; bj < across; ++bj) {
            auto p = std::make_unique<Part>();
            p->index = static_cast<int>(m->parts.size());
            p->solid = s;
            p->x = bj * (block + gap);
            p->y = bi * (block + gap);
            p->width = p->height = block + 1.0;
            parts.push_back(p.get());
            m->parts.push_back(std::move(p));
        }
    for (const auto& face : s->faces) {
        const auto [i, j] = cell.at(face->halfedges[0]->origin);
        Part* part = parts[static_cast<size_t>((i / block) * across + j / block)];
        face->placed = true;
        face->part = part;
        part->faces.push_back(face.get());
        for (const auto& h : face->halfedges) {
            const auto [hi, hj] = cell.at(h->origin);
            h->flatX = hj - (j / block) * block;
            h->flatY = hi - (i / block) * block;
            h->display = DisplayOffset{};
        }
    }
    int number = 1;
    for (const auto& e : s->edges) {
        if (!e->a || !e->b) continue;
        if (e->a->face->part == e->b->face->part) {
            e->a->twin = e->b;
            e->b->twin = e->a;
        } else {
            e->joinNumber = number++;
            e->a->hasFlap = true;
        }
    }
    m->bFinished = true;
    computeSheetExtent(*m);
    computePageGrid(*m, PageSetup{});
    return m;
}

// Generated once per size: building the big ones takes seconds.
Model& sphere(int frequency) {
    static std::map<int, std::unique_ptr<Model>> cache;
    auto& m = cache[frequency];
    if (!m) m = geodesicSphere(frequency);
    return *m;
}

Model& development(int rows) {
    static std::map<int, std::unique_ptr<Model>> cache;
    auto& m = cache[rows];
    if (!m) m = gridDevelopment(rows, rows, 25);
    return *m;
}

// CPU time of the whole process, the renderer's own threads included: on a shared machine it
// says more about the cost of a frame than the wall clock does.
double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Argument: the sphere's frequency (20 × f² faces).
void BM_ModelView(benchmark::State& state) {
    if (!context()) return state.SkipWithError("no OpenGL context");
    Model& model = sphere(static_cast<int>(state.range(0)));
    ModelRenderer renderer;
    const auto start = std::chrono::steady_clock::now();
    renderer.setModel(&model);
    glFinish();
    state.counters["build_ms"] = millisecondsSince(start);
    ModelCamera camera;
    camera.resize(kWidth, kHeight);
    camera.beginRotate(kWidth / 2, kHeight / 2);
    int step = 0;
    const double cpuStart = processCpuMs();
    for (auto _ : state) {
        ++step;
        camera.rotateTo(kWidth / 2 + step % 400, kHeight / 2 + step % 100);
        renderer.render(camera);
        glFinish();
    }
    state.counters["cpu_ms"] = (processCpuMs() - cpuStart) / static_cast<double>(state.iterations());
    // What the software renderer spends on each triangle, all its threads together.
    state.counters["cpu_ns_per_face"] =
        state.counters["cpu_ms"] * 1e6 / static_cast<double>(std::max(1, model.faceCount));
    renderer.releaseGl();
    state.counters["faces"] = model.faceCount;
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

// Arguments: grid rows (2 × rows² faces) and whether join numbers are drawn.
void BM_DevelopmentView(benchmark::State& state) {
    if (!context()) return state.SkipWithError("no OpenGL context");
    Model& model = development(static_cast<int>(state.range(0)));
    DrawingOptions options;
    options.drawNumbers = state.range(1) != 0;
    DevelopmentRenderer renderer;
    const auto start = std::chrono::steady_clock::now();
    const DevelopmentDrawing drawing = drawDevelopment(model, options);
    renderer.setDrawing(drawing);
    glFinish();
    state.counters["build_ms"] = millisecondsSince(start);
    DevelopmentViewTransform view;
    view.clientWidth = kWidth;
    view.clientHeight = kHeight;
    fitSheet(view, renderer.sheet());
    int step = 0;
    const double cpuStart = processCpuMs();
    for (auto _ : state) {
        setZoomWithinLimits(view, renderer.sheet(), 1.0 + 0.02 * (step++ % 100));
        renderer.render(view);
        glFinish();
    }
    state.counters["cpu_ms"] = (processCpuMs() - cpuStart) / static_cast<double>(state.iterations());
    renderer.releaseGl();
    state.counters["faces"] = static_cast<double>(drawing.faces.size());
    state.counters["lines"] = static_cast<double>(drawing.lines.size());
    state.counters["numbers"] = static_cast<double>(drawing.numbers.size());
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

// A bitmap export as the user waits for it: a raster source made for the drawing, then the
// development's sheet rendered `width` pixels wide and read back. Arguments: grid rows and
// the width.
void BM_RasterBitmap(benchmark::State& state) {
    Model& model = development(static_cast<int>(state.range(0)));
    DrawingOptions options;
    options.drawNumbers = true;
    const DevelopmentDrawing drawing = drawDevelopment(model, options);
    RasterRequest request;
    request.width = static_cast<int>(state.range(1));
    request.pixelsPerCm = request.width / drawing.grid.sheetWidth;
    request.height = static_cast<int>(drawing.grid.sheetHeight * request.pixelsPerCm);
    request.left = -drawing.grid.page.marginSide;
    request.top = -drawing.grid.page.marginTop;
    for (auto _ : state) {
        OffscreenRaster raster(drawing, DevelopmentViewOptions{});
        const RasterResult r = raster.render(request);
        if (!r.ok()) return state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(r.image.pixels.data());
    }
    state.counters["faces"] = static_cast<double>(drawing.faces.size());
    state.counters["height"] = request.height;
}

// A front end that answers every dialog with its defaults and shows nothing.
class QuietFrontEnd : public FrontEnd {
public:
    void message(const std::string&, const std::string&, MessageIcon) override {}
    Answer ask(const std::string&, const std::string&, Buttons, MessageIcon) override {
        return Answer::Ok;
    }
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }
    bool layoutMethod(LayoutDialog&) override { return true; }
    bool developmentSize(LayoutDialog&) override { return true; }
    bool inputText(TextDialogValues&) override { return false; }
    bool epsSaveSettings(EpsSaveSettings&) override { return true; }
    std::optional<std::string> chooseTextureFile() override { return std::nullopt; }

private:
    bench::SilentProgress progress_;
    SystemFonts fonts_;
};

// The development view's answers to a user on a scan-like model of 70,000 uneven triangles
// unfolded into many parts, join numbers on, each answer timed from the input to the pixels
// read back as the view's widget reads them: a wheel step of zoom, a pan step (the widget
// shifts its last image while dragging and renders once at the release), and a click in
// "Erase Edge" or "Show Edge" mode on a fold line, which changes the development, so the
// drawing, the flaps that collide and the renderer's arrays are built again before the frame. The layout puts the
// whole development on one page, where numbers of 8 points are about 9 pixels high at the
// fit and lie over each other; argument: the zoom the replay starts from (1 the fit, 4 where
// a number is about as large as its edge).
void BM_DevelopmentInteraction(benchmark::State& state) {
    if (!context()) return state.SkipWithError("no OpenGL context");
    Settings settings;
    settings.bDrawEdgeNumber = true;
    settings.iAlgorithmType = 0;
    QuietFrontEnd ui;
    Document doc(ui, settings);
    doc.adopt(makeRandomHull(35002, 7));
    if (!doc.createDevelopment(true)) return state.SkipWithError("unfolding failed");
    bool stale = false;
    doc.addListener([&](DocumentEvent e) {
        if (e != DocumentEvent::Feedback && e != DocumentEvent::Modified && e != DocumentEvent::ResetView)
            stale = true;
    });

    DevelopmentRenderer renderer;
    DevelopmentDrawing drawing;
    DevelopmentViewTransform view;
    view.clientWidth = kWidth;
    view.clientHeight = kHeight;
    std::vector<std::uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
    double drawingMs = 0, arraysMs = 0, collisionsMs = 0;
    auto rebuild = [&] {
        const auto start = std::chrono::steady_clock::now();
        drawing = drawDevelopment(*doc.model(), drawingOptionsOf(settings));
        drawingMs = millisecondsSince(start);
        const auto arrays = std::chrono::steady_clock::now();
        renderer.setDrawing(drawing);
        arraysMs = millisecondsSince(arrays);
        stale = false;
    };
    auto frame = [&] {
        renderer.setOptions(developmentViewOptionsOf(settings, doc.editor().mode()));
        // As the widget does: flaps that collide are tinted, found again after every edit.
        DevelopmentOverlay overlay = overlayOf(doc.editor());
        const auto collisions = std::chrono::steady_clock::now();
        if (settings.bDrawNorishiro && settings.bTintCollidingNorishiro)
            for (const FlaggedFlap& f : doc.collidingFlaps()) overlay.flaggedFlaps.insert(f.halfedge);
        collisionsMs += millisecondsSince(collisions);
        renderer.setOverlay(overlay);
        renderer.render(view);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    };
    rebuild();
    fitSheet(view, renderer.sheet());
    setZoomWithinLimits(view, renderer.sheet(), static_cast<double>(state.range(0)));
    doc.editor().setPixelsPerUnit(pixelsPerUnit(view, renderer.sheet()));
    frame();

    // A fold line near the middle of the sheet: visible at every zoom step below.
    const Point2 centre = screenToSheet(view, renderer.sheet(), {kWidth / 2.0, kHeight / 2.0});
    const DrawnLine* fold = nullptr;
    double best = 1e300;
    for (const DrawnLine& line : drawing.lines) {
        if (!line.visible() || !line.halfedge || !line.halfedge->twin) continue;
        const double dx = (line.start.x + line.end.x) / 2 - centre.x, dy = (line.start.y + line.end.y) / 2 - centre.y;
        if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, fold = &line;
    }
    if (!fold) return state.SkipWithError("no fold line");
    const Point2 click{(fold->start.x + fold->end.x) / 2, (fold->start.y + fold->end.y) / 2};

    double zoomMs = 0, panMs = 0, clickMs = 0, clickDrawingMs = 0, clickArraysMs = 0;
    double zoomCpu = 0, panCpu = 0, clickCpu = 0, clickCollisionsMs = 0;
    int step = 0;
    for (auto _ : state) {
        // Zoom in and out by the wheel's step around the fit.
        auto start = std::chrono::steady_clock::now();
        double cpu = processCpuMs();
        setZoomWithinLimits(view, renderer.sheet(), step % 2 ? view.zoom / 1.2 : view.zoom * 1.2);
        doc.editor().setPixelsPerUnit(pixelsPerUnit(view, renderer.sheet()));
        frame();
        zoomMs += millisecondsSince(start);
        zoomCpu += processCpuMs() - cpu;

        start = std::chrono::steady_clock::now();
        cpu = processCpuMs();
        view.panX += (step % 2 ? -40.0 : 40.0) / view.zoom;
        frame();
        panMs += millisecondsSince(start);
        panCpu += processCpuMs() - cpu;

        start = std::chrono::steady_clock::now();
        cpu = processCpuMs();
        collisionsMs = 0;
        doc.chooseEditMode(step % 2 ? kModeShowEdge : kModeEraseEdge);
        doc.editor().mousePress(MouseButton::Left, click);
        doc.editor().mouseRelease(MouseButton::Left, click);
        if (stale) rebuild();
        frame();
        clickMs += millisecondsSince(start);
        clickCpu += processCpuMs() - cpu;
        clickDrawingMs += drawingMs;
        clickArraysMs += arraysMs;
        clickCollisionsMs += collisionsMs;
        drawingMs = arraysMs = 0;
        ++step;
    }
    renderer.releaseGl();
    const double n = static_cast<double>(state.iterations());
    state.counters["zoom_ms"] = zoomMs / n;
    state.counters["pan_ms"] = panMs / n;
    state.counters["click_ms"] = clickMs / n;
    // CPU time of the whole process (the renderer's threads included) per answer: on a busy
    // machine the clock also counts the time others had the processors.
    state.counters["zoom_cpu_ms"] = zoomCpu / n;
    state.counters["pan_cpu_ms"] = panCpu / n;
    state.counters["click_cpu_ms"] = clickCpu / n;
    state.counters["click_drawing_ms"] = clickDrawingMs / n;
    state.counters["click_arrays_ms"] = clickArraysMs / n;
    state.counters["click_collisions_ms"] = clickCollisionsMs / n;
    state.counters["faces"] = static_cast<double>(drawing.faces.size());
    state.counters["pages"] = renderer.sheet().pagesAcross * renderer.sheet().pagesDown;
    state.counters["fit_em_px"] = settings.iEdgeNumberFontSize * kNumberEmPerPoint * fitPixelsPerCm(kWidth, kHeight, renderer.sheet());
    state.counters["parts"] = static_cast<double>(doc.model()->parts.size());
    state.counters["flaps"] = static_cast<double>(drawing.flaps.size());
    state.counters["numbers"] = static_cast<double>(drawing.numbers.size());
}

// "Show Flap" toggled in the window on the same 70,000-face scan-like development: the drawing
// is made again with or without its flaps, the renderer takes it, and the view renders and
// reads back a frame at the fit, colliding flaps tinted as the widget does. Each iteration
// hides the flaps and shows them again; the counters are per toggle.
void BM_DevelopmentShowFlap(benchmark::State& state) {
    if (!context()) return state.SkipWithError("no OpenGL context");
    Settings settings;
    settings.bDrawEdgeNumber = true;
    settings.iAlgorithmType = 0;
    QuietFrontEnd ui;
    Document doc(ui, settings);
    doc.adopt(makeRandomHull(35002, 7));
    if (!doc.createDevelopment(true)) return state.SkipWithError("unfolding failed");
    DevelopmentRenderer renderer;
    DevelopmentViewTransform view;
    view.clientWidth = kWidth;
    view.clientHeight = kHeight;
    std::vector<std::uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
    double drawingMs = 0, arraysMs = 0, collisionsMs = 0, frameMs = 0, cpuMs = 0;
    auto show = [&](bool flaps) {
        settings.bDrawNorishiro = flaps;
        auto start = std::chrono::steady_clock::now();
        const DevelopmentDrawing drawing = drawDevelopment(*doc.model(), drawingOptionsOf(settings));
        drawingMs += millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        renderer.setDrawing(drawing);
        arraysMs += millisecondsSince(start);
        renderer.setOptions(developmentViewOptionsOf(settings, doc.editor().mode()));
        start = std::chrono::steady_clock::now();
        DevelopmentOverlay overlay = overlayOf(doc.editor());
        if (settings.bDrawNorishiro && settings.bTintCollidingNorishiro)
            for (const FlaggedFlap& f : doc.collidingFlaps()) overlay.flaggedFlaps.insert(f.halfedge);
        collisionsMs += millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        renderer.setOverlay(overlay);
        renderer.render(view);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        frameMs += millisecondsSince(start);
    };
    show(true);
    fitSheet(view, renderer.sheet());
    drawingMs = arraysMs = collisionsMs = frameMs = 0;
    for (auto _ : state) {
        const double cpu = processCpuMs();
        show(false);
        show(true);
        cpuMs += processCpuMs() - cpu;
    }
    renderer.releaseGl();
    const double toggles = 2.0 * static_cast<double>(state.iterations());
    state.counters["toggle_cpu_ms"] = cpuMs / toggles;
    state.counters["drawing_ms"] = drawingMs / toggles;
    state.counters["arrays_ms"] = arraysMs / toggles;
    state.counters["collisions_ms"] = collisionsMs / toggles;
    state.counters["frame_ms"] = frameMs / toggles;
    state.counters["parts"] = static_cast<double>(doc.model()->parts.size());
}

}  // namespace

BENCHMARK(BM_DevelopmentInteraction)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DevelopmentShowFlap)->Unit(benchmark::kMillisecond)->UseRealTime();
// About 10,000 and 100,000 faces at 2048 and 4096 pixels.
BENCHMARK(BM_RasterBitmap)
    ->Args({71, 2048})
    ->Args({71, 4096})
    ->Args({224, 2048})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// 100,820 and 1,003,520 faces.
BENCHMARK(BM_ModelView)->Arg(71)->Arg(224)->Unit(benchmark::kMillisecond)->UseRealTime();
// 100,352 and 999,698 faces, without and with join numbers.
BENCHMARK(BM_DevelopmentView)
    ->Args({224, 0})
    ->Args({224, 1})
    ->Args({707, 0})
    ->Args({707, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
