#include "app/open_model.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>
#include <string_view>

#include "app/file_failure.h"
#include "base/file_io.h"
#include "base/progress.h"
#include "development/edge_numbering.h"
#include "development/opened_cuts.h"
#include "import/dxf_reader.h"
#include "import/gltf_reader.h"
#include "import/geometry_checks.h"
#include "import/hexaking_reader.h"
#include "import/lwo_reader.h"
#include "import/mqo_reader.h"
#include "import/obj_reader.h"
#include "import/ply_reader.h"
#include "import/stl_reader.h"
#include "import/tds_reader.h"
#include "import/threemf_reader.h"
#include "model/construction.h"
#include "model/normalize.h"
#include "workfile/work_file_reader.h"

namespace plikatra {

namespace {

enum class Format { HexaKing, Obj, Dxf, Tds, Mqo, Lwo, Stl, Ply, Gltf, ThreeMf, WorkFile };

struct Dispatch {
    const char* extension;
    Format format;
    bool setsPathFirst;  // the reader resolves textures beside the model
};

// Checked in this order; the first match wins.
const Dispatch kReaders[] = {
    {".6ks", Format::HexaKing, true}, {".6kt", Format::HexaKing, true},
    {".obj", Format::Obj, false},     {".dxf", Format::Dxf, false},
    {".3ds", Format::Tds, true},      {".mqo", Format::Mqo, true},
    {".lwo", Format::Lwo, false},     {".stl", Format::Stl, false},
    {".ply", Format::Ply, false},     {".gltf", Format::Gltf, false},
    {".glb", Format::Gltf, false},    {".3mf", Format::ThreeMf, false},
    {".ufd", Format::WorkFile, false},
};

const Dispatch* readerFor(const std::string& path) {
    const std::string ext = fileExtension(path);
    for (const auto& r : kReaders)
        if (ext == r.extension) return &r;
    return nullptr;
}

void show(Ui& ui, LoadOutcome& outcome, const char* text, MessageIcon icon) {
    outcome.message = text;
    ui.message(text, kAppTitle, icon);
}

// A failure to read `path`, with the file and why.
void showFailure(Ui& ui, LoadOutcome& outcome, const char* text, const std::string& path,
                 const std::string& reason) {
    outcome.message = text;
    outcome.reason = reason;
    ui.fileMessage(text, path, reason, MessageIcon::Error);
}

const char* formatName(Format format) {
    switch (format) {
        case Format::HexaKing: return "HexaKing Super";
        case Format::Obj: return "Wavefront OBJ";
        case Format::Dxf: return "AutoCAD DXF";
        case Format::Tds: return "3D Studio";
        case Format::Mqo: return "Metasequoia";
        case Format::Lwo: return "LightWave";
        case Format::Stl: return "STL";
        case Format::Ply: return "PLY";
        case Format::Gltf: return "glTF 2.0";
        case Format::ThreeMf: return "3MF";
        case Format::WorkFile: return "Plikatra Designer";
    }
    return "model";
}

// Why a reader gave up, as far as its result tells.
std::string readerFailureReason(Format format) {
    return std::string("The file is damaged or is not a ") + formatName(format) + " file";
}
constexpr const char* kReasonShortRead = "The file ends before its data does";
constexpr const char* kReasonBadGeometry =
    "Some corners of the model are no numbers, lie beyond any sheet or fall together";
constexpr const char* kReasonScale = "The model is too large in its own units to be kept";

int runReader(Format format, const std::string& path, Model& model, const ReadContext& ctx,
              HexaKingEdgeMarks& marks, WorkFileSettings& carried) {
    switch (format) {
        case Format::HexaKing: return readHexaKing(path, model, ctx, &marks);
        case Format::Obj: return readObj(path, model, ctx);
        case Format::Dxf: return readDxf(path, model, ctx);
        case Format::Tds: return read3ds(path, model, ctx);
        case Format::Mqo: return readMqo(path, model, ctx);
        case Format::Lwo: return readLwo(path, model, ctx);
        case Format::Stl: return readStl(path, model, ctx);
        case Format::Ply: return readPly(path, model, ctx);
        case Format::Gltf: return readGltf(path, model, ctx);
        case Format::ThreeMf: return read3mf(path, model, ctx);
        case Format::WorkFile: return readWorkFile(path, model, ctx, carried);
    }
    return kReadFailed;
}

// Runs the in-memory reader of `format` on `data`.
int runReaderOnData(Format format, std::span<const std::uint8_t> data, const std::string& path,
                    Model& model, const ReadContext& ctx, HexaKingEdgeMarks& marks,
                    WorkFileSettings& carried) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    switch (format) {
        case Format::HexaKing: return readHexaKingData(data, model, ctx, &marks);
        case Format::Obj: return readObjText(text, {}, model, ctx);
        case Format::Dxf: return readDxfText(text, model, ctx);
        case Format::Tds: return read3dsData(data, path, model, ctx);
        case Format::Mqo: return readMqoText(text, path, model, ctx);
        case Format::Lwo: return readLwoData(data, model, ctx);
        case Format::Stl: return readStlData(data, path, model, ctx);
        case Format::Ply: return readPlyData(data, path, model, ctx);
        case Format::Gltf: return readGltfData(data, path, model, ctx);
        case Format::ThreeMf: return read3mfData(data, path, model, ctx);
        case Format::WorkFile: return readWorkFileText(text, model, ctx, carried);
    }
    return kReadFailed;
}

// Runs `read` on a fresh model and does what every format needs after a successful read.
template <typename Read>
std::unique_ptr<Model> readAndFinish(const Dispatch& d, const std::string& path,
                                     const ModelFileOptions& options, Ui& ui,
                                     LoadOutcome& outcome, Read read) {
    outcome.hexaKing = d.format == Format::HexaKing;
    outcome.workFile = d.format == Format::WorkFile;

    auto model = std::make_unique<Model>(options.surfaceColor);
    if (d.setsPathFirst) model->path = path;
    const ReadContext ctx{ui, options.textureSizeLimit};
    HexaKingEdgeMarks marks;
    int result;
    std::string reason = readerFailureReason(d.format);
    try {
        result = read(*model, ctx, marks);
    } catch (const CancelledException&) {
        result = kReadCancelled;
    } catch (const import_exception& e) {
        result = kReadFailed;
        if (e.code == kShortRead) reason = kReasonShortRead;
    } catch (const std::bad_alloc&) {
        result = kReadFailed;
        reason = std::strerror(ENOMEM);
    }
    outcome.result = result;
    if (result != kReadOk) {
        outcome.carried = options.settings;
        if (result == kReadFailed) showFailure(ui, outcome, kMsgLoadFailed, path, reason);
        if (result == kReadCancelled) show(ui, outcome, kMsgLoadCancelled, MessageIcon::Information);
        return nullptr;
    }
    model->path = path;
    if (!outcome.workFile) {
        setFlapHeights(*model, options.flapHeight);
        normalizeModel(*model);
        if (!hasStorableScale(*model) || !hasUnfoldableGeometry(*model)) {
            outcome.result = kReadFailed;
            outcome.carried = options.settings;
            showFailure(ui, outcome, kMsgLoadFailed, path,
                        hasStorableScale(*model) ? kReasonBadGeometry : kReasonScale);
            return nullptr;
        }
        model->bFinished = false;
        if (outcome.hexaKing) {
            removeZeroAreaFaces(*model, kAreaThreshold, ui);
            finishHexaKingModel(*model, marks);
            int count = 0;
            for (auto& s : model->solids) count += static_cast<int>(s->faces.size());
            model->faceCount = count;
        }
    } else if (!hasUnfoldableGeometry(*model)) {
        outcome.result = kReadFailed;
        outcome.carried = options.settings;
        showFailure(ui, outcome, kMsgLoadFailed, path, kReasonBadGeometry);
        return nullptr;
    }
    computeEdgeMetrics(*model);
    return model;
}

}  // namespace

bool isSupportedModelFile(const std::string& path) { return readerFor(path) != nullptr; }

std::unique_ptr<Model> readModelFile(const std::string& path, const ModelFileOptions& options,
                                     Ui& ui, LoadOutcome& outcome) {
    outcome = LoadOutcome{};
    outcome.carried = options.settings;
    if (const std::string why = readFailureReason(path); !why.empty()) {
        showFailure(ui, outcome, kMsgCannotOpenFile, path, why);
        return nullptr;
    }
    const Dispatch* d = readerFor(path);
    if (!d) {
        show(ui, outcome, kMsgUnsupportedType, MessageIcon::Error);
        return nullptr;
    }
    return readAndFinish(*d, path, options, ui, outcome,
                         [&](Model& model, const ReadContext& ctx, HexaKingEdgeMarks& marks) {
                             return runReader(d->format, path, model, ctx, marks, outcome.carried);
                         });
}

std::unique_ptr<Model> readModelData(std::span<const std::uint8_t> data, const std::string& path,
                                     const ModelFileOptions& options, Ui& ui,
                                     LoadOutcome& outcome) {
    outcome = LoadOutcome{};
    outcome.carried = options.settings;
    const Dispatch* d = readerFor(path);
    if (!d) {
        show(ui, outcome, kMsgUnsupportedType, MessageIcon::Error);
        return nullptr;
    }
    return readAndFinish(*d, path, options, ui, outcome,
                         [&](Model& model, const ReadContext& ctx, HexaKingEdgeMarks& marks) {
                             return runReaderOnData(d->format, data, path, model, ctx, marks,
                                                    outcome.carried);
                         });
}

void restoreWorkFileDocument(Model& model, Fonts& fonts, Ui& ui, const PageSetup& page) {
    model.fromWorkFile = true;
    bool replaced = false;
    for (auto& t : model.texts)
        // The default face itself is kept even where it is missing: there is nothing better
        // to replace it with.
        if (t->fontName != kDefaultFontName && !fonts.isInstalled(t->fontName)) {
            t->fontName = kDefaultFontName;
            replaced = true;
        }
    if (replaced) ui.message(kMsgFontsReplaced, kAppTitle, MessageIcon::Warning);
    if (model.bFinished) {
        numberEdges(model);
        computeOpenedCuts(model);
    }
    computePageGrid(model, page);
}

}  // namespace plikatra
