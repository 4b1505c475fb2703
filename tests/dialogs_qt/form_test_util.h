// Helpers for driving the dialog forms as a user would: find a control by name, type into it,
// press a button; and a fixture with a document whose front end records every question.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "app/document.h"
#include "qt/dialogs/form_dialog.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra::test {

// The control called `name` in `parent`; fails the test when there is none.
template <class W>
W* child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << "no control " << name;
    return w;
}

// Replaces a field's text by typing, as the user would after selecting it.
inline void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Clicks near the left end, where a check box or radio button has its indicator (their
// centre may lie beyond the label's text when the layout stretches them).
inline void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Shows the form and records its messages; questions are answered with `yes`.
struct FormDriver {
    QStringList messages;
    QStringList questions;
    bool yes = true;

    void attach(FormDialog& form) {
        form.showMessage = [this](const QString& text) { messages << text; };
        form.askYesNo = [this](const QString& text) {
            questions << text;
            return yes;
        };
        form.show();
    }
    void ok(FormDialog& form) { click(child<QAbstractButton>(&form, "ok")); }
    void cancel(FormDialog& form) { click(child<QAbstractButton>(&form, "cancel")); }
};

// A document with a recording front end, and the events it sent.
class DocumentFixture : public testing::Test {
protected:
    void SetUp() override {
        doc.addListener([this](DocumentEvent e) { events.push_back(e); });
    }
    void openCube(bool unfold) {
        doc.adopt(makeCube());
        if (unfold) {
            ASSERT_TRUE(doc.createDevelopment(true));
        }
        events.clear();
        rec.entries.clear();
    }

    RecordingFrontEnd rec;
    Settings settings;
    Document doc{rec, settings};
    std::vector<DocumentEvent> events;
    FormDriver driver;
};

}  // namespace plikatra::test
