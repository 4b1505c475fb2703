// How wide every character of a text is in a font, for outputs that place text themselves
// (the metafile needs an advance per character, numbers are centred on their edges).
// Behind an interface so that tests can use predictable metrics.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/canvas.h"

namespace plikatra {

// Vertical sizes of a font in device units.
struct FontMetrics {
    double em = 0.0;       // character height, the size the font is designed at
    double ascent = 0.0;   // from the top of the cell to the base line
    double descent = 0.0;  // from the base line to the bottom of the cell
};

// A measured line of text in device units.
struct TextLayout {
    std::vector<int> advances;  // one per code point, summing to width
    int width = 0;
    int height = 0;  // cell height
    int ascent = 0;
};

class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    virtual FontMetrics fontMetrics(const Font& font) = 0;
    // Unrounded advance of every code point of `text` in `font`.
    virtual std::vector<double> advances(const Font& font, const std::u32string& text) = 0;

    // Advances rounded so that each character starts at its rounded exact position, so the
    // rounding never adds up along a long text.
    TextLayout layout(const Font& font, const std::string& utf8);
};

// Every character half an em wide; ascent 0.8 em, descent 0.2 em, so the cell is one em.
class FixedTextMetrics : public TextMetrics {
public:
    FontMetrics fontMetrics(const Font& font) override;
    std::vector<double> advances(const Font& font, const std::u32string& text) override;
};

// The face fontconfig picks for the font's face name (its metric-compatible substitute for
// widely used proprietary faces), measured with FreeType from the font's design units, so the
// values do not depend on hinting at a pixel size. Faces are loaded once and kept. Without a
// usable face every measure falls back to FixedTextMetrics.
class FreeTypeTextMetrics : public TextMetrics {
public:
    FreeTypeTextMetrics();
    ~FreeTypeTextMetrics() override;
    FreeTypeTextMetrics(const FreeTypeTextMetrics&) = delete;
    FreeTypeTextMetrics& operator=(const FreeTypeTextMetrics&) = delete;

    FontMetrics fontMetrics(const Font& font) override;
    std::vector<double> advances(const Font& font, const std::u32string& text) override;

    // The file of the face used for `font`; empty when none could be loaded.
    std::string faceFile(const Font& font);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The code points of UTF-8 text; a malformed byte stands for itself.
std::u32string decodeUtf8(const std::string& utf8);

// Character height (em) of `font` for a face whose cell (ascent plus descent) is
// `cellPerEm` ems high.
double emHeight(const Font& font, double cellPerEm);

}  // namespace plikatra
