#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/open_model.h"
#include "app/options.h"
#include "development/editing.h"
#include "development/editing_operations.h"
#include "import/dxf_reader.h"
#include "import/gltf_reader.h"
#include "import/hexaking_reader.h"
#include "import/lwo_reader.h"
#include "import/mqo_reader.h"
#include "import/obj_reader.h"
#include "import/ply_reader.h"
#include "import/stl_reader.h"
#include "import/tds_reader.h"
#include "import/threemf_reader.h"
#include "output/eps_writer.h"
#include "textures/texture_image.h"
#include "workfile/work_file_writer.h"

namespace plikatra::fuzz {

namespace {

// Construction reports every doubly defined halfedge on standard error; on fuzzed models that
// is thousands of lines an input, which would slow the fuzzer to the speed of its log.
const bool kQuietConstruction = [] {
    std::cerr.setstate(std::ios::failbit);
    return true;
}();

}  // namespace

TextExtent FixedFonts::textExtent(const std::string&, int pixelSize, const std::string& text) {
    return {static_cast<int>(text.size()) * pixelSize / 2, pixelSize};
}

Answer SilentFrontEnd::ask(const std::string&, const std::string&, Buttons buttons, MessageIcon) {
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

bool SilentFrontEnd::layoutMethod(LayoutDialog& dialog) { return dialog.validate().empty(); }

bool SilentFrontEnd::developmentSize(LayoutDialog& dialog) {
    dialog.scale *= 1.5;
    return true;
}

bool SilentFrontEnd::inputText(TextDialogValues& values) {
    values.text = values.text.empty() ? "t" : "";
    return true;
}

void drawEps(Model& model, const Settings& settings) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink) exportEps(model, epsOptionsOf(settings), sink);
}

namespace {

// A point just inside h's face, next to the middle of its line, as a user clicks an edge.
Point2 inside(const Halfedge& h, double pixels, double pixelsPerUnit) {
    const Point2 a = sheetStart(h), b = sheetStart(*h.next);
    Point2 c;
    const double n = static_cast<double>(h.face->halfedges.size());
    for (const auto& g : h.face->halfedges) {
        c.x += sheetStart(*g).x / n;
        c.y += sheetStart(*g).y / n;
    }
    const Point2 mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const double d = std::hypot(c.x - mid.x, c.y - mid.y);
    if (!(d > 0)) return mid;
    const double step = pixels / pixelsPerUnit;
    return {mid.x + (c.x - mid.x) / d * step, mid.y + (c.y - mid.y) / d * step};
}

void click(DevelopmentEditor& editor, Point2 p) {
    editor.mousePress(MouseButton::Left, p);
    editor.mouseRelease(MouseButton::Left, p);
}

}  // namespace

void editDevelopment(Document& doc) {
    Model* model = doc.model();
    if (!model || !model->bFinished) return;
    DevelopmentEditor& editor = doc.editor();
    const double ppu = 1e4;
    editor.setPixelsPerUnit(ppu);

    // Corners of placed faces, a handful spread over the development.
    std::vector<Halfedge*> corners;
    for (auto& s : model->solids)
        for (auto& f : s->faces)
            if (f->part)
                for (auto& h : f->halfedges) corners.push_back(h.get());
    if (corners.empty()) return;
    const std::size_t picks[] = {corners.size() / 3, corners.size() - 1};

    int step = 0;
    for (std::size_t i : picks) {
        for (int mode : {kModeEraseEdge, kModeShowEdge, kModeEditFlap, kModeCutPart,
                         kModeJoinSurface, kModeRotatePart, kModeMovePart, kModeInputText,
                         kModeCheckSurface}) {
            // An edit may have rebuilt the parts; take the corner afresh.
            corners.clear();
            for (auto& s : model->solids)
                for (auto& f : s->faces)
                    if (f->part)
                        for (auto& h : f->halfedges) corners.push_back(h.get());
            if (corners.empty()) return;
            Halfedge& h = *corners[i % corners.size()];
            if (editor.mode() != mode) doc.chooseEditMode(mode);
            const Point2 in = inside(h, 2.0, ppu);
            switch (mode) {
                case kModeEditFlap:
                    click(editor, in);
                    if (editor.popup() && !editor.popup()->items.empty()) {
                        const MenuItem& item = editor.popup()->items[step % editor.popup()->items.size()];
                        editor.chooseMenuItem(item.submenu.empty() ? item.id : item.submenu.front().id);
                    }
                    break;
                case kModeJoinSurface:
                    click(editor, in);
                    if (h.pair && h.pair->face->part) click(editor, inside(*h.pair, 2.0, ppu));
                    break;
                case kModeRotatePart: {
                    const Point2 c = sheetStart(h);
                    click(editor, c);
                    click(editor, sheetStart(*h.next));
                    click(editor, {c.x + std::cos(step * 1.3), c.y + std::sin(step * 1.3)});
                    break;
                }
                case kModeMovePart: {
                    const Part* p = h.face->part;
                    const Point2 from{p->x + p->width / 2, p->y + p->height / 2};
                    const Point2 to{from.x + 0.1, from.y - 0.05};
                    editor.mousePress(MouseButton::Left, from);
                    editor.mouseMove(to, true);
                    editor.mouseRelease(MouseButton::Left, to);
                    break;
                }
                case kModeInputText:
                    click(editor, {model->dKavimozuX + 0.01 * step, model->dKavimozuY - 0.5});
                    break;
                default:
                    click(editor, in);
                    break;
            }
            if (step % 3 == 2) {
                // Undo may reach a step that replaced the whole model (the development's
                // creation), so the model is taken afresh.
                doc.undo();
                model = doc.model();
                if (!model || !model->bFinished) return;
            }
            ++step;
        }
    }
    doc.chooseEditMode(kModeNone);
    editor.mirror();
    editor.scaleUp();
    editor.scaleDown();
    doc.undo();
}

void saveAndReopen(Document& doc, SilentFrontEnd& ui) {
    Model* model = doc.model();
    if (!model) return;
    const std::string text = workFileText(*model, doc.workFileState());
    ModelFileOptions options;
    options.settings = workFileSettingsOf(doc.settings());
    LoadOutcome outcome;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    std::unique_ptr<Model> back = readModelData(bytes, "saved.ufd", options, ui, outcome);
    if (!back) {
        std::fprintf(stderr, "a saved work file does not read back (result %d)\n", outcome.result);
        // PLIKATRA_FUZZ_SAVED names a file to keep the saved work file in, for a closer look.
        if (const char* keep = std::getenv("PLIKATRA_FUZZ_SAVED"))
            if (std::FILE* f = std::fopen(keep, "wb")) {
                std::fwrite(text.data(), 1, text.size(), f);
                std::fclose(f);
            }
        std::abort();
    }
}

void useModel(std::unique_ptr<Model> model, bool workFile, const WorkFileSettings& carried) {
    SilentFrontEnd ui;
    Settings settings;
    if (workFile) {
        applyWorkFileSettings(settings, carried);
        restoreWorkFileDocument(*model, ui.fonts(), ui, pageSetupOf(settings));
    }
    Document doc(ui, settings);
    doc.adopt(std::move(model));
    Model& m = *doc.model();
    if (m.bFinished) drawEps(m, settings);
    int faces = 0;
    for (const auto& s : m.solids) faces += static_cast<int>(s->faces.size());
    if (!m.bFinished && faces <= kMaxFacesToUnfold) {
        if (doc.createDevelopment(true)) drawEps(m, settings);
    }
    editDevelopment(doc);
    if (m.bFinished) drawEps(m, settings);
    saveAndReopen(doc, ui);
}


void runObj(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    const std::size_t nul = input.find('\0');
    const std::string_view obj = input.substr(0, nul);
    const std::string_view mtl = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
    SilentFrontEnd ui;
    Model model;
    readObjText(obj, mtl, model, ReadContext{ui, kMinTextureSide});
}

void runTds(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    // No texture file can be found beside a file that is not there.
    read3dsData({data, size}, "/nonexistent/fuzz.3ds", model, ReadContext{ui, kMinTextureSide});
}

void runMqo(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    readMqoText(asText(data, size), "/nonexistent/fuzz.mqo", model,
                ReadContext{ui, kMinTextureSide});
}

void runDxf(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    readDxfText(asText(data, size), model, ReadContext{ui, kMinTextureSide});
}

void runLwo(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    readLwoData({data, size}, model, ReadContext{ui, kMinTextureSide});
}

void runStl(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    const int result = readStlData({data, size}, "fuzz.stl", model, ReadContext{ui, kMinTextureSide});
    // A binary file that matches its count is read from disk in pieces: the same input through
    // a file must give the same model.
    if (size < 84 + 50) return;
    const std::uint32_t count = std::uint32_t(data[80]) | std::uint32_t(data[81]) << 8 |
                                std::uint32_t(data[82]) << 16 | std::uint32_t(data[83]) << 24;
    if (84 + std::uint64_t(count) * 50 != size) return;
    const int fd = ::memfd_create("fuzz.stl", MFD_CLOEXEC);
    if (fd < 0) return;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        Model fromFile;
        const int fileResult =
            readStl("/proc/self/fd/" + std::to_string(fd), fromFile, ReadContext{ui, kMinTextureSide});
        if (fileResult != result || fromFile.faceCount != model.faceCount ||
            fromFile.solids.size() != model.solids.size() ||
            (!model.solids.empty() && (fromFile.solids[0]->vertices.size() != model.solids[0]->vertices.size() ||
                                       fromFile.solids[0]->edges.size() != model.solids[0]->edges.size())))
            std::abort();
    }
    ::close(fd);
}

void runPly(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    readPlyData({data, size}, "fuzz.ply", model, ReadContext{ui, kMinTextureSide});
}

void runGltf(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    readGltfData({data, size}, "/nonexistent/fuzz.gltf", model, ReadContext{ui, kMinTextureSide});
}

void run3mf(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    read3mfData({data, size}, "fuzz.3mf", model, ReadContext{ui, kMinTextureSide});
}

void runHexaKing(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Model model;
    HexaKingEdgeMarks marks;
    if (readHexaKingData({data, size}, model, ReadContext{ui, kMinTextureSide}, &marks) == kReadOk)
        finishHexaKingModel(model, marks);
}

void runWorkFile(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    Settings settings;
    ModelFileOptions options;
    options.settings = workFileSettingsOf(settings);
    LoadOutcome outcome;
    std::unique_ptr<Model> model = readModelData({data, size}, "fuzz.ufd", options, ui, outcome);
    if (model) useModel(std::move(model), true, outcome.carried);
}

// Textures are fitted to a 256-pixel square, one of the limits a user can choose:
// decoding is what hostile files reach, and the fitting runs the same code for a sixteenth
// of the work of a 1,024 square, so the fuzzer tries that many more files.
constexpr int kFuzzTextureLimit = 256;

void runBmp(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    loadTextureImageData({data, size}, ImageFormat::Bmp, kFuzzTextureLimit, ui);
}

void runJpeg(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    loadTextureImageData({data, size}, ImageFormat::Jpeg, kFuzzTextureLimit, ui);
}

void runPng(const std::uint8_t* data, std::size_t size) {
    SilentFrontEnd ui;
    loadTextureImageData({data, size}, ImageFormat::Png, kFuzzTextureLimit, ui);
}

void runUnfold(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    static const char* const kNames[] = {"fuzz.obj", "fuzz.3ds", "fuzz.mqo",
                                         "fuzz.dxf", "fuzz.lwo", "fuzz.6kt", "fuzz.stl", "fuzz.ply", "fuzz.gltf", "fuzz.3mf"};
    const char* name = kNames[data[0] % std::size(kNames)];
    SilentFrontEnd ui;
    LoadOutcome outcome;
    std::unique_ptr<Model> model = readModelData({data + 1, size - 1}, std::string("/nonexistent/") + name,
                                                 ModelFileOptions{}, ui, outcome);
    if (model) useModel(std::move(model), false, outcome.carried);
}

}  // namespace plikatra::fuzz
