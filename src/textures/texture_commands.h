// The user's means to attach and remove textures: the Set Texture command, the Texture
// Configuration dialog's logic, and reversing texture coordinates. No widgets here: the front
// end shows the dialogs and forwards the user's choices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ui.h"
#include "model/model.h"

namespace plikatra {

inline constexpr const char* kMsgNoTextureCoordinates =
    "Current model has no uv-coordinate for texture,\nso texture image cannot be set.";
inline constexpr const char* kMsgTextureLoadFailed = "Failed to load texture image";
inline constexpr const char* kMsgTextureFileMissing = "File does not exist";
// Open-file dialog filter, in the "description|patterns|" form.
inline constexpr const char* kTextureFileFilter =
    "Texture Files(*.bmp;*.jpg;*.jpeg;*.png)|*.bmp;*.jpg;*.jpeg;*.png|";

// Texts of the Texture Configuration dialog.
inline constexpr const char* kTextureDialogTitle = "Texture Configuration";
inline constexpr const char* kTextureListName = "Texture and Color Configuration List";
inline constexpr const char* kUnnamedMaterialFormat = "Pattern-%d";
inline constexpr const char* kSpecifyTextureButton = "Specify Texture Image...";
inline constexpr const char* kResetTextureButton = "Reset Texture";
inline constexpr const char* kCloseButton = "Close";
inline constexpr const char* kTextureDialogNotes[] = {
    "* Border of affected surface will be shown in:",
    "Yellow: Can Set Texture",
    "White:  Cannot Set Texture because of the lack of UV-Coordinate",
};

// Loads `path` under `sizeLimit` and on success makes it the Material's texture, freeing the
// previous one and recording `path` as its file. A failed load leaves the Material as it was.
// Returns whether the texture was attached.
bool attachTextureFile(Material& material, const std::string& path, int sizeLimit, Ui& ui);

// The logic of the modeless Texture Configuration dialog. The selected Material is the
// Model's highlighted material while the dialog is open.
class TextureConfiguration {
public:
    struct Entry {
        std::string text;  // the Material's name, or "Pattern-n" over unnamed Materials
        Material* material;
    };

    // Rebuilds the list from `model`'s Materials (null: empty list); nothing stays selected.
    void rebuild(Model* model);
    // Opening: selects the first entry when there is one.
    void open();
    // Selects entry `index` and highlights its Material; -1 or out of range selects nothing.
    void select(int index);
    // "Specify Texture Image..." once the user chose `path`: textures the selected Material
    // ("File does not exist" or "Failed to load texture image" otherwise). Returns whether the
    // Material changed.
    bool specifyTexture(const std::string& path, int sizeLimit, Ui& ui);
    // "Reset Texture": removes the selected Material's texture. Returns whether one was selected.
    bool resetTexture();
    // "Close": clears the highlight.
    void close();

    const std::vector<Entry>& entries() const { return entries_; }
    int selectedIndex() const { return selected_; }
    Material* selectedMaterial() const;
    // The Material the 3D view outlines; null while the dialog is closed.
    Material* highlightedMaterial() const { return highlighted_; }
    bool resetTextureEnabled() const { return resetEnabled_; }

private:
    std::vector<Entry> entries_;
    int selected_ = -1;
    Material* highlighted_ = nullptr;
    bool resetEnabled_ = false;
};

// What the dialog's preview control shows for a Material in a client area of the given
// size: the texture scaled by nearest pixel, the flat colour, or nothing, inside a 2-pixel
// margin.
struct TexturePreview {
    enum class Kind { Empty, Image, Color };
    Kind kind = Kind::Empty;
    int x = 0, y = 0, width = 0, height = 0;  // drawn rectangle
    std::vector<std::uint8_t> rgb;            // Image: width × height × 3, top row first
    Rgb color;                                // Color
};
TexturePreview texturePreview(const Material* material, int clientWidth, int clientHeight);

}  // namespace plikatra
