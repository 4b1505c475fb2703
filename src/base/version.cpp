#include "base/version.h"

// The build passes the release in; a build outside CMake still compiles and says so.
#ifndef PLIKATRA_VERSION
#define PLIKATRA_VERSION "unknown"
#endif

namespace plikatra {

const char* programVersion() { return PLIKATRA_VERSION; }

const char* programVersionText() { return "Ver" PLIKATRA_VERSION; }

}  // namespace plikatra
