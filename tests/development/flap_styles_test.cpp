// Flap shapes and styles as the one drawing gives them to every output: narrowed outlines,
// which flaps are drawn and how (textured area, band, shadow on the glued face, none), and
// the Edit Flap menu's style choice with its undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "development/development_drawing.h"
#include "development/editing_operations.h"
#include "development/flap_checks.h"
#include "development/undo.h"
#include "model/primitive_shapes.h"
#include "test_util.h"

using namespace plikatra;

namespace {

double cross(Point2 o, Point2 a, Point2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Inside or on the convex polygon `poly`, to `tol`.
bool insideConvex(Point2 p, const std::vector<Point2>& poly, double tol) {
    int sign = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const Point2 a = poly[i], b = poly[(i + 1) % poly.size()];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (!(len > 0)) continue;
        const double c = cross(a, b, p) / len;
        if (std::fabs(c) <= tol) continue;
        const int s = c > 0 ? 1 : -1;
        if (sign && s != sign) return false;
        sign = s;
    }
    return true;
}

bool same(const std::vector<Point2>& a, const std::vector<Point2>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](Point2 p, Point2 q) { return p.x == q.x && p.y == q.y; });
}

std::vector<Point2> cornersOf(const Face& f) {
    std::vector<Point2> out;
    for (const auto& h : f.halfedges) out.push_back({f.part->x + h->flatX, f.part->y + h->flatY});
    return out;
}

// A box of one part after the usual development, every numbered edge flapped on its first
// halfedge.
struct FlappedBox {
    std::unique_ptr<Model> model = makeBox(1, 1, 1);
    FlappedBox() { EXPECT_TRUE(createDevelopment(*model)); }
    DevelopmentDrawing draw() const {
        DrawingOptions o;
        o.lines.showFlaps = true;
        return drawDevelopment(*model, o);
    }
};

}  // namespace

TEST(FlapShape, NarrowedSidesRunTheirInsetAlongTheBaseAndMeetInATipOverTheBase) {
    const Point2 a{0, 0}, b{10, 0};
    // Usual sides, then narrowed ones: the outer corners stand in by inset × height.
    const auto usual = flapOutline(a, b, 2);
    ASSERT_EQ(usual.size(), 4u);
    EXPECT_NEAR(usual[1].x, 2, 1e-12);
    const auto narrowed = flapOutline(a, b, 2, 1.5, 3);
    ASSERT_EQ(narrowed.size(), 4u);
    EXPECT_NEAR(narrowed[1].x, 3, 1e-12);
    EXPECT_NEAR(narrowed[2].x, 4, 1e-12);
    EXPECT_NEAR(narrowed[1].y, -2, 1e-12);  // standing towards (u.y, -u.x)
    // Sides that would cross meet in one tip at full height, dividing the base as the insets.
    const auto tip = flapOutline(a, b, 4, 1, 3);
    ASSERT_EQ(tip.size(), 3u);
    EXPECT_NEAR(tip[1].x, 2.5, 1e-12);
    EXPECT_NEAR(tip[1].y, -4, 1e-12);
    // A damaged inset falls back to the usual side rather than turning the flap inside out.
    EXPECT_TRUE(same(flapOutline(a, b, 2, -1, std::nan("")), usual));
}

TEST(FlapStyles, EachStyleGivesTheOutputsWhatTheyDraw) {
    FlappedBox box;
    Model& m = *box.model;
    const DevelopmentDrawing white = box.draw();
    ASSERT_FALSE(white.flaps.empty());
    for (const DrawnFlap& f : white.flaps) {
        EXPECT_EQ(f.style, FlapStyle::White);
        EXPECT_TRUE(flapLookArea(f, white.mag2d).empty());
        EXPECT_TRUE(flapShadowOutline(f, white.mag2d).empty());
    }

    // The development's style, and one edge that names its own.
    m.flapStyle = FlapStyle::Shadow;
    Edge* own = white.flaps.front().halfedge->edge;
    own->flapStyle = static_cast<std::int8_t>(FlapStyle::Textured);
    const DevelopmentDrawing d = box.draw();
    ASSERT_EQ(d.flaps.size(), white.flaps.size());
    for (const DrawnFlap& f : d.flaps) {
        ASSERT_TRUE(f.glued);
        if (f.halfedge->edge == own) {
            EXPECT_EQ(f.style, FlapStyle::Textured);
            EXPECT_TRUE(same(flapLookArea(f, d.mag2d), flapOutline(f, d.mag2d)));
            continue;
        }
        EXPECT_EQ(f.style, FlapStyle::Shadow);
        // The shadow is the flap's outline laid on the face it is glued under, its base on the
        // same edge there.
        const auto shadow = flapShadowOutline(f, d.mag2d);
        const auto outline = flapOutline(f, d.mag2d);
        ASSERT_EQ(shadow.size(), outline.size());
        const auto glued = cornersOf(*f.glued);
        for (const Point2& p : shadow) EXPECT_TRUE(insideConvex(p, glued, 1e-9));
        for (size_t i = 1; i + 1 < shadow.size(); ++i)
            EXPECT_FALSE(insideConvex(outline[i], glued, 1e-9)) << "the flap itself is off the face";
    }

    // Half textured: the band along the fold is the flap at half its height.
    own->flapStyle = static_cast<std::int8_t>(FlapStyle::HalfTextured);
    for (const DrawnFlap& f : box.draw().flaps)
        if (f.halfedge->edge == own) {
            DrawnFlap half = f;
            half.height /= 2;
            EXPECT_TRUE(same(flapLookArea(f, d.mag2d), flapOutline(half, d.mag2d)));
        }

    // None: the flap is not drawn, and its edge is a plain cut.
    own->flapStyle = static_cast<std::int8_t>(FlapStyle::None);
    const DevelopmentDrawing none = box.draw();
    EXPECT_EQ(none.flaps.size(), white.flaps.size() - 1);
    for (const DrawnFlap& f : none.flaps) EXPECT_NE(f.halfedge->edge, own);
    for (const DrawnLine& l : none.lines)
        if (l.halfedge && l.halfedge->edge == own && !l.halfedge->twin) EXPECT_EQ(l.role, LineRole::Cut);
}

TEST(FlapStyles, TexturedFlapsContinueTheGluedFacesTexture) {
    FlappedBox box;
    Model& m = *box.model;
    m.flapStyle = FlapStyle::Textured;
    // A texture mapping on every face: u, v follow the 3D x and y.
    for (const auto& s : m.solids)
        for (const auto& f : s->faces)
            for (const auto& h : f->halfedges)
                h->texCoord = s->addTexCoord(h->origin->position.x, h->origin->position.y);
    const DevelopmentDrawing d = box.draw();
    std::vector<TexCoord> uv;
    for (const DrawnFlap& f : d.flaps) {
        const auto area = flapLookArea(f, d.mag2d);
        ASSERT_TRUE(flapTexCoords(f, area, uv));
        ASSERT_EQ(uv.size(), area.size());
        // The base's ends are the edge's ends: the glued face's coordinates at those vertices.
        const Halfedge* h = f.halfedge;
        const Point3 p0 = h->origin->position, p1 = h->next->origin->position;
        const TexCoord first = uv.front(), last = uv.back();
        const bool forward = std::fabs(first.u - p0.x) + std::fabs(first.v - p0.y) < 1e-9;
        const Point3 start = forward ? p0 : p1, end = forward ? p1 : p0;
        EXPECT_NEAR(first.u, start.x, 1e-9);
        EXPECT_NEAR(first.v, start.y, 1e-9);
        EXPECT_NEAR(last.u, end.x, 1e-9);
        EXPECT_NEAR(last.v, end.y, 1e-9);
    }
}

TEST(FlapStyles, AStyleNoFlapHasIsRefusedAndRecordsNothing) {
    FlappedBox box;
    const DevelopmentDrawing d = box.draw();
    ASSERT_FALSE(d.flaps.empty());
    Halfedge* h = const_cast<Halfedge*>(d.flaps.front().halfedge);
    EXPECT_FALSE(setFlapStyle(*h, kFlapStyleCount));
    EXPECT_EQ(h->edge->flapStyle, -1);
}

TEST(FlapStyles, FlapsDrawnInNoStyleNeverCollide) {
    FlappedBox box;
    Model& m = *box.model;
    setFlapHeights(m, 100.0);  // far larger than the faces they are glued under
    ASSERT_FALSE(findCollidingFlaps(m, false).empty());
    m.flapStyle = FlapStyle::None;
    EXPECT_TRUE(findCollidingFlaps(m, false).empty());
}
