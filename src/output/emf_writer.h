// Enhanced metafiles: a Canvas that records real EMF records (little-endian) into bytes, and
// the metafile export of the development with its text items.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/canvas.h"
#include "output/canvas_drawing.h"
#include "output/text_metrics.h"

namespace plikatra {

// Record types written.
enum EmfRecordType : std::uint32_t {
    kEmrHeader = 1,
    kEmrPolygon = 3,
    kEmrPolyline = 4,
    kEmrEof = 14,
    kEmrSetBkMode = 18,
    kEmrSetTextAlign = 22,
    kEmrSetTextColor = 24,
    kEmrIntersectClipRect = 30,
    kEmrSaveDc = 33,
    kEmrRestoreDc = 34,
    kEmrSelectObject = 37,
    kEmrCreatePen = 38,
    kEmrCreateBrushIndirect = 39,
    kEmrDeleteObject = 40,
    kEmrStretchDiBits = 81,
    kEmrExtCreateFontIndirectW = 82,
    kEmrExtTextOutW = 84,
    kEmrPolygon16 = 86,
    kEmrPolyline16 = 87,
    kEmrExtCreatePen = 95,
};

// Stock objects are selected by their index with the high bit set.
inline constexpr std::uint32_t kEmfStockObject = 0x80000000u;
enum EmfStockObject : std::uint32_t {
    kWhiteBrush = 0,
    kBlackBrush = 4,
    kNullBrush = 5,
    kWhitePen = 6,
    kBlackPen = 7,
    kNullPen = 8,
    kSystemFont = 13,
};

inline constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kEmfVersion = 0x10000;

// The two names a metafile describes itself with: the program and the picture.
struct EmfDescription {
    std::string application;
    std::string picture;
};
inline const EmfDescription kEmfFileDescription{"KavimoZ", "KavimoZ image"};
inline const EmfDescription kEmfClipboardDescription{"Plikatra Designer", "Plikatra Designer image"};

// The device a metafile is made for: its resolution and screen size. Readers scale device
// units to paper by it.
struct EmfReferenceDevice {
    int pixelsPerInch = 96;
    int widthPixels = 1920;
    int heightPixels = 1440;
};

class EmfCanvas : public Canvas {
public:
    // Text is measured with `metrics` (not owned), which gives the advances stored with every
    // text so that readers place each character where it was measured.
    EmfCanvas(TextMetrics& metrics, const EmfDescription& description, const EmfReferenceDevice& reference = {});
    ~EmfCanvas() override;
    EmfCanvas(const EmfCanvas&) = delete;
    EmfCanvas& operator=(const EmfCanvas&) = delete;

    void setPen(const Pen& pen) override;
    void setBrush(const Brush& brush) override;
    void setFont(const Font& font) override;
    void setTextColor(DeviceColor color) override;
    void setTextAnchor(TextAnchor anchor) override;
    void polygon(std::span<const IntPoint> points) override;
    void polyline(std::span<const IntPoint> points) override;
    void text(IntPoint at, const std::string& utf8) override;
    TextSize textExtent(const std::string& utf8) override;
    std::vector<int> textAdvances(const std::string& utf8) override;
    void save() override;
    void restore() override;
    void intersectClip(const IntRect& rect) override;
    void setTransform(const CanvasTransform& transform) override;
    CanvasTransform transform() const override;
    void image(const IntRect& dest, const RgbImage& image) override;

    // The picture's frame in device units; without it the frame is the bounds of what was
    // drawn.
    void setFrame(const IntRect& deviceRect);

    // Ends the metafile (remaining objects deleted, the end record, the header) and returns
    // its bytes; the canvas takes no more drawing afterwards.
    std::vector<std::uint8_t> finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What the metafile export of the development needs.
struct MetafileOptions {
    EmfDescription description = kEmfFileDescription;  // kEmfClipboardDescription for the clipboard
    EmfReferenceDevice reference;
    CanvasDrawingOptions drawing;
};

// The development and its text items as a metafile: k = the reference device's pixels per
// inch / 2.54 device units per centimetre on both axes, the development at k · dMag2d, then
// each text item in its colour and face at a cell height of the integer part of
// (k · size · 0.035277777777777776), base line left at (x k dMag2d, y k dMag2d); the text
// colour returns to black afterwards.
std::vector<std::uint8_t> exportMetafile(const DevelopmentDrawing& drawing, TextMetrics& metrics,
                                         const MetafileOptions& options);

// Writes `bytes` to `path`, replacing it in one step; false when that fails.
bool writeMetafileFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace plikatra
