#include "import/model_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/progress.h"
#include "app/ui.h"
#include "import/dxf_reader.h"
#include "import/hexaking_reader.h"
#include "import/lwo_reader.h"
#include "import/mqo_reader.h"
#include "import/obj_reader.h"
#include "import/tds_reader.h"
#include "model/construction.h"
#include "workfile/work_file_reader.h"

namespace plikatra {

namespace {

using ReaderFn = int (*)(const std::string&, Model&);

// The loader reads these files itself to keep their edge marks; the entry marks the format
// as known.
int readHexaKingFile(const std::string& path, Model& model) { return readHexaKing(path, model); }

struct Dispatch {
    const char* extension;
    ReaderFn reader;  // null while the format has no reader in this build
    bool setsPathFirst;
};

// Checked in this order; the first match wins.
const Dispatch kReaders[] = {
    {".6ks", &readHexaKingFile, true},
    {".6kt", &readHexaKingFile, true},
    {".obj", &readObj, false},
    {".dxf", &readDxf, false},
    {".3ds", &read3ds, true},
    {".mqo", &readMqo, true},
    {".lwo", &readLwo, false},
    {".ufd", &readWorkFile, false},
};

bool canOpenForReading(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

void show(LoadOutcome& outcome, const char* text, MessageIcon icon) {
    outcome.message = text;
    ui().message(text, kAppTitle, icon);
}

}  // namespace

std::string fileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

void normalizeModel(Model& model) {
    const Point3& mx = model.boundsMax;
    const Point3& mn = model.boundsMin;
    const double h = std::max({(mx.y - mn.y) / 2, (mx.z - mn.z) / 2, (mx.x - mn.x) / 2});
    const Point3 mid{(mx.x + mn.x) / 2, (mx.y + mn.y) / 2, (mx.z + mn.z) / 2};
    for (auto& s : model.solids)
        for (auto& v : s->vertices) {
            Point3& p = v->position;
            p = {(p.x - mid.x) / h, (p.y - mid.y) / h, (p.z - mid.z) / h};
        }
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            if (!f->halfedges.empty()) computeCenter(*f);
    model.dMag3d = 1 / h;
}

std::unique_ptr<Model> readModelFile(const std::string& path, LoadOutcome& outcome) {
    outcome = LoadOutcome{};
    if (!canOpenForReading(path)) {
        show(outcome, kMsgCannotOpenFile, MessageIcon::Error);
        return nullptr;
    }
    const std::string ext = fileExtension(path);
    const Dispatch* d = nullptr;
    for (const auto& r : kReaders)
        if (ext == r.extension) {
            d = &r;
            break;
        }
    if (!d || !d->reader) {
        show(outcome, kMsgUnsupportedType, MessageIcon::Error);
        return nullptr;
    }
    outcome.hexaKing = ext == ".6ks" || ext == ".6kt";
    outcome.workFile = ext == ".ufd";

    auto model = std::make_unique<Model>();
    if (d->setsPathFirst) model->path = path;
    int result;
    HexaKingEdgeMarks marks;
    try {
        result = outcome.hexaKing ? readHexaKing(path, *model, &marks) : d->reader(path, *model);
    } catch (const CancelledException&) {
        result = kReadCancelled;
    } catch (const import_exception&) {
        result = kReadFailed;
    } catch (const std::bad_alloc&) {
        result = kReadFailed;
    }
    outcome.result = result;
    if (result != kReadOk) {
        if (result == kReadFailed) show(outcome, kMsgLoadFailed, MessageIcon::Error);
        if (result == kReadCancelled) show(outcome, kMsgLoadCancelled, MessageIcon::Information);
        return nullptr;
    }
    model->path = path;
    if (!outcome.workFile) {
        normalizeModel(*model);
        model->bFinished = false;
        if (outcome.hexaKing) {
            removeZeroAreaFaces(*model, kAreaThreshold);
            finishHexaKingModel(*model, marks);
            int count = 0;
            for (auto& s : model->solids) count += static_cast<int>(s->faces.size());
            model->faceCount = count;
        }
    }
    computeEdgeMetrics(*model);
    return model;
}

LoadOutcome loadModel(const std::string& path) {
    LoadOutcome outcome;
    std::unique_ptr<Model> model = readModelFile(path, outcome);
    if (!model) return outcome;
    setCurrentModel(std::move(model));
    Model& m = *currentModel();
    // A work file brings its fonts and its finished development back with it.
    if (outcome.workFile) restoreWorkFileDocument(m);
    if (!m.bFinished && m.faceCount > 1000)
        ui().message(format(kMsgTooManySurfaces, m.faceCount), kAppTitle, MessageIcon::Information);
    return outcome;
}

}  // namespace plikatra
