// The protocol every reader of a file shares: its result codes, the exception a short read
// unwinds with, and what a reader needs from around it.
#pragma once

#include "base/ui.h"

namespace plikatra {

// Reader result codes.
enum ReadResult : int {
    kReadOk = 0,
    kReadFailed = 1,
    kReadCancelled = 2,
    kReadFailedReported = 3,  // failed, and the reader has already said why
};

// Thrown by the binary readers; code −2 is a short read.
struct import_exception {
    int code;
};

// Code of the import_exception thrown when fewer bytes than requested could be read.
inline constexpr int kShortRead = -2;
// Code of the import_exception thrown for a negative length, which would move a reader back.
inline constexpr int kBadLength = -1;

// Smallest texture side, and the limit readers work with until a view has read the graphics
// implementation's own.
inline constexpr int kMinTextureSide = 64;

// Where a reader reports (messages, the progress window with its Cancel) and how large the
// textures it loads may be.
struct ReadContext {
    Ui& ui;
    int textureSizeLimit = kMinTextureSide;
};

}  // namespace plikatra
