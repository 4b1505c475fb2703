#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "development/development_drawing.h"
#include "development/edge_numbering.h"
#include "model/primitive_shapes.h"
#include "test_util.h"

using namespace plikatra;

TEST(JoinNumberMarks, NumbersThatReadAsAnotherUpsideDown) {
    for (int n : {6, 9, 16, 18, 19, 61, 66, 68, 81, 86, 89, 91, 98, 99, 106, 1999999999})
        EXPECT_TRUE(readsAsAnotherNumberTurned(n)) << n;
    // Turned they read the same (69, 96, 609, 1001), start with a zero (10, 60, 100) or hold a
    // digit that reads as no digit turned.
    for (int n : {-6, -1, 0, 1, 8, 11, 88, 69, 96, 609, 1001, 10, 60, 100, 2, 7, 26, 2147483647})
        EXPECT_FALSE(readsAsAnotherNumberTurned(n)) << n;
}

namespace {

// The development of a box of 2 x 2 x 2·depth normalised units (the box is scaled so that its
// longest side is 2), with numbers drawn at `fontSize` points.
DevelopmentDrawing boxDrawing(double depth, bool fit, int fontSize) {
    static std::unique_ptr<Model> model;
    model = makeBox(1, 1, depth);
    EXPECT_TRUE(createDevelopment(*model));
    DrawingOptions o;
    o.drawNumbers = true;
    o.numberFontSize = fontSize;
    o.fitNumbersToFaces = fit;
    return drawDevelopment(*model, o);
}

// The height of the number's face at its edge, in centimetres: the faces of a box are
// rectangles, so that is the face's area over the edge's length.
double faceHeightCm(const DrawnNumber& n, double mag2d) {
    double twiceArea = 0;
    const auto& ring = n.halfedge->face->halfedges;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Halfedge& p = *ring[i];
        const Halfedge& q = *ring[(i + 1) % ring.size()];
        twiceArea += p.flatX * q.flatY - q.flatX * p.flatY;
    }
    const double edge = std::hypot(n.second.x - n.first.x, n.second.y - n.first.y);
    return std::fabs(twiceArea) / 2 / edge * mag2d;
}

}  // namespace

TEST(JoinNumberMarks, EveryTurnableNumberIsMarkedOnBothSides) {
    const DevelopmentDrawing d = boxDrawing(1, false, 8);
    ASSERT_FALSE(d.numbers.empty());
    int marked = 0;
    for (const DrawnNumber& n : d.numbers) {
        EXPECT_EQ(n.marked, n.number == 6 || n.number == 9) << n.number;
        EXPECT_EQ(n.scale, 1.0);
        marked += n.marked;
    }
    // A box has seven cut edges, numbered 1 to 7, each shown in two places.
    EXPECT_EQ(marked, 2);
}

TEST(JoinNumberMarks, FittedNumbersStandNoTallerThanAThirdOfTheirFace) {
    // Off, every number keeps the font size however thin its face.
    for (const DrawnNumber& n : boxDrawing(0.05, false, 24).numbers) EXPECT_EQ(n.scale, 1.0);

    for (const double depth : {0.02, 0.05, 0.1}) {
        const DevelopmentDrawing d = boxDrawing(depth, true, 24);
        bool shrunk = false;
        for (const DrawnNumber& n : d.numbers) {
            const double emCm = 24 * 2.54 / 72;
            const double third = faceHeightCm(n, d.mag2d) / 3;
            // Never below the smallest fitted size, never above the font size.
            const double expected = std::clamp(third / emCm, kSmallestFittedNumberSize / 24, 1.0);
            EXPECT_NEAR(n.scale, expected, 1e-9) << depth << " " << n.number;
            shrunk |= n.scale < 1.0;
        }
        EXPECT_TRUE(shrunk) << depth;  // the thin sides shrink their numbers
    }
}
