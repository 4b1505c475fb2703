// Finding the texture files that model files name.
#pragma once

#include <optional>
#include <string>

namespace plikatra {

// The file a model file's texture name refers to, or none when no such file exists.
// Backslashes in the name count as folder separators, since models made on Windows write
// them. A relative name is looked up below the model file's folder (".." folded); an
// absolute one as it stands; one with a drive letter cannot exist here. When that finds no
// file, the bare file name is looked up in the model file's folder. Each lookup also accepts
// a file whose name differs only in ASCII letter case.
std::optional<std::string> resolveModelTexturePath(const std::string& modelPath,
                                                   const std::string& textureName);

}  // namespace plikatra
