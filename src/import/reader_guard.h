// The top level every reader shares: the ways a read can unwind become result codes.
#pragma once

#include <new>

#include "base/progress.h"
#include "base/read_result.h"

namespace plikatra {

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
