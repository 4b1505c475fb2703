#include "output/svg_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string_view>

#include "base/file_io.h"
#include "base/ui.h"
#include "output/canvas_drawing.h"
#include "output/flap_pieces.h"
#include "output/png_encoder.h"

namespace plikatra {

namespace {

constexpr double kStrokeMmPerWidth = 0.35146;  // a line of width 1, as printers draw it
constexpr double kDashUnitMm = 0.246022;
constexpr double kPointMm = 0.35277777777777778;
// Text is measured in hundredths of a millimetre.
constexpr double kMetricUnitsPerMm = 100.0;
constexpr double kPi = 3.14159265358979323846;

constexpr int kDotPattern[] = {2, 6, 2, 6};
constexpr int kDashDotPattern[] = {11, 2, 1, 2};

// Text of a number with at most three decimals, without trailing zeros; not-a-number and
// infinities (from damaged data) become 0 so the file stays well-formed.
void appendNumber(std::string& out, double v) {
    if (!std::isfinite(v)) v = 0.0;
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 3);
    if (ec != std::errc()) {
        out += '0';
        return;
    }
    char* last = end;
    while (last > text && last[-1] == '0') --last;
    if (last > text && last[-1] == '.') --last;
    std::string_view s(text, static_cast<std::size_t>(last - text));
    if (s == "-0") s = "0";
    out += s;
}

std::string number(double v) {
    std::string s;
    appendNumber(s, v);
    return s;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Character data for XML: markup characters escaped, characters XML does not allow dropped,
// and malformed UTF-8 bytes taken as the characters of the same number.
std::string xmlText(const std::string& utf8) {
    std::string out;
    for (char32_t c : decodeUtf8(utf8)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: {
                const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                                     (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
                if (allowed) appendUtf8(out, c);
            }
        }
    }
    return out;
}

std::string hexColor(DeviceColor c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::uint8_t component(float c) {
    const double v = static_cast<double>(c) * 255.0;
    if (!(v > 0.0)) return 0;
    return v >= 255.0 ? 255 : static_cast<std::uint8_t>(v);
}

struct Mm {
    double x, y;
};

class SvgExporter {
public:
    SvgExporter(const DevelopmentDrawing& d, TextMetrics& m, const SvgOptions& o) : d_(d), metrics_(m), o_(o) {
        stroke_ = o.lineWidth * kStrokeMmPerWidth;
    }

    std::string run() {
        out_.reserve(256 + d_.faces.size() * 120 + d_.lines.size() * 40);
        const double width = d_.grid.sheetWidth * 10, height = d_.grid.sheetHeight * 10;
        out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
        out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                "version=\"1.1\" width=\"" + number(width) + "mm\" height=\"" + number(height) +
                "mm\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n";
        images();
        flapLooks();
        faces();
        flaps();
        flapShadows();
        if (o_.whiteUnderLines) underlines();
        lineGroup(kSvgCutGroup, LineRole::Cut);
        lineGroup(kSvgMountainGroup, LineRole::Mountain);
        lineGroup(kSvgValleyGroup, LineRole::Valley);
        numbers();
        texts();
        out_ += "</svg>\n";
        return std::move(out_);
    }

private:
    const DevelopmentDrawing& d_;
    TextMetrics& metrics_;
    const SvgOptions& o_;
    std::string out_;
    double stroke_ = 0.35146;

    // The sheet starts at the grid's first cell, which lies left of or above the development's
    // origin when parts do.
    Mm sheet(Point2 p) const {
        const PageSetup& page = d_.grid.page;
        const Point2 first = d_.grid.cellCorner(0, 0);
        return {(page.marginSide - first.x + p.x * d_.mag2d) * 10, (page.marginTop - first.y + p.y * d_.mag2d) * 10};
    }

    void point(Mm p) {
        appendNumber(out_, p.x);
        out_ += ' ';
        appendNumber(out_, p.y);
    }

    void moveLine(Point2 a, Point2 b) {
        out_ += 'M';
        point(sheet(a));
        out_ += 'L';
        point(sheet(b));
    }

    void polygonPoints(std::string& out, const std::vector<Point2>& corners) const {
        for (std::size_t i = 0; i < corners.size(); ++i) {
            if (i) out += ' ';
            const Mm p = sheet(corners[i]);
            appendNumber(out, p.x);
            out += ',';
            appendNumber(out, p.y);
        }
    }

    // Dashes end flat so that their lengths are the pattern's; whole lines end round as a
    // printer's pen does.
    std::string strokeAttributes(const char* color, bool dashed = false) const {
        return std::string("fill=\"none\" stroke=\"") + color + "\" stroke-width=\"" + number(stroke_) +
               "\" stroke-linecap=\"" + (dashed ? "butt" : "round") + "\"";
    }

    std::string dashArray(int lineType) const {
        const int* pattern = lineType == kLineDotted ? kDotPattern : lineType == kLineDashDot ? kDashDotPattern : nullptr;
        if (!pattern) return {};
        std::string s = " stroke-dasharray=\"";
        for (int i = 0; i < 4; ++i) {
            if (i) s += ' ';
            appendNumber(s, kDashUnitMm * (pattern[i] + o_.lineWidth));
        }
        return s + "\"";
    }

    // The affine map from the texture's pixels to the sheet of a textured face, from its
    // first three corners that span a triangle in both spaces; false when there are none.
    bool textureMap(const DrawnFace& f, const TextureImage& tex, double m[6]) const {
        const auto& hs = f.face->halfedges;
        if (hs.size() != f.corners.size() || hs.size() < 3) return false;
        for (std::size_t k = 1; k + 1 < hs.size(); ++k) {
            const std::size_t idx[3] = {0, k, k + 1};
            double px[3], py[3];
            Mm q[3];
            bool ok = true;
            for (int i = 0; i < 3; ++i) {
                const TexCoord* tc = hs[idx[i]]->texCoord;
                if (!tc) {
                    ok = false;
                    break;
                }
                px[i] = tc->u * tex.width;
                py[i] = tc->v * tex.height;
                q[i] = sheet(f.corners[idx[i]]);
            }
            if (!ok) return false;
            const double a = px[1] - px[0], b = px[2] - px[0], c = py[1] - py[0], e = py[2] - py[0];
            const double det = a * e - b * c;
            if (!(std::fabs(det) > 1e-12)) continue;
            // Inverse of [[a b][c e]] times the sheet differences.
            const double ia = e / det, ib = -b / det, ic = -c / det, ie = a / det;
            const double qx1 = q[1].x - q[0].x, qx2 = q[2].x - q[0].x, qy1 = q[1].y - q[0].y, qy2 = q[2].y - q[0].y;
            m[0] = qx1 * ia + qx2 * ic;  // x per pixel x
            m[1] = qy1 * ia + qy2 * ic;  // y per pixel x
            m[2] = qx1 * ib + qx2 * ie;  // x per pixel y
            m[3] = qy1 * ib + qy2 * ie;  // y per pixel y
            m[4] = q[0].x - m[0] * px[0] - m[2] * py[0];
            m[5] = q[0].y - m[1] * px[0] - m[3] * py[0];
            return true;
        }
        return false;
    }

    void images() {
        std::string defs, group;
        std::map<const Material*, std::size_t> pictures;
        std::size_t clip = 0;
        if (o_.textures) {
            for (const DrawnFace& f : d_.faces) {
                const Material* mat = f.material;
                if (!mat || !mat->hasTexture || !mat->texture || mat->texture->width <= 0 || !f.face) continue;
                const TextureImage& tex = *mat->texture;
                if (tex.pixels.size() < static_cast<std::size_t>(tex.width) * static_cast<std::size_t>(tex.height) * 3)
                    continue;
                double m[6];
                if (!textureMap(f, tex, m)) continue;
                auto [it, added] = pictures.emplace(mat, pictures.size());
                if (added) {
                    RgbImage image;
                    image.width = tex.width;
                    image.height = tex.height;
                    image.pixels = tex.pixels;
                    defs += "<image id=\"texture" + std::to_string(it->second) + "\" width=\"" +
                            std::to_string(tex.width) + "\" height=\"" + std::to_string(tex.height) +
                            "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,";
                    defs += base64(encodePng(image));
                    defs += "\"/>\n";
                }
                const std::string id = "clip" + std::to_string(clip++);
                defs += "<clipPath id=\"" + id + "\"><polygon points=\"";
                polygonPoints(defs, f.corners);
                defs += "\"/></clipPath>\n";
                group += "<g clip-path=\"url(#" + id + ")\"><use xlink:href=\"#texture" + std::to_string(it->second) +
                         "\" transform=\"matrix(";
                for (int i = 0; i < 6; ++i) {
                    if (i) group += ' ';
                    appendNumber(group, m[i]);
                }
                group += ")\"/></g>\n";
            }
        }
        if (!defs.empty()) out_ += "<defs>\n" + defs + "</defs>\n";
        out_ += "<g id=\"" + std::string(kSvgImagesGroup) + "\">\n" + group + "</g>\n";
    }

    void faces() {
        out_ += "<g id=\"" + std::string(kSvgFacesGroup) + "\" stroke=\"none\">\n";
        for (const DrawnFace& f : d_.faces) {
            const Material* m = f.material;
            std::string fill = "#ffffff";
            if (m && m->hasTexture)
                fill = "none";  // the texture shows through from beneath
            else if (m)
                fill = hexColor({component(m->flatColor.r), component(m->flatColor.g), component(m->flatColor.b)});
            out_ += "<polygon fill=\"" + fill + "\" points=\"";
            polygonPoints(out_, f.corners);
            out_ += "\"/>\n";
        }
        out_ += "</g>\n";
    }

    void flaps() {
        out_ += "<g id=\"" + std::string(kSvgFlapsGroup) + "\" " + strokeAttributes("#000000") + ">\n";
        const std::vector<FlapPiece> pieces = visibleFlapPieces(d_);
        const Part* part = nullptr;
        bool open = false;
        for (const FlapPiece& piece : pieces) {
            const Part* p = d_.flaps[piece.flap].part;
            if (!open || p != part) {
                if (open) out_ += "\"/>\n";
                out_ += "<path d=\"";
                part = p;
                open = true;
            }
            moveLine(piece.a, piece.b);
        }
        if (open) out_ += "\"/>\n";
        out_ += "</g>\n";
    }

    // Textured and half-textured flaps in their glued face's colour, beneath the faces; a
    // textured face's flap shows nothing of the picture, which the images do not reach.
    void flapLooks() {
        std::string group;
        for (const DrawnFlap& f : d_.flaps) {
            const Material* m = f.gluedMaterial;
            if (!m || m->hasTexture) continue;
            const std::vector<Point2> area = flapLookArea(f, d_.mag2d);
            if (area.size() < 3) continue;
            group += "<polygon fill=\"" +
                     hexColor({component(m->flatColor.r), component(m->flatColor.g), component(m->flatColor.b)}) +
                     "\" points=\"";
            polygonPoints(group, area);
            group += "\"/>\n";
        }
        if (!group.empty()) out_ += "<g id=\"flap-looks\" stroke=\"none\">\n" + group + "</g>\n";
    }

    // Where shadowed flaps go: dashed grey outlines on the faces they are glued under.
    void flapShadows() {
        std::string group;
        for (const DrawnFlap& f : d_.flaps) {
            const std::vector<Point2> shadow = flapShadowOutline(f, d_.mag2d);
            if (shadow.size() < 2) continue;
            group += "<polyline points=\"";
            polygonPoints(group, shadow);
            group += "\"/>\n";
        }
        if (group.empty()) return;
        out_ += "<g id=\"flap-shadows\" fill=\"none\" stroke=\"#737373\" stroke-width=\"" +
                number(stroke_ / 2) + "\" stroke-dasharray=\"1 1\">\n" + group + "</g>\n";
    }

    void underlines() {
        out_ += "<g id=\"" + std::string(kSvgUnderlinesGroup) + "\" " + strokeAttributes("#ffffff") + ">\n";
        pathsByPart([](const DrawnLine&) { return true; }, "");
        out_ += "</g>\n";
    }

    // One path per part of the lines `keep` accepts, one "M L" subpath per line.
    template <typename Keep>
    void pathsByPart(Keep keep, const std::string& attributes) {
        const Part* part = nullptr;
        bool open = false;
        for (const DrawnLine& line : d_.lines) {
            if (!keep(line)) continue;
            if (!open || line.part != part) {
                if (open) out_ += "\"/>\n";
                out_ += "<path" + attributes + " d=\"";
                part = line.part;
                open = true;
            }
            moveLine(line.start, line.end);
        }
        if (open) out_ += "\"/>\n";
    }

    void lineGroup(const char* name, LineRole role) {
        int lineType = kLineSolid;
        for (const DrawnLine& line : d_.lines)
            if (line.role == role && line.visible()) {
                lineType = line.lineType;
                break;
            }
        const std::string dashes = dashArray(lineType);
        out_ += "<g id=\"" + std::string(name) + "\" " + strokeAttributes("#000000", !dashes.empty()) + dashes + ">\n";
        pathsByPart([&](const DrawnLine& line) { return line.role == role && line.visible(); }, "");
        out_ += "</g>\n";
    }

    void numbers() {
        const double cellMm = o_.numberFontSize * kPointMm;
        const Font font{kJoinNumberFace, static_cast<int>(std::lround(cellMm * kMetricUnitsPerMm)), kFontWeightNormal, 0};
        const FontMetrics fm = metrics_.fontMetrics(font);
        const double emMm = fm.em / kMetricUnitsPerMm, ascentMm = fm.ascent / kMetricUnitsPerMm;
        out_ += "<g id=\"" + std::string(kSvgNumbersGroup) + "\" font-family=\"" + kJoinNumberFace +
                "\" font-size=\"" + number(emMm) + "\" fill=\"#000000\" stroke=\"none\">\n";
        char text[16];
        for (const DrawnNumber& n : d_.numbers) {
            const Mm f = sheet(n.first), s = sheet(n.second);
            const double length = std::hypot(s.x - f.x, s.y - f.y);
            if (!(length > 0.0)) continue;
            const double c = (s.x - f.x) / length, sn = (s.y - f.y) / length;
            std::snprintf(text, sizeof text, "%d", n.number);
            const TextLayout layout = metrics_.layout(font, text);
            // A number fitted to a small face is the same text at a smaller size.
            const double k = n.scale;
            const double cx = k * layout.width / kMetricUnitsPerMm;
            const double cy = k * layout.height / kMetricUnitsPerMm;
            const double ascent = k * ascentMm;
            // As on a printer: the cell's top-left corner, then down to the base line along
            // the turned cell.
            const double mx = (f.x + s.x) / 2, my = (f.y + s.y) / 2;
            const double left = mx + 0.5 * cx * c - 1.1 * cy * sn, top = my + 0.5 * cx * sn + 1.1 * cy * c;
            const double degrees = joinNumberEscapement(s.x - f.x, s.y - f.y) / 10;
            const double a = degrees * kPi / 180;
            const double bx = left + ascent * std::sin(a), by = top + ascent * std::cos(a);
            if (n.marked) markBar(bx, by, degrees, cx, k * emMm);
            out_ += "<text x=\"";
            appendNumber(out_, bx);
            out_ += "\" y=\"";
            appendNumber(out_, by);
            out_ += "\" transform=\"rotate(";
            appendNumber(out_, -degrees);
            out_ += ' ';
            appendNumber(out_, bx);
            out_ += ' ';
            appendNumber(out_, by);
            out_ += ')';
            if (k != 1.0) out_ += "\" font-size=\"" + number(k * emMm);
            out_ += "\">";
            out_ += text;
            out_ += "</text>\n";
        }
        out_ += "</g>\n";
    }

    // The bar under a marked number whose base line starts at (bx, by), turned as its text.
    void markBar(double bx, double by, double degrees, double width, double em) {
        const std::array<Point2, 4> bar = numberMarkBar(width, em);
        out_ += "<path d=\"";
        for (int i = 0; i < 4; ++i) {
            out_ += i == 0 ? "M" : " L";
            appendNumber(out_, bx + bar[i].x);
            out_ += ' ';
            appendNumber(out_, by - bar[i].y);  // y runs down the sheet
        }
        out_ += " Z\" transform=\"rotate(";
        appendNumber(out_, -degrees);
        out_ += ' ';
        appendNumber(out_, bx);
        out_ += ' ';
        appendNumber(out_, by);
        out_ += ")\"/>\n";
    }

    void texts() {
        out_ += "<g id=\"" + std::string(kSvgTextsGroup) + "\" stroke=\"none\">\n";
        for (const TextItem* t : d_.texts) {
            const Mm p = sheet({t->x, t->y});
            out_ += "<text x=\"";
            appendNumber(out_, p.x);
            out_ += "\" y=\"";
            appendNumber(out_, p.y);
            out_ += "\" font-family=\"" + xmlText(t->fontName) + "\" font-size=\"" + number(t->fontSize * kPointMm) +
                    "\" fill=\"" + hexColor(colorFromRef(t->color)) + "\" xml:space=\"preserve\">" + xmlText(t->text) +
                    "</text>\n";
        }
        out_ += "</g>\n";
    }
};

}  // namespace

std::string exportSvg(const DevelopmentDrawing& drawing, TextMetrics& metrics, const SvgOptions& options) {
    return SvgExporter(drawing, metrics, options).run();
}

OutputStatus writeSvgFile(const std::string& path, const DevelopmentDrawing& drawing, TextMetrics& metrics,
                          const SvgOptions& options) {
    if (!replaceFile(path, exportSvg(drawing, metrics, options))) return OutputStatus::failure(kMsgCannotWriteFile);
    return OutputStatus::success();
}

}  // namespace plikatra
