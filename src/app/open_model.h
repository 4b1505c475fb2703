// Opening a file as a document: the reader chosen by the file's extension, the result codes
// and their messages, and the steps every format needs after a successful read (normalisation
// of foreign models, edge metrics, a work file's development put back).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/fonts.h"
#include "base/read_result.h"
#include "development/development.h"
#include "model/model.h"
#include "workfile/work_file_settings.h"

namespace plikatra {

inline constexpr const char* kMsgCannotOpenFile = "Cannot open file";
inline constexpr const char* kMsgUnsupportedType = "Cannot load file of specified type";
inline constexpr const char* kMsgLoadFailed = "Failed to load specified file";
inline constexpr const char* kMsgLoadCancelled = "Canceled loading";
inline constexpr const char* kMsgTooManySurfaces =
    "Too many surfaces (# of surface: %d).\nIt may take very long time to create development.\n"
    "In the paper craft model, the number of surfaces should be less than 500.";
// Shown after opening when at least one text's face had to be replaced.
inline constexpr const char* kMsgFontsReplaced =
    "Some fonts specified in the file do not exist in the system.\n"
    "These fonts will be replaced with the default font.";

// What a new model takes from the settings.
struct ModelFileOptions {
    ColorRef surfaceColor = kInitialColors[0];  // faces without material
    double flapHeight = kInitialFlapHeight;     // every flap of a foreign model
    int textureSizeLimit = kMinTextureSide;
    WorkFileSettings settings;                  // as they are; a work file overrides some
};

struct LoadOutcome {
    int result = kReadFailed;  // reader result code, or kReadFailed when not read at all
    bool workFile = false;
    bool hexaKing = false;
    std::string message;       // the message shown, empty when none
    std::string reason;        // why the file could not be read, empty when nothing tells
    bool temporary = false;    // the exchange file "Plikatra_TMP.6kt": not a document to remember
    WorkFileSettings carried;  // the settings with what a work file carried
};

// Whether a reader exists for the file's extension.
bool isSupportedModelFile(const std::string& path);

// Reads `path` into a fresh model: null when the read failed, was cancelled or the type is
// not known (`outcome` says which, and the message was shown through `ui`).
std::unique_ptr<Model> readModelFile(const std::string& path, const ModelFileOptions& options,
                                     Ui& ui, LoadOutcome& outcome);
// The same for the bytes of a file held in memory, the reader chosen by the extension of
// `path`, which otherwise only names the file (texture files are looked for beside it; an OBJ
// file gets no material library).
std::unique_ptr<Model> readModelData(std::span<const std::uint8_t> data, const std::string& path,
                                     const ModelFileOptions& options, Ui& ui,
                                     LoadOutcome& outcome);

// What follows a successful read of a work file: marks the model as coming from a work file,
// gives every text whose face is not installed the default face (with one message when that
// happened), and when the file carried a finished development, puts it back: join numbers,
// the opened cuts of the 3D view and the page grid.
void restoreWorkFileDocument(Model& model, Fonts& fonts, Ui& ui, const PageSetup& page);

}  // namespace plikatra
