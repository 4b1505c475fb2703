// The merger's noting of what changed: going back to a saved division, or bringing the saved
// copy up to date, must give exactly what a full copy gives, on triangles (whose pieces join
// their cells only once a merge holds) and on quadrilaterals; and carving faces out of pieces
// leaves every piece whole and in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "development/piece_merger.h"
#include "model/primitive_shapes.h"

using namespace plikatra;

namespace {

void expectSame(const Partition& a, const Partition& b) {
    EXPECT_EQ(a.alive, b.alive);
    EXPECT_EQ(a.piece, b.piece);
    EXPECT_EQ(a.fold, b.fold);
    EXPECT_EQ(a.members, b.members);
    ASSERT_EQ(a.pos.size(), b.pos.size());
    for (std::size_t k = 0; k < a.pos.size(); ++k) {
        EXPECT_EQ(a.pos[k].x, b.pos[k].x);
        EXPECT_EQ(a.pos[k].y, b.pos[k].y);
    }
    for (std::size_t i = 0; i < a.members.size(); ++i)
        if (!a.members[i].empty()) {
            EXPECT_EQ(a.root[i], b.root[i]);
        }
}

// Every piece as the division says: its faces name it, it holds the face it is named after,
// and its folds connect them all; folds are paired and stay inside pieces.
void expectWellFormed(const Mesh& mesh, const Partition& p) {
    int alive = 0;
    for (std::size_t id = 0; id < p.members.size(); ++id) {
        const auto& faces = p.members[id];
        if (faces.empty()) continue;
        ++alive;
        EXPECT_NE(std::find(faces.begin(), faces.end(), static_cast<std::int32_t>(id)),
                  faces.end());
        for (std::int32_t f : faces) EXPECT_EQ(p.piece[f], static_cast<std::int32_t>(id));
        std::vector<std::int32_t> reached{faces.front()};
        std::vector<bool> in(mesh.faces.size(), false);
        in[faces.front()] = true;
        for (std::size_t i = 0; i < reached.size(); ++i)
            for (int k = mesh.first[reached[i]]; k < mesh.first[reached[i] + 1]; ++k)
                if (p.fold[k] && !in[mesh.faceOf[mesh.across[k]]]) {
                    in[mesh.faceOf[mesh.across[k]]] = true;
                    reached.push_back(mesh.faceOf[mesh.across[k]]);
                }
        EXPECT_EQ(reached.size(), faces.size());
    }
    EXPECT_EQ(alive, p.alive);
    for (int k = 0; k < mesh.cornerCount(); ++k)
        if (p.fold[k]) {
            EXPECT_TRUE(p.fold[mesh.across[k]]);
            EXPECT_EQ(p.piece[mesh.faceOf[k]], p.piece[mesh.faceOf[mesh.across[k]]]);
        }
}

// Breaks up the two largest pieces and merges around their faces again.
void regrow(Merger& merger) {
    const Partition& p = merger.partition();
    std::vector<std::int32_t> ids;
    for (std::size_t i = 0; i < p.members.size(); ++i)
        if (!p.members[i].empty()) ids.push_back(static_cast<std::int32_t>(i));
    std::sort(ids.begin(), ids.end(), [&](std::int32_t x, std::int32_t y) {
        return p.members[x].size() > p.members[y].size();
    });
    ids.resize(2);
    std::vector<std::int32_t> faces;
    for (std::int32_t id : ids) faces.insert(faces.end(), p.members[id].begin(), p.members[id].end());
    merger.breakUp(ids);
    merger.mergeAll([] { return true; }, &faces);
}

}  // namespace

TEST(PieceMerger, GoingBackAndKeepingMatchAFullCopy) {
    std::unique_ptr<Model> models[] = {makeIcosphere(2), makePerturbedTorus(12, 8, 0.3, 9)};
    for (auto& model : models) {
        const Mesh mesh = buildMesh(visibleFaces(*model));
        Merger merger(mesh, 1e-7 * mesh.typicalEdge), twin(mesh, 1e-7 * mesh.typicalEdge);
        for (Merger* m : {&merger, &twin}) {
            m->startSingletons();
            m->mergeAll([] { return true; });
        }
        Partition saved = merger.partition();
        merger.settle();

        regrow(merger);
        regrow(merger);
        merger.revert(saved);
        expectSame(saved, merger.partition());
        // Its cells are as the copy says too: the same steps give the same division as on a
        // merger that never left it.
        for (Merger* m : {&merger, &twin}) {
            regrow(*m);
            m->dissolveAll([] { return true; }, 1);
        }
        expectSame(twin.partition(), merger.partition());

        merger.keep(saved);
        expectSame(saved, merger.partition());
    }
}

TEST(PieceMerger, CarvingSplitsPiecesWhereTheFacesHeldThemAndKeepsTheRestInPlace) {
    std::unique_ptr<Model> models[] = {makeIcosphere(2), makeGrid(8, 8, 0.5, false)};
    for (auto& model : models) {
        const Mesh mesh = buildMesh(visibleFaces(*model));
        Merger merger(mesh, 1e-7 * mesh.typicalEdge), twin(mesh, 1e-7 * mesh.typicalEdge);
        for (Merger* m : {&merger, &twin}) {
            m->startSingletons();
            m->mergeAll([] { return true; });
        }
        Partition saved = merger.partition();
        merger.settle();
        // A band of faces through the middle of the largest piece, its own face among them,
        // cuts it in two or more; faces on both sides keep their places.
        std::int32_t largest = 0;
        for (std::size_t i = 0; i < saved.members.size(); ++i)
            if (saved.members[i].size() > saved.members[largest].size())
                largest = static_cast<std::int32_t>(i);
        const auto& big = saved.members[largest];
        ASSERT_GT(big.size(), 8u);
        std::vector<std::int32_t> band(big.begin() + static_cast<std::ptrdiff_t>(big.size() / 3),
                                       big.begin() + static_cast<std::ptrdiff_t>(big.size() / 2));
        band.push_back(largest);
        merger.carve(band);
        const Partition& p = merger.partition();
        expectWellFormed(mesh, p);
        EXPECT_GT(p.alive, saved.alive + static_cast<int>(band.size()) - 1);
        for (std::int32_t f : band) EXPECT_EQ(p.members[f].size(), 1u);
        for (std::size_t k = 0; k < p.pos.size(); ++k) {
            EXPECT_EQ(p.pos[k].x, saved.pos[k].x);
            EXPECT_EQ(p.pos[k].y, saved.pos[k].y);
        }
        // Merging the band back gives a sound division, and going back gives the copy, its
        // cells included: the same steps then give what a merger that never left it gives.
        merger.mergeAll([] { return true; }, &band);
        expectWellFormed(mesh, merger.partition());
        merger.revert(saved);
        expectSame(saved, merger.partition());
        for (Merger* m : {&merger, &twin}) {
            m->carve(band);
            m->mergeAll([] { return true; }, &band);
            m->dissolveAll([] { return true; }, 1);
        }
        expectSame(twin.partition(), merger.partition());
    }
}

// Faces that are not flat take other shapes when folded again from another side; a division
// taken over as it is keeps every piece and place, and its cells answer as the original's.
TEST(PieceMerger, ADivisionTakenOverAsItIsKeepsItsPiecesOnBentQuadrilaterals) {
    auto model = makePerturbedTorus(24, 12, 0.3, 5);
    const Mesh mesh = buildMesh(visibleFaces(*model));
    ASSERT_FALSE(mesh.onlyTriangles);
    Merger merger(mesh, 1e-7 * mesh.typicalEdge), twin(mesh, 1e-7 * mesh.typicalEdge);
    merger.startSingletons();
    merger.mergeAll([] { return true; });
    merger.dissolveAll([] { return true; });
    twin.assign(merger.partition());
    expectSame(merger.partition(), twin.partition());
    expectWellFormed(mesh, twin.partition());
    for (Merger* m : {&merger, &twin}) {
        m->settle();
        regrow(*m);
        m->dissolveAll([] { return true; }, 1);
    }
    expectSame(merger.partition(), twin.partition());
}
