// The merger's noting of what changed: going back to a saved division, or bringing the saved
// copy up to date, must give exactly what a full copy gives, on triangles (whose pieces join
// their cells only once a merge holds) and on quadrilaterals.
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
