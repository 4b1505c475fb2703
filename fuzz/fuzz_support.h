// What the fuzz targets share: a front end that answers every dialog without a person, and
// the steps that use a loaded model the way a user would (draw, unfold, edit, save, reopen).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/document.h"
#include "app/front_end.h"
#include "base/fonts.h"
#include "base/progress.h"
#include "base/settings.h"
#include "model/model.h"

namespace plikatra::fuzz {

// Fonts without the system: one installed face, text measured by its length.
class FixedFonts : public Fonts {
public:
    std::vector<std::string> faceNames() override { return {kDefaultFontName}; }
    TextExtent textExtent(const std::string&, int pixelSize, const std::string& text) override;
};

class SilentProgress : public ProgressFrontEnd {
public:
    void shown(const std::string&, bool) override {}
    void barMoved(int, const std::string&) override {}
    void textChanged(const std::string&) override {}
    bool pump(bool) override { return false; }
    void hidden() override {}
    void destroyed() override {}
};

// Says nothing, answers questions with Ok or Yes, takes the values every dialog offers when
// they are valid, and types "t" into the text dialog.
class SilentFrontEnd : public FrontEnd {
public:
    void message(const std::string&, const std::string&, MessageIcon) override { ++messages; }
    Answer ask(const std::string&, const std::string&, Buttons buttons, MessageIcon) override;
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }
    bool layoutMethod(LayoutDialog& dialog) override;
    bool developmentSize(LayoutDialog& dialog) override;
    bool inputText(TextDialogValues& values) override;
    bool epsSaveSettings(EpsSaveSettings&) override { return true; }
    std::optional<std::string> chooseTextureFile() override { return std::nullopt; }

    int messages = 0;

private:
    SilentProgress progress_;
    FixedFonts fonts_;
};

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Models larger than this are read but not unfolded: the reference unfolding grows with the
// square of the face count, and a fuzz run must stay fast per input.
inline constexpr int kMaxFacesToUnfold = 200;

// Writes the development of the document's model as EPS into nothing.
void drawEps(Model& model, const Settings& settings);

// A few development edits of every kind at corners spread over the development, with undo.
void editDevelopment(Document& doc);

// Saves the document's model as a work file in memory and reads it back; a save that does
// not read back is a fault, reported by abort() so the fuzzer keeps the input.
void saveAndReopen(Document& doc, SilentFrontEnd& ui);

// Everything a user can do with a model just opened: draw it, unfold it when it has no
// development and is small enough, edit the development, save and reopen.
void useModel(std::unique_ptr<Model> model, bool workFile, const WorkFileSettings& carried);

// One input of each fuzz target, also run by the regression tests on the inputs the fuzzer
// once found.

// OBJ text with its material library: the input up to its first NUL byte is the model, the
// rest the library.
void runObj(const std::uint8_t* data, std::size_t size);
// 3DS chunk trees.
void runTds(const std::uint8_t* data, std::size_t size);
// MQO documents.
void runMqo(const std::uint8_t* data, std::size_t size);
// DXF text.
void runDxf(const std::uint8_t* data, std::size_t size);
// LWO forms, both layouts.
void runLwo(const std::uint8_t* data, std::size_t size);
// STL triangles, binary and ASCII.
void runStl(const std::uint8_t* data, std::size_t size);
// PLY polygons, ASCII and binary in both byte orders.
void runPly(const std::uint8_t* data, std::size_t size);
// glTF scenes, JSON or binary; external files are never found.
void runGltf(const std::uint8_t* data, std::size_t size);
// 3MF packages.
void run3mf(const std::uint8_t* data, std::size_t size);
// HexaKing scenes (.6kt and .6ks are the same layout), with the edge marks applied as the
// loader does after construction.
void runHexaKing(const std::uint8_t* data, std::size_t size);
// Work files: read, then drawn, unfolded when they hold no development, edited, saved and
// read back.
void runWorkFile(const std::uint8_t* data, std::size_t size);
// Bitmap textures, decoded and scaled to the texture square.
void runBmp(const std::uint8_t* data, std::size_t size);
// JPEG textures, decoded and scaled to the texture square.
void runJpeg(const std::uint8_t* data, std::size_t size);
// PNG textures, decoded and scaled to the texture square.
void runPng(const std::uint8_t* data, std::size_t size);
// Any model format through the whole program: the first byte chooses the reader, the rest is
// the file. A model that loads is unfolded, laid out, drawn, edited, saved and read back.
void runUnfold(const std::uint8_t* data, std::size_t size);

}  // namespace plikatra::fuzz
