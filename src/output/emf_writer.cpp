#include "output/emf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "base/file_io.h"
#include "output/bitmap_file.h"

namespace plikatra {

namespace {

constexpr std::uint32_t kTransparent = 1;  // background mode
constexpr std::uint32_t kAlignTopLeft = 0;
constexpr std::uint32_t kAlignBaseline = 24;
constexpr std::uint32_t kPenSolid = 0;
constexpr std::uint32_t kPenUserStyle = 7;
constexpr std::uint32_t kPenGeometric = 0x10000;
constexpr std::uint32_t kPenEndcapFlat = 0x200;
constexpr std::uint32_t kBrushSolid = 0;
constexpr std::uint32_t kGraphicsModeCompatible = 1;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint8_t kDefaultCharset = 1;
constexpr std::uint8_t kClipAngles = 16;  // turned text follows the coordinate system
constexpr std::size_t kFaceNameChars = 32;
// A font record carries a LogFontPanose: the logical font, full name, style, version fields
// and the PANOSE classification.
constexpr std::size_t kLogFontPanoseSize = 320;
constexpr std::size_t kHeaderFixedSize = 108;  // up to and including the micrometre size

std::uint32_t colorRef(DeviceColor c) {
    return static_cast<std::uint32_t>(c.r) | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.b) << 16;
}

std::u16string utf16(const std::u32string& text) {
    std::u16string out;
    for (char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(c < 0x10000 ? static_cast<char16_t>(c) : u'\uFFFD');
        }
    }
    return out;
}

int clampToInt(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(std::lround(v));
}

// Records are little-endian and padded to a multiple of four bytes.
class RecordBuffer {
public:
    std::vector<std::uint8_t> bytes;
    std::uint32_t records = 0;

    std::size_t begin(std::uint32_t type) {
        const std::size_t start = bytes.size();
        u32(type);
        u32(0);
        return start;
    }
    void end(std::size_t start) {
        while ((bytes.size() - start) % 4) bytes.push_back(0);
        patch32(start + 4, static_cast<std::uint32_t>(bytes.size() - start));
        ++records;
    }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void i32(int v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void rect(const IntRect& r) {  // inclusive right and bottom, as the format stores them
        i32(r.left);
        i32(r.top);
        i32(r.right);
        i32(r.bottom);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

// Inclusive bounds of device points.
struct Bounds {
    int left = std::numeric_limits<int>::max(), top = std::numeric_limits<int>::max();
    int right = std::numeric_limits<int>::min(), bottom = std::numeric_limits<int>::min();
    bool empty() const { return left > right; }
    void add(int x, int y) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
    void add(const Bounds& b) {
        if (!b.empty()) add(b.left, b.top), add(b.right, b.bottom);
    }
    IntRect rect() const { return empty() ? IntRect{0, 0, -1, -1} : IntRect{left, top, right, bottom}; }
};

// A graphics object as the device holds it: a stock object, or one this canvas created.
struct Selected {
    std::uint32_t handle = 0;  // stock objects carry kEmfStockObject
    bool created() const { return handle != 0 && !(handle & kEmfStockObject); }
};

template <typename T>
struct ObjectSlot {
    std::optional<T> wanted;    // what drawing asks for
    std::optional<T> selected;  // what the device has selected; unknown when empty
    Selected object;
};

}  // namespace

struct EmfCanvas::Impl {
    TextMetrics& metrics;
    EmfDescription description;
    EmfReferenceDevice reference;
    RecordBuffer buf;
    Bounds bounds;
    std::optional<IntRect> frame;
    bool finished = false;

    std::vector<char> handlesInUse{1};  // index 0 is the metafile itself
    std::uint32_t maxHandle = 0;
    std::vector<std::uint32_t> pendingDeletes;  // kept while a saved state may refer to them

    ObjectSlot<Pen> pen;
    ObjectSlot<Brush> brush;
    ObjectSlot<Font> font;
    DeviceColor textColor = kBlack;
    std::optional<DeviceColor> deviceTextColor = kBlack;  // the device starts black
    TextAnchor anchor = TextAnchor::TopLeft;
    std::optional<std::uint32_t> deviceAlign = kAlignTopLeft;
    CanvasTransform transform;

    // What drawing wanted and what the device held when a state was saved; restoring it
    // gives the device back its selected objects, text colour and alignment.
    struct Saved {
        CanvasTransform transform;
        Pen pen;
        Brush brush;
        Font font;
        DeviceColor textColor;
        TextAnchor anchor;
        std::optional<Pen> devicePen;
        std::optional<Brush> deviceBrush;
        std::optional<Font> deviceFont;
        Selected penObject, brushObject, fontObject;
        std::optional<DeviceColor> deviceTextColor;
        std::optional<std::uint32_t> deviceAlign;
    };
    std::vector<Saved> saved;

    Impl(TextMetrics& m, const EmfDescription& d, const EmfReferenceDevice& r)
        : metrics(m), description(d), reference(r) {
        pen.wanted = Pen::solid(kBlack);
        pen.selected = pen.wanted;
        pen.object.handle = kEmfStockObject | kBlackPen;
        brush.wanted = Brush::solid(kWhite);
        brush.selected = brush.wanted;
        brush.object.handle = kEmfStockObject | kWhiteBrush;
        font.wanted = Font{};
        const std::size_t r0 = buf.begin(kEmrSetBkMode);
        buf.u32(kTransparent);
        buf.end(r0);
    }

    std::uint32_t newHandle() {
        for (std::uint32_t i = 1; i < handlesInUse.size(); ++i)
            if (!handlesInUse[i]) {
                handlesInUse[i] = 1;
                return i;
            }
        handlesInUse.push_back(1);
        maxHandle = static_cast<std::uint32_t>(handlesInUse.size() - 1);
        return maxHandle;
    }

    void deleteObject(std::uint32_t handle) {
        const std::size_t r = buf.begin(kEmrDeleteObject);
        buf.u32(handle);
        buf.end(r);
        handlesInUse[handle] = 0;
        pendingDeletes.erase(std::remove(pendingDeletes.begin(), pendingDeletes.end(), handle), pendingDeletes.end());
    }

    bool referencedBySaved(std::uint32_t handle) const {
        return std::any_of(saved.begin(), saved.end(), [&](const Saved& st) {
            return st.penObject.handle == handle || st.brushObject.handle == handle || st.fontObject.handle == handle;
        });
    }

    // An object no longer selected is deleted, unless a saved state would select it again.
    void release(Selected object) {
        if (!object.created()) return;
        if (referencedBySaved(object.handle))
            pendingDeletes.push_back(object.handle);
        else
            deleteObject(object.handle);
    }

    template <typename T>
    void select(ObjectSlot<T>& slot, Selected next) {
        const std::size_t r = buf.begin(kEmrSelectObject);
        buf.u32(next.handle);
        buf.end(r);
        const Selected previous = slot.object;
        slot.object = next;
        slot.selected = slot.wanted;
        release(previous);
    }

    void preparePen() {
        if (pen.selected && *pen.selected == *pen.wanted) return;
        const Pen& p = *pen.wanted;
        Selected next;
        if (p.style == Pen::Style::None) {
            next.handle = kEmfStockObject | kNullPen;
        } else if (p.style == Pen::Style::Solid && p.width <= 1 && (p.color == kWhite || p.color == kBlack)) {
            next.handle = kEmfStockObject | (p.color == kWhite ? kWhitePen : kBlackPen);
        } else if (p.style == Pen::Style::Solid || p.dashes.empty()) {
            next.handle = newHandle();
            const std::size_t r = buf.begin(kEmrCreatePen);
            buf.u32(next.handle);
            buf.u32(kPenSolid);
            buf.i32(std::max(p.width, 1));
            buf.i32(0);
            buf.u32(colorRef(p.color));
            buf.end(r);
        } else {
            next.handle = newHandle();
            const std::size_t r = buf.begin(kEmrExtCreatePen);
            buf.u32(next.handle);
            buf.u32(0);  // no brush bitmap: offset, size, bits offset, bits size
            buf.u32(0);
            buf.u32(0);
            buf.u32(0);
            buf.u32(kPenGeometric | kPenUserStyle | kPenEndcapFlat);
            buf.u32(static_cast<std::uint32_t>(std::max(p.width, 1)));
            buf.u32(kBrushSolid);
            buf.u32(colorRef(p.color));
            buf.u32(0);  // hatch
            buf.u32(static_cast<std::uint32_t>(p.dashes.size()));
            for (int d : p.dashes) buf.u32(static_cast<std::uint32_t>(std::max(d, 0)));
            buf.end(r);
        }
        select(pen, next);
    }

    void prepareBrush() {
        if (brush.selected && *brush.selected == *brush.wanted) return;
        const Brush& b = *brush.wanted;
        Selected next;
        if (!b.filled) {
            next.handle = kEmfStockObject | kNullBrush;
        } else if (b.color == kWhite || b.color == kBlack) {
            next.handle = kEmfStockObject | (b.color == kWhite ? kWhiteBrush : kBlackBrush);
        } else {
            next.handle = newHandle();
            const std::size_t r = buf.begin(kEmrCreateBrushIndirect);
            buf.u32(next.handle);
            buf.u32(kBrushSolid);
            buf.u32(colorRef(b.color));
            buf.u32(0);
            buf.end(r);
        }
        select(brush, next);
    }

    void prepareFont() {
        if (font.selected && *font.selected == *font.wanted) return;
        const Font& f = *font.wanted;
        Selected next;
        next.handle = newHandle();
        const std::size_t r = buf.begin(kEmrExtCreateFontIndirectW);
        buf.u32(next.handle);
        const std::size_t logFont = buf.bytes.size();
        // Angles are kept within one turn; the direction is the same.
        const int escapement = ((f.escapement % 3600) + 3600) % 3600;
        buf.i32(f.height);
        buf.i32(0);  // width: the face's own proportions
        buf.i32(escapement);
        buf.i32(escapement);  // orientation of each character follows the base line
        buf.i32(f.weight);
        buf.u8(0);  // italic
        buf.u8(0);  // underline
        buf.u8(0);  // strike-out
        buf.u8(kDefaultCharset);
        buf.u8(0);  // output precision
        buf.u8(kClipAngles);
        buf.u8(0);  // quality
        buf.u8(0);  // pitch and family
        const std::u16string face = utf16(decodeUtf8(f.face));
        for (std::size_t i = 0; i < kFaceNameChars; ++i)
            buf.u16(i + 1 < kFaceNameChars && i < face.size() ? static_cast<std::uint16_t>(face[i]) : 0);
        buf.zeros(kLogFontPanoseSize - (buf.bytes.size() - logFont));
        buf.end(r);
        select(font, next);
    }

    void syncTextColor() {
        if (deviceTextColor && *deviceTextColor == textColor) return;
        const std::size_t r = buf.begin(kEmrSetTextColor);
        buf.u32(colorRef(textColor));
        buf.end(r);
        deviceTextColor = textColor;
    }

    void prepareText() {
        prepareFont();
        syncTextColor();
        const std::uint32_t align = anchor == TextAnchor::BaselineLeft ? kAlignBaseline : kAlignTopLeft;
        if (!deviceAlign || *deviceAlign != align) {
            const std::size_t r = buf.begin(kEmrSetTextAlign);
            buf.u32(align);
            buf.end(r);
            deviceAlign = align;
        }
    }

    IntPoint toDevice(IntPoint p) const {
        return {clampToInt(transform.offsetX + transform.scaleX * p.x),
                clampToInt(transform.offsetY + transform.scaleY * p.y)};
    }

    IntRect toDevice(const IntRect& r) const {
        const IntPoint a = toDevice(IntPoint{r.left, r.top}), b = toDevice(IntPoint{r.right, r.bottom});
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }

    void points(std::uint32_t type16, std::uint32_t type32, std::span<const IntPoint> in) {
        if (in.empty()) return;
        std::vector<IntPoint> pts;
        pts.reserve(in.size());
        Bounds b;
        bool small = true;
        for (IntPoint p : in) {
            const IntPoint d = toDevice(p);
            pts.push_back(d);
            b.add(d.x, d.y);
            small = small && d.x >= -32768 && d.x <= 32767 && d.y >= -32768 && d.y <= 32767;
        }
        bounds.add(b);
        const std::size_t r = buf.begin(small ? type16 : type32);
        buf.rect(b.rect());
        buf.u32(static_cast<std::uint32_t>(pts.size()));
        for (IntPoint p : pts) {
            if (small) {
                buf.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(p.x)));
                buf.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(p.y)));
            } else {
                buf.i32(p.x);
                buf.i32(p.y);
            }
        }
        buf.end(r);
    }

    void text(IntPoint at, const std::string& utf8) {
        const std::u32string codePoints = decodeUtf8(utf8);
        if (codePoints.empty()) return;
        prepareText();
        const Font& f = *font.wanted;
        const TextLayout layout = metrics.layout(f, utf8);
        const IntPoint p = toDevice(at);

        // The cell the text covers, turned with the base line.
        const double angle = f.escapement * (3.14159265358979323846 / 1800.0);
        const double ux = std::cos(angle), uy = -std::sin(angle);  // along the base line
        const double vx = -uy, vy = ux;                             // down the cell
        const double top = anchor == TextAnchor::BaselineLeft ? -layout.ascent : 0;
        Bounds box;
        for (double along : {0.0, static_cast<double>(layout.width)})
            for (double down : {top, top + layout.height})
                box.add(clampToInt(p.x + along * ux + down * vx), clampToInt(p.y + along * uy + down * vy));
        bounds.add(box);

        // One advance per UTF-16 unit; the second half of a pair takes no room of its own.
        const std::u16string units = utf16(codePoints);
        std::vector<int> dx;
        dx.reserve(units.size());
        for (std::size_t i = 0; i < codePoints.size(); ++i) {
            dx.push_back(i < layout.advances.size() ? layout.advances[i] : 0);
            if (codePoints[i] >= 0x10000 && codePoints[i] <= 0x10FFFF) dx.push_back(0);
        }

        const std::size_t r = buf.begin(kEmrExtTextOutW);
        buf.rect(box.rect());
        buf.u32(kGraphicsModeCompatible);
        // Device units to 0.01 mm, used by readers for text in the compatible mode.
        const float scale = static_cast<float>(2540.0 / std::max(reference.pixelsPerInch, 1));
        buf.f32(scale);
        buf.f32(scale);
        constexpr std::uint32_t kTextOffset = 76;  // record header 36 + text header 40
        const auto stringBytes = static_cast<std::uint32_t>((units.size() * 2 + 3) & ~std::size_t{3});
        buf.i32(p.x);
        buf.i32(p.y);
        buf.u32(static_cast<std::uint32_t>(units.size()));
        buf.u32(kTextOffset);
        buf.u32(0);                  // options: no opaque box, no clipping
        buf.rect({0, 0, -1, -1});    // no rectangle
        buf.u32(kTextOffset + stringBytes);
        for (char16_t u : units) buf.u16(static_cast<std::uint16_t>(u));
        while ((buf.bytes.size() - r) % 4) buf.u8(0);
        for (int d : dx) buf.i32(d);
        buf.end(r);
    }

    void image(const IntRect& dest, const RgbImage& img) {
        if (img.empty() || dest.empty()) return;
        const IntRect d = toDevice(dest);
        Bounds b;
        b.add(d.left, d.top);
        b.add(d.right - 1, d.bottom - 1);
        bounds.add(b);
        const std::vector<std::uint8_t> rows = bmpPixelRows(img);
        constexpr std::uint32_t kInfoOffset = 80, kInfoSize = 40;
        const std::size_t r = buf.begin(kEmrStretchDiBits);
        buf.rect(b.rect());
        buf.i32(d.left);
        buf.i32(d.top);
        buf.i32(0);  // source x, y
        buf.i32(0);
        buf.i32(img.width);
        buf.i32(img.height);
        buf.u32(kInfoOffset);
        buf.u32(kInfoSize);
        buf.u32(kInfoOffset + kInfoSize);
        buf.u32(static_cast<std::uint32_t>(rows.size()));
        buf.u32(0);  // colours are RGB values
        buf.u32(kSrcCopy);
        buf.i32(d.width());
        buf.i32(d.height());
        buf.u32(kInfoSize);
        buf.i32(img.width);
        buf.i32(img.height);  // positive: bottom row first
        buf.u16(1);
        buf.u16(24);
        buf.u32(0);
        buf.u32(static_cast<std::uint32_t>(rows.size()));
        buf.i32(kBitmapPixelsPerMetre);
        buf.i32(kBitmapPixelsPerMetre);
        buf.u32(0);
        buf.u32(0);
        buf.bytes.insert(buf.bytes.end(), rows.begin(), rows.end());
        buf.end(r);
    }

    std::vector<std::uint8_t> finish() {
        while (!saved.empty()) restoreState();
        // An object may only be deleted once it is no longer selected: stock objects go in
        // first.
        const struct {
            Selected* object;
            std::uint32_t stock;
        } slots[] = {{&pen.object, kBlackPen}, {&brush.object, kWhiteBrush}, {&font.object, kSystemFont}};
        for (const auto& slot : slots) {
            if (!slot.object->created()) continue;
            const std::size_t r = buf.begin(kEmrSelectObject);
            buf.u32(kEmfStockObject | slot.stock);
            buf.end(r);
            deleteObject(slot.object->handle);
            *slot.object = {};
        }

        const std::size_t eof = buf.begin(kEmrEof);
        buf.u32(0);   // no palette entries
        buf.u32(16);  // where they would start
        buf.u32(20);  // size of this record, repeated at its end
        buf.end(eof);

        RecordBuffer head;
        std::u16string text = utf16(decodeUtf8(description.application));
        text.push_back(0);
        const std::u16string picture = utf16(decodeUtf8(description.picture));
        text.insert(text.end(), picture.begin(), picture.end());
        text.push_back(0);
        text.push_back(0);
        const std::size_t descriptionBytes = (text.size() * 2 + 3) & ~std::size_t{3};
        const std::size_t headerSize = kHeaderFixedSize + descriptionBytes;
        const std::size_t total = headerSize + buf.bytes.size();
        const int ppi = std::max(reference.pixelsPerInch, 1);

        const IntRect b = bounds.rect();
        const IntRect fr = frame ? *frame : b;
        auto hundredths = [&](int v) { return clampToInt(v * 2540.0 / ppi); };

        const std::size_t h = head.begin(kEmrHeader);
        head.rect(b);
        head.rect({hundredths(fr.left), hundredths(fr.top), hundredths(fr.right), hundredths(fr.bottom)});
        head.u32(kEmfSignature);
        head.u32(kEmfVersion);
        head.u32(static_cast<std::uint32_t>(total));
        head.u32(buf.records + 1);
        head.u16(static_cast<std::uint16_t>(maxHandle + 1));
        head.u16(0);
        head.u32(static_cast<std::uint32_t>(text.size()));
        head.u32(static_cast<std::uint32_t>(kHeaderFixedSize));
        head.u32(0);  // palette entries
        head.i32(reference.widthPixels);
        head.i32(reference.heightPixels);
        head.i32(clampToInt(reference.widthPixels * 25.4 / ppi));
        head.i32(clampToInt(reference.heightPixels * 25.4 / ppi));
        head.u32(0);  // no pixel format
        head.u32(0);
        head.u32(0);  // no OpenGL records
        head.i32(clampToInt(reference.widthPixels * 25400.0 / ppi));
        head.i32(clampToInt(reference.heightPixels * 25400.0 / ppi));
        for (char16_t c : text) head.u16(static_cast<std::uint16_t>(c));
        head.end(h);

        std::vector<std::uint8_t> out = std::move(head.bytes);
        out.insert(out.end(), buf.bytes.begin(), buf.bytes.end());
        finished = true;
        buf.bytes.clear();
        return out;
    }

    void saveState() {
        saved.push_back({transform, *pen.wanted, *brush.wanted, *font.wanted, textColor, anchor, pen.selected,
                         brush.selected, font.selected, pen.object, brush.object, font.object, deviceTextColor,
                         deviceAlign});
        const std::size_t r = buf.begin(kEmrSaveDc);
        buf.end(r);
    }

    void restoreState() {
        if (saved.empty()) return;
        const Saved st = saved.back();
        saved.pop_back();
        const std::size_t r = buf.begin(kEmrRestoreDc);
        buf.i32(-1);
        buf.end(r);
        transform = st.transform;
        pen.wanted = st.pen;
        brush.wanted = st.brush;
        font.wanted = st.font;
        textColor = st.textColor;
        anchor = st.anchor;
        // The device selects again what it held when the state was saved; objects made
        // since are no longer selected.
        const Selected dropped[] = {pen.object, brush.object, font.object};
        pen.object = st.penObject;
        brush.object = st.brushObject;
        font.object = st.fontObject;
        pen.selected = st.devicePen;
        brush.selected = st.deviceBrush;
        font.selected = st.deviceFont;
        deviceTextColor = st.deviceTextColor;
        deviceAlign = st.deviceAlign;
        for (Selected d : dropped)
            if (d.handle != pen.object.handle && d.handle != brush.object.handle && d.handle != font.object.handle)
                release(d);
        std::vector<std::uint32_t> waiting;
        waiting.swap(pendingDeletes);
        for (std::uint32_t handle : waiting) {
            const bool selected = handle == pen.object.handle || handle == brush.object.handle || handle == font.object.handle;
            if (selected || referencedBySaved(handle))
                pendingDeletes.push_back(handle);
            else
                deleteObject(handle);
        }
    }
};

EmfCanvas::EmfCanvas(TextMetrics& metrics, const EmfDescription& description, const EmfReferenceDevice& reference)
    : impl_(std::make_unique<Impl>(metrics, description, reference)) {}

EmfCanvas::~EmfCanvas() = default;

void EmfCanvas::setPen(const Pen& pen) { impl_->pen.wanted = pen; }
void EmfCanvas::setBrush(const Brush& brush) { impl_->brush.wanted = brush; }
void EmfCanvas::setFont(const Font& font) { impl_->font.wanted = font; }
void EmfCanvas::setTextColor(DeviceColor color) {
    // Written at once, so that a metafile that ends with its text colour set back says so.
    impl_->textColor = color;
    if (!impl_->finished) impl_->syncTextColor();
}
void EmfCanvas::setTextAnchor(TextAnchor anchor) { impl_->anchor = anchor; }

void EmfCanvas::polygon(std::span<const IntPoint> points) {
    if (impl_->finished) return;
    impl_->preparePen();
    impl_->prepareBrush();
    impl_->points(kEmrPolygon16, kEmrPolygon, points);
}

void EmfCanvas::polyline(std::span<const IntPoint> points) {
    if (impl_->finished) return;
    impl_->preparePen();
    impl_->points(kEmrPolyline16, kEmrPolyline, points);
}

void EmfCanvas::text(IntPoint at, const std::string& utf8) {
    if (!impl_->finished) impl_->text(at, utf8);
}

TextSize EmfCanvas::textExtent(const std::string& utf8) {
    const TextLayout l = impl_->metrics.layout(*impl_->font.wanted, utf8);
    return {l.width, l.height};
}

std::vector<int> EmfCanvas::textAdvances(const std::string& utf8) {
    return impl_->metrics.layout(*impl_->font.wanted, utf8).advances;
}

void EmfCanvas::save() {
    if (!impl_->finished) impl_->saveState();
}

void EmfCanvas::restore() {
    if (!impl_->finished) impl_->restoreState();
}

void EmfCanvas::intersectClip(const IntRect& rect) {
    if (impl_->finished) return;
    const IntRect d = impl_->toDevice(rect);
    const std::size_t r = impl_->buf.begin(kEmrIntersectClipRect);
    impl_->buf.rect(d);
    impl_->buf.end(r);
}

void EmfCanvas::setTransform(const CanvasTransform& transform) { impl_->transform = transform; }
CanvasTransform EmfCanvas::transform() const { return impl_->transform; }

void EmfCanvas::image(const IntRect& dest, const RgbImage& image) {
    if (!impl_->finished) impl_->image(dest, image);
}

void EmfCanvas::setFrame(const IntRect& deviceRect) { impl_->frame = deviceRect; }

std::vector<std::uint8_t> EmfCanvas::finish() {
    if (impl_->finished) return {};
    return impl_->finish();
}

std::vector<std::uint8_t> exportMetafile(const DevelopmentDrawing& drawing, TextMetrics& metrics,
                                         const MetafileOptions& options) {
    EmfCanvas canvas(metrics, options.description, options.reference);
    const double k = std::max(options.reference.pixelsPerInch, 1) / 2.54;
    const double scale = k * drawing.mag2d;
    drawDevelopmentOnCanvas(canvas, drawing, scale, scale, options.drawing);
    canvas.setTextAnchor(TextAnchor::BaselineLeft);
    for (const TextItem* t : drawing.texts) {
        canvas.setTextColor(colorFromRef(t->color));
        const int height = static_cast<int>(k * t->fontSize * 0.035277777777777776);
        canvas.setFont({t->fontName, height, kFontWeightNormal, 0});
        canvas.text({static_cast<int>(t->x * scale), static_cast<int>(t->y * scale)}, t->text);
    }
    canvas.setTextColor(kBlack);
    return canvas.finish();
}

bool writeMetafileFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace plikatra
