#include "views/development_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "views/gl_textures.h"
#include "views/polygon_tessellation.h"

namespace plikatra {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Resolution of the number atlas: its outlines stay true to within a pixel up to numbers
// 64 pixels high, and straight edges stay straight beyond that.
constexpr int kAtlasTexelsPerEm = 64;
// A printed line width of 1 is this many centimetres wide on the sheet.
constexpr double kLineWidthToCm = 0.035146;
// The printout lifts a number's baseline 0.2 × 0.7 of its size in points off the edge; the
// screen keeps the same distance so that both put the number at the same place. The em here
// is 1.2 points per point of size.
constexpr double kNumberLiftPerEm = 0.2 * 0.7 / 1.2;
constexpr unsigned short kStipple[3] = {0xFFFF, 0x0707, 0xFF18};
constexpr unsigned short kPageStipple = 0x0F0F;
constexpr unsigned short kShadowStipple = 0x3333;

void push(std::vector<float>& v, Point2 p) {
    v.push_back(static_cast<float>(p.x));
    v.push_back(static_cast<float>(p.y));
}

Point2 cmOf(const SheetFrame& f, Point2 units) { return unitsToSheetCm(f, units); }

void setColor(GlColor c, float alpha = 1.0f) { glColor4f(c.r, c.g, c.b, alpha); }

void enableSmoothLines(bool on) {
    if (on) {
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    } else {
        glDisable(GL_LINE_SMOOTH);
        glDisable(GL_BLEND);
    }
}

// Removes the corners of a closed outline at which it runs straight on: faces in a row along
// a part's edge leave one corner each there, and each would cost the tessellation another
// sliver triangle across the region.
void dropStraightCorners(std::vector<Point2>& ring) {
    if (ring.size() <= 3) return;
    std::vector<Point2> kept;
    kept.reserve(ring.size());
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const Point2 a = kept.empty() ? ring[n - 1] : kept.back();
        const Point2 b = ring[i], c = ring[(i + 1) % n];
        const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
        const double cross = ux * vy - uy * vx, dot = ux * vx + uy * vy;
        // Only a true straight continuation: a turn back along the same line is kept.
        const double scale = std::hypot(ux, uy) * std::hypot(vx, vy);
        if (dot > 0 && std::abs(cross) <= 1e-12 * scale) continue;
        kept.push_back(b);
    }
    if (kept.size() >= 3) ring = std::move(kept);
}

bool same(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }

bool sameFrame(const SheetFrame& a, const SheetFrame& b) {
    return a.width == b.width && a.height == b.height && a.marginSide == b.marginSide &&
           a.marginTop == b.marginTop && a.pageWidth == b.pageWidth &&
           a.pageHeight == b.pageHeight && a.pagesAcross == b.pagesAcross &&
           a.pagesDown == b.pagesDown && a.mag2d == b.mag2d && a.originX == b.originX &&
           a.originY == b.originY;
}

template <class T, class Same>
bool equalLists(const std::vector<T>& a, const std::vector<T>& b, Same sameItem) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!sameItem(a[i], b[i])) return false;
    return true;
}

bool equalFaces(const std::vector<DrawnFace>& a, const std::vector<DrawnFace>& b) {
    return equalLists(a, b, [](const DrawnFace& x, const DrawnFace& y) {
        return x.part == y.part && x.face == y.face && x.material == y.material &&
               equalLists(x.corners, y.corners, same);
    });
}

bool equalFlaps(const std::vector<DrawnFlap>& a, const std::vector<DrawnFlap>& b) {
    return equalLists(a, b, [](const DrawnFlap& x, const DrawnFlap& y) {
        return x.part == y.part && x.halfedge == y.halfedge && same(x.base0, y.base0) &&
               same(x.base1, y.base1) && x.height == y.height && x.inset0 == y.inset0 &&
               x.inset1 == y.inset1 && x.style == y.style;
    });
}

bool equalLines(const std::vector<DrawnLine>& a, const std::vector<DrawnLine>& b) {
    return equalLists(a, b, [](const DrawnLine& x, const DrawnLine& y) {
        return x.part == y.part && x.halfedge == y.halfedge && same(x.start, y.start) &&
               same(x.end, y.end) && x.role == y.role && x.lineType == y.lineType;
    });
}

bool equalNumbers(const std::vector<DrawnNumber>& a, const std::vector<DrawnNumber>& b) {
    return equalLists(a, b, [](const DrawnNumber& x, const DrawnNumber& y) {
        return x.part == y.part && x.halfedge == y.halfedge && same(x.first, y.first) &&
               same(x.second, y.second) && x.number == y.number && x.marked == y.marked &&
               x.scale == y.scale;
    });
}

std::uint64_t hashBytes(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        h = (h ^ word) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;
    return h;
}

}  // namespace

bool DevelopmentRenderer::MaterialKey::operator==(const MaterialKey& o) const {
    return material == o.material && r == o.r && g == o.g && b == o.b && texture == o.texture &&
           width == o.width && height == o.height && pixels == o.pixels;
}

std::vector<DevelopmentRenderer::MaterialKey> DevelopmentRenderer::materialKeysOf(
    const std::vector<DrawnFace>& faces) {
    // A material's colour or picture may change while the faces stay as they were.
    std::vector<MaterialKey> keys;
    std::unordered_set<const Material*> seen;
    for (const DrawnFace& f : faces) {
        if (!f.material || !seen.insert(f.material).second) continue;
        const Material& m = *f.material;
        MaterialKey k;
        k.material = &m;
        k.r = m.flatColor.r;
        k.g = m.flatColor.g;
        k.b = m.flatColor.b;
        if (drawsTexture(m)) {
            k.texture = m.texture.get();
            k.width = m.texture->width;
            k.height = m.texture->height;
            k.pixels = hashBytes(m.texture->pixels);
        }
        keys.push_back(k);
    }
    return keys;
}

DevelopmentOverlay overlayOf(const DevelopmentEditor& editor) {
    DevelopmentOverlay o;
    o.flapTarget = editor.flapTarget();
    o.joinEdge = editor.joinEdge();
    o.highlighted = editor.highlightedFaces();
    o.rotate = editor.rotateFeedback();
    return o;
}

double screenLineWidth(const DevelopmentViewTransform& t, double printedWidth) {
    return t.pixelsPerCm * t.zoom * printedWidth * kLineWidthToCm;
}

int stippleFactor(const DevelopmentViewTransform& t) {
    return std::max(1, static_cast<int>(t.pixelsPerCm * t.zoom * 0.04));
}

double joinNumberAngle(Point2 first, Point2 second) {
    const double dx = second.x - first.x, dy = second.y - first.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    // Rounding can put the ratio a hair outside [-1, 1] for a vertical edge.
    double angle = std::asin(std::clamp(dy / length, -1.0, 1.0)) * 180.0 / kPi;
    if (dx > 0) angle = 180.0 - angle;
    return angle;
}

namespace {

// Where a number's text goes on the sheet: text coordinates in em (x along the base line from
// its left end, y up) map to sheet centimetres.
struct NumberPlacement {
    Point2 mid, along, up;
    double width = 0, lift = 0, emCm = 0;

    Point2 at(Point2 text) const {
        const double x = (text.x - width / 2) * emCm;
        const double y = (text.y + lift) * emCm;
        return {mid.x + x * along.x + y * up.x, mid.y + x * along.y + y * up.y};
    }
};

bool placeJoinNumber(Point2 first, Point2 second, double width, double emCm, bool marked,
                     NumberPlacement& place) {
    const double angle = joinNumberAngle(first, second);
    if (!std::isfinite(angle)) return false;
    // The angle turns the text counter-clockwise on a y-up screen; on the sheet, whose y runs
    // down, the baseline and the glyphs' up direction are these.
    const double a = angle * kPi / 180.0;
    place.along = {std::cos(a), -std::sin(a)};
    place.up = {-std::sin(a), -std::cos(a)};
    place.mid = {(first.x + second.x) / 2, (first.y + second.y) / 2};
    place.width = width;
    place.emCm = emCm;
    // A marked number stands further off so that its bar stays clear of the edge's line.
    place.lift = marked ? std::max(kNumberLiftPerEm, kMarkedNumberLift) : kNumberLiftPerEm;
    return true;
}

// Two triangles of (x, y, u, v) for the text rectangle [x0, x1] × [y0, y1] with texture
// corners (u0, v0)–(u1, v1).
void appendQuad(const NumberPlacement& place, double x0, double y0, double x1, double y1,
                double u0, double v0, double u1, double v1, std::vector<float>& out,
                Box& bounds) {
    const Point2 corners[4] = {place.at({x0, y0}), place.at({x1, y0}), place.at({x1, y1}),
                               place.at({x0, y1})};
    const double uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    for (int i : {0, 1, 2, 0, 2, 3}) {
        push(out, corners[i]);
        out.push_back(static_cast<float>(uv[i][0]));
        out.push_back(static_cast<float>(uv[i][1]));
    }
    for (const Point2& c : corners) bounds.add(c);
}

}  // namespace

TriangleMesh layoutJoinNumber(const GlyphSet& glyphs, int number, Point2 first, Point2 second,
                              double emCm, bool marked) {
    if (glyphs.empty()) return {};
    TriangleMesh mesh;
    const double width = glyphs.appendText(std::to_string(number), mesh);
    NumberPlacement place;
    if (!placeJoinNumber(first, second, width, emCm, marked, place)) return {};
    if (marked) {
        // The bar as two triangles of the same mesh.
        const auto base = static_cast<std::uint32_t>(mesh.points.size());
        for (const Point2& corner : numberMarkBar(width, 1.0)) mesh.points.push_back(corner);
        for (std::uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) mesh.indices.push_back(base + i);
    }
    for (Point2& p : mesh.points) p = place.at(p);
    return mesh;
}

void appendJoinNumberQuads(const GlyphSet& glyphs, const GlyphAtlas& atlas, int number,
                           Point2 first, Point2 second, double emCm, bool marked,
                           std::vector<float>& out, Box& bounds) {
    if (glyphs.empty() || atlas.empty()) return;
    const std::string text = std::to_string(number);
    NumberPlacement place;
    if (!placeJoinNumber(first, second, glyphs.advance(text), emCm, marked, place)) return;
    double x = 0.0;
    for (char c : text) {
        const GlyphAtlas::Cell* cell = atlas.cell(c);
        if (!cell) continue;
        if (!cell->blank)
            appendQuad(place, x + cell->left, cell->bottom, x + cell->right, cell->top, cell->u0,
                       cell->v0, cell->u1, cell->v1, out, bounds);
        x += cell->advance;
    }
    if (marked) {
        const auto bar = numberMarkBar(place.width, 1.0);
        const double u = atlas.solidU(), v = atlas.solidV();
        appendQuad(place, bar[0].x, bar[1].y, bar[2].x, bar[0].y, u, v, u, v, out, bounds);
    }
}

DevelopmentRenderer::DevelopmentRenderer(GlProcLoader loader) : loader_(loader) {
    glyphs_ = loadNumberGlyphs(&fontError_);
}

DevelopmentRenderer::~DevelopmentRenderer() = default;

void DevelopmentRenderer::setGlyphs(GlyphSet glyphs) {
    glyphs_ = std::move(glyphs);
    atlas_ = GlyphAtlas{};
    atlasBuilt_ = false;
    numberFontSizeBuilt_ = -1;
}

void DevelopmentRenderer::TiledBatch::build(const GlFunctions& gl, const PrimitiveList& list,
                                            const VertexLayout& layout, bool tiled) {
    // Tiles of about a hundred primitives, at most 32 a side: few enough draw calls per frame.
    // One tile keeps the order given.
    const int side = tiled ? std::clamp(static_cast<int>(std::sqrt(list.size() / 100.0)), 1, 32) : 1;
    tiles = std::make_unique<TiledPrimitives>(list, side);
    batch.upload(gl, tiles->data(), layout);
    tiles->dropData();
}

void DevelopmentRenderer::TiledBatch::draw(const GlFunctions& gl, GLenum mode, const Box& view,
                                           std::vector<VertexRange>& scratch) const {
    if (!tiles || batch.empty()) return;
    scratch.clear();
    tiles->visible(view, scratch);
    batch.draw(gl, mode, scratch);
}

void DevelopmentRenderer::ensureFunctions() {
    if (functionsLoaded_) return;
    gl_ = loadGlFunctions(loader_);
    functionsLoaded_ = true;
}

void DevelopmentRenderer::setDrawing(const DevelopmentDrawing& drawing) {
    ensureFunctions();
    // An edit changes a few lines, flaps or numbers of a large development: what is the same
    // as last time keeps its arrays, so that the view answers the click at once.
    const SheetFrame sheet = sheetFrameOf(drawing);
    const bool sameSheet = built_ && sameFrame(sheet, sheet_);
    sheet_ = sheet;
    hasContent_ = !drawing.faces.empty();
    // The overlay names faces and halfedges of the previous drawing's model, which may be gone
    // by now (another document was opened); the view sets it again for the new drawing.
    overlay_ = {};
    std::vector<MaterialKey> materials = materialKeysOf(drawing.faces);
    const bool sameMaterials = materials == builtMaterials_;
    const bool sameFaces = sameSheet && sameMaterials && equalFaces(drawing.faces, builtFaces_);
    if (!sameFaces) {
        buildFaces(drawing);
        builtFaces_ = drawing.faces;
        builtMaterials_ = std::move(materials);
    }
    // Textured flaps take their look from the materials.
    if (!sameSheet || !sameMaterials || !equalFlaps(drawing.flaps, builtFlaps_)) {
        buildFlaps(drawing);
        builtFlaps_ = drawing.flaps;
    }
    if (!sameFaces || !equalLines(drawing.lines, builtLines_)) {
        buildLines(drawing);
        builtLines_ = drawing.lines;
    }
    if (!sameSheet || !equalNumbers(drawing.numbers, numbers_) ||
        numbersLeftOut_ != overlay_.rotate.part || numberFontSizeBuilt_ != options_.numberFontSize) {
        numbers_ = drawing.numbers;
        numbersLeftOut_ = overlay_.rotate.part;
        buildNumbers();
    }
    built_ = true;
    buildOverlay();
}

void DevelopmentRenderer::setOptions(const DevelopmentViewOptions& options) {
    const bool filteringChanged = options.textureSmooth != options_.textureSmooth;
    options_ = options;
    if (filteringChanged)
        for (const auto& t : texturedFaces_) setTextureFiltering(t.texture, options_.textureSmooth);
    if (functionsLoaded_ && options_.numberFontSize != numberFontSizeBuilt_) buildNumbers();
}

void DevelopmentRenderer::setOverlay(const DevelopmentOverlay& overlay) {
    overlay_ = overlay;
    buildOverlay();
    if (purpose_ == RenderPurpose::Screen && functionsLoaded_ &&
        overlay_.rotate.part != numbersLeftOut_) {
        numbersLeftOut_ = overlay_.rotate.part;
        buildScreenNumbers();
    }
}

void DevelopmentRenderer::releaseTextures() {
    for (auto& t : texturedFaces_) {
        if (t.texture) glDeleteTextures(1, &t.texture);
        t.batch.release(gl_);
    }
    texturedFaces_.clear();
}

void DevelopmentRenderer::releaseGl() {
    if (!functionsLoaded_) return;
    built_ = false;
    releaseTextures();
    plainFaces_.release(gl_);
    flapFills_.release(gl_);
    flapOutlines_.release(gl_);
    for (auto& byType : lines_)
        for (auto& batch : byType) batch.release(gl_);
    numberTriangles_.release(gl_);
    for (auto& band : numberBands_) band.quads.release(gl_);
    numberBands_.clear();
    if (atlasTexture_) glDeleteTextures(1, &atlasTexture_);
    atlasTexture_ = 0;
}

void DevelopmentRenderer::buildFaces(const DevelopmentDrawing& d) {
    releaseTextures();
    faceTriangles_.clear();
    faceRanges_.clear();
    texturedFaceSet_.clear();
    std::unordered_map<const Material*, std::vector<float>> textured;
    std::vector<const Material*> materialOrder;
    // Flat-coloured faces by part and colour, in drawing order.
    std::vector<FlatRegion> regions;
    for (const DrawnFace& f : d.faces) {
        if (f.corners.size() < 3 || !f.face) continue;
        const Range range{static_cast<int>(faceTriangles_.size()),
                          static_cast<int>(f.corners.size() - 2) * 3};
        faceRanges_[f.face] = range;
        // A fan, as the polygon of the face is filled; kept for highlighting.
        for (size_t i = 1; i + 1 < f.corners.size(); ++i)
            for (size_t c : {size_t{0}, i, i + 1}) faceTriangles_.push_back(cmOf(sheet_, f.corners[c]));
        if (!f.material || !drawsTexture(*f.material)) {
            if (regions.empty() || regions.back().part != f.part)
                regions.push_back({f.part, {}});
            regions.back().faces[f.material].push_back(&f);
            continue;
        }
        auto [it, added] = textured.try_emplace(f.material);
        if (added) materialOrder.push_back(f.material);
        texturedFaceSet_.insert(f.face);
        // The fan again, with the texture coordinates of its corners.
        const auto& halfedges = f.face->halfedges;
        size_t k = static_cast<size_t>(range.first);
        for (size_t i = 1; i + 1 < f.corners.size(); ++i)
            for (size_t c : {size_t{0}, i, i + 1}) {
                const TexCoord* tc = c < halfedges.size() ? halfedges[c]->texCoord : nullptr;
                push(it->second, faceTriangles_[k++]);
                it->second.push_back(tc ? static_cast<float>(tc->u) : 0.0f);
                it->second.push_back(tc ? static_cast<float>(tc->v) : 0.0f);
            }
    }
    std::vector<float> points;
    std::vector<GLuint> indices;
    for (const FlatRegion& region : regions)
        for (const auto& [material, faces] : region.faces) {
            const GlColor color = material ? GlColor{material->flatColor.r,
                                                     material->flatColor.g,
                                                     material->flatColor.b}
                                           : GlColor{1, 1, 1};
            TriangleMesh mesh;
            // The outputs fill every face as its own polygon: a fan of a few triangles, made at
            // once, where a region's outline costs a tessellation per part and colour. Where a
            // curved part's faces do not close around a vertex, the region would also fill the
            // sliver left open along the last fold; the faces leave it to the fold line drawn
            // over it. The screen redraws its arrays every frame, so there the fewer triangles
            // of a region pay for their tessellation.
            if (purpose_ == RenderPurpose::Output || !regionMesh(*region.part, faces, mesh)) {
                mesh = {};
                for (const DrawnFace* f : faces) {
                    const auto base = static_cast<std::uint32_t>(mesh.points.size());
                    for (const Point2& p : f->corners) mesh.points.push_back(cmOf(sheet_, p));
                    for (std::uint32_t i = 1; i + 1 < f->corners.size(); ++i)
                        mesh.indices.insert(mesh.indices.end(), {base, base + i, base + i + 1});
                }
            }
            const auto base = static_cast<GLuint>(points.size() / 5);
            for (const Point2& p : mesh.points) {
                push(points, p);
                points.insert(points.end(), {color.r, color.g, color.b});
            }
            for (std::uint32_t i : mesh.indices) indices.push_back(base + i);
        }
    plainFaces_.uploadIndexed(gl_, points, indices, {5, 2, -1, 2, -1});
    for (const Material* m : materialOrder) {
        TexturedFaces t;
        t.material = m;
        t.texture = uploadTexture(*m, options_.textureSmooth);
        t.batch.upload(gl_, textured[m], {4, 2, -1, -1, 2});
        texturedFaces_.push_back(std::move(t));
    }
}

bool DevelopmentRenderer::regionMesh(const Part& part, const std::vector<const DrawnFace*>& faces,
                                     TriangleMesh& mesh) const {
    // Faces of a part that show one flat colour are filled as one region: its outline runs
    // along the halfedges without a fold partner in the region, so the inside of a large part
    // becomes a few big triangles instead of a fan per face, and a software renderer sets up
    // far fewer triangles. The outline's winding sums the faces' windings, so overlapping
    // faces are filled once and holes stay open; the slivers that a curved part's faces leave
    // open along a fold are filled too. GLU's sweep slows down with the square of the corners
    // of outlines that are not one simple polygon; past this many corners a region is filled
    // face by face instead, which keeps a huge part from holding up the view for a second.
    constexpr size_t kMaxSweptCorners = 8192;
    std::unordered_set<const Face*> inRegion;
    size_t budget = 0;
    for (const DrawnFace* f : faces) {
        inRegion.insert(f->face);
        budget += f->face->halfedges.size();
    }
    auto interior = [&](const Halfedge* h) { return h->twin && inRegion.count(h->twin->face); };
    std::unordered_set<const Halfedge*> visited;
    std::vector<std::vector<Point2>> contours;
    size_t steps = 0;
    for (const DrawnFace* f : faces)
        for (const auto& start : f->face->halfedges) {
            const Halfedge* h = start.get();
            if (interior(h) || visited.count(h)) continue;
            std::vector<Point2> contour;
            const Halfedge* b = h;
            do {
                if (!b->next || ++steps > budget) return false;
                visited.insert(b);
                contour.push_back(cmOf(sheet_, {part.x + b->flatX, part.y + b->flatY}));
                // Round the end vertex through the region's folds to the next outline edge.
                const Halfedge* g = b->next;
                for (size_t turn = 0; interior(g); g = g->twin->next)
                    if (!g->twin->next || ++turn > budget) return false;
                b = g;
            } while (b != h);
            dropStraightCorners(contour);
            contours.push_back(std::move(contour));
        }
    size_t corners = 0;
    for (const auto& c : contours) corners += c.size();
    return corners <= kMaxSweptCorners && tessellate(contours, mesh);
}

void DevelopmentRenderer::buildFlaps(const DevelopmentDrawing& d) {
    PrimitiveList fills(2), outlines(2);
    std::vector<const Halfedge*> halfedges;
    for (const DrawnFlap& flap : d.flaps) {
        const std::vector<Point2> outline = flapOutline(flap, d.mag2d);
        if (outline.size() < 3) continue;
        Box bounds;
        for (const Point2& p : outline) bounds.add(cmOf(sheet_, p));
        for (size_t i = 1; i + 1 < outline.size(); ++i) {
            push(fills.data, cmOf(sheet_, outline[0]));
            push(fills.data, cmOf(sheet_, outline[i]));
            push(fills.data, cmOf(sheet_, outline[i + 1]));
        }
        fills.close(bounds);
        // From one end of the base round to the other; the base is the edge's own line.
        for (size_t i = 0; i + 1 < outline.size(); ++i) {
            push(outlines.data, cmOf(sheet_, outline[i]));
            push(outlines.data, cmOf(sheet_, outline[i + 1]));
        }
        outlines.close(bounds);
        halfedges.push_back(flap.halfedge);
    }
    buildFlapStyles(d);
    const bool tiled = purpose_ == RenderPurpose::Screen;
    flapFills_.build(gl_, fills, {}, tiled);
    flapOutlines_.build(gl_, outlines, {}, tiled);
    flapRanges_.clear();
    for (size_t i = 0; i < halfedges.size(); ++i)
        flapRanges_.push_back({halfedges[i], flapFills_.tiles->rangeOf(static_cast<int>(i))});
}

void DevelopmentRenderer::buildFlapStyles(const DevelopmentDrawing& d) {
    flapLookColoured_.clear();
    flapLookTextured_.clear();
    flapShadows_.clear();
    std::vector<TexCoord> uv;
    for (const DrawnFlap& flap : d.flaps) {
        const std::vector<Point2> shadow = flapShadowOutline(flap, d.mag2d);
        for (size_t i = 0; i + 1 < shadow.size(); ++i) {
            push(flapShadows_, cmOf(sheet_, shadow[i]));
            push(flapShadows_, cmOf(sheet_, shadow[i + 1]));
        }
        const std::vector<Point2> area = flapLookArea(flap, d.mag2d);
        if (area.size() < 3) continue;
        const Material* m = flap.gluedMaterial;
        if (m && drawsTexture(*m) && flapTexCoords(flap, area, uv)) {
            auto it = std::find_if(flapLookTextured_.begin(), flapLookTextured_.end(),
                                   [&](const auto& e) { return e.first == m; });
            if (it == flapLookTextured_.end()) it = flapLookTextured_.insert(it, {m, {}});
            for (size_t i = 1; i + 1 < area.size(); ++i)
                for (size_t c : {size_t{0}, i, i + 1}) {
                    push(it->second, cmOf(sheet_, area[c]));
                    it->second.push_back(static_cast<float>(uv[c].u));
                    it->second.push_back(static_cast<float>(uv[c].v));
                }
            continue;
        }
        const GlColor color = m ? GlColor{m->flatColor.r, m->flatColor.g, m->flatColor.b} : GlColor{1, 1, 1};
        for (size_t i = 1; i + 1 < area.size(); ++i)
            for (size_t c : {size_t{0}, i, i + 1}) {
                push(flapLookColoured_, cmOf(sheet_, area[c]));
                flapLookColoured_.insert(flapLookColoured_.end(), {color.r, color.g, color.b});
            }
    }
}

void DevelopmentRenderer::drawFlapStyles() const {
    glEnableClientState(GL_VERTEX_ARRAY);
    if (!flapLookColoured_.empty()) {
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 5 * sizeof(float), flapLookColoured_.data());
        glColorPointer(3, GL_FLOAT, 5 * sizeof(float), flapLookColoured_.data() + 2);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(flapLookColoured_.size() / 5));
        glDisableClientState(GL_COLOR_ARRAY);
    }
    if (!flapLookTextured_.empty()) {
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor3f(1, 1, 1);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        for (const auto& [material, data] : flapLookTextured_) {
            const auto t = std::find_if(texturedFaces_.begin(), texturedFaces_.end(),
                                        [&](const TexturedFaces& f) { return f.material == material; });
            if (t == texturedFaces_.end()) continue;
            glBindTexture(GL_TEXTURE_2D, t->texture);
            glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), data.data());
            glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), data.data() + 2);
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(data.size() / 4));
        }
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    if (!flapShadows_.empty()) {
        // Thin and dashed, in grey: where the flap goes, not a line to cut or fold.
        glLineWidth(1.0f);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, kShadowStipple);
        glColor3f(0.45f, 0.45f, 0.45f);
        glVertexPointer(2, GL_FLOAT, 0, flapShadows_.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(flapShadows_.size() / 2));
        glDisable(GL_LINE_STIPPLE);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DevelopmentRenderer::buildLines(const DevelopmentDrawing& d) {
    PrimitiveList data[3][2];
    lineRecords_.clear();
    for (const DrawnLine& line : d.lines) {
        if (line.lineType < kLineSolid || line.lineType > kLineDashDot) continue;
        const bool overTexture =
            line.halfedge && texturedFaceSet_.count(line.halfedge->face) != 0;
        const Point2 a = cmOf(sheet_, line.start), b = cmOf(sheet_, line.end);
        auto& out = data[line.lineType][overTexture ? 1 : 0];
        push(out.data, a);
        push(out.data, b);
        Box bounds;
        bounds.add(a);
        bounds.add(b);
        out.close(bounds);
        lineRecords_.push_back({line.halfedge, a, b, line.lineType});
    }
    for (int type = 0; type < 3; ++type)
        for (int over = 0; over < 2; ++over)
            lines_[type][over].build(gl_, data[type][over], {}, purpose_ == RenderPurpose::Screen);
}

void DevelopmentRenderer::buildNumbers() {
    numberFontSizeBuilt_ = options_.numberFontSize;
    if (purpose_ == RenderPurpose::Screen) {
        numberTriangles_.release(gl_);
        numberRanges_.clear();
        buildScreenNumbers();
        return;
    }
    const double emCm = options_.numberFontSize * kNumberEmPerPoint;
    std::vector<float> points;
    std::vector<GLuint> indices;
    numberRanges_.clear();
    for (const DrawnNumber& n : numbers_) {
        const TriangleMesh mesh = layoutJoinNumber(glyphs_, n.number, cmOf(sheet_, n.first),
                                                   cmOf(sheet_, n.second), emCm * n.scale, n.marked);
        const auto base = static_cast<GLuint>(points.size() / 2);
        const int first = static_cast<int>(indices.size());
        for (const Point2& p : mesh.points) push(points, p);
        for (std::uint32_t i : mesh.indices) indices.push_back(base + i);
        const int count = static_cast<int>(indices.size()) - first;
        // Numbers come part after part; one range per run of a part.
        if (!numberRanges_.empty() && numberRanges_.back().first == n.part)
            numberRanges_.back().second.count += count;
        else
            numberRanges_.push_back({n.part, {first, count}});
    }
    numberTriangles_.uploadIndexed(gl_, points, indices, {});
}

void DevelopmentRenderer::ensureAtlasTexture() {
    if (!atlasBuilt_) {
        atlas_ = buildGlyphAtlas(glyphs_, kAtlasTexelsPerEm);
        atlasBuilt_ = true;
    }
    if (atlasTexture_ || atlas_.empty()) return;
    glGenTextures(1, &atlasTexture_);
    glBindTexture(GL_TEXTURE_2D, atlasTexture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, atlas_.width(), atlas_.height(), 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, atlas_.pixels().data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Linear filtering interpolates the distances, which is what keeps the outline sharp.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DevelopmentRenderer::buildScreenNumbers() {
    for (auto& band : numberBands_) band.quads.release(gl_);
    numberBands_.clear();
    if (numbers_.empty() || glyphs_.empty()) return;
    ensureAtlasTexture();
    if (atlas_.empty()) return;
    const double emCm = options_.numberFontSize * kNumberEmPerPoint;
    // Bands of scale a quarter octave wide: a band is left out when its largest numbers are
    // too small, so a number is drawn down to 0.84 of the smallest readable size.
    auto bandOf = [](double scale) {
        return std::clamp(static_cast<int>(std::floor(-std::log2(scale) * 4)), 0, 40);
    };
    std::map<int, PrimitiveList> lists;
    std::map<int, double> maxScale;
    for (const DrawnNumber& n : numbers_) {
        if (numbersLeftOut_ && n.part == numbersLeftOut_) continue;
        if (!(n.scale > 0)) continue;
        const int band = bandOf(n.scale);
        PrimitiveList& list = lists.try_emplace(band, 4).first->second;
        maxScale[band] = std::max(maxScale[band], n.scale);
        Box bounds;
        appendJoinNumberQuads(glyphs_, atlas_, n.number, cmOf(sheet_, n.first),
                              cmOf(sheet_, n.second), emCm * n.scale, n.marked, list.data, bounds);
        if (!bounds.empty()) list.close(bounds);
    }
    for (auto& [band, list] : lists) {
        if (list.size() == 0) continue;
        NumberBand b;
        b.maxScale = maxScale[band];
        b.quads.build(gl_, list, {4, 2, -1, -1, 2}, true);
        numberBands_.push_back(std::move(b));
    }
}

void DevelopmentRenderer::buildOverlay() {
    highlightTriangles_.clear();
    for (const Face* face : overlay_.highlighted) {
        auto it = faceRanges_.find(face);
        if (it == faceRanges_.end()) continue;
        for (int i = 0; i < it->second.count; ++i)
            push(highlightTriangles_, faceTriangles_[static_cast<size_t>(it->second.first + i)]);
    }
    selectedLines_.clear();
    const Edge* flapEdge = overlay_.flapTarget ? overlay_.flapTarget->edge : nullptr;
    const Edge* joinEdge = overlay_.joinEdge ? overlay_.joinEdge->edge : nullptr;
    if (!flapEdge && !joinEdge) return;
    for (const LineRecord& line : lineRecords_) {
        const Edge* e = line.halfedge ? line.halfedge->edge : nullptr;
        if (e && (e == flapEdge || e == joinEdge)) selectedLines_.push_back(line);
    }
}

void DevelopmentRenderer::setScreenTransform(const DevelopmentViewTransform& t) const {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Client pixels with y down, as the sheet's own axes run.
    glOrtho(0, t.clientWidth, t.clientHeight, 0, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DevelopmentRenderer::setSheetTransform(const DevelopmentViewTransform& t) const {
    setScreenTransform(t);
    const Point2 origin = sheetCmToScreen(t, sheet_, {0, 0});
    glTranslated(origin.x, origin.y, 0);
    glScaled(t.scale(), t.scale(), 1);
}

void DevelopmentRenderer::render(const DevelopmentViewTransform& t) {
    ensureFunctions();
    glViewport(0, 0, t.clientWidth, t.clientHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_ALPHA_TEST);
    glShadeModel(GL_FLAT);
    const float grey = options_.whiteBackground ? 1.0f : 0.5f;
    glClearColor(grey, grey, grey, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (t.clientWidth - 30 < 5 || t.clientHeight - 30 < 5 || !(sheet_.width > 0)) return;
    if (options_.sheetFrame) drawSheet(t);
    if (!hasContent_) return;
    setSheetTransform(t);
    const Box view = visibleBox(t);
    drawFaces();
    drawFlaps(view);
    drawLines(t, view);
    drawNumbers(t, view);
    drawRotation(t);
}

Box DevelopmentRenderer::visibleBox(const DevelopmentViewTransform& t) const {
    // The client area on the sheet, with room for the widest line and antialiased fringes.
    const double s = t.scale();
    const Point2 origin = sheetCmToScreen(t, sheet_, {0, 0});
    const double margin = (std::max(1.0, screenLineWidth(t, options_.lineWidth)) + 4) / s;
    Box view;
    view.add(Point2{(0 - origin.x) / s - margin, (0 - origin.y) / s - margin});
    view.add(Point2{(t.clientWidth - origin.x) / s + margin, (t.clientHeight - origin.y) / s + margin});
    return view;
}

void DevelopmentRenderer::drawSheet(const DevelopmentViewTransform& t) const {
    setScreenTransform(t);
    enableSmoothLines(false);
    glLineWidth(1.0f);
    const Point2 a = sheetCmToScreen(t, sheet_, {0, 0});
    const Point2 b = sheetCmToScreen(t, sheet_, {sheet_.width, sheet_.height});
    // The shadow is the sheet's rectangle moved 2 pixels right and down; only its right and
    // bottom strips stay visible under the sheet, so only they are filled.
    glColor3f(0, 0, 0);
    glRectd(b.x, a.y + 2, b.x + 2, b.y + 2);
    glRectd(a.x + 2, b.y, b.x, b.y + 2);
    glColor3f(1, 1, 1);
    glRectd(a.x, a.y, b.x, b.y);
    glColor3f(0, 0, 0);
    glBegin(GL_LINE_LOOP);
    glVertex2d(a.x, a.y);
    glVertex2d(b.x, a.y);
    glVertex2d(b.x, b.y);
    glVertex2d(a.x, b.y);
    glEnd();

    const double cellW = sheet_.pageWidth - 2 * sheet_.marginSide;
    const double cellH = sheet_.pageHeight - 2 * sheet_.marginTop;
    const double top = sheet_.marginTop, bottom = top + sheet_.pagesDown * cellH;
    const double left = sheet_.marginSide, right = left + sheet_.pagesAcross * cellW;
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, kPageStipple);
    glColor3f(0.6f, 0.6f, 0.6f);
    glBegin(GL_LINES);
    auto line = [&](Point2 p, Point2 q) {
        const Point2 s = sheetCmToScreen(t, sheet_, p), e = sheetCmToScreen(t, sheet_, q);
        glVertex2d(s.x, s.y);
        glVertex2d(e.x, e.y);
    };
    for (int i = 0; i <= sheet_.pagesAcross; ++i)
        line({left + i * cellW, top}, {left + i * cellW, bottom});
    for (int j = 0; j <= sheet_.pagesDown; ++j)
        line({left, top + j * cellH}, {right, top + j * cellH});
    glEnd();
    glDisable(GL_LINE_STIPPLE);
}

void DevelopmentRenderer::drawFaces() const {
    glDisable(GL_BLEND);
    plainFaces_.draw(gl_, GL_TRIANGLES);
    if (!texturedFaces_.empty()) {
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor3f(1, 1, 1);
        for (const auto& t : texturedFaces_) {
            glBindTexture(GL_TEXTURE_2D, t.texture);
            t.batch.draw(gl_, GL_TRIANGLES);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    if (!highlightTriangles_.empty()) {
        // Half-transparent red keeps a textured face's picture recognisable underneath.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 0, 0, 0.5f);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, highlightTriangles_.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(highlightTriangles_.size() / 2));
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_BLEND);
    }
}

void DevelopmentRenderer::drawFlaps(const Box& view) const {
    if (flapFills_.empty()) return;
    glDisable(GL_BLEND);
    glColor3f(1, 1, 1);
    flapFills_.draw(gl_, GL_TRIANGLES, view, scratchRanges_);
    if (!overlay_.flaggedFlaps.empty()) {
        const GlColor c = glColorOf(options_.selectionColor);
        glColor3f(0.5f + c.r / 2, 0.5f + c.g / 2, 0.5f + c.b / 2);
        // One call for all of them: a large development may have thousands.
        scratchRanges_.clear();
        for (const auto& [halfedge, range] : flapRanges_)
            if (overlay_.flaggedFlaps.count(halfedge)) scratchRanges_.push_back(range);
        flapFills_.batch.draw(gl_, GL_TRIANGLES, scratchRanges_);
    }
    drawFlapStyles();
    enableSmoothLines(options_.lineSmooth);
    glLineWidth(1.0f);
    if (options_.editMode == kModeEditFlap)
        setColor(glColorOf(options_.selectionColor));
    else
        glColor3f(0, 0, 0);
    flapOutlines_.draw(gl_, GL_LINES, view, scratchRanges_);
    enableSmoothLines(false);
    if (overlay_.flapTarget) {
        const Halfedge* target = overlay_.flapTarget;
        glColor3f(1, 0, 0);
        for (const auto& [halfedge, range] : flapRanges_)
            if (halfedge == target || (target->pair && halfedge == target->pair))
                flapFills_.batch.draw(gl_, GL_TRIANGLES, range.first, range.count);
    }
}

void DevelopmentRenderer::drawLines(const DevelopmentViewTransform& t, const Box& view) const {
    glLineWidth(static_cast<float>(screenLineWidth(t, options_.lineWidth)));
    const int factor = stippleFactor(t);
    const float overTextureAlpha =
        options_.lineAlpha ? static_cast<float>(1.0 - options_.textureLineAlpha) : 1.0f;
    auto setPattern = [&](int type) {
        if (type == kLineSolid) {
            glDisable(GL_LINE_STIPPLE);
        } else {
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(factor, kStipple[type]);
        }
    };
    enableSmoothLines(options_.lineSmooth);
    if (options_.whiteUnderLines) {
        glDisable(GL_LINE_STIPPLE);
        glColor4f(1, 1, 1, 1);
        for (int type = kLineDotted; type <= kLineDashDot; ++type)
            for (const auto& batch : lines_[type]) batch.draw(gl_, GL_LINES, view, scratchRanges_);
    }
    for (int type = kLineSolid; type <= kLineDashDot; ++type) {
        setPattern(type);
        for (int over = 0; over < 2; ++over) {
            const float alpha = over ? overTextureAlpha : 1.0f;
            const bool blend = options_.lineSmooth || alpha < 1.0f;
            if (blend) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            } else {
                glDisable(GL_BLEND);
            }
            glColor4f(0, 0, 0, alpha);
            lines_[type][over].draw(gl_, GL_LINES, view, scratchRanges_);
        }
    }
    if (!selectedLines_.empty()) {
        setColor(glColorOf(options_.selectionColor));
        for (const LineRecord& line : selectedLines_) {
            setPattern(line.lineType);
            glBegin(GL_LINES);
            glVertex2d(line.start.x, line.start.y);
            glVertex2d(line.end.x, line.end.y);
            glEnd();
        }
    }
    glDisable(GL_LINE_STIPPLE);
    enableSmoothLines(false);
}

void DevelopmentRenderer::drawNumbers(const DevelopmentViewTransform& t, const Box& view) const {
    if (purpose_ == RenderPurpose::Screen) {
        if (numberBands_.empty() || !atlasTexture_) return;
        const double emPixels = options_.numberFontSize * kNumberEmPerPoint * t.scale();
        glDisable(GL_BLEND);
        glColor3f(0, 0, 0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, atlasTexture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        // While a texel is smaller than a pixel, the nearest texel's distance cuts the outline
        // within a fraction of a pixel, and a software renderer samples it at half the cost;
        // larger numbers interpolate, which keeps their edges smooth.
        const GLint filter = emPixels < kAtlasTexelsPerEm ? GL_NEAREST : GL_LINEAR;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        // Inside the outline the distance picture holds at least half its range.
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
        // The distance is no coverage: the framebuffer keeps its opaque alpha, or a reader
        // of the image would show the digits' edges see-through.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
        for (const NumberBand& band : numberBands_)
            if (band.maxScale * emPixels >= kMinNumberEmPixels)
                band.quads.draw(gl_, GL_TRIANGLES, view, scratchRanges_);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDisable(GL_ALPHA_TEST);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        return;
    }
    if (numberTriangles_.empty()) return;
    glDisable(GL_BLEND);
    glColor3f(0, 0, 0);
    // The numbers of a part being rotated would stand at its old place; they are left out
    // until the rotation is done.
    const Part* rotating = overlay_.rotate.part;
    for (const auto& [part, range] : numberRanges_)
        if (!rotating || part != rotating)
            numberTriangles_.draw(gl_, GL_TRIANGLES, range.first, range.count);
}

void DevelopmentRenderer::drawRotation(const DevelopmentViewTransform& t) const {
    if (options_.editMode != kModeRotatePart || !overlay_.rotate.centre) return;
    setScreenTransform(t);
    setColor(glColorOf(options_.selectionColor));
    glLineWidth(1.0f);
    const Point2 centre = sheetToScreen(t, sheet_, *overlay_.rotate.centre);
    const Point2 cursor = sheetToScreen(t, sheet_, overlay_.rotate.cursor);
    glBegin(GL_LINES);
    glVertex2d(centre.x, centre.y);
    glVertex2d(cursor.x, cursor.y);
    glEnd();
    auto mark = [](Point2 p) { glRectd(p.x - 3, p.y - 3, p.x + 4, p.y + 4); };
    mark(centre);
    if (overlay_.rotate.reference) mark(sheetToScreen(t, sheet_, *overlay_.rotate.reference));
}

}  // namespace plikatra
