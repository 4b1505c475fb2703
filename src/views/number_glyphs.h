// Outline glyphs for the join numbers: the characters of a font as plain triangles, so that a
// number can be drawn as filled polygons at any size and angle. The em height is 1.0, the
// baseline is y = 0 and y points up, as the outline-font convention of the drawing code has it.
// The data needs no OpenGL context; drawing them is the renderer's business.
#pragma once

#include <array>
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
