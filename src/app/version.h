// The version of the build, the one number both programs report.
#pragma once

namespace plikatra {

#ifndef PLIKATRA_VERSION
#error "PLIKATRA_VERSION comes from the build (the project's version)"
#endif
inline constexpr const char* kProgramVersion = PLIKATRA_VERSION;

}  // namespace plikatra
