#include "model/model_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

#include "base/settings.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "test_util.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;

namespace {

class ModelCommands : public testing::Test {
protected:
    bool toggleEdgeMark(Edge& e, int mode) {
        return plikatra::toggleEdgeMark(e, mode, settings.bCullEdge, settings.iAngleEps);
    }
    Settings settings;
};

Edge* edgeBetween(Solid& s, const Vertex* a, const Vertex* b) {
    for (auto& e : s.edges)
        if ((e->va == a && e->vb == b) || (e->va == b && e->vb == a)) return e.get();
    return nullptr;
}

int openEdges(const Model& m) {
    int n = 0;
    for (auto& s : m.solids)
        for (auto& e : s->edges) n += e->b == nullptr;
    return n;
}

// A cube whose six squares each have their own four corners, as some exporters write them;
// each square cut along a diagonal into two triangles when `triangles`.
std::unique_ptr<Model> makeSplitCube(bool triangles = false) {
    const double c[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                            {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    std::vector<Point3> pts;
    std::vector<std::vector<int>> polys;
    for (auto& f : faces) {
        std::vector<int> poly;
        for (int i : f) {
            poly.push_back(static_cast<int>(pts.size()));
            pts.push_back({c[i][0], c[i][1], c[i][2]});
        }
        if (triangles) {
            polys.push_back({poly[0], poly[1], poly[2]});
            polys.push_back({poly[0], poly[2], poly[3]});
        } else {
            polys.push_back(poly);
        }
    }
    auto m = std::make_unique<Model>();
    test::addPolygonSolid(*m, pts, polys);
    finishShape(*m);
    return m;
}

// `shape` with every face given corners of its own, in face order: each seam of the shape
// becomes two open edges lying on each other.
std::unique_ptr<Model> splitCorners(const Model& shape) {
    std::vector<Point3> pts;
    std::vector<std::vector<int>> polys;
    for (auto& f : shape.solids[0]->faces) {
        std::vector<int> poly;
        for (auto& h : f->halfedges) {
            poly.push_back(static_cast<int>(pts.size()));
            pts.push_back(h->origin->position);
        }
        polys.push_back(poly);
    }
    auto m = std::make_unique<Model>();
    test::addPolygonSolid(*m, pts, polys);
    finishShape(*m);
    return m;
}

// The corner positions of every face, in order.
std::vector<std::vector<std::array<double, 3>>> faceShapes(const Model& m) {
    std::vector<std::vector<std::array<double, 3>>> r;
    for (auto& s : m.solids)
        for (auto& f : s->faces) {
            r.emplace_back();
            for (auto& h : f->halfedges) {
                const Point3& p = h->origin->position;
                r.back().push_back({p.x, p.y, p.z});
            }
        }
    return r;
}

// Joins the split copy of `shape` and checks that it is `shape` again: the same numbers of
// vertices, edges and faces, no face changed its corners, every halfedge starts at a vertex
// of its solid, and every edge names the ends of its halfedges.
void expectJoinRestores(const Model& shape, const char* what) {
    SCOPED_TRACE(what);
    auto m = splitCorners(shape);
    const auto before = faceShapes(*m);
    ASSERT_TRUE(joinAdjacentIsolatedEdges(m.get()));
    const Solid& s = *m->solids[0];
    const Solid& o = *shape.solids[0];
    EXPECT_EQ(s.vertices.size(), o.vertices.size());
    EXPECT_EQ(s.edges.size(), o.edges.size());
    EXPECT_EQ(s.faces.size(), o.faces.size());
    EXPECT_EQ(openEdges(*m), openEdges(shape));
    EXPECT_EQ(faceShapes(*m), before);
    std::set<const Vertex*> live;
    for (auto& v : s.vertices) live.insert(v.get());
    for (auto& f : s.faces)
        for (auto& h : f->halfedges) {
            EXPECT_TRUE(live.count(h->origin));
            EXPECT_TRUE(h->edge->a == h.get() || h->edge->b == h.get());
        }
    for (auto& e : s.edges) {
        EXPECT_EQ(e->va, e->a->origin);
        EXPECT_EQ(e->vb, e->b ? e->b->origin : e->a->next->origin);
    }
}

}  // namespace

TEST(JoinAdjacentIsolatedEdge, SplitShapesComeBackWhole) {
    expectJoinRestores(*makeBox(1, 2, 3), "box");
    expectJoinRestores(*makeGrid(6, 1, 0.0, false), "strip");
    // A corner of an icosphere is shared by five or six faces, of a torus by four: their
    // copies are merged one after another, a chain of merges into one vertex.
    expectJoinRestores(*makeIcosphere(2), "icosphere");
    expectJoinRestores(*makeTorus(12, 8), "torus");
    expectJoinRestores(*makeGrid(5, 4, 0.3, true), "wavy sheet of triangles");
}

TEST_F(ModelCommands, MirroringTwiceRestoresTheModelExactly) {
    auto m = makeTorus(10, 5);
    const std::string before = workFileText(*m, {});
    const Point3 p = m->solids[0]->vertices[3]->position;
    const Point3 n = m->solids[0]->faces[2]->normal;
    for (Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
        ASSERT_TRUE(mirrorModel(m.get(), axis));
        if (axis == Axis::X) {
            // Faces are turned over again, so the corner order changes but the vertex does not.
            EXPECT_EQ(m->solids[0]->vertices[3]->position.x, -p.x);
            EXPECT_EQ(m->solids[0]->vertices[3]->position.y, p.y);
            EXPECT_NE(workFileText(*m, {}), before);
        }
        ASSERT_TRUE(mirrorModel(m.get(), axis));
        EXPECT_EQ(workFileText(*m, {}), before);
    }
    // A mirrored closed solid still points outward: the mirrored normal of the face.
    ASSERT_TRUE(mirrorModel(m.get(), Axis::X));
    const Point3 n2 = m->solids[0]->faces[2]->normal;
    EXPECT_NEAR(n2.x, -n.x, 1e-12);
    EXPECT_NEAR(n2.y, n.y, 1e-12);
    EXPECT_NEAR(n2.z, n.z, 1e-12);
}

TEST_F(ModelCommands, ReverseSurfaceDirectionKeepsCutAndKeepMarks) {
    auto m = makeBox(1, 1, 1);
    Solid& s = *m->solids[0];
    Edge* cut = s.edges[0].get();
    Edge* keep = s.edges[5].get();
    ASSERT_TRUE(toggleEdgeMark(*cut, kModelEditCut));
    ASSERT_TRUE(toggleEdgeMark(*keep, kModelEditKeep));
    const Vertex *ca = cut->va, *cb = cut->vb, *ka = keep->va, *kb = keep->vb;
    const Point3 n = s.faces[0]->normal;
    ASSERT_TRUE(reverseSurfaceDirection(m.get()));
    EXPECT_EQ(s.faces[0]->normal.x, -n.x);
    int cuts = 0, keeps = 0;
    for (auto& e : s.edges) {
        cuts += e->kind == kEdgeCut;
        keeps += e->kind == kEdgeKeep;
    }
    EXPECT_EQ(cuts, 1);
    EXPECT_EQ(keeps, 1);
    ASSERT_NE(edgeBetween(s, ca, cb), nullptr);
    EXPECT_EQ(edgeBetween(s, ca, cb)->kind, kEdgeCut);
    EXPECT_EQ(edgeBetween(s, ka, kb)->kind, kEdgeKeep);
}

TEST_F(ModelCommands, JoinAdjacentIsolatedEdgeClosesSplitSeamsAndTheResultUnfolds) {
    for (bool triangles : {false, true}) {
        SCOPED_TRACE(triangles ? "triangles" : "squares");
        auto m = makeSplitCube(triangles);
        ASSERT_EQ(openEdges(*m), 24);
        ASSERT_TRUE(joinAdjacentIsolatedEdges(m.get()));
        EXPECT_EQ(openEdges(*m), 0);
        const Solid& s = *m->solids[0];
        const int v = static_cast<int>(s.vertices.size());
        const int e = static_cast<int>(s.edges.size());
        const int f = static_cast<int>(s.faces.size());
        EXPECT_EQ(v, 8);
        EXPECT_EQ(e, triangles ? 18 : 12);
        EXPECT_EQ(v - e + f, 2);
        ASSERT_TRUE(createDevelopment(*m));
        EXPECT_EQ(m->parts.size(), 1u);
        const auto errors = test::checkDevelopment(*m);
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
}

TEST_F(ModelCommands, ResetEdgeAttributeClearsMarksAndReopensOpenEdges) {
    auto m = makeSplitCube();
    Solid& s = *m->solids[0];
    s.edges[0]->kind = kEdgeCut;  // as a work file could hold it
    ASSERT_TRUE(joinAdjacentIsolatedEdges(m.get()));
    toggleEdgeMark(*s.edges[1], kModelEditKeep);
    ASSERT_TRUE(resetEdgeAttributes(m.get()));
    for (auto& e : s.edges) EXPECT_EQ(e->kind, kEdgeNormal);
    auto open = makeSplitCube();
    open->solids[0]->edges[0]->kind = kEdgeCut;
    ASSERT_TRUE(resetEdgeAttributes(open.get()));
    for (auto& e : open->solids[0]->edges) EXPECT_EQ(e->kind, kEdgeOpen);
}

TEST_F(ModelCommands, EdgeMarksToggleOnlyOnMarkableEdges) {
    auto m = makeBox(1, 1, 1);
    Edge& e = *m->solids[0]->edges[0];
    EXPECT_TRUE(toggleEdgeMark(e, kModelEditCut));
    EXPECT_EQ(e.kind, kEdgeCut);
    EXPECT_TRUE(toggleEdgeMark(e, kModelEditKeep));
    EXPECT_EQ(e.kind, kEdgeKeep);
    EXPECT_TRUE(toggleEdgeMark(e, kModelEditKeep));
    EXPECT_EQ(e.kind, kEdgeNormal);
    EXPECT_FALSE(toggleEdgeMark(e, kModelEditNone));
    e.foldAngle = 179.0;  // flatter than iAngleEps
    EXPECT_FALSE(toggleEdgeMark(e, kModelEditCut));
    settings.bCullEdge = false;
    EXPECT_TRUE(toggleEdgeMark(e, kModelEditCut));
    auto split = makeSplitCube();
    Edge& open = *split->solids[0]->edges[0];
    EXPECT_FALSE(toggleEdgeMark(open, kModelEditCut));
    EXPECT_EQ(open.kind, kEdgeOpen);
}

TEST_F(ModelCommands, DisabledWithoutModelOrWithDevelopment) {
    EXPECT_FALSE(mirrorModel(nullptr, Axis::X));
    EXPECT_FALSE(reverseTextureUCoordinate(nullptr));
    auto m = makeBox(1, 1, 1);
    ASSERT_TRUE(createDevelopment(*m));
    const std::string before = workFileText(*m, {true, {}});
    EXPECT_FALSE(modelCommandsEnabled(m.get()));
    EXPECT_FALSE(resetEdgeAttributes(m.get()));
    EXPECT_FALSE(reverseSurfaceDirection(m.get()));
    EXPECT_FALSE(mirrorModel(m.get(), Axis::Y));
    EXPECT_FALSE(joinAdjacentIsolatedEdges(m.get()));
    EXPECT_FALSE(reverseTextureVCoordinate(m.get()));
    EXPECT_EQ(workFileText(*m, {true, {}}), before);
}
