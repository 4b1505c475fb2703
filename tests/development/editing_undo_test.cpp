// Undo must give back exactly the development before the edit, and no sequence of edits and
// undos may leave an unsound development behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "development_checker.h"
#include "development/editing_hits.h"
#include "editing_support.h"
#include "app/open_model.h"
#include "model/primitive_shapes.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;
using plikatra::test::EditingTest;

namespace {

std::vector<std::string> corpusModels() {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        // The two largest models take long to unfold and add no new situation.
        const std::string name = e.path().filename().string();
        if (e.path().extension() == ".obj" && name != "duck-full.obj" && name != "turntable.obj")
            out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Halfedge*> halfedgesWhere(Model& m, const std::function<bool(Halfedge&)>& pred) {
    std::vector<Halfedge*> out;
    for (auto& p : m.parts)
        for (Face* f : p->faces)
            for (auto& h : f->halfedges)
                if (pred(*h)) out.push_back(h.get());
    return out;
}

// Whether a click at the middle of h's line (toward its face) hits h or its coincident twin.
bool clickable(const test::EditingTest& t, DevelopmentEditor& editor, Model& m, Halfedge* h,
               const Point2& p) {
    (void)t;
    Halfedge* hit = hitHalfedge(m, p, editor.pixelsPerUnit());
    return hit == h || (hit && hit == h->twin);
}

class UndoExactness : public EditingTest {
protected:
    std::map<std::string, int> exercised;

    std::string text() { return workFileText(*model, WorkFileDocumentState{true, {}}); }

    // Runs `edit`, checks that it changed the file, undoes it and compares.
    void expectUndoRestores(const std::string& what, const std::function<bool()>& edit) {
        SCOPED_TRACE(what);
        const std::string before = text();
        const std::string stepBefore = doc.undoName();
        if (!edit()) return;  // the model has no such target
        ++exercised[what];
        ASSERT_TRUE(doc.canUndo());
        EXPECT_NE(text(), before) << "the edit changed nothing";
        doc.undo();
        EXPECT_EQ(text(), before);
        EXPECT_EQ(doc.undoName(), stepBefore);
    }

    // The first halfedge satisfying `pred` whose middle can be clicked.
    Halfedge* target(const std::function<bool(Halfedge&)>& pred) {
        for (Halfedge* h : halfedgesWhere(*model, pred))
            if (clickable(*this, editor, *model, h, inside(h))) return h;
        return nullptr;
    }
};

}  // namespace

TEST_F(UndoExactness, EveryEditKindOnCorpusModels) {
    const auto files = corpusModels();
    if (files.empty()) GTEST_SKIP() << "no corpus";
    rec.onInputText = [](TextDialogValues& v) {
        v.text = v.text.empty() ? "label" : v.text + "!";
        return true;
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file);
        LoadOutcome outcome;
        auto m = readModelFile(file, ModelFileOptions{}, rec, outcome);
        ASSERT_TRUE(m);
        settings().bCullEdge = false;  // every fold can be cut
        use(std::move(m), 1e6);
        auto fold = [](Halfedge& h) { return h.twin != nullptr && h.lineShown; };
        auto cutBetweenFaces = [](Halfedge& h) { return !h.twin && h.pair && h.pair->face != h.face; };

        expectUndoRestores("erase", [&] {
            Halfedge* h = target(fold);
            if (!h) return false;
            mode(kModeEraseEdge);
            click(inside(h));
            return true;
        });
        expectUndoRestores("move flap", [&] {
            Halfedge* h = target(cutBetweenFaces);
            if (!h) return false;
            mode(kModeEditFlap);
            click(inside(h));
            editor.chooseMenuItem(kMenuMoveFlap);
            return true;
        });
        expectUndoRestores("resize or delete flap", [&] {
            Halfedge* h = target([](Halfedge& g) { return !g.twin && g.hasFlap; });
            if (!h) return false;
            mode(kModeEditFlap);
            click(inside(h));
            editor.chooseMenuItem(h->pair ? kMenuResizeBase + 15 : kMenuDeleteFlap);
            return true;
        });
        if (Halfedge* open = target([](Halfedge& g) { return !g.pair && !g.hasFlap; }))
            expectUndoRestores("create concave flap", [&] {
                mode(kModeEditFlap);
                click(inside(open));
                editor.chooseMenuItem(kMenuCreateConcave);
                return true;
            });
        expectUndoRestores("rotate", [&] {
            Part* p = model->parts[0].get();
            const Point2 c = sheetStart(*p->faces[0]->halfedges[0]);
            const Point2 r = sheetStart(*p->faces[0]->halfedges[1]);
            mode(kModeRotatePart);
            click(c);
            click(r);
            click({c.x + 1, c.y + 1});
            return doc.canUndo();
        });
        expectUndoRestores("move", [&] {
            Part* p = model->parts.back().get();
            const Point2 in{p->x + p->width / 2, p->y + p->height / 2};
            mode(kModeMovePart);
            drag(in, {in.x + 0.25, in.y + 0.5});
            return doc.canUndo();
        });
        expectUndoRestores("cut", [&] {
            Halfedge* h = target(fold);
            if (!h) return false;
            mode(kModeCutPart);
            click(inside(h));
            return true;
        });
        // The part a join removed comes back in its place in the list.
        expectUndoRestores("join", [&] {
            Halfedge* h = target(cutBetweenFaces);
            if (!h) return false;
            mode(kModeJoinSurface);
            click(inside(h));
            click(inside(h));
            return true;
        });
        expectUndoRestores("create text", [&] {
            mode(kModeInputText);
            click({model->dKavimozuX, model->dKavimozuY + model->dKavimozuHeight + 1});
            return !model->texts.empty();
        });
        const std::string withText = [&] {
            mode(kModeInputText);
            click({model->dKavimozuX + 0.5, model->dKavimozuY - 1});
            return text();
        }();
        ASSERT_EQ(model->texts.size(), 1u);
        TextItem* t = model->texts[0].get();
        const Point2 onText{t->x + 1e-4, t->y - 1e-4};
        expectUndoRestores("modify text", [&] {
            click(onText);
            editor.chooseMenuItem(kMenuTextEdit);
            return true;
        });
        expectUndoRestores("move text", [&] {
            drag(onText, {onText.x + 0.37, onText.y + 0.11});
            return true;
        });
        expectUndoRestores("delete text", [&] {
            click(onText);
            editor.chooseMenuItem(kMenuTextDelete);
            return true;
        });
        EXPECT_EQ(text(), withText);
    }
    for (const char* kind : {"erase", "move flap", "resize or delete flap", "create concave flap",
                             "rotate", "move", "cut", "join", "create text", "modify text",
                             "move text", "delete text"})
        EXPECT_GE(exercised[kind], 2) << kind;
}

TEST_F(UndoExactness, JoinWithinOnePartOnACube) {
    use(makeBox(1, 1.5, 2), 1e4);
    for (Halfedge* h : halfedgesWhere(*model, [](Halfedge& g) { return !g.twin && g.pair; })) {
        const std::string before = text();
        mode(kModeJoinSurface);
        click(inside(h));
        click(inside(h));
        ASSERT_EQ(h->twin, h->pair);
        doc.undo();
        ASSERT_EQ(text(), before);
    }
}

// Random edits and undos in every mode; the development must stay sound after each step.
TEST_F(EditingTest, RandomEditsKeepTheDevelopmentSound) {
    std::vector<std::pair<std::string, std::unique_ptr<Model>>> models;
    models.emplace_back("box", makeBox(1, 2, 0.5));
    models.emplace_back("icosphere", makeIcosphere(1));
    models.emplace_back("torus", makeTorus(12, 6));
    models.emplace_back("ring", makeRing(10));
    for (const auto& file : corpusModels()) {
        if (file.find("cornell") == std::string::npos && file.find("catmark") == std::string::npos)
            continue;
        LoadOutcome outcome;
        models.emplace_back(file, readModelFile(file, ModelFileOptions{}, rec, outcome));
    }
    rec.onInputText = [](TextDialogValues& v) {
        v.text = v.text.empty() ? "t" : "";
        return true;
    };
    std::mt19937 rng(20240611);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    test::CheckOptions options;
    options.flapsAsAfterUnfolding = false;
    options.checkCrossings = false;  // joined parts and rotated parts may overlap by design
    int edits = 0, undos = 0;
    std::map<int, int> changes;  // steps that left an undoable edit, by mode
    for (auto& [name, m] : models) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(m);
        settings().bCullEdge = (edits % 2) == 0;
        use(std::move(m), 1e5);
        for (int step = 0; step < 60; ++step) {
            const int kind = 1 + static_cast<int>(pick(9));
            doc.setModified(false);
            mode(kind);
            std::vector<Halfedge*> all = halfedgesWhere(*model, [](Halfedge&) { return true; });
            Halfedge* h = all[pick(all.size())];
            if (kind == kModeShowEdge) {
                auto hidden = halfedgesWhere(*model, [](Halfedge& g) { return !g.lineShown; });
                if (!hidden.empty()) h = hidden[pick(hidden.size())];
            }
            editAround(kind, h, step, pick);
            ++edits;
            if (doc.modified()) ++changes[kind];
            if (pick(3) == 0) {
                doc.undo();
                ++undos;
            }
            const auto errors = test::checkDevelopment(*model, options);
            std::vector<std::string> real;
            for (const auto& e : errors)
                if (e.find("overlap") == std::string::npos) real.push_back(e);
            ASSERT_TRUE(real.empty()) << "step " << step << " mode " << kind << ": " << real.front();
        }
        editor.setModel(nullptr);
    }
    EXPECT_GE(edits, 300);
    for (int kind : {1, 2, 3, 4, 5, 6, 7, 8}) EXPECT_GE(changes[kind], 3) << "mode " << kind;
    EXPECT_GT(undos, 50);
}
