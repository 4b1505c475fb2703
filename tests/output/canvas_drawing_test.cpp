#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "development/development_drawing.h"
#include "output/canvas_drawing.h"
#include "output/flap_pieces.h"
#include "output/recording_canvas.h"
#include "output_support.h"

using namespace plikatra;
using plikatra::test::SheetBuilder;
using Kind = CanvasOp::Kind;

namespace {

constexpr double k300 = 300 / 2.54;  // device pixels per centimetre at 300 dpi

std::vector<const CanvasOp*> linesWithPen(const RecordingCanvas& c, DeviceColor color, int width) {
    std::vector<const CanvasOp*> out;
    for (const CanvasOp* op : c.of(Kind::Polyline))
        if (op->pen.color == color && op->pen.width == width) out.push_back(op);
    return out;
}

TEST(CanvasDrawingRules, PenWidthsAndPatternsFollowTheResolution) {
    EXPECT_EQ(canvasPenWidth(k300, 1.0), 4);
    EXPECT_EQ(canvasPenWidth(72 / 2.54, 1.0), 1);
    EXPECT_EQ(canvasPenWidth(1.0, 0.25), 1);  // never thinner than one pixel
    EXPECT_EQ(canvasPenWidth(k300, 5.0), 21);
    EXPECT_EQ(canvasDashPattern(kLineDotted, k300, 1.0), (std::vector<int>{8, 20, 8, 20}));
    EXPECT_EQ(canvasDashPattern(kLineDashDot, k300, 1.0), (std::vector<int>{34, 8, 5, 8}));
    EXPECT_TRUE(canvasDashPattern(kLineSolid, k300, 1.0).empty());
    EXPECT_EQ(joinNumberFontHeight(8, k300), 33);
}

TEST(CanvasDrawingRules, PatternStepsFromTheStartAndCutsTheLastPieceAtTheEnd) {
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    drawPatternedLine(c, {0, 0}, {90, 0}, {8, 20, 8, 20});
    std::vector<std::pair<int, int>> pieces;
    for (const CanvasOp* op : c.of(Kind::Polyline)) pieces.push_back({op->points[0].x, op->points[1].x});
    EXPECT_EQ(pieces, (std::vector<std::pair<int, int>>{{0, 8}, {28, 36}, {56, 64}, {84, 90}}));

    // Along a diagonal the pieces keep their length; a pattern without length draws solid.
    RecordingCanvas d(metrics);
    drawPatternedLine(d, {10, 10}, {10 + 30, 10 + 40}, {10, 10, 10, 10});
    ASSERT_EQ(d.of(Kind::Polyline).size(), 3u);
    EXPECT_EQ(d.of(Kind::Polyline)[1]->points[0], (IntPoint{22, 26}));
    RecordingCanvas e(metrics);
    drawPatternedLine(e, {0, 0}, {5, 0}, {0, 0, 0, 0});
    ASSERT_EQ(e.of(Kind::Polyline).size(), 1u);
}

// Two faces of one part folded along x = 2, both coloured, with the fold's type "none".
struct FoldedPair {
    SheetBuilder s;
    Material* red;
    FoldedPair() {
        Part* p = s.part(0, 0, 4, 2);
        red = s.material(1.0f, 0.0f, 0.0f);
        s.face(p, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, red);
        s.face(p, {{2, 0}, {4, 0}, {4, 2}, {2, 2}}, red);
        s.line(p, {2, 0}, {2, 2}, LineRole::Mountain, kLineNone);
        s.line(p, {0, 0}, {2, 0}, LineRole::Cut, kLineSolid);
    }
};

TEST(CanvasDrawing, HiddenFoldStillGetsItsWhiteUnderLineOverTheColouredFaces) {
    FoldedPair f;
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    CanvasDrawingOptions o;
    o.whiteUnderLines = true;
    drawDevelopmentOnCanvas(c, f.s.drawing, k300, k300, o);

    const auto polygons = c.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 2u);
    for (const CanvasOp* op : polygons) {
        EXPECT_EQ(op->brush, Brush::solid({255, 0, 0}));
        EXPECT_EQ(op->pen, Pen::solid({255, 0, 0}));  // a one-pixel outline closes the gaps
    }
    const auto white = linesWithPen(c, kWhite, 4);
    ASSERT_EQ(white.size(), 2u);  // the hidden fold and the cut line
    EXPECT_EQ(white[0]->points, (std::vector<IntPoint>{{236, 0}, {236, 236}}));
    EXPECT_GT(white[0] - c.ops.data(), polygons.back() - c.ops.data());
    // Only the cut line is drawn in black.
    const auto black = linesWithPen(c, kBlack, 4);
    ASSERT_EQ(black.size(), 1u);
    EXPECT_EQ(black[0]->points, (std::vector<IntPoint>{{0, 0}, {236, 0}}));

    RecordingCanvas plain(metrics);
    drawDevelopmentOnCanvas(plain, f.s.drawing, k300, k300, {});
    EXPECT_TRUE(linesWithPen(plain, kWhite, 4).empty());
}

TEST(CanvasDrawing, TexturedFacesStayOpenAndFacesWithoutMaterialAreWhite) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.face(p, {{0, 0}, {2, 0}, {2, 2}}, s.material(0.0f, 1.0f, 0.0f, true));
    s.face(p, {{2, 0}, {4, 0}, {4, 2}}, s.material(0.5f, 0.25f, 2.0f));
    s.face(p, {{0, 2}, {2, 2}, {0, 4}}, nullptr);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    drawDevelopmentOnCanvas(c, s.drawing, 10, 10, {});
    const auto polygons = c.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 2u);
    // Components are scaled by 255, truncated and clamped.
    EXPECT_EQ(polygons[0]->brush, Brush::solid({127, 63, 255}));
    EXPECT_EQ(polygons[0]->points, (std::vector<IntPoint>{{20, 0}, {40, 0}, {40, 20}}));
    EXPECT_EQ(polygons[1]->brush, Brush::solid(kWhite));
    EXPECT_EQ(polygons[1]->pen, Pen::solid(kWhite));
}

TEST(CanvasDrawing, PointsAreScaledAndTruncatedPerAxis) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.line(p, {0.99, 1.499}, {-0.99, 2.0}, LineRole::Cut, kLineSolid);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    drawDevelopmentOnCanvas(c, s.drawing, 10, 100, {});
    ASSERT_EQ(c.of(Kind::Polyline).size(), 1u);
    EXPECT_EQ(c.of(Kind::Polyline)[0]->points, (std::vector<IntPoint>{{9, 149}, {-9, 200}}));
}

TEST(CanvasDrawing, FoldsInTheirPatternsAsSeparatePieces) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.line(p, {0, 0}, {1, 0}, LineRole::Mountain, kLineDotted);
    s.line(p, {0, 1}, {1, 1}, LineRole::Valley, kLineDashDot);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    drawDevelopmentOnCanvas(c, s.drawing, k300, k300, {});
    const auto lines = linesWithPen(c, kBlack, 4);
    // 118 pixels: dotted 8 on 20 off gives 5 pieces; dash-dot 34, 8, 5, 8 gives 5.
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[4]->points, (std::vector<IntPoint>{{112, 0}, {118, 0}}));
    EXPECT_EQ(lines[5]->points, (std::vector<IntPoint>{{0, 118}, {34, 118}}));
    EXPECT_EQ(lines[6]->points, (std::vector<IntPoint>{{42, 118}, {47, 118}}));
}

TEST(CanvasDrawing, JoinNumbersSitBesideTheMiddleOfTheirEdge) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.number(p, {0, 1}, {1, 1}, 12);  // first to second runs right: the text reads upside down
    s.number(p, {1, 2}, {0, 2}, 7);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    CanvasDrawingOptions o;
    o.numberFontSize = 10;
    drawDevelopmentOnCanvas(c, s.drawing, 100, 100, o);
    const auto texts = c.of(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    const int h = joinNumberFontHeight(10, 100);  // 35
    EXPECT_EQ(texts[0]->font, (Font{"Arial", h, 400, 1800}));
    EXPECT_EQ(texts[0]->text, "12");
    EXPECT_EQ(texts[0]->anchor, TextAnchor::TopLeft);
    // Fixed metrics: "12" is 35 wide and 35 high.
    EXPECT_EQ(texts[0]->points[0], (IntPoint{50 + 17, static_cast<int>(100 + 1.1 * 35)}));
    EXPECT_EQ(texts[1]->font.escapement, 0);
    EXPECT_EQ(texts[1]->points[0], (IntPoint{50 - 9, static_cast<int>(200 - 1.1 * 35)}));
}

TEST(CanvasDrawing, TurnableNumbersGetABarBetweenTheirDigitsAndTheEdge) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.number(p, {0, 1}, {1, 1}, 9);  // runs right: set upside down, below the edge y = 100
    s.drawing.numbers.back().marked = true;
    s.number(p, {1, 2}, {0, 2}, 7);
    s.number(p, {1, 3}, {0, 3}, 16);
    s.drawing.numbers.back().scale = 0.5;
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    CanvasDrawingOptions o;
    o.numberFontSize = 10;
    drawDevelopmentOnCanvas(c, s.drawing, 100, 100, o);
    const auto texts = c.of(Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    // A fitted number is set at its share of the font size.
    EXPECT_EQ(texts[2]->font.height, static_cast<int>(10 * 0.5 * 100 * 0.035277777777777776));
    const auto bars = c.of(Kind::Polygon);
    ASSERT_EQ(bars.size(), 1u);  // only the 9
    EXPECT_EQ(bars[0]->brush, Brush::solid(kBlack));
    EXPECT_EQ(bars[0]->pen.style, Pen::Style::None);
    // The bar spans the digit and lies between the cell's foot (a tenth of the cell off the
    // edge) and the base line.
    const int h = texts[0]->font.height;
    const int width = metrics.layout(texts[0]->font, "9").width;
    int left = 1 << 20, right = -left, near = left, far = -left;
    for (const IntPoint& q : bars[0]->points) {
        left = std::min(left, q.x), right = std::max(right, q.x);
        near = std::min(near, q.y - 100), far = std::max(far, q.y - 100);
    }
    EXPECT_NEAR(right - left, width, 1);
    EXPECT_NEAR(right, texts[0]->points[0].x, 1);
    EXPECT_GT(near, static_cast<int>(0.1 * h));
    EXPECT_LT(far, static_cast<int>(1.1 * h - 0.81 * h));
}

TEST(CanvasDrawing, JoinNumbersOfTwoDeviceUnitsOrLessAreLeftOut) {
    SheetBuilder s;
    Part* p = s.part(0, 0, 4, 2);
    s.number(p, {0, 1}, {1, 1}, 3);
    s.number(p, {0, 0}, {0, 0}, 4);  // no direction: never drawn
    FixedTextMetrics metrics;
    CanvasDrawingOptions o;
    o.numberFontSize = 8;
    // 8 points are 0.282 cm: 2.99 device units at 10.6 per centimetre, 3.00 at 10.63.
    RecordingCanvas small(metrics);
    drawDevelopmentOnCanvas(small, s.drawing, 10.6, 10.6, o);
    EXPECT_TRUE(small.of(Kind::Text).empty());
    RecordingCanvas enough(metrics);
    drawDevelopmentOnCanvas(enough, s.drawing, 10.64, 10.64, o);
    EXPECT_EQ(enough.of(Kind::Text).size(), 1u);
}

// Part A holds a square with a flap under its lower edge; part B's square covers the right
// part of that flap.
struct OverlappingFlap {
    SheetBuilder s;
    Part* a;
    Part* b;
    OverlappingFlap(bool bFirst = false) {
        if (bFirst) {
            b = s.part(1, 2.2, 2, 1.8);
            a = s.part(0, 0, 2, 2);
        } else {
            a = s.part(0, 0, 2, 2);
            b = s.part(1, 2.2, 2, 1.8);
        }
        // Faces come in the order of the parts list, as drawings list them.
        if (bFirst) s.face(b, {{1, 2.2}, {3, 2.2}, {3, 4}, {1, 4}});
        s.face(a, {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
        if (!bFirst) s.face(b, {{1, 2.2}, {3, 2.2}, {3, 4}, {1, 4}});
        s.flap(a, {2, 2}, {0, 2}, 0.5);  // trapezoid (2,2) (1.5,2.5) (0.5,2.5) (0,2)
    }
};

void expectPiece(const FlapPiece& p, Point2 a, Point2 b) {
    EXPECT_NEAR(p.a.x, a.x, 1e-12);
    EXPECT_NEAR(p.a.y, a.y, 1e-12);
    EXPECT_NEAR(p.b.x, b.x, 1e-12);
    EXPECT_NEAR(p.b.y, b.y, 1e-12);
}

TEST(FlapPieces, FlapsLieBeneathTheFacesOfOtherParts) {
    OverlappingFlap f;
    const auto pieces = visibleFlapPieces(f.s.drawing);
    ASSERT_EQ(pieces.size(), 3u);
    expectPiece(pieces[0], {2, 2}, {1.8, 2.2});
    expectPiece(pieces[1], {1, 2.5}, {0.5, 2.5});
    expectPiece(pieces[2], {0.5, 2.5}, {0, 2});

    // The part order does not matter for faces.
    OverlappingFlap g(true);
    EXPECT_EQ(visibleFlapPieces(g.s.drawing).size(), 3u);
}

TEST(FlapPieces, LaterFlapsLieBeneathEarlierOnesOnly) {
    OverlappingFlap f;
    // A flap of B over its upper edge reaching up into A's flap: (1,2.2) to (3,2.2) standing
    // up 0.4 (base0 at the left, so it stands towards -y).
    f.s.flap(f.b, {1, 2.2}, {3, 2.2}, 0.4);
    const auto pieces = visibleFlapPieces(f.s.drawing);
    // A's flap keeps the three pieces it had (B's flap comes later); B's first side runs
    // from (1,2.2) to (1.4,1.8), up through A's flap outline, whose bottom corner region
    // hides the start.
    std::vector<FlapPiece> ofB;
    for (const FlapPiece& p : pieces)
        if (p.flap == 1) ofB.push_back(p);
    std::size_t ofA = pieces.size() - ofB.size();
    EXPECT_EQ(ofA, 3u);
    ASSERT_FALSE(ofB.empty());
    // Nothing of B's flap is drawn inside A's flap or A's face.
    for (const FlapPiece& p : ofB) {
        const Point2 m{(p.a.x + p.b.x) / 2, (p.a.y + p.b.y) / 2};
        const bool inFace = m.x > 0 && m.x < 2 && m.y > 0 && m.y < 2;
        const bool inFlap = m.y > 2 && m.y < 2.5 && m.x > m.y - 2 && m.x < 4 - m.y;
        EXPECT_FALSE(inFace || inFlap) << m.x << "," << m.y;
    }

    // With B first in the parts list its flap is hidden only by A's face, and A's flap
    // loses the corner under B's flap as well as what lies under B's face.
    OverlappingFlap g(true);
    g.s.flap(g.b, {1, 2.2}, {3, 2.2}, 0.4);
    std::size_t piecesOfA = 0, piecesOfB = 0;
    for (const FlapPiece& p : visibleFlapPieces(g.s.drawing)) (p.flap == 0 ? piecesOfA : piecesOfB) += 1;
    EXPECT_EQ(piecesOfB, 3u);
    EXPECT_EQ(piecesOfA, 2u);
}

TEST(CanvasDrawing, FlapsAreDrawnFirstWithTheLinePen) {
    OverlappingFlap f;
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    drawDevelopmentOnCanvas(c, f.s.drawing, k300, k300, {});
    ASSERT_GE(c.ops.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c.ops[static_cast<std::size_t>(i)].kind, Kind::Polyline);
        EXPECT_EQ(c.ops[static_cast<std::size_t>(i)].pen, Pen::solid(kBlack, 4));
    }
    EXPECT_EQ(c.ops[0].points, (std::vector<IntPoint>{{236, 236}, {212, 259}}));
    EXPECT_EQ(c.ops[3].kind, Kind::Polygon);
}


TEST(CanvasDrawing, FlapStylesAddTheGluedFacesColourBeneathAndShadowsOnTheFaces) {
    auto cube = test::unfoldedCube();
    Material* green = cube->addMaterial();
    green->setColor(0.0f, 1.0f, 0.0f);
    for (const auto& f : cube->solids[0]->faces) f->materialIndex = 0;
    DrawingOptions o;
    o.lines.showFlaps = true;
    FixedTextMetrics metrics;
    auto draw = [&](FlapStyle style) {
        cube->flapStyle = style;
        auto c = std::make_unique<RecordingCanvas>(metrics);
        drawDevelopmentOnCanvas(*c, drawDevelopment(*cube, o), k300, k300, {});
        return c;
    };
    const auto white = draw(FlapStyle::White);
    const DeviceColor greenDevice{0, 255, 0};
    const auto filled = [&](const RecordingCanvas& c) {
        std::size_t n = 0;
        for (const CanvasOp* op : c.of(Kind::Polygon)) n += op->brush == Brush::solid(greenDevice);
        return n;
    };
    const std::size_t faces = filled(*white);
    const std::size_t flaps = drawDevelopment(*cube, o).flaps.size();
    ASSERT_GT(flaps, 0u);

    // Textured: one fill per flap, before anything else is drawn.
    const auto textured = draw(FlapStyle::Textured);
    EXPECT_EQ(filled(*textured), faces + flaps);
    for (std::size_t i = 0; i < flaps; ++i) EXPECT_EQ(textured->ops[i].kind, Kind::Polygon);

    // Shadow: thin dashed grey outlines, after the faces and before the lines; nothing else changes.
    const auto shadow = draw(FlapStyle::Shadow);
    std::size_t dashed = 0, lastFace = 0, firstDashed = shadow->ops.size();
    for (std::size_t i = 0; i < shadow->ops.size(); ++i) {
        const CanvasOp& op = shadow->ops[i];
        if (op.kind == Kind::Polygon) lastFace = i;
        if (op.kind == Kind::Polyline && op.pen.color != kBlack && op.pen.color != kWhite) {
            EXPECT_EQ(op.pen.width, 1);
            ++dashed;
            firstDashed = std::min(firstDashed, i);
        }
    }
    EXPECT_GE(dashed, 2 * flaps);
    EXPECT_GT(firstDashed, lastFace);
    EXPECT_EQ(filled(*shadow), faces);

    // None: no flap outline at all.
    const auto none = draw(FlapStyle::None);
    EXPECT_LT(none->of(Kind::Polyline).size(), white->of(Kind::Polyline).size());
}

}  // namespace
