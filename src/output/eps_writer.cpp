#include "output/eps_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/file_io.h"
#include "development/development.h"

namespace plikatra {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kRadToDeg = 57.29577951308239;
// Assumed advance of one digit as a fraction of the font size in points times kPointsPerCm
// (0.7 of the font size).
constexpr double kDigitAdvance = 0.02469444444444444;

// Truncates toward zero. An empty development has an infinite extent, and a huge one may
// not fit an int, so the value saturates instead of being undefined; NaN becomes 0.
int truncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

// How many digit advances a join number occupies. The count comes from log10, which only
// makes sense for positive numbers; numbering starts at 1, so 0 and other negatives than
// the "none" value -1 only come from edited or damaged data. They are drawn as "%d" prints
// them and counted by the characters printed: one for 0, two for -5.
int digitCount(int n) {
    if (n > 0) return static_cast<int>(std::log10(n) + 1);
    return std::snprintf(nullptr, 0, "%d", n);
}

// A point on paper in centimetres, y down the sheet.
struct Cm {
    double x, y;
};

// Dash pattern of a line-type code; codes outside the table draw solid.
const char* dashCommand(int style) {
    switch (style) {
        case 1: return "\n[3 ] 0 setdash";
        case 2: return "\n[8 4 4 4] 0 setdash";
        default: return "\n[] 0 setdash";
    }
}

// The box of everything drawn, in points.
struct Marks {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -std::numeric_limits<double>::infinity(), maxY = maxX;

    void add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    bool empty() const { return minX > maxX; }
};

// Lines are stroked with the default width of one point and mitred joins (limit 10), so a
// sharp corner of a flap outline may reach five points beyond the path.
constexpr double kStrokeMargin = 5.0;

// Clamps a bounding-box coordinate into what "%d" can print.
long long boxCoordinate(double v) {
    if (!(v > -2e9)) return -2000000000LL;
    if (!(v < 2e9)) return 2000000000LL;
    return static_cast<long long>(v);
}

class EpsExporter {
public:
    EpsExporter(const Model& model, const EpsOptions& options, std::FILE* out)
        : m_(model), o_(options), final_(out) {}

    void run() {
        // The used area as the parts and texts stand now, whatever the model last stored.
        const SheetRect used = sheetExtent(m_);
        const DevelopmentDrawing d = drawDevelopment(m_, o_.drawing);
        const int w = truncToInt(used.width * m_.dMag2d * kPointsPerCm);
        const int h = truncToInt(used.height * m_.dMag2d * kPointsPerCm);
        const int x0 = truncToInt(used.x * m_.dMag2d * kPointsPerCm);
        const int y0 = truncToInt(used.y * m_.dMag2d * (-kPointsPerCm));
        height_ = h;

        // The drawing comes first, so that the bounding box can hold every mark it makes.
        char* body = nullptr;
        std::size_t size = 0;
        out_ = ::open_memstream(&body, &size);
        if (!out_) return;
        flapStage(d);
        if (!o_.omitFaceFill) faceStage(d);
        shadowStage(d);
        lineStage(d);
        if (o_.drawing.drawNumbers) joinNumberStage(d);
        std::fclose(out_);

        std::fputs("%!PS-Adobe-3.0 EPSF-3.0\n", final_);
        if (marks_.empty()) {
            std::fprintf(final_, "%%%%BoundingBox: %d %d %lld %lld\n", x0, y0,
                         static_cast<long long>(x0) + w, static_cast<long long>(y0) + h);
        } else {
            // Whole points, rounded outwards.
            std::fprintf(final_, "%%%%BoundingBox: %lld %lld %lld %lld\n",
                         boxCoordinate(std::floor(marks_.minX - kStrokeMargin)),
                         boxCoordinate(std::floor(marks_.minY - kStrokeMargin)),
                         boxCoordinate(std::ceil(marks_.maxX + kStrokeMargin)),
                         boxCoordinate(std::ceil(marks_.maxY + kStrokeMargin)));
        }
        std::fwrite(body, 1, size, final_);
        std::free(body);
        // A page of its own when printed alone; programs that place the drawing in theirs
        // redefine the operator as usual.
        std::fputs("\nshowpage\n%%EOF\n", final_);
    }

private:
    const Model& m_;
    const EpsOptions& o_;
    std::FILE* final_;
    std::FILE* out_ = nullptr;
    double height_ = 0.0;
    Marks marks_;

    // A sheet point on paper in centimetres.
    Cm onPaper(Point2 p) const { return {p.x * m_.dMag2d, p.y * m_.dMag2d}; }

    double outX(Cm c) const { return c.x * kPointsPerCm; }
    // PostScript's y axis points up, the sheet's down.
    double outY(Cm c) const { return height_ - c.y * kPointsPerCm; }

    void point(const char* format, Cm c) {
        marks_.add(outX(c), outY(c));
        std::fprintf(out_, format, outX(c), outY(c));
    }

    void flapStage(const DevelopmentDrawing& d) {
        const bool fill = !o_.omitFlapFill;
        for (const DrawnFlap& flap : d.flaps) {
            const double heightPt = flap.height * kPointsPerCm;
            const Cm p0 = onPaper(flap.base0);
            const Cm p1 = onPaper(flap.base1);
            const double dx = p1.x - p0.x, dy = p1.y - p0.y;
            const double length = std::sqrt(dx * dx + dy * dy) * kPointsPerCm;
            if (length < 0.01) continue;
            const Cm u{dx / length * kPointsPerCm, dy / length * kPointsPerCm};
            const Cm n{u.y, -u.x};
            const double hc = flap.height;

            Cm corners[4];
            int count = 0;
            corners[count++] = p0;
            if (flap.narrowed()) {
                // Narrowed sides: the drawing's own outline, which the usual flap's arithmetic
                // here predates.
                const std::vector<Point2> o = flapOutline(flap, d.mag2d);
                if (o.size() < 3) continue;
                for (std::size_t i = 1; i + 1 < o.size(); ++i) corners[count++] = onPaper(o[i]);
            } else if (2 * heightPt < length) {
                corners[count++] = {p0.x + hc * u.x + hc * n.x, p0.y + hc * u.y + hc * n.y};
                corners[count++] = {p1.x - hc * u.x + hc * n.x, p1.y - hc * u.y + hc * n.y};
            } else {
                corners[count++] = {(p0.x + p1.x) / 2 + hc * n.x, (p0.y + p1.y) / 2 + hc * n.y};
            }
            corners[count++] = p1;

            if (fill) {
                std::fputs("\nnewpath", out_);
                point("\n%f %f moveto", corners[0]);
                for (int i = 1; i < count; ++i) point("\n%f %f lineto", corners[i]);
                std::fputs("\nclosepath", out_);
                std::fputs("\n1.0 1.0 1.0 setrgbcolor", out_);
                std::fputs("\nfill", out_);
                lookFill(flap, d.mag2d);
            }
            // Left open along the base: the line stage draws the base as the flap's fold.
            std::fputs("\n0.0 0.0 0.0 setrgbcolor", out_);
            point("\n%f %f moveto", corners[0]);
            for (int i = 1; i < count; ++i) point("\n%f %f lineto", corners[i]);
            std::fputs("\nstroke", out_);
        }
    }

    // A textured or half-textured flap in its glued face's colour; textures are not exported,
    // so a textured face's flap stays white like the face.
    void lookFill(const DrawnFlap& flap, double mag2d) {
        const Material* m = flap.gluedMaterial;
        if (!m || m->hasTexture) return;
        const std::vector<Point2> area = flapLookArea(flap, mag2d);
        if (area.size() < 3) return;
        std::fputs("\nnewpath", out_);
        for (std::size_t i = 0; i < area.size(); ++i)
            point(i ? "\n%f %f lineto" : "\n%f %f moveto", onPaper(area[i]));
        std::fputs("\nclosepath", out_);
        std::fprintf(out_, "\n%f %f %f setrgbcolor", static_cast<double>(m->flatColor.r),
                     static_cast<double>(m->flatColor.g), static_cast<double>(m->flatColor.b));
        std::fputs("\nfill", out_);
    }

    // Where shadowed flaps go: thin, dashed and grey on the faces they are glued under.
    void shadowStage(const DevelopmentDrawing& d) {
        bool started = false;
        for (const DrawnFlap& flap : d.flaps) {
            const std::vector<Point2> shadow = flapShadowOutline(flap, d.mag2d);
            if (shadow.size() < 2) continue;
            if (!started) {
                std::fputs("\ngsave\n0.45 0.45 0.45 setrgbcolor\n0.3 setlinewidth\n[2 2] 0 setdash", out_);
                started = true;
            }
            for (std::size_t i = 0; i < shadow.size(); ++i)
                point(i ? "\n%f %f lineto" : "\n%f %f moveto", onPaper(shadow[i]));
            std::fputs("\nstroke", out_);
        }
        if (started) std::fputs("\ngrestore", out_);
    }

    void faceStage(const DevelopmentDrawing& d) {
        for (const DrawnFace& face : d.faces) {
            std::fputs("\nnewpath", out_);
            bool first = true;
            for (const Point2& c : face.corners) {
                point(first ? "\n %f %f moveto" : "\n %f %f lineto", onPaper(c));
                first = false;
            }
            std::fputs("\nclosepath", out_);
            // Textures are not exported: a textured face is left white.
            const Material* mat = face.material;
            if (mat && !mat->hasTexture)
                std::fprintf(out_, "\n%f %f %f setrgbcolor", static_cast<double>(mat->flatColor.r),
                             static_cast<double>(mat->flatColor.g),
                             static_cast<double>(mat->flatColor.b));
            else
                std::fputs("\n1.0 1.0 1.0 setrgbcolor", out_);
            std::fputs("\nfill", out_);
        }
    }

    void lineStage(const DevelopmentDrawing& d) {
        std::fputs("\n0.0 0.0 0.0 setrgbcolor", out_);
        for (const DrawnLine& line : d.lines) {
            if (!line.visible()) continue;
            const int style = line.lineType;
            const Cm a = onPaper(line.start);
            const Cm b = onPaper(line.end);
            if (o_.drawing.whiteUnderLines && style != kLineSolid) {
                // A white solid line under the dashes keeps the gaps white over a filled face.
                std::fputs("\n1.0 1.0 1.0 setrgbcolor", out_);
                std::fputs("\n[] 0 setdash", out_);
                point("\n%f %f moveto", a);
                point("\n%f %f lineto", b);
                std::fputs("\nstroke", out_);
                std::fputs("\n0.0 0.0 0.0 setrgbcolor", out_);
            }
            std::fputs(dashCommand(style), out_);
            point("\n%f %f moveto", a);
            point("\n%f %f lineto", b);
            std::fputs("\nstroke", out_);
        }
    }

    // The bar under a marked number, in the number's own turned system (one unit a point of
    // the unscaled font), as wide as the digits the interpreter sets.
    void markBar(int number, int fontSize) {
        const std::array<Point2, 4> bar = numberMarkBar(1.0, fontSize);
        std::fputs("\nnewpath", out_);
        for (int i = 0; i < 4; ++i) {
            // x is 0 or 1 there: the left end or the digits' width.
            if (bar[i].x == 0.0)
                std::fprintf(out_, "\n0 %f %s", bar[i].y, i == 0 ? "moveto" : "lineto");
            else
                std::fprintf(out_, "\n(%d) stringwidth pop %f lineto", number, bar[i].y);
        }
        std::fputs("\nclosepath fill", out_);
    }

    void joinNumberStage(const DevelopmentDrawing& d) {
        const int fontSize = o_.drawing.numberFontSize;
        std::fputs("\n[]0 setdash", out_);
        std::fputs("\n0.0 0.0 0.0 setrgbcolor", out_);
        std::fprintf(out_, "\n/%s findfont", "Helvetica");
        std::fprintf(out_, "\n%d scalefont setfont", fontSize);
        const double advance = fontSize * kPointsPerCm * kDigitAdvance;
        // Both halfedges of a numbered cut edge carry the number, each in its own part.
        for (const DrawnNumber& n : d.numbers) {
            const Cm f = onPaper(n.first);
            const Cm s = onPaper(n.second);
            const double dist = std::sqrt((s.x - f.x) * (s.x - f.x) + (s.y - f.y) * (s.y - f.y));
            double angle = std::asin((s.y - f.y) / dist);
            if (s.x - f.x > 0) angle = kPi - angle;
            const double mx = (outX(f) + outX(s)) / 2;
            const double my = (outY(f) + outY(s)) / 2;
            // Centre the digits along the edge and lift them a little off it; a marked number
            // a little further, so that its bar stays clear of the edge.
            const double em = fontSize * n.scale;
            const double numberAdvance = advance * n.scale;
            const double dx = -digitCount(n.number) * numberAdvance / 2;
            const double lift = 0.2 * numberAdvance;
            const double dy = n.marked ? std::max(lift, kMarkedNumberLift * em) : lift;
            const double x = mx + dx * std::cos(angle) - dy * std::sin(angle);
            const double y = my + dx * std::sin(angle) + dy * std::cos(angle);
            // The glyphs' box: the digits' advance along the edge, a font size up from the
            // base line and a quarter below it.
            const double length = digitCount(n.number) * numberAdvance;
            const double cosA = std::cos(angle), sinA = std::sin(angle);
            for (const double along : {0.0, length})
                for (const double up : {-0.25 * em, 1.0 * em})
                    marks_.add(x + along * cosA - up * sinA, y + along * sinA + up * cosA);
            // Each number turns its own coordinate system and gives it back, so that the
            // numbers follow wherever the drawing is placed or scaled.
            std::fputs("\ngsave", out_);
            std::fprintf(out_, "\n%f %f translate", x, y);
            std::fprintf(out_, "\n%f rotate", angle * kRadToDeg);
            if (n.scale != 1.0) std::fprintf(out_, "\n%f %f scale", n.scale, n.scale);
            std::fputs("\n0 0 moveto", out_);
            std::fprintf(out_, "\n(%d)show", n.number);
            if (n.marked) markBar(n.number, fontSize);
            std::fputs("\ngrestore", out_);
        }
    }
};

}  // namespace

int exportEps(const Model& model, const EpsOptions& options, std::FILE* out) {
    CLocaleScope cLocale;
    EpsExporter(model, options, out).run();
    return 0;
}

bool writeEpsFile(const Model& model, const EpsOptions& options, const std::string& path,
                  std::string* error) {
    // The drawing is made in memory first, so a failure never leaves half a file behind.
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    bool ok = out != nullptr;
    if (ok) {
        exportEps(model, options, out);
        ok = std::fclose(out) == 0;
        ok = ok && replaceFile(path, std::string_view(buffer, size));
    }
    std::free(buffer);
    if (!ok && error) *error = kMsgCannotWriteFile;
    return ok;
}

}  // namespace plikatra
