// Colours as the settings hold them and as materials hold them.
#pragma once

#include <array>
#include <cstdint>

namespace plikatra {

// Windows-style colour value: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr int kColorCount = 8;

// The colours the program starts with and returns to on reset: surfaces without material,
// mountain folds, valley folds, open edges, cut edges, edges to keep, the selection, and the
// background of the 3D view.
inline constexpr std::array<ColorRef, kColorCount> kInitialColors = {
    16767449, 16711680, 16776960, 255, 25855, 65535, 255, 16777215};

// Single-precision colour channels in 0..1, as materials hold them.
struct Rgb {
    float r = 0, g = 0, b = 0;
};

// A setting's colour as a new material takes it: each channel times the factor 1/255 rounded
// to single precision, in single precision. Work files store these values, so the arithmetic
// is fixed.
Rgb materialColorOf(ColorRef c);

// A setting's colour as the colour setting gives it to the default material when it changes:
// each channel times 1/255 in double precision, then rounded to single precision. It differs
// from materialColorOf in the last bit for about half the channel values.
Rgb settingColorOf(ColorRef c);

}  // namespace plikatra
