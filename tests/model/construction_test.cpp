#include <gtest/gtest.h>

#include <cmath>

#include "model/construction.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::addPolygonSolid;
using plikatra::test::makeCube;

namespace {

std::vector<int> cornerIndices(const Face& f) {
    std::vector<int> r;
    for (const auto& h : f.halfedges) r.push_back(h->origin->index);
    return r;
}


}  // namespace

TEST(CleanFace, RemovesRepeatsAndClosingCorner) {
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}},
                               {{0, 1, 2, 0}, {0, 0, 1, 2}, {0, 1, 0}, {0, 4, 1, 2}});
    for (auto& f : s->faces) cleanFace(*f);
    EXPECT_EQ(cornerIndices(*s->faces[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(cornerIndices(*s->faces[1]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s->faces[2]->halfedges.size(), 2u);
    // Vertex 4 sits on vertex 1: a distinct vertex at distance 0 is a repeat too.
    EXPECT_EQ(cornerIndices(*s->faces[3]), (std::vector<int>{0, 4, 2}));
    const Face& f = *s->faces[0];
    EXPECT_EQ(f.halfedges[2]->next, f.halfedges[0].get());
    EXPECT_EQ(f.halfedges[0]->prev, f.halfedges[2].get());
    EXPECT_DOUBLE_EQ(f.center.x, 2.0 / 3);
}

TEST(FinishSolids, AreaThresholdBoundary) {
    // Right triangles with legs 1 and 2a have area a; exactly 1e-6 must stay.
    auto tri = [](double area) {
        return std::vector<Point3>{{0, 0, 0}, {1, 0, 0}, {0, 2 * area, 0}};
    };
    Model keep;
    addPolygonSolid(keep, tri(2e-6), {{0, 1, 2}});
    Model drop;
    addPolygonSolid(drop, tri(1e-7), {{0, 1, 2}});
    EXPECT_TRUE(finishSolids(keep, 1e-6));
    EXPECT_FALSE(finishSolids(drop, 1e-6));
    EXPECT_TRUE(drop.solids.empty());
}

TEST(FinishSolids, ExactThresholdAreaStays) {
    // A 3-4-5 triangle scaled so its area is exactly representable: area 6 with threshold 6.
    Model m;
    addPolygonSolid(m, {{0, 0, 0}, {3, 0, 0}, {0, 4, 0}}, {{0, 1, 2}});
    EXPECT_TRUE(finishSolids(m, 6.0));
    Model n;
    addPolygonSolid(n, {{0, 0, 0}, {3, 0, 0}, {0, 4, 0}}, {{0, 1, 2}});
    EXPECT_FALSE(finishSolids(n, 6.0000001));
}

TEST(FinishSolids, NumbersFacesAcrossSolidsAndDropsEmptySolids) {
    Model m;
    addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}}, {{0, 1, 0}});
    addPolygonSolid(m, {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}, {1, 1, 7}}, {{0, 1, 2}, {1, 3, 2}});
    ASSERT_TRUE(finishSolids(m, kAreaThreshold));
    ASSERT_EQ(m.solids.size(), 2u);
    EXPECT_EQ(m.faceCount, 3);
    EXPECT_EQ(m.solids[1]->faces[1]->index, 2);
    EXPECT_EQ(m.boundsMax.z, 7.0);
    EXPECT_EQ(m.boundsMin.z, 0.0);
}

TEST(FinishSolids, UnusedVerticesDoNotWidenBounds) {
    Model m;
    EXPECT_EQ(m.boundsMax.x, -1.7976931348623157e308);
    EXPECT_EQ(m.boundsMin.y, 1.7976931348623157e308);
    addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {100, 100, 100}}, {{0, 1, 2}});
    finishSolids(m, kAreaThreshold);
    EXPECT_EQ(m.boundsMax.x, 1.0);
}

TEST(FinishSolids, FacePassingACornerTwiceBecomesTrianglesOfTheSameOutline) {
    // A 4 × 4 square with a 2 × 2 hole joined to it by a bridge from corner 0 to corner 4,
    // walked there and back; and two triangles touching at one corner, as one polygon.
    Model m;
    Solid* s = addPolygonSolid(m,
                               {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0},
                                {1, 1, 0}, {1, 3, 0}, {3, 3, 0}, {3, 1, 0},
                                {5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {4, 1, 0}},
                               {{0, 1, 2, 3, 0, 4, 5, 6, 7, 4}, {8, 9, 10, 8, 11, 1}});
    s->addTexCoord(0.25, 0.5);
    s->faces[0]->materialIndex = 2;
    s->faces[0]->halfedges[5]->texCoord = s->texCoords[0].get();
    ASSERT_TRUE(finishSolids(m, kAreaThreshold));
    ASSERT_EQ(s->faces.size(), 10u);  // 8 triangles of the ring, 2 of the touching pair
    double ring = 0.0, pair = 0.0;
    int withTexCoord = 0;
    for (auto& f : s->faces) {
        ASSERT_EQ(f->halfedges.size(), 3u);
        const Vertex* v[3] = {f->halfedges[0]->origin, f->halfedges[1]->origin, f->halfedges[2]->origin};
        EXPECT_TRUE(v[0] != v[1] && v[1] != v[2] && v[2] != v[0]);
        EXPECT_NEAR(f->normal.z, 1.0, 1e-12);  // wound as the polygon was
        const bool inRing = f->materialIndex == 2;
        (inRing ? ring : pair) += faceArea(*f);
        for (auto& h : f->halfedges) withTexCoord += h->texCoord != nullptr;
    }
    EXPECT_NEAR(ring, 16.0 - 4.0, 1e-12);
    EXPECT_NEAR(pair, 0.5 + 0.5, 1e-12);
    EXPECT_GT(withTexCoord, 0);
    // The triangles of the ring meet along flat inner sides: only the two outlines are open.
    int open = 0;
    for (auto& e : s->edges) open += e->b == nullptr;
    EXPECT_EQ(open, 4 + 4 + 6);
}

TEST(PairHalfedges, PairedFirstThenOpenInVertexOrder) {
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    finishSolids(m, kAreaThreshold);
    ASSERT_EQ(s->edges.size(), 5u);
    EXPECT_TRUE(s->edges[0]->b != nullptr);
    EXPECT_EQ(s->edges[0]->va->index, 0);  // met at face 2's corner 0→2
    EXPECT_EQ(s->edges[0]->vb->index, 2);
    // Open edges sorted by (origin, destination) position: 0→1, 1→2, 2→3, 3→0.
    std::vector<std::pair<int, int>> open;
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(s->edges[i]->b, nullptr);
        open.emplace_back(s->edges[i]->va->index, s->edges[i]->vb->index);
    }
    EXPECT_EQ(open, (std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}));
    for (auto& f : s->faces)
        for (auto& h : f->halfedges) {
            ASSERT_NE(h->edge, nullptr);
            EXPECT_TRUE(h->edge->a == h.get() || h->edge->b == h.get());
        }
}

TEST(PairHalfedges, RepeatedDirectionBecomesOpenEdge) {
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}, {0.5, 0, 1}},
                               {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    testing::internal::CaptureStderr();
    finishSolids(m, kAreaThreshold);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Warning: the halfedge between vertex((0,0,0)) and vertex ((1,0,0) have been already defined.\n"),
              std::string::npos);
    EXPECT_EQ(err.find("Warning: two or more halfedges are assigned to one halfedge\n"), std::string::npos)
        << "the second face pairs with a single (0,1) entry";
    int paired = 0, open = 0;
    for (auto& e : s->edges) (e->b ? paired : open)++;
    EXPECT_EQ(paired, 1);
    EXPECT_EQ(open, 7);
    // The third face's side 0→1 stays unpaired with an open edge of its own.
    Halfedge* third = s->faces[2]->halfedges[0].get();
    EXPECT_EQ(third->pair, nullptr);
    ASSERT_NE(third->edge, nullptr);
    EXPECT_EQ(third->edge->a, third);
}

TEST(PairHalfedges, ThreeFacesOnOneSideWriteBothDiagnostics) {
    // Two faces with side 1→0 exist before the face with 0→1 arrives.
    Model m;
    addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}, {0.5, 0, 1}},
                    {{1, 0, 3}, {1, 0, 4}, {0, 1, 2}});
    testing::internal::CaptureStderr();
    finishSolids(m, kAreaThreshold);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Warning: two or more halfedges are assigned to one halfedge\n"), std::string::npos);
    EXPECT_NE(err.find("have been already defined."), std::string::npos);
    // The first two faces are paired, the third keeps an open edge.
    Solid& s = *m.solids[0];
    EXPECT_EQ(s.faces[0]->halfedges[0]->pair, s.faces[2]->halfedges[0].get());
    EXPECT_EQ(s.faces[1]->halfedges[0]->pair, nullptr);
    EXPECT_EQ(s.faces[1]->halfedges[0]->edge->b, nullptr);
}

TEST(EdgeMetrics, CubeFoldAnglesAndMountains) {
    auto m = makeCube();
    Solid& s = *m->solids[0];
    ASSERT_EQ(s.edges.size(), 12u);
    for (auto& e : s.edges) {
        EXPECT_TRUE(e->mountain);
        EXPECT_EQ(e->foldAngle, 89.99999999999991);
        EXPECT_EQ(e->length, 2.0);
        EXPECT_EQ(e->kind, kEdgeNormal);
    }
    EXPECT_EQ(s.meanEdgeLength, 2.0);
    EXPECT_EQ(m->meanEdgeLength, 2.0);
}

TEST(EdgeMetrics, ValleyCoplanarAndOpen) {
    // Two faces folded inward (a valley) and a flat pair.
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}, {1, 1, 0}},
                               {{0, 1, 2}, {2, 1, 3}});
    Solid* flat = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}});
    finishSolids(m, kAreaThreshold);
    computeEdgeMetrics(m);
    EXPECT_FALSE(s->edges[0]->mountain);
    EXPECT_LT(s->edges[0]->foldAngle, 180.0);
    EXPECT_TRUE(flat->edges[0]->mountain);
    EXPECT_EQ(flat->edges[0]->foldAngle, 180.0);
    for (size_t i = 1; i < s->edges.size(); ++i) {
        EXPECT_EQ(s->edges[i]->kind, kEdgeOpen);
        EXPECT_EQ(s->edges[i]->foldAngle, -1.0);
    }
}

TEST(RemoveZeroAreaFaces, MessagePerSolidAndEdgesStayConsistent) {
    Model m;
    // A square of two triangles plus two needle faces sharing its diagonal region.
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}},
                               {{0, 1, 2}, {0, 2, 3}, {1, 4, 5}, {4, 5, 1}});
    Solid* other = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
    // finishSolids would drop the needles, so build edges by hand as a work file would.
    for (Solid* so : {s, other})
        for (auto& f : so->faces) cleanFace(*f);
    pairHalfedges(*s);
    pairHalfedges(*other);
    RecordingFrontEnd ui;
    removeZeroAreaFaces(m, kAreaThreshold, ui);
    ASSERT_EQ(ui.entries.size(), 1u);
    EXPECT_EQ(ui.entries[0].text, "Deleted 2 surface(s) with zero area.");
    EXPECT_EQ(s->faces.size(), 2u);
    for (auto& e : s->edges) {
        ASSERT_NE(e->a, nullptr);
        EXPECT_EQ(e->a->face->solid, s);
        EXPECT_EQ(e->va, e->a->origin);
        if (e->b) {
            EXPECT_EQ(e->vb, e->b->origin);
        }
    }
    EXPECT_EQ(s->edges.size(), 5u);
}

TEST(RemoveZeroAreaFaces, SurvivingHalfedgeMovesToFirstSlot) {
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, 0, 0}}, {{1, 0, 3}, {0, 1, 2}});
    for (auto& f : s->faces) cleanFace(*f);
    pairHalfedges(*s);
    Edge* shared = s->faces[1]->halfedges[0]->edge;
    ASSERT_EQ(shared->a, s->faces[1]->halfedges[0].get());  // paired when face 2 came
    // Now make the first face the survivor side: remove face 2 (index 1) by zero area is not
    // possible, so remove the degenerate face 0 and check the edge keeps face 1's halfedge.
    RecordingFrontEnd ui;
    removeZeroAreaFaces(m, kAreaThreshold, ui);
    ASSERT_EQ(s->faces.size(), 1u);
    EXPECT_EQ(shared->a, s->faces[0]->halfedges[0].get());
    EXPECT_EQ(shared->b, nullptr);
    EXPECT_EQ(shared->va->index, 0);
    EXPECT_EQ(shared->vb->index, 1);
    EXPECT_EQ(shared->a->pair, nullptr);
}

TEST(JoinOpenEdges, ToleranceAndMerge) {
    for (double gap : {1e-9, 1e-7}) {
        Model m;
        // Two triangles with separate vertices along the side x = 0..1, y = 0.
        Solid* s = addPolygonSolid(m,
                                   {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {1, gap, 0}, {0, gap, 0}, {0.5, -1, 0}},
                                   {{0, 1, 2}, {3, 4, 5}});
        finishSolids(m, kAreaThreshold);
        computeEdgeMetrics(m);
        ASSERT_EQ(s->edges.size(), 6u);
        joinOpenEdges(m);
        if (gap < 1e-8) {
            EXPECT_EQ(s->edges.size(), 5u);
            EXPECT_EQ(s->vertices.size(), 4u);
            Halfedge* h = s->faces[0]->halfedges[0].get();
            ASSERT_NE(h->pair, nullptr);
            EXPECT_EQ(h->pair->face, s->faces[1].get());
            EXPECT_EQ(h->edge->kind, kEdgeNormal);
            EXPECT_EQ(h->edge->foldAngle, 180.0);
            for (size_t i = 0; i < s->vertices.size(); ++i) EXPECT_EQ(s->vertices[i]->index, static_cast<int>(i));
            EXPECT_EQ(s->faces[1]->halfedges[0]->origin, s->faces[0]->halfedges[1]->origin);
        } else {
            EXPECT_EQ(s->edges.size(), 6u);
            EXPECT_EQ(s->vertices.size(), 6u);
        }
    }
}

TEST(JoinOpenEdges, HiddenSolidsUntouched) {
    Model m;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0.5, -1, 0}},
                               {{0, 1, 2}, {3, 4, 5}});
    finishSolids(m, kAreaThreshold);
    s->visible = false;
    joinOpenEdges(m);
    EXPECT_EQ(s->edges.size(), 6u);
}

TEST(ReverseFaces, ReversesOrientationAndKeepsMarks) {
    auto m = makeCube();
    Solid& s = *m->solids[0];
    s.edges[3]->kind = kEdgeCut;
    s.edges[5]->kind = kEdgeKeep;
    const Vertex* cutA = s.edges[3]->va;
    const Vertex* cutB = s.edges[3]->vb;
    const Vertex* keepA = s.edges[5]->va;
    const Point3 n0 = s.faces[0]->normal;
    reverseFaces(*m, true);
    EXPECT_EQ(s.faces[0]->normal.z, -n0.z);
    ASSERT_EQ(s.edges.size(), 12u);
    int cut = 0, keep = 0;
    for (auto& e : s.edges) {
        EXPECT_FALSE(e->mountain);  // inward faces make every fold a valley
        if (e->kind == kEdgeCut) {
            ++cut;
            EXPECT_TRUE((e->va == cutA && e->vb == cutB) || (e->va == cutB && e->vb == cutA));
        }
        if (e->kind == kEdgeKeep) {
            ++keep;
            EXPECT_TRUE(e->va == keepA || e->vb == keepA);
        }
    }
    EXPECT_EQ(cut, 1);
    EXPECT_EQ(keep, 1);
    // Reversing twice gives mountains again.
    reverseFaces(*m, true);
    for (auto& e : s.edges) EXPECT_TRUE(e->mountain);
}
