// The undo history: random sequences of model commands, Create Development and development
// edits, undone all the way back, give the work file of every step before them byte for byte,
// and redone all the way, every step after; the modified flag follows the saved step; a memory
// budget bounds the history.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "../development/editing_support.h"
#include "app/commands.h"
#include "development/editing_operations.h"
#include "model/model_commands.h"
#include "model/primitive_shapes.h"
#include "textures/texture_commands.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;

namespace {

class HistoryTest : public test::EditingTest {
protected:
    HistoryTest() {
        rec.onInputText = [](TextDialogValues& v) {
            v.text = v.text.empty() ? "t" : "";
            return true;
        };
        rec.onLayoutMethod = [this](LayoutDialog&) { return pick(2) == 0; };
    }
    std::string text() { return workFileText(*doc.model(), doc.workFileState()); }
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

    // One random model command; the model has no development.
    void modelCommand() {
        Model& m = *doc.model();
        switch (pick(6)) {
            case 0: doc.mirrorModel(static_cast<Axis>(pick(3))); break;
            case 1: doc.reverseSurfaceDirection(); break;
            case 2: doc.joinAdjacentIsolatedEdges(); break;
            case 3: doc.resetEdgeAttributes(); break;
            case 4: doc.reverseTextureU(); break;
            default: {
                doc.chooseModelEditMode(pick(2) ? kModelEditCut : kModelEditKeep);
                auto& edges = m.solids[pick(m.solids.size())]->edges;
                if (!edges.empty()) doc.toggleEdgeMark(*edges[pick(edges.size())]);
                doc.chooseModelEditMode(kModelEditNone);
            }
        }
    }

    // One random edit of the development, as a user makes it.
    void edit(int step) {
        model = doc.model();
        const int kind = static_cast<int>(pick(14));
        if (kind >= 10) {
            switch (kind) {
                case 10: editor.scaleUp(); break;
                case 11: editor.mirror(); break;
                case 12: doc.shortenCollidingFlaps(); break;
                default: doc.recalculateLayout(); break;
            }
            return;
        }
        const int m = kind == 0 ? kModeInputText : kind;
        mode(m);
        std::vector<Halfedge*> all;
        for (auto& p : model->parts)
            for (Face* f : p->faces)
                for (auto& h : f->halfedges) all.push_back(h.get());
        Halfedge* h = all[pick(all.size())];
        editAround(m, h, step, [this](size_t n) { return pick(n); });
    }

    // Takes the whole history back, expecting the file of each earlier step, then forward.
    void expectEveryStepBothWays(const std::vector<std::string>& files) {
        ASSERT_EQ(doc.history().stepCount() + 1, files.size());
        for (size_t i = files.size() - 1; i > 0; --i) {
            ASSERT_TRUE(doc.canUndo());
            ASSERT_TRUE(doc.undo());
            ASSERT_EQ(text(), files[i - 1]) << "undoing step " << i;
        }
        EXPECT_FALSE(doc.canUndo());
        for (size_t i = 1; i < files.size(); ++i) {
            ASSERT_TRUE(doc.redo());
            ASSERT_EQ(text(), files[i]) << "redoing step " << i;
        }
        EXPECT_FALSE(doc.canRedo());
    }

    std::mt19937 rng{20261210};
};

}  // namespace

TEST_F(HistoryTest, RandomCommandsAndEditsUndoAndRedoToTheBytesOfEveryStep) {
    std::vector<std::pair<std::string, std::unique_ptr<Model>>> models;
    models.emplace_back("box", makeBox(1, 2, 0.5));
    models.emplace_back("torus", makeTorus(12, 6));
    models.emplace_back("ring", makeRing(10));
    models.emplace_back("grid", makeGrid(6, 5, 0.3, true));
    int steps = 0;
    for (auto& [name, m] : models) {
        SCOPED_TRACE(name);
        doc.adopt(std::move(m));
        editor.setPixelsPerUnit(1e5);
        std::vector<std::string> files{text()};
        auto record = [&] {
            // A step is one file more; an action that changed nothing is no step.
            if (doc.history().stepCount() + 1 > files.size()) files.push_back(text());
            ASSERT_EQ(doc.history().stepCount() + 1, files.size());
        };
        for (int i = 0; i < 8; ++i) {
            modelCommand();
            record();
        }
        ASSERT_TRUE(doc.createDevelopment(true));
        record();
        EXPECT_EQ(doc.undoName(), "Create Development");
        for (int step = 0; step < 50; ++step) {
            edit(step);
            record();
        }
        steps += static_cast<int>(files.size()) - 1;
        expectEveryStepBothWays(files);
        // A new action after undos drops what could have been redone.
        doc.undo();
        doc.undo();
        ASSERT_TRUE(doc.canRedo());
        editor.scaleDown();
        EXPECT_FALSE(doc.canRedo());
        EXPECT_EQ(doc.undoName(), "Scale Down Development");
    }
    EXPECT_GE(steps, 150);
}

TEST_F(HistoryTest, DeleteDevelopmentIsAStepAndTheEditorFollowsTheSwappedModel) {
    doc.adopt(makeTorus(8, 5));
    const std::string plain = text();
    ASSERT_TRUE(doc.createDevelopment(true));
    const std::string developed = text();
    mode(kModeInputText);
    click({doc.model()->dKavimozuX, doc.model()->dKavimozuY - 0.5});
    const std::string withText = text();
    rec.answers.push_back(Answer::Ok);  // lose the edits
    rec.answers.push_back(Answer::No);  // no texts kept
    ASSERT_TRUE(doc.undoDevelopment());
    EXPECT_EQ(doc.undoName(), "Delete Development");
    EXPECT_FALSE(doc.hasDevelopment());
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(doc.hasDevelopment());
    EXPECT_EQ(text(), withText);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(text(), developed);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(text(), plain);
    // The editor follows the model a step swaps in: edits after an undo land in it.
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(editor.model(), doc.model());
}

TEST_F(HistoryTest, ModifiedFlagFollowsTheSavedStep) {
    doc.adopt(makeBox(1, 1, 1));
    ASSERT_TRUE(doc.createDevelopment(true));
    editor.scaleUp();
    const auto path = std::filesystem::temp_directory_path() / "history_saved.ufd";
    ASSERT_TRUE(doc.save(path.string()));
    EXPECT_FALSE(doc.modified());
    editor.scaleUp();
    EXPECT_TRUE(doc.modified());
    doc.undo();
    EXPECT_FALSE(doc.modified()) << "back at the saved step";
    doc.undo();
    EXPECT_TRUE(doc.modified());
    doc.redo();
    EXPECT_FALSE(doc.modified());
    // Once the saved step can no longer be reached, no step is the saved one.
    doc.undo();
    editor.mirror();
    doc.undo();
    EXPECT_TRUE(doc.modified());
    std::filesystem::remove(path);
}

TEST_F(HistoryTest, TheMemoryBudgetDropsTheOldestSteps) {
    settings().iUndoMemoryMB = 1;
    doc.adopt(makeTorus(40, 30));  // 2,400 faces: Create Development keeps about 0.3 MB
    ASSERT_TRUE(doc.createDevelopment(true));
    mode(kModeInputText);
    for (int i = 0; i < 1200; ++i)
        click({doc.model()->dKavimozuX + 3.0 * (i % 40), doc.model()->dKavimozuY - 3.0 * (1 + i / 40)});
    ASSERT_EQ(doc.model()->texts.size(), 1200u);
    EXPECT_LE(doc.history().bytes(), 1u << 20);
    EXPECT_LT(doc.history().stepCount(), 1200u);
    EXPECT_GE(doc.history().stepCount(), 100u) << "edits are small";
    while (doc.undo()) {
    }
    EXPECT_TRUE(doc.hasDevelopment()) << "Create Development fell out of the budget";
}
