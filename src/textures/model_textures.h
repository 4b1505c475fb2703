// Texture files named inside a model file, loaded for a reader that tells the user which of
// them could not be used.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/ui.h"
#include "model/model.h"

namespace plikatra {

// Heads the warning about textures that could not be loaded; one line per texture follows.
inline constexpr const char* kMsgTexturesNotLoaded =
    "These textures could not be loaded; their materials keep their colours:";
// One line of that warning: the texture's name as the model file gives it, and the reason.
inline constexpr const char* kMsgTextureNotLoadedLine = "%s: %s";
inline constexpr const char* kMsgTextureNotFound = "file not found";
inline constexpr const char* kMsgTextureUnreadable = "the image cannot be read";
// Ends the warning when more textures failed than it lists.
inline constexpr const char* kMsgMoreTexturesNotLoaded = "... and %d more";

class ModelTextures {
public:
    // Names are resolved against the folder of `baseFile` (the file that names them) and
    // loaded under `sizeLimit`; `ui` hears nothing until report().
    ModelTextures(std::string baseFile, int sizeLimit, Ui& ui);

    // Loads the file that `name` refers to (resolveModelTexturePath) and gives each of
    // `materials` its own copy of the image; each takes `name` as its texture file either
    // way. A name asked for again is not loaded again. A failure leaves the materials' colours
    // and is kept, with its reason, for report().
    void attach(const std::string& name, std::span<Material* const> materials);

    // One warning naming every texture that failed and why; nothing when none did.
    void report();

private:
    std::string baseFile_;
    int sizeLimit_;
    Ui& ui_;
    std::map<std::string, std::unique_ptr<TextureImage>> loaded_;  // null for a failed name
    std::vector<std::string> problems_;
};

}  // namespace plikatra
