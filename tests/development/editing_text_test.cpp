#include <gtest/gtest.h>

#include "editing_support.h"
#include "model/primitive_shapes.h"

using namespace plikatra;
using plikatra::test::EditingTest;

namespace {

class EditingText : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        use(makeBox(1, 1, 1));
        model->dMag2d = 2.0;  // one unit = 20 mm, so a 10 mm grid is half a unit
        editor.setScreenDpi(96.0);
        rec.onInputText = [this](TextDialogValues& v) {
            shown.push_back(v);
            if (!answer) return false;
            v.text = *answer;
            v.fontSize = 24;
            return true;
        };
        mode(kModeInputText);
    }
    std::vector<TextDialogValues> shown;
    std::optional<std::string> answer;
};

}  // namespace

TEST_F(EditingText, NewTextSnapsToTheGridAndIsMeasuredInCentimetres) {
    answer = "abcd";
    click({10.26, 20.24});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Input text");
    EXPECT_EQ(shown[0].fontName, "Arial");
    EXPECT_EQ(shown[0].fontSize, 36);
    ASSERT_EQ(model->texts.size(), 1u);
    const TextItem& t = *model->texts[0];
    EXPECT_DOUBLE_EQ(t.x, 10.5);
    EXPECT_DOUBLE_EQ(t.y, 20.0);
    // 24 pt at 96 dpi is 32 pixels; the recording fonts give 4 × 16 by 32 pixels.
    EXPECT_DOUBLE_EQ(t.width, 64 / (96 * 0.39370078740157477));
    EXPECT_DOUBLE_EQ(t.height, 32 / (96 * 0.39370078740157477));
    EXPECT_EQ(editor.lastEdit(), kUndoTextCreated);
    EXPECT_TRUE(doc.modified());
    // The chosen size is the default of the next item.
    answer.reset();
    click({0, 0});
    EXPECT_EQ(shown.back().fontSize, 24);
    EXPECT_EQ(model->texts.size(), 1u);
    doc.undo();
    EXPECT_TRUE(model->texts.empty());
}

TEST_F(EditingText, OffGridTextStaysWhereClickedAndEmptyTextIsNotCreated) {
    settings().bPlaceTextOnGrid = false;
    answer = "";
    click({10.26, 20.24});
    EXPECT_TRUE(model->texts.empty());
    answer = "x";
    click({10.26, 20.24});
    ASSERT_EQ(model->texts.size(), 1u);
    EXPECT_EQ(model->texts[0]->x, 10.26);
    EXPECT_EQ(model->texts[0]->y, 20.24);
}

TEST_F(EditingText, PopupEditsDeletesAndDragSnaps) {
    answer = "abcd";
    click({10.0, 20.0});
    ASSERT_EQ(model->texts.size(), 1u);
    TextItem* t = model->texts[0].get();
    const Point2 on{t->x + 0.01, t->y - 0.01};
    click(on);
    ASSERT_TRUE(editor.popup());
    ASSERT_EQ(editor.popup()->items.size(), 4u);
    EXPECT_EQ(editor.popup()->items[3].text, "&Cancel");
    answer = "changed";
    editor.chooseMenuItem(kMenuTextEdit);
    EXPECT_EQ(shown.back().title, "Modify/Delete text");
    EXPECT_EQ(shown.back().text, "abcd");
    EXPECT_EQ(t->text, "changed");
    doc.undo();
    EXPECT_EQ(t->text, "abcd");

    drag(on, {on.x + 0.3, on.y + 0.2});
    EXPECT_DOUBLE_EQ(t->x, 10.5);  // 10.3 units = 206 mm -> 210 mm
    EXPECT_DOUBLE_EQ(t->y, 20.0);  // 20.2 units = 404 mm -> 400 mm
    doc.undo();
    EXPECT_DOUBLE_EQ(t->x, 10.0);

    click(on);
    editor.chooseMenuItem(kMenuTextDelete);
    EXPECT_TRUE(model->texts.empty());
    doc.undo();
    ASSERT_EQ(model->texts.size(), 1u);
    EXPECT_EQ(model->texts[0]->text, "abcd");

    // Emptying the text of an existing item deletes it.
    click({model->texts[0]->x + 0.01, model->texts[0]->y - 0.01});
    answer = "";
    editor.chooseMenuItem(kMenuTextEdit);
    EXPECT_TRUE(model->texts.empty());
    EXPECT_EQ(editor.lastEdit(), kUndoTextDeleted);
}

TEST_F(EditingText, TextHitIsStrictlyInsideTheBoxAboveTheAnchor) {
    answer = "abcd";
    click({10.0, 20.0});
    const TextItem& t = *model->texts[0];
    shown.clear();
    answer.reset();
    click({t.x + 0.01, t.y + 0.01});  // below the base line: not the text
    EXPECT_FALSE(editor.popup());
    EXPECT_EQ(shown.size(), 1u);
    click({t.x + t.width / model->dMag2d - 0.01, t.y - t.height / model->dMag2d + 0.01});
    EXPECT_TRUE(editor.popup());
}

TEST_F(EditingText, DevelopmentBarCommandsAskAndNotify) {
    answer = "keep me";
    click({1, 1});
    rec.answers = {Answer::Ok, Answer::No};
    ASSERT_TRUE(doc.undoDevelopment());
    ASSERT_EQ(rec.texts().size(), 2u);
    EXPECT_EQ(rec.texts()[0],
              "All edits to the development will not be saved when you select this operation.");
    EXPECT_EQ(rec.texts()[1],
              "Do you want to keep text in development window?\n(When you select Yes, the text "
              "will appear when unfolded next time.)");
    EXPECT_FALSE(model->bFinished);
    EXPECT_TRUE(model->texts.empty());
    EXPECT_EQ(doc.undoName(), "Delete Development");
    EXPECT_EQ(notices.notices.back(), DocumentEvent::FitSheet);

    settings().bKavimoAllAuto = true;
    ASSERT_TRUE(doc.createDevelopment(false));
    EXPECT_FALSE(settings().bKavimoAllAuto);
    EXPECT_TRUE(model->bFinished);
    EXPECT_TRUE(doc.modified());

    // Cancel in the first question keeps the development.
    rec.answers = {Answer::Cancel};
    EXPECT_FALSE(doc.undoDevelopment());
    EXPECT_TRUE(model->bFinished);
}
