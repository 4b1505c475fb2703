// A small device-independent drawing surface in device units: pens, brushes, fonts with
// escapement, polygons, lines, text, clipping, an origin shift with scale, and RGB images.
// The vector outputs (printer pages, metafiles, images with text) draw onto it; each device
// supplies an implementation.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace plikatra {

struct DeviceColor {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const DeviceColor&) const = default;
};

inline constexpr DeviceColor kBlack{0, 0, 0};
inline constexpr DeviceColor kWhite{255, 255, 255};

// A Windows-style colour value (red in the low byte) as a device colour.
constexpr DeviceColor colorFromRef(std::uint32_t ref) {
    return {static_cast<std::uint8_t>(ref & 0xFF), static_cast<std::uint8_t>((ref >> 8) & 0xFF),
            static_cast<std::uint8_t>((ref >> 16) & 0xFF)};
}

struct IntPoint {
    int x = 0, y = 0;
    bool operator==(const IntPoint&) const = default;
};

// A rectangle from (left, top) up to but not including (right, bottom).
struct IntRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const IntRect&) const = default;
};

struct Pen {
    enum class Style { Solid, Dashed, None };
    Style style = Style::Solid;
    DeviceColor color = kBlack;
    int width = 1;             // device units; 1 is the thinnest line the device draws
    std::vector<int> dashes;   // Dashed only: on, off, on, off ... in device units

    static Pen solid(DeviceColor c, int w = 1) { return {Style::Solid, c, w, {}}; }
    static Pen none() { return {Style::None, kBlack, 1, {}}; }
    bool operator==(const Pen&) const = default;
};

struct Brush {
    bool filled = true;
    DeviceColor color = kWhite;

    static Brush solid(DeviceColor c) { return {true, c}; }
    static Brush none() { return {false, kWhite}; }
    bool operator==(const Brush&) const = default;
};

// Character weight of normal text.
inline constexpr int kFontWeightNormal = 400;

struct Font {
    std::string face = "Arial";
    // As a Windows logical font: a positive height is the cell height (ascent plus descent),
    // a negative one the character (em) height, both in device units.
    int height = 12;
    int weight = kFontWeightNormal;
    int escapement = 0;  // tenths of a degree, counter-clockwise as seen on the page
    bool operator==(const Font&) const = default;
};

// Which point of the text the position given to Canvas::text names.
enum class TextAnchor {
    TopLeft,       // top of the character cell, left end
    BaselineLeft,  // base line, left end
};

struct TextSize {
    int width = 0;
    int height = 0;
    bool operator==(const TextSize&) const = default;
};

// A top-down RGB image: row 0 is the top row, 3 bytes per pixel, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    RgbImage() = default;
    // A width × height image filled with `fill`; negative sizes give an empty image.
    RgbImage(int w, int h, DeviceColor fill = kWhite)
        : width(w > 0 && h > 0 ? w : 0), height(w > 0 && h > 0 ? h : 0) {
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        for (size_t i = 0; i < pixels.size(); i += 3) {
            pixels[i] = fill.r;
            pixels[i + 1] = fill.g;
            pixels[i + 2] = fill.b;
        }
    }
    bool empty() const { return width <= 0 || height <= 0; }
    std::uint8_t* pixel(int x, int y) {
        return pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    }
    const std::uint8_t* pixel(int x, int y) const {
        return pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    }
    const std::uint8_t* at(int x, int y) const { return pixel(x, y); }
};

// device = offset + scale × logical, for points, clip rectangles and image rectangles.
// Pen widths and font heights are given in device units and are not scaled.
struct CanvasTransform {
    double offsetX = 0.0, offsetY = 0.0;
    double scaleX = 1.0, scaleY = 1.0;
    bool operator==(const CanvasTransform&) const = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Current objects; polygons are filled with the brush and outlined with the pen, lines
    // and polylines use the pen, text uses the font and the text colour.
    virtual void setPen(const Pen& pen) = 0;
    virtual void setBrush(const Brush& brush) = 0;
    virtual void setFont(const Font& font) = 0;
    virtual void setTextColor(DeviceColor color) = 0;
    virtual void setTextAnchor(TextAnchor anchor) = 0;

    // Closed polygon through the points.
    virtual void polygon(std::span<const IntPoint> points) = 0;
    // Open line through the points.
    virtual void polyline(std::span<const IntPoint> points) = 0;
    void line(IntPoint a, IntPoint b) {
        const IntPoint p[2] = {a, b};
        polyline(p);
    }
    // `utf8` (one line) at `at` on a transparent background, turned by the font's escapement
    // around `at`.
    virtual void text(IntPoint at, const std::string& utf8) = 0;

    // Unturned size of `utf8` in the current font.
    virtual TextSize textExtent(const std::string& utf8) = 0;
    // Advance of every character of `utf8` in the current font (one entry per code point);
    // they add up to the extent's width.
    virtual std::vector<int> textAdvances(const std::string& utf8) = 0;

    // Keeps clipping and transform (and the current objects) to come back to with restore().
    virtual void save() = 0;
    virtual void restore() = 0;
    // Narrows the clip region to `rect` (logical units, through the transform).
    virtual void intersectClip(const IntRect& rect) = 0;
    virtual void setTransform(const CanvasTransform& transform) = 0;
    virtual CanvasTransform transform() const = 0;

    // Stretches `image` over `dest` (logical units, through the transform).
    virtual void image(const IntRect& dest, const RgbImage& image) = 0;
};

}  // namespace plikatra
