// The model copy the undo history keeps: the same work file as the original, with every link
// inside the copy, so the copy outlives the original it was made from.
#include <gtest/gtest.h>

#include <set>

#include "app/open_model.h"
#include "model/model_clone.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"
#include "test_util.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;

namespace {

std::string fileOf(Model& m) { return workFileText(m, WorkFileDocumentState{m.bFinished, {}}); }

// Every object of `m`, to check that links stay among them.
struct Objects {
    std::set<const void*> all;
    explicit Objects(const Model& m) {
        for (const auto& s : m.solids) {
            all.insert(s.get());
            for (const auto& v : s->vertices) all.insert(v.get());
            for (const auto& t : s->texCoords) all.insert(t.get());
            for (const auto& e : s->edges) all.insert(e.get());
            for (const auto& f : s->faces) {
                all.insert(f.get());
                for (const auto& h : f->halfedges) all.insert(h.get());
            }
        }
        for (const auto& p : m.parts) all.insert(p.get());
    }
    bool holds(const void* p) const { return !p || all.count(p); }
};

void expectLinksInside(const Model& m) {
    const Objects own(m);
    for (const auto& s : m.solids) {
        for (const auto& e : s->edges)
            for (const void* p : {static_cast<const void*>(e->a), static_cast<const void*>(e->b),
                                  static_cast<const void*>(e->va), static_cast<const void*>(e->vb)})
                ASSERT_TRUE(own.holds(p));
        for (const auto& f : s->faces) {
            ASSERT_TRUE(own.holds(f->solid) && own.holds(f->part));
            for (const auto& h : f->halfedges)
                for (const void* p : {static_cast<const void*>(h->edge), static_cast<const void*>(h->origin),
                                      static_cast<const void*>(h->face), static_cast<const void*>(h->pair),
                                      static_cast<const void*>(h->next), static_cast<const void*>(h->prev),
                                      static_cast<const void*>(h->twin), static_cast<const void*>(h->texCoord)})
                    ASSERT_TRUE(own.holds(p));
        }
    }
    for (const auto& p : m.parts) {
        ASSERT_TRUE(own.holds(p->solid) && own.holds(p->nextCandidate));
        for (const Face* f : p->faces) ASSERT_TRUE(own.holds(f));
    }
}

}  // namespace

TEST(ModelClone, SameFileAndEveryLinkInsideTheCopy) {
    std::vector<std::pair<std::string, std::unique_ptr<Model>>> models;
    models.emplace_back("box", makeBox(1, 2, 3));
    models.emplace_back("developed torus", makeTorus(10, 6));
    ASSERT_TRUE(createDevelopment(*models.back().second));
    models.back().second->texts.push_back(std::make_unique<TextItem>(TextItem{"label", 1, 2}));
    RecordingFrontEnd ui;
    LoadOutcome outcome;
    // Materials, a texture and texture coordinates.
    auto duck = readModelFile(PLIKATRA_CORPUS_DIR "/obj/duck/duck-full.obj", ModelFileOptions{}, ui, outcome);
    EXPECT_TRUE(duck);
    if (duck) models.emplace_back("duck", std::move(duck));
    for (auto& [name, original] : models) {
        SCOPED_TRACE(name);
        const std::string before = fileOf(*original);
        std::unique_ptr<Model> copy = cloneModel(*original);
        expectLinksInside(*copy);
        EXPECT_GT(approximateModelBytes(*copy), 0u);
        original.reset();  // the copy must not lean on it
        EXPECT_EQ(fileOf(*copy), before);
    }
}
