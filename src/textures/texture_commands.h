// The user's means to attach and remove textures: the Set Texture command, the Texture
// Configuration dialog's logic, and reversing texture coordinates. No widgets here: the front
// end shows the dialogs and forwards the user's choices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model.h"

namespace plikatra {

inline constexpr const char* kMsgNoTextureCoordinates =
    "Current model has no uv-coordinate for texture,\nso texture image cannot be set.";
inline constexpr const char* kMsgTextureLoadFailed = "Failed to load texture image";
inline constexpr const char* kMsgTextureFileMissing = "File does not exist";
// Open-file dialog filter, in the "description|patterns|" form.
inline constexpr const char* kTextureFileFilter =
    "Texture Files(*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg|";

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

// What the texture commands need from the application around them.
class TextureCommandHost {
public:
    virtual ~TextureCommandHost() = default;
    // Asks for an existing texture file (kTextureFileFilter); none when cancelled.
    virtual std::optional<std::string> chooseTextureFile() = 0;
    // Brings the Texture Configuration dialog on screen.
    virtual void showTextureConfiguration() = 0;
    virtual void redrawAllViews() = 0;
    virtual void setDocumentModified() = 0;
};

// Loads `path` under textureSizeLimit() and on success makes it the Material's texture,
// freeing the previous one and recording `path` as its file. A failed load leaves the
// Material as it was. Returns whether the texture was attached.
bool attachTextureFile(Material& material, const std::string& path);

// The logic of the modeless Texture Configuration dialog. The selected Material is the
// Model's highlighted material while the dialog is open.
class TextureConfiguration {
public:
    struct Entry {
        std::string text;  // the Material's name, or "Pattern-n" over unnamed Materials
        Material* material;
    };

    explicit TextureConfiguration(TextureCommandHost& host) : host_(host) {}

    // Rebuilds the list from `model`'s Materials (null: empty list); nothing stays selected.
    void rebuild(Model* model);
    // Opening: selects the first entry when there is one.
    void open();
    // Selects entry `index`, highlights its Material and redraws; -1 or out of range
    // selects nothing.
    void select(int index);
    // "Specify Texture Image...": asks for a file and textures the selected Material.
    void specifyTexture();
    // "Reset Texture": removes the selected Material's texture.
    void resetTexture();
    // "Close": clears the highlight and redraws before the dialog hides.
    void close();

    const std::vector<Entry>& entries() const { return entries_; }
    int selectedIndex() const { return selected_; }
    Material* selectedMaterial() const;
    // The Material the 3D view outlines; null while the dialog is closed.
    Material* highlightedMaterial() const { return highlighted_; }
    bool resetTextureEnabled() const { return resetEnabled_; }

private:
    TextureCommandHost& host_;
    std::vector<Entry> entries_;
    int selected_ = -1;
    Material* highlighted_ = nullptr;
    bool resetEnabled_ = false;
};

// Set Texture: refuses a model without texture coordinates, hands a model with two or more
// Materials to the configuration dialog, and otherwise textures the only (or default)
// Material from a file the user picks.
void setTexture(Model& model, TextureCommandHost& host, TextureConfiguration& dialog);

// Whether the reverse-coordinate commands are enabled: a model is loaded and its
// development is not finished.
bool canReverseTextureCoordinates(const Model* model, bool finished);
// Replaces u by 1 − u (or v by 1 − v) in every texture coordinate of every Solid.
void reverseTextureU(Model& model);
void reverseTextureV(Model& model);
// The two commands: do nothing unless enabled, otherwise reverse and redraw all views.
void reverseTextureUCommand(Model* model, bool finished, TextureCommandHost& host);
void reverseTextureVCommand(Model* model, bool finished, TextureCommandHost& host);

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
