// Outline glyphs for the join numbers: the characters of a font as plain triangles, so that a
// number can be drawn as filled polygons at any size and angle. The em height is 1.0, the
// baseline is y = 0 and y points up, as the outline-font convention of the drawing code has it.
// The data needs no OpenGL context; drawing them is the renderer's business.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "views/polygon_tessellation.h"

namespace plikatra {

inline constexpr const char* kMsgFailedToCreateFonts = "Failed to create Fonts";

// Face the join numbers are set in; fontconfig maps it to an installed face.
inline constexpr const char* kNumberFontFamily = "Arial";

struct Glyph {
    std::vector<Point2> triangles;              // 3 corners per triangle
    TriangleMesh mesh;                          // the same triangles with shared corners
    std::vector<std::vector<Point2>> contours;  // the outline, curves flattened, each closed
    double advance = 0.0;                       // pen movement to the next character
};

// How far a flattened curve may stray from the font's curve, in em: fine enough for numbers
// a hundred pixels high.
inline constexpr double kGlyphFlatness = 0.004;

// Glyphs of the printable ASCII characters of one face.
class GlyphSet {
public:
    static constexpr int kFirst = 32;
    static constexpr int kLast = 126;

    bool empty() const { return !loaded_; }
    // The glyph of `c`, or null for characters outside the set.
    const Glyph* glyph(char c) const;
    // Sum of the advances of the characters of `text` (characters outside the set count 0).
    double advance(std::string_view text) const;
    // Appends the triangles of `text` set from the origin along +x; returns its advance.
    double appendText(std::string_view text, std::vector<Point2>& triangles) const;
    // The same into a mesh with shared corners.
    double appendText(std::string_view text, TriangleMesh& mesh) const;

private:
    friend GlyphSet loadGlyphsFromFile(const std::string& path, int faceIndex,
                                       std::string* error, double flatness);
    std::array<Glyph, kLast - kFirst + 1> glyphs_;
    bool loaded_ = false;
};

// Distance pictures of the characters a join number uses, side by side in one picture, so that
// a number is drawn as one textured quad per character and a threshold on the picture's value
// cuts the outline at any size: a texel holds 127.5 + 127.5 × d / kAtlasSpread (clamped),
// where d is its centre's distance to the outline in texels, positive inside. Linear
// filtering of such a picture keeps straight edges straight at any magnification.
class GlyphAtlas {
public:
    // A character's rectangle: em coordinates relative to its origin on the base line (y up)
    // and the texture coordinates of the same corners.
    struct Cell {
        double left = 0, bottom = 0, right = 0, top = 0;
        double u0 = 0, v0 = 0, u1 = 0, v1 = 0;
        double advance = 0;
        bool blank = true;  // nothing to draw (a space), only the advance counts
    };
    static constexpr int kSpread = 4;
    static constexpr const char* kCharacters = "0123456789-";

    bool empty() const { return pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Row after row from v = 0, one byte a texel.
    const std::vector<std::uint8_t>& pixels() const { return pixels_; }
    // The cell of `c`, or null for characters the atlas does not hold.
    const Cell* cell(char c) const;
    // Texture coordinates of a texel block that is inside everywhere, for solid rectangles
    // such as the bar under a marked number.
    double solidU() const { return solidU_; }
    double solidV() const { return solidV_; }

private:
    friend GlyphAtlas buildGlyphAtlas(const GlyphSet& glyphs, int texelsPerEm);
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::array<Cell, 11> cells_;
    double solidU_ = 0, solidV_ = 0;
};

// The atlas of GlyphAtlas::kCharacters from the outlines of `glyphs`, `texelsPerEm` texels to
// the em; empty when the set is.
GlyphAtlas buildGlyphAtlas(const GlyphSet& glyphs, int texelsPerEm = 64);

// Loads the glyphs of the face fontconfig chooses for `family` (bold when asked), curves
// flattened to within `flatness` em. On failure returns an empty set and puts
// kMsgFailedToCreateFonts into `error`.
GlyphSet loadGlyphs(const std::string& family, bool bold, std::string* error = nullptr,
                    double flatness = kGlyphFlatness);

// Loads the glyphs of face `faceIndex` of a font file; empty and kMsgFailedToCreateFonts when
// the file cannot be read as a scalable font.
GlyphSet loadGlyphsFromFile(const std::string& path, int faceIndex = 0,
                            std::string* error = nullptr, double flatness = kGlyphFlatness);

// The join-number glyphs: "Arial", bold.
inline GlyphSet loadNumberGlyphs(std::string* error = nullptr,
                                 double flatness = kGlyphFlatness) {
    return loadGlyphs(kNumberFontFamily, true, error, flatness);
}

}  // namespace plikatra
