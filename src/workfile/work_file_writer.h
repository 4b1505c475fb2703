// Writes the program's own document format: the model, its development, the materials with
// their texture pixels and the document's view and drawing settings, as one text file with a
// raw pixel block per textured material.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/ui.h"
#include "model/model.h"
#include "workfile/work_file_settings.h"

namespace plikatra {

// Format version written, and the oldest version a reader must understand to read the file.
inline constexpr int kWorkFileVersion = 2;
inline constexpr int kWorkFileMinVersion = 2;

// Longest names and texts a work file holds, in bytes: the line buffers of the reader. Longer
// ones are cut when saved.
inline constexpr std::size_t kMaxStoredNameBytes = 254;
inline constexpr std::size_t kMaxStoredFontNameBytes = 510;
inline constexpr std::size_t kMaxStoredTextBytes = 511;

// Document state the file stores that the model does not hold.
struct WorkFileDocumentState {
    // The application's run-time state that marks the development as finished.
    bool bFinished = false;
    WorkFileSettings settings;
};

// Writes one model as a work file in a single walk.
class WorkFileOut;

class WorkFileWriter {
public:
    WorkFileWriter(const Model& model, const WorkFileDocumentState& state)
        : model_(model), state_(state) {}

    // The complete file content. Solids, vertices and faces (per solid) and parts are referred
    // to by their places in their lists; the model is only read.
    std::string text();
    // Writes the file to `file`, already opened for writing in binary mode; does not close it.
    // Returns 0; write errors show in the stream's error state.
    int write(std::FILE* file);
    // Hands the content to `write` in pieces; false when a piece could not be written.
    bool writeTo(const PieceWriter& write);

private:
    void compose(WorkFileOut& out);

    const Model& model_;
    WorkFileDocumentState state_;
};

// A copy of everything a work file of `model` holds, taken quickly as plain numbers and
// strings. Composing the text (the slow part: every number formatted) can then happen later,
// on another thread, while the model goes on changing; the text is the one WorkFileWriter
// would have written at the moment of the copy.
class WorkFileSnapshot {
public:
    struct FaceRecord {
        long material;
        long part;
        Point3 normal;
        double planeD;
        long corners;
    };
    struct CornerRecord {
        long vertex;
        double flatX, flatY, u, v, flapHeight;
        bool hasFlap, lineShown;
    };
    struct EdgeRecord {
        long faceA, faceB, vertexA, vertexB;
        int flags, twin;
    };
    struct SolidRecord {
        std::string name;
        bool visible = true;
        std::vector<Point3> vertices;
        std::vector<FaceRecord> faces;
        std::vector<CornerRecord> corners;  // of every face in turn
        std::vector<EdgeRecord> edges;
    };
    struct PartRecord {
        long solid;
        double x, y, width, height;
    };
    // A flap with narrowed sides: its corner by solid, face and place in the face's ring.
    struct FlapInsetRecord {
        long solid, face, corner;
        float start, end;
    };
    // An edge whose flap has a style of its own.
    struct FlapStyleRecord {
        long solid, edge;
        int style;
    };

    // Copies what the writer would write of `model` now.
    WorkFileSnapshot(const Model& model, const WorkFileDocumentState& state);
    ~WorkFileSnapshot();
    WorkFileSnapshot(const WorkFileSnapshot&) = delete;
    WorkFileSnapshot& operator=(const WorkFileSnapshot&) = delete;

    // The complete work file. Touches nothing but the copy, so any thread may call it.
    std::string text() const;

private:
    // The model's scalar fields, materials and texts (no solids or parts).
    std::unique_ptr<Model> head_;
    WorkFileDocumentState state_;
    std::vector<SolidRecord> solids_;
    std::vector<PartRecord> parts_;
    std::vector<FlapInsetRecord> flapInsets_;
    std::vector<FlapStyleRecord> flapStyles_;
};

// The complete work file of `model`.
std::string workFileText(const Model& model, const WorkFileDocumentState& state);

// Told the bytes written so far after each piece of about a megabyte; answers false to stop.
using SaveProgress = std::function<bool(std::size_t written)>;

// About how many bytes the work file of `model` takes, for a progress bar.
std::size_t estimatedWorkFileBytes(const Model& model);

// Saves `model` to `path`. The file is written beside the target under a temporary name and
// renamed over it only when complete, so a failed or stopped save leaves any previous file
// untouched. On failure returns false and, when `error` is given, stores kMsgCannotWriteFile
// there; when `progress` stopped it, the error is left empty.
bool writeWorkFile(const Model& model, const std::string& path, const WorkFileDocumentState& state,
                   std::string* error, const SaveProgress& progress = {});

}  // namespace plikatra
