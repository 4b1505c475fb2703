// Shorthands for tests that only care about what a reader builds: each call reads with a
// recording front end of its own (messages kept nowhere) and the smallest texture limit.
#pragma once

#include <string>

#include "import/dxf_reader.h"
#include "import/hexaking_reader.h"
#include "import/lwo_reader.h"
#include "import/mqo_reader.h"
#include "import/obj_reader.h"
#include "import/tds_reader.h"
#include "recording_front_end.h"

namespace plikatra {

#define PLIKATRA_QUIET_READER(name)                               \
    inline int name(const std::string& path, Model& model) {      \
        RecordingFrontEnd ui;                                     \
        return name(path, model, ReadContext{ui, kMinTextureSide}); \
    }
PLIKATRA_QUIET_READER(readObj)
PLIKATRA_QUIET_READER(readDxf)
PLIKATRA_QUIET_READER(read3ds)
PLIKATRA_QUIET_READER(readMqo)
PLIKATRA_QUIET_READER(readLwo)
#undef PLIKATRA_QUIET_READER

inline int readHexaKing(const std::string& path, Model& model, HexaKingEdgeMarks* marks = nullptr) {
    RecordingFrontEnd ui;
    return readHexaKing(path, model, ReadContext{ui, kMinTextureSide}, marks);
}

}  // namespace plikatra
