// Saving and exporting only read the document: done twice they give the same bytes, and the
// development, the elements' numbers and the sheet are as they were, even after edits that
// leave parts out of their list order and on a model of several solids.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../development/editing_support.h"
#include "app/open_model.h"
#include "development/development_state.h"
#include "development/editing_operations.h"
#include "output/eps_writer.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;

namespace {

// Everything of the model a writer could be tempted to change.
struct Fingerprint {
    std::vector<int> numbers;  // solids, vertices, faces and parts, in list order
    std::vector<double> sheet;
    DevelopmentState development;

    explicit Fingerprint(const Model& m) : development(captureDevelopment(m)) {
        for (const auto& s : m.solids) {
            numbers.push_back(s->index);
            for (const auto& v : s->vertices) numbers.push_back(v->index);
            for (const auto& f : s->faces) numbers.push_back(f->index);
        }
        for (const auto& p : m.parts) numbers.push_back(p->index);
        sheet = {m.dKavimozuX, m.dKavimozuY, m.dKavimozuWidth, m.dKavimozuHeight, m.dMag2d};
    }
    bool operator==(const Fingerprint& o) const {
        return numbers == o.numbers && sheet == o.sheet &&
               development.corners == o.development.corners &&
               development.faces == o.development.faces && development.edges == o.development.edges &&
               development.parts == o.development.parts && development.sheet == o.development.sheet;
    }
};

std::string eps(const Model& m) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&data, &size);
    exportEps(m, EpsOptions{}, out);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

class ReadOnlyOutputs : public test::EditingTest {};

TEST_F(ReadOnlyOutputs, SavingAndExportingTwiceGiveTheSameBytesAndChangeNothing) {
    LoadOutcome outcome;
    auto m = readModelFile(std::string(PLIKATRA_CORPUS_DIR) + "/mqo/dchan/d-chan.mqo",
                           ModelFileOptions{}, rec, outcome);
    ASSERT_TRUE(m);
    ASSERT_GT(m->solids.size(), 1u);
    ASSERT_NE(m->solids[1]->faces[0]->index, 0) << "faces as read are numbered across solids";
    use(std::move(m));
    // A cut adds a part whose index is not yet its place; a join takes one out of the list.
    for (auto& s : model->solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges)
                if (model->parts.size() < 12 && h->twin && h->face->part) cutPart(*model, *h, {});
    const auto joinTwoParts = [&] {
        for (auto& s : model->solids)
            for (auto& f : s->faces)
                for (auto& h : f->halfedges)
                    if (canJoinAt(*h) && h->pair->face->part != h->face->part)
                        return joinSurface(*model, *h);
        return false;
    };
    ASSERT_TRUE(joinTwoParts());
    // The sheet as the model last stored it, not as the parts now stand: the EPS frames what
    // it draws without storing it.
    model->dKavimozuWidth *= 0.5;
    const Fingerprint before(*model);
    const WorkFileDocumentState state = doc.workFileState();
    const std::string file = workFileText(*model, state), picture = eps(*model);
    EXPECT_TRUE(Fingerprint(*model) == before);
    EXPECT_EQ(workFileText(*model, state), file);
    EXPECT_EQ(eps(*model), picture);
    EXPECT_TRUE(Fingerprint(*model) == before);

    // The copy taken for saving in the background writes the same.
    EXPECT_EQ(WorkFileSnapshot(*model, state).text(), file);
}

}  // namespace
