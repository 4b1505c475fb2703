// A document from opening to saving: titles, the work-file path that makes "&Save" direct, the
// modified flag through edits and failed saves, the exchange file, and the development bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/document.h"
#include "hexaking_test_file.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::TempDir;
namespace hk = plikatra::test::hexaking;

namespace {

const std::string kBox = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";

class Lifecycle : public testing::Test {
protected:
    Lifecycle() {
        doc.addListener([this](DocumentEvent e) { events.push_back(e); });
    }
    Settings settings;
    RecordingFrontEnd ui;
    Document doc{ui, settings};
    std::vector<DocumentEvent> events;
    TempDir dir;
};

TEST_F(Lifecycle, ModelFileThenWorkFileThenSaveAgain) {
    ASSERT_EQ(doc.open(kBox).result, kReadOk);
    EXPECT_EQ(doc.title(), "box.obj");  // named by its file, though not a work file
    EXPECT_FALSE(doc.hasWorkFilePath());
    EXPECT_FALSE(doc.modified());
    EXPECT_NE(std::find(events.begin(), events.end(), DocumentEvent::FileOpened), events.end());

    ASSERT_TRUE(doc.createDevelopment(true));
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(events.back(), DocumentEvent::FitSheet);

    const std::string work = dir.path() + "/box.ufd";
    ASSERT_TRUE(doc.save(work));
    EXPECT_FALSE(doc.modified());
    EXPECT_TRUE(doc.hasWorkFilePath());
    EXPECT_EQ(doc.title(), "box.ufd");
    const std::string saved = plikatra::test::readFile(work);

    // A failed save keeps the flag and the previous file.
    doc.editor().mirror();
    ASSERT_TRUE(doc.modified());
    EXPECT_FALSE(doc.save(dir.path() + "/missing/box.ufd"));
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(doc.path(), work);

    // Reopened, the work file is the document again and saves to the same bytes.
    ASSERT_EQ(doc.open(work).result, kReadOk);
    EXPECT_TRUE(doc.hasDevelopment());
    EXPECT_EQ(doc.title(), "box.ufd");
    ASSERT_TRUE(doc.save(dir.path() + "/again.ufd"));
    EXPECT_EQ(plikatra::test::readFile(dir.path() + "/again.ufd"), saved);
}

TEST_F(Lifecycle, TheExchangeFileIsNoDocumentOfTheUser) {
    hk::File file;
    hk::Node shape;
    shape.objectField = 2;
    shape.vertices = {{1, 2, 3}, {11, 2, 3}, {1, 12, 3}, {1, 2, 13}};
    shape.faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
    file.root.children = {shape};
    const std::string exchange = dir.write("Plikatra_TMP.6kt", hk::write(file));
    const LoadOutcome outcome = doc.open(exchange);
    ASSERT_EQ(outcome.result, kReadOk);
    EXPECT_TRUE(outcome.temporary);
    EXPECT_EQ(doc.path(), "Untitled.6kt");
    EXPECT_EQ(doc.title(), "Untitled");
}

TEST_F(Lifecycle, UndoDevelopmentAsksAndKeepsTextsOnlyWhenAsked) {
    doc.adopt(makeBox(1, 1, 1));
    ASSERT_TRUE(doc.createDevelopment(true));
    doc.model()->texts.push_back(std::make_unique<TextItem>());
    for (const Answer keep : {Answer::No, Answer::Yes}) {
        if (!doc.hasDevelopment()) {
            ASSERT_TRUE(doc.createDevelopment(true));
        }
        ui.entries.clear();
        ui.answers = {Answer::Cancel};  // "All edits ... will not be saved": Cancel keeps all
        EXPECT_FALSE(doc.undoDevelopment());
        EXPECT_TRUE(doc.hasDevelopment());
        ui.answers = {Answer::Ok, keep};
        EXPECT_TRUE(doc.undoDevelopment());
        EXPECT_FALSE(doc.hasDevelopment());
        EXPECT_EQ(doc.model()->texts.empty(), keep == Answer::No);
        EXPECT_EQ(ui.entries.size(), 3u);
        EXPECT_EQ(events.back(), DocumentEvent::FitSheet);
        if (keep == Answer::No) doc.model()->texts.push_back(std::make_unique<TextItem>());
    }
    // Without edits since the last save and without texts, no question is asked.
    ASSERT_TRUE(doc.createDevelopment(true));
    doc.model()->texts.clear();
    doc.setModified(false);
    ui.entries.clear();
    EXPECT_TRUE(doc.undoDevelopment());
    EXPECT_TRUE(ui.entries.empty());
}

TEST_F(Lifecycle, LayoutDialogCancelCreatesNothing) {
    doc.adopt(makeBox(1, 1, 1));
    ui.onLayoutMethod = [](LayoutDialog&) { return false; };
    EXPECT_FALSE(doc.createDevelopment(false));
    EXPECT_FALSE(doc.hasDevelopment());
    EXPECT_FALSE(settings.bKavimoAllAuto);
    ui.onLayoutMethod = [](LayoutDialog& d) {
        d.mode = kLayoutGivenScale;
        d.setScale(3.0);
        return true;
    };
    ASSERT_TRUE(doc.createDevelopment(false));
    EXPECT_DOUBLE_EQ(doc.model()->dMag2d * doc.model()->dMag3d, 3.0);
    EXPECT_EQ(doc.layoutMode(), kLayoutGivenScale);
}

}  // namespace
