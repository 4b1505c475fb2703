// The top level every reader shares: the ways a read can unwind become result codes.
#pragma once

#include <new>
#include <string>

#include "base/progress.h"
#include "base/read_result.h"
#include "base/ui.h"

namespace plikatra {

// Warning shown when a model file ends before the data it announces: what lay before the end
// has been read and is kept, and the user should know that the rest of the model is missing.
inline constexpr const char* kMsgFileEndsEarly =
    "The file \"%s\" ends early: only the part before the end has been loaded.";

inline void warnFileEndsEarly(Ui& ui, const std::string& path) {
    ui.message(format(kMsgFileEndsEarly, path.c_str()), kAppTitle, MessageIcon::Warning);
}

// Runs a reader's body: Cancel gives 2, a short read or running out of memory gives 1.
template <class Body>
int runGuarded(Body&& body) {
    try {
        return body();
    } catch (const CancelledException&) {
        return kReadCancelled;
    } catch (const import_exception&) {
        return kReadFailed;
    } catch (const std::bad_alloc&) {
        return kReadFailed;
    }
}

}  // namespace plikatra
