// The release number users see, defined once by the build for the programs, the package,
// the manual pages and the software-centre metadata.
#pragma once

namespace plikatra {

// The release, for example "1.1d": the version of the package and of --version.
const char* programVersion();

// The release as the About box and the start-up picture show it, for example "Ver1.1d".
const char* programVersionText();

}  // namespace plikatra
