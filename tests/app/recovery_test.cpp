// Recovery copies of unsaved work: written while the document is modified, offered back by the
// next program, refused when damaged, and gone after a save or a normal exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/document.h"
#include "app/recovery.h"
#include "base/version.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kBox = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Recovery : public testing::Test {
protected:
    // The box unfolded, with a text placed on the sheet: unsaved work.
    void editBox() {
        ASSERT_EQ(doc.open(kBox).result, kReadOk);
        ASSERT_TRUE(doc.createDevelopment(true));
        auto text = std::make_unique<TextItem>();
        text->text = "kept";
        doc.model()->texts.push_back(std::move(text));
        doc.notify(DocumentEvent::Redraw);
        ASSERT_TRUE(doc.modified());
    }
    // Writes this program's copy and waits for it.
    std::string writeCopy() {
        EXPECT_TRUE(saver->saveNow());
        EXPECT_TRUE(store->wait());
        return store->copyPath();
    }
    // The program ends without a word (killed): its store and lock go, the copy stays.
    void crash() {
        saver.reset();
        store.reset();
    }

    TempDir dir;
    Settings settings;
    RecordingFrontEnd ui;
    Document doc{ui, settings};
    std::unique_ptr<RecoveryStore> store = std::make_unique<RecoveryStore>(dir.path());
    std::unique_ptr<AutoSaver> saver = std::make_unique<AutoSaver>(doc, *store);

    // The next start.
    Settings nextSettings;
    RecordingFrontEnd nextUi;
    Document next{nextUi, nextSettings};
};

TEST_F(Recovery, NextStartRestoresTheWorkModifiedUnderTheOriginalPath) {
    editBox();
    const std::string copy = writeCopy();
    const std::string before = workFileText(*doc.model(), doc.workFileState());
    crash();

    RecoveryStore nextStore(dir.path());
    EXPECT_EQ(nextStore.orphans(), std::vector<std::string>{copy});
    ASSERT_TRUE(offerRecovery(next, nextStore, nextUi));
    ASSERT_EQ(nextUi.entries.size(), 1u);
    EXPECT_TRUE(nextUi.entries[0].question);
    EXPECT_TRUE(nextUi.entries[0].text.starts_with("Restore the unsaved work from "));
    EXPECT_TRUE(nextUi.entries[0].text.ends_with(" on box.obj?"));

    ASSERT_TRUE(next.hasDevelopment());
    EXPECT_EQ(workFileText(*next.model(), next.workFileState()), before);
    EXPECT_TRUE(next.modified());
    EXPECT_EQ(next.path(), kBox);
    EXPECT_EQ(next.title(), "box.obj");
    // A model file is no work file: Save must ask for a name.
    EXPECT_FALSE(next.hasWorkFilePath());
    // The work is the new program's copy now, and the old one is gone.
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{
                                        fs::path(nextStore.copyPath()).filename().string(),
                                        fs::path(nextStore.copyPath()).filename().string() + ".lock"}));
}

TEST_F(Recovery, AWorkFileDocumentSavesStraightBackAfterRestoring) {
    editBox();
    const std::string work = dir.path() + "/box.ufd";
    ASSERT_TRUE(doc.save(work));
    doc.notify(DocumentEvent::Redraw);
    doc.setModified();
    writeCopy();
    crash();

    RecoveryStore nextStore(dir.path());
    ASSERT_TRUE(offerRecovery(next, nextStore, nextUi));
    EXPECT_EQ(next.path(), work);
    EXPECT_TRUE(next.hasWorkFilePath());
    EXPECT_TRUE(next.modified());
}

TEST_F(Recovery, DecliningRemovesTheCopy) {
    editBox();
    writeCopy();
    crash();

    RecoveryStore nextStore(dir.path());
    nextUi.answers = {Answer::No};
    EXPECT_FALSE(offerRecovery(next, nextStore, nextUi));
    EXPECT_EQ(next.model(), nullptr);
    EXPECT_TRUE(nextStore.orphans().empty());
    EXPECT_TRUE(filesIn(dir.path()).size() <= 1u);  // at most the new program's own lock
}

TEST_F(Recovery, DamagedAndForeignCopiesAreSetAsideWithAMessage) {
    editBox();
    std::string text = test::readFile(writeCopy());
    crash();
    for (const auto& name : filesIn(dir.path())) fs::remove(dir.path() + "/" + name);

    dir.write("1-1.recovery", "# Plikatra Designer Work Info ver 2\nversion 2\n");  // not a copy
    dir.write("2-2.recovery", text.substr(0, text.size() / 2));                     // cut short
    std::string other = text;
    other.replace(other.find(programVersion()), std::string(programVersion()).size(), "0.0z");
    dir.write("3-3.recovery", other);
    dir.write("4-4.recovery", "");
    std::string broken = text;  // whole, but its body is no work file
    broken.replace(broken.find("solids 1"), 8, "solids 9");
    dir.write("5-5.recovery", broken);
    fs::create_directory(dir.path() + "/6-6.recovery");  // not even a file: left alone

    RecoveryStore nextStore(dir.path());
    nextUi.answers = {Answer::Yes};
    EXPECT_FALSE(offerRecovery(next, nextStore, nextUi));
    EXPECT_EQ(next.model(), nullptr);
    int damaged = 0, otherVersion = 0, questions = 0;
    for (const auto& e : nextUi.entries) {
        questions += e.question;
        damaged += e.text.find("cannot be read") != std::string::npos;
        otherVersion += e.text.find("another version of the program (0.0z)") != std::string::npos;
    }
    EXPECT_EQ(questions, 1);  // only the broken body looked whole enough to offer
    EXPECT_EQ(damaged, 4);
    EXPECT_EQ(otherVersion, 1);
    for (const char* name : {"1-1", "2-2", "3-3", "4-4", "5-5"}) {
        EXPECT_FALSE(fs::exists(dir.path() + "/" + name + ".recovery")) << name;
        EXPECT_TRUE(fs::exists(dir.path() + "/" + name + ".recovery.damaged")) << name;
    }
    EXPECT_TRUE(nextStore.orphans().empty());
}

TEST_F(Recovery, ACopyOfARunningProgramIsNotOffered) {
    editBox();
    writeCopy();
    RecoveryStore other(dir.path());
    EXPECT_TRUE(other.orphans().empty());
}

TEST_F(Recovery, SaveDiscardAndNormalExitRemoveTheCopy) {
    editBox();
    const std::string copy = writeCopy();
    ASSERT_TRUE(fs::exists(copy));
    ASSERT_TRUE(doc.save(dir.path() + "/box.ufd"));
    EXPECT_FALSE(fs::exists(copy));

    doc.setModified();
    writeCopy();
    ASSERT_TRUE(fs::exists(copy));
    ASSERT_EQ(doc.open(kBox).result, kReadOk);  // the edits were given up
    EXPECT_FALSE(fs::exists(copy));

    doc.setModified();
    writeCopy();
    saver->finish();
    store.reset();
    EXPECT_TRUE(filesIn(dir.path()) == std::vector<std::string>{"box.ufd"});
}

TEST_F(Recovery, WrittenOnlyWhenTheIntervalHasPassedSinceTheChange) {
    using namespace std::chrono;
    saver->setInterval(seconds(60));
    const auto now = AutoSaver::Clock::now();
    ASSERT_EQ(doc.open(kBox).result, kReadOk);
    EXPECT_FALSE(saver->poll(now + hours(1)));  // nothing unsaved
    doc.setModified();
    EXPECT_FALSE(saver->poll(now + seconds(30)));
    EXPECT_TRUE(saver->poll(now + seconds(61)));
    store->wait();
    EXPECT_TRUE(fs::exists(store->copyPath()));
    EXPECT_FALSE(saver->poll(now + hours(2)));  // no change since
    doc.notify(DocumentEvent::Redraw);
    saver->setInterval(seconds(0));
    EXPECT_FALSE(saver->poll(now + hours(3)));  // turned off
}

TEST(RecoveryText, HeaderSurvivesAndTimeIsLocalClock) {
    RecoveryInfo info{programVersion(), 1700000000, "/home/u/a b.obj", false};
    RecoveryInfo back;
    std::string_view body;
    const std::string text = recoveryText(info, "x\nend 2\n");
    ASSERT_EQ(parseRecoveryText(text, back, body), RecoveryCheck::Ok);
    EXPECT_EQ(back.documentPath, info.documentPath);
    EXPECT_EQ(back.savedAt, info.savedAt);
    EXPECT_EQ(body, "x\nend 2\n");

    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(recoveryTimeText(1700000000, 1700000000 + 60), "22:13");
    EXPECT_EQ(recoveryTimeText(1700000000, 1700000000 + 86400 * 3), "22:13 on 2023-11-14");
    unsetenv("TZ");
    tzset();
}

}  // namespace
