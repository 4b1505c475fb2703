// Opening a model file: reader dispatch by extension, result codes and messages, and the
// steps every format shares after a successful read.
#pragma once

#include <memory>
#include <string>

#include "model/model.h"

namespace plikatra {

// Reader result codes.
enum ReadResult : int {
    kReadOk = 0,
    kReadFailed = 1,
    kReadCancelled = 2,
    kReadFailedReported = 3,
};

inline constexpr const char* kMsgCannotOpenFile = "Cannot open file";
inline constexpr const char* kMsgUnsupportedType = "Cannot load file of specified type";
inline constexpr const char* kMsgLoadFailed = "Failed to load specified file";
inline constexpr const char* kMsgLoadCancelled = "Canceled loading";
inline constexpr const char* kMsgTooManySurfaces =
    "Too many surfaces (# of surface: %d).\nIt may take very long time to create development.\n"
    "In the paper craft model, the number of surfaces should be less than 500.";

// Thrown by the binary readers; code −2 is a short read.
struct import_exception {
    int code;
};

struct LoadOutcome {
    int result = kReadFailed;   // reader result code, or kReadFailed when not read at all
    bool workFile = false;
    bool hexaKing = false;
    std::string message;        // the message shown, empty when none
};

// Reads `path` into a new model. On success the new model becomes current (the previous one
// is destroyed); otherwise everything stays as it was. Messages go through ui().
LoadOutcome loadModel(const std::string& path);

// Reads `path` into a fresh model without touching the current one; null when the read
// failed (outcome says why). Used by loadModel and by tools that need a model of their own.
std::unique_ptr<Model> readModelFile(const std::string& path, LoadOutcome& outcome);

// Centres the model on its bounding box and scales its largest half-extent to 1.
void normalizeModel(Model& model);

// Lower-case extension from the last "." on, "" when none.
std::string fileExtension(const std::string& path);

}  // namespace plikatra
