#include "views/number_glyphs.h"

#include "views/polygon_tessellation.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace plikatra {

namespace {

constexpr int kMaxCurveSteps = 16;

// Collects the outline of one glyph in font units while FreeType walks it.
struct OutlineWalk {
    std::vector<std::vector<Point2>> contours;
    Point2 pen;
    double scale = 1.0;     // font units to em
    double flatness = 0.0;  // em

    Point2 toEm(const FT_Vector* v) const {
        return {static_cast<double>(v->x) * scale, static_cast<double>(v->y) * scale};
    }
    void lineTo(Point2 p) {
        if (contours.empty()) contours.emplace_back();
        contours.back().push_back(p);
        pen = p;
    }
};

// Chords for a curve whose largest second difference of control points is `bend`: a
// quadratic piece deviates from its chord by at most bend / 8 over the square of the count.
int curveSteps(double bend, double flatness) {
    return std::clamp(static_cast<int>(std::ceil(std::sqrt(bend / (8 * flatness)))), 1,
                      kMaxCurveSteps);
}

double bendOf(Point2 a, Point2 b, Point2 c) {
    return std::hypot(a.x - 2 * b.x + c.x, a.y - 2 * b.y + c.y);
}

int moveTo(const FT_Vector* to, void* user) {
    auto& w = *static_cast<OutlineWalk*>(user);
    w.contours.emplace_back();
    w.lineTo(w.toEm(to));
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    auto& w = *static_cast<OutlineWalk*>(user);
    w.lineTo(w.toEm(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto& w = *static_cast<OutlineWalk*>(user);
    const Point2 p0 = w.pen, p1 = w.toEm(control), p2 = w.toEm(to);
    const int n = curveSteps(bendOf(p0, p1, p2), w.flatness);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, s = 1 - t;
        w.lineTo({s * s * p0.x + 2 * s * t * p1.x + t * t * p2.x,
                  s * s * p0.y + 2 * s * t * p1.y + t * t * p2.y});
    }
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto& w = *static_cast<OutlineWalk*>(user);
    const Point2 p0 = w.pen, p1 = w.toEm(c1), p2 = w.toEm(c2), p3 = w.toEm(to);
    // A cubic bends up to 3/2 as much as a quadratic with the same second differences.
    const int n = curveSteps(1.5 * std::max(bendOf(p0, p1, p2), bendOf(p1, p2, p3)), w.flatness);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, s = 1 - t;
        const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
        w.lineTo({a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                  a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

// Drops the repeated closing point and contours too small to enclose anything.
void tidy(std::vector<std::vector<Point2>>& contours) {
    for (auto& c : contours)
        if (c.size() > 1 && c.front().x == c.back().x && c.front().y == c.back().y) c.pop_back();
    std::erase_if(contours, [](const auto& c) { return c.size() < 3; });
}

bool loadGlyph(FT_Face face, char c, double flatness, Glyph& glyph) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(static_cast<unsigned char>(c)),
                     FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0)
        return false;
    const double scale = 1.0 / face->units_per_EM;
    glyph.advance = static_cast<double>(face->glyph->advance.x) * scale;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    FT_Outline_Funcs funcs{};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;
    OutlineWalk walk;
    walk.scale = scale;
    walk.flatness = flatness;
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk) != 0) return false;
    tidy(walk.contours);
    glyph.contours = std::move(walk.contours);
    if (glyph.contours.empty()) return true;
    // TrueType outlines fill by the non-zero winding rule.
    if (!tessellate(glyph.contours, glyph.mesh)) return false;
    for (std::uint32_t i : glyph.mesh.indices) glyph.triangles.push_back(glyph.mesh.points[i]);
    return true;
}

// The file and face index fontconfig picks for a family; empty when none.
std::string matchFont(const std::string& family, bool bold, int& index) {
    // A configuration of our own, released after the match, rather than fontconfig's
    // process-wide one.
    std::unique_ptr<FcConfig, void (*)(FcConfig*)> config(FcInitLoadConfigAndFonts(),
                                                          FcConfigDestroy);
    if (!config) return {};
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config.get(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config.get(), pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return {};
    std::string path;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
        path = reinterpret_cast<const char*>(file);
    index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternDestroy(match);
    return path;
}

// Signed distance from `p` to the outline of `contours` (non-zero winding inside), in the
// contours' units.
double signedDistance(const std::vector<std::vector<Point2>>& contours, Point2 p) {
    double best = std::numeric_limits<double>::infinity();
    int winding = 0;
    for (const auto& c : contours)
        for (size_t i = 0; i < c.size(); ++i) {
            const Point2 a = c[i], b = c[(i + 1) % c.size()];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double len2 = dx * dx + dy * dy;
            double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
            best = std::min(best, ex * ex + ey * ey);
            // Crossings of the ray to +x, signed by direction.
            const double side = dx * (p.y - a.y) - dy * (p.x - a.x);
            if (a.y <= p.y) {
                if (b.y > p.y && side > 0) ++winding;
            } else if (b.y <= p.y && side < 0) {
                --winding;
            }
        }
    const double d = std::sqrt(best);
    return winding != 0 ? d : -d;
}

}  // namespace

const GlyphAtlas::Cell* GlyphAtlas::cell(char c) const {
    if (empty()) return nullptr;
    const char* at = std::strchr(kCharacters, c);
    if (!at || c == '\0') return nullptr;
    return &cells_[static_cast<size_t>(at - kCharacters)];
}

GlyphAtlas buildGlyphAtlas(const GlyphSet& glyphs, int texelsPerEm) {
    GlyphAtlas atlas;
    if (glyphs.empty() || texelsPerEm < 4) return atlas;
    const double texel = 1.0 / texelsPerEm;
    const int spread = GlyphAtlas::kSpread;
    // Cells in one row, each with `spread` texels of margin and one texel of empty gap, so
    // that filtering at a cell's edge never reaches its neighbour's outline; then a solid
    // block of 4 × 4 texels.
    struct Placed {
        const Glyph* glyph;
        int x, w, h;
        double left, bottom;
    };
    std::vector<Placed> placed;
    int x = 1, height = 4 + 2;
    const std::string characters = GlyphAtlas::kCharacters;
    for (char c : characters) {
        const Glyph* g = glyphs.glyph(c);
        Placed p{g, x, 0, 0, 0, 0};
        if (g && !g->contours.empty()) {
            double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
            for (const auto& contour : g->contours)
                for (const Point2& q : contour) {
                    minX = std::min(minX, q.x);
                    minY = std::min(minY, q.y);
                    maxX = std::max(maxX, q.x);
                    maxY = std::max(maxY, q.y);
                }
            p.left = std::floor(minX * texelsPerEm - spread) * texel;
            p.bottom = std::floor(minY * texelsPerEm - spread) * texel;
            p.w = static_cast<int>(std::ceil(maxX * texelsPerEm + spread)) -
                  static_cast<int>(std::round(p.left * texelsPerEm));
            p.h = static_cast<int>(std::ceil(maxY * texelsPerEm + spread)) -
                  static_cast<int>(std::round(p.bottom * texelsPerEm));
            x += p.w + 1;
            height = std::max(height, p.h + 2);
        }
        placed.push_back(p);
    }
    const int solidX = x;
    atlas.width_ = solidX + 4 + 1;
    atlas.height_ = height;
    atlas.pixels_.assign(static_cast<size_t>(atlas.width_) * static_cast<size_t>(atlas.height_), 0);
    const double W = atlas.width_, H = atlas.height_;
    for (size_t i = 0; i < placed.size(); ++i) {
        const Placed& p = placed[i];
        GlyphAtlas::Cell& cell = atlas.cells_[i];
        cell.advance = p.glyph ? p.glyph->advance : 0.0;
        if (p.w == 0) continue;
        cell.blank = false;
        cell.left = p.left;
        cell.bottom = p.bottom;
        cell.right = p.left + p.w * texel;
        cell.top = p.bottom + p.h * texel;
        cell.u0 = p.x / W;
        cell.u1 = (p.x + p.w) / W;
        cell.v0 = 1 / H;
        cell.v1 = (1 + p.h) / H;
        for (int j = 0; j < p.h; ++j)
            for (int k = 0; k < p.w; ++k) {
                const Point2 centre{p.left + (k + 0.5) * texel, p.bottom + (j + 0.5) * texel};
                const double d = signedDistance(p.glyph->contours, centre) * texelsPerEm;
                const double v = std::clamp(127.5 + 127.5 * d / spread, 0.0, 255.0);
                atlas.pixels_[static_cast<size_t>(1 + j) * static_cast<size_t>(atlas.width_) +
                              static_cast<size_t>(p.x + k)] = static_cast<std::uint8_t>(std::lround(v));
            }
    }
    for (int j = 1; j < 5; ++j)
        for (int k = solidX; k < solidX + 4; ++k)
            atlas.pixels_[static_cast<size_t>(j) * static_cast<size_t>(atlas.width_) + static_cast<size_t>(k)] = 255;
    atlas.solidU_ = (solidX + 2) / W;
    atlas.solidV_ = 3 / H;
    return atlas;
}

const Glyph* GlyphSet::glyph(char c) const {
    const int code = static_cast<unsigned char>(c);
    if (!loaded_ || code < kFirst || code > kLast) return nullptr;
    return &glyphs_[static_cast<size_t>(code - kFirst)];
}

double GlyphSet::advance(std::string_view text) const {
    double sum = 0.0;
    for (char c : text)
        if (const Glyph* g = glyph(c)) sum += g->advance;
    return sum;
}

double GlyphSet::appendText(std::string_view text, TriangleMesh& mesh) const {
    double x = 0.0;
    for (char c : text) {
        const Glyph* g = glyph(c);
        if (!g) continue;
        const auto base = static_cast<std::uint32_t>(mesh.points.size());
        for (const Point2& p : g->mesh.points) mesh.points.push_back({p.x + x, p.y});
        for (std::uint32_t i : g->mesh.indices) mesh.indices.push_back(base + i);
        x += g->advance;
    }
    return x;
}

double GlyphSet::appendText(std::string_view text, std::vector<Point2>& triangles) const {
    double x = 0.0;
    for (char c : text) {
        const Glyph* g = glyph(c);
        if (!g) continue;
        for (const Point2& p : g->triangles) triangles.push_back({p.x + x, p.y});
        x += g->advance;
    }
    return x;
}

GlyphSet loadGlyphsFromFile(const std::string& path, int faceIndex, std::string* error,
                            double flatness) {
    GlyphSet set;
    auto fail = [&] {
        if (error) *error = kMsgFailedToCreateFonts;
        return GlyphSet{};
    };
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return fail();
    std::unique_ptr<FT_LibraryRec_, FT_Error (*)(FT_Library)> libraryGuard(library,
                                                                           FT_Done_FreeType);
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), faceIndex, &face) != 0) return fail();
    std::unique_ptr<FT_FaceRec_, FT_Error (*)(FT_Face)> faceGuard(face, FT_Done_Face);
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return fail();
    for (int c = GlyphSet::kFirst; c <= GlyphSet::kLast; ++c) {
        Glyph& g = set.glyphs_[static_cast<size_t>(c - GlyphSet::kFirst)];
        const bool needed = (c >= '0' && c <= '9') || c == '-';
        // The digits and the minus sign are what join numbers need; any other character
        // that fails is simply left blank.
        if (!loadGlyph(face, static_cast<char>(c), flatness, g)) {
            if (needed) return fail();
            g = Glyph{};
        }
    }
    set.loaded_ = true;
    return set;
}

GlyphSet loadGlyphs(const std::string& family, bool bold, std::string* error,
                    double flatness) {
    int index = 0;
    const std::string path = matchFont(family, bold, index);
    if (path.empty()) {
        if (error) *error = kMsgFailedToCreateFonts;
        return {};
    }
    return loadGlyphsFromFile(path, index, error, flatness);
}

}  // namespace plikatra
