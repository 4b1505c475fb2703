#include <QScreen>
#include <QAction>
#include <QDropEvent>
#include <QCheckBox>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "qt/window/desktop_program.h"
#include "qt/window/progress_window.h"
#include "base/profile.h"
#include "hexaking_test_file.h"
#include "window_support.h"

namespace plikatra::test {
namespace {

namespace fs = std::filesystem;

// One model file of each format the program reads: from the corpus where it is, generated
// where not.
std::vector<std::string> oneModelOfEachFormat(const TempDir& dir) {
    std::vector<std::string> files = {kExampleBox};
    const fs::path corpus = PLIKATRA_CORPUS_DIR;
    for (const char* relative : {"3ds/o3dv/cube_four_instances.3ds", "mqo/dchan/d-chan.mqo",
                                 "dxf/bjnortier_threeDFaces.dxf", "lwo/nangtani/lwo2_box1-uv.lwo"})
        if (fs::exists(corpus / relative)) files.push_back((corpus / relative).string());
    hexaking::File hk;
    hexaking::Node shape;
    shape.objectField = 2;
    shape.vertices = {{1, 2, 3}, {11, 2, 3}, {1, 12, 3}, {1, 2, 13}};
    shape.faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
    hk.root.children = {shape};
    files.push_back(dir.write("tetra.6kt", hexaking::write(hk)));
    return files;
}

void drop(QWidget* target, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST_F(WindowTest, MenusToolBarsAndTheDevelopmentBar) {
    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&3D Model", "&Development", "&View", "&Configuration", "&Help"}));
    EXPECT_EQ(window->findChildren<QToolBar*>().size(), 3);
    EXPECT_EQ(window->action(CommandId::SaveDevelopment)->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_EQ(window->action(CommandId::SaveDevelopment)->statusTip(), "Save the development to file");
    auto* create = window->findChild<QPushButton*>("createDevelopment");
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->isEnabled());  // no model yet
    EXPECT_FALSE(window->action(CommandId::Save)->isEnabled());
    EXPECT_TRUE(window->action(CommandId::Open)->isEnabled());
    EXPECT_TRUE(window->close());  // nothing to save: closes without a question
    EXPECT_TRUE(frontEnd.texts.empty());
}

// A first start has no placement in the profile: the window takes four fifths of the screen,
// centred, rather than the strip its bars alone would make. A kept placement comes back.
TEST_F(WindowTest, FirstStartFillsMostOfTheScreenAndAKeptPlacementComesBack) {
    const QRect area = window->screen()->availableGeometry();
    window->restorePlacement();
    EXPECT_EQ(window->size(), QSize(area.width() * 4 / 5, area.height() * 4 / 5));
    EXPECT_LE(std::abs(window->geometry().center().x() - area.center().x()), 1);

    window->setGeometry(40, 50, 700, 500);
    QApplication::processEvents();
    window->savePlacement();
    MainWindow again(doc, frontEnd, profilePath());
    again.restorePlacement();
    EXPECT_EQ(again.geometry(), QRect(40, 50, 700, 500));
}

// Lets the window take the sizes a start gives it, as the event loop would.
void settle() { QTest::qWait(700); }

// What the user leaves at exit comes back at the next start, in a window that has its size only
// once it is shown: its place, and the panes divided as they were (split, the development view
// alone, the 3D view alone), normal or maximised.
TEST_F(WindowTest, ARestartShowsThePanesAsTheyWereLeft) {
    window->close();
    struct Case {
        const char* what;
        bool maximised;
        std::function<void(MainWindow&)> leave;
    };
    const std::vector<Case> cases = {
        {"split", false, [](MainWindow& w) { w.splitter()->setSizes({300, 600}); }},
        {"development only", false, [](MainWindow& w) { w.run(CommandId::OnlyDevelopmentWindow); }},
        {"3D only", false, [](MainWindow& w) { w.splitter()->setSizes({w.splitter()->width(), 0}); }},
        {"split, maximised", true, [](MainWindow& w) { w.splitter()->setSizes({250, 800}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir.path() + "/plikatra.ini");
        // The first start, on an empty profile.
        QList<int> left;
        QRect placed;
        {
            MainWindow first(doc, frontEnd, profilePath());
            first.restorePlacement();
            first.show();
            settle();
            first.setGeometry(60, 40, 900, 600);
            settle();
            if (c.maximised) first.showMaximized();
            settle();
            c.leave(first);
            QApplication::processEvents();
            left = first.splitter()->sizes();
            placed = first.normalGeometry();
            ASSERT_TRUE(first.close());
        }
        MainWindow again(doc, frontEnd, profilePath());
        again.restorePlacement();
        if (c.maximised) again.showMaximized();
        else again.show();
        settle();
        EXPECT_EQ(again.normalGeometry(), placed);
        EXPECT_EQ(again.isMaximized(), c.maximised);
        EXPECT_EQ(again.splitter()->sizes(), left);
    }

    // A window manager may size the window long after it was shown; until the user first does
    // something that still belongs to the start. After that, a new width splits the window in
    // half.
    const int kept = std::stoi(readProfileString(profilePath(), kProfileWindow, "modelWidth"));
    MainWindow late(doc, frontEnd, profilePath());
    late.restorePlacement();
    late.show();
    QTest::qWait(1500);
    late.resize(1100, 650);
    settle();
    EXPECT_EQ(late.splitter()->sizes().value(0), kept);
    QTest::keyClick(&late, Qt::Key_Shift);
    late.resize(1000, 650);
    settle();
    EXPECT_LE(std::abs(late.splitter()->sizes().value(0) - late.splitter()->sizes().value(1)), 1);
}

TEST_F(WindowTest, OpensEveryFormatByOpenFileAndByDrop) {
    for (const std::string& file : oneModelOfEachFormat(dir)) {
        SCOPED_TRACE(file);
        doc.close();
        ASSERT_TRUE(window->openFile(QString::fromStdString(file)));
        ASSERT_NE(doc.model(), nullptr);
        EXPECT_TRUE(window->action(CommandId::CreateDevelopment)->isEnabled());
        doc.close();
        drop(window.get(), file);
        EXPECT_NE(doc.model(), nullptr);
    }
    EXPECT_EQ(window->recentFiles().paths().size(), 4u);  // the list keeps four
    EXPECT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
}

TEST_F(WindowTest, DevelopmentBarCreatesAndUndoesWithItsQuestions) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(kExampleBox)));
    auto* create = window->findChild<QPushButton*>("createDevelopment");
    auto* undo = window->findChild<QPushButton*>("undoDevelopment");
    window->findChild<QCheckBox*>("autoLayout")->setChecked(true);
    create->click();
    QApplication::processEvents();
    ASSERT_TRUE(doc.hasDevelopment());
    EXPECT_FALSE(create->isEnabled());
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(window->action(CommandId::Print)->isEnabled());

    doc.model()->texts.push_back(std::make_unique<TextItem>());
    frontEnd.answers = {Answer::Cancel};
    undo->click();
    EXPECT_TRUE(doc.hasDevelopment());
    frontEnd.answers = {Answer::Ok, Answer::Yes};
    undo->click();
    QApplication::processEvents();
    EXPECT_FALSE(doc.hasDevelopment());
    EXPECT_EQ(doc.model()->texts.size(), 1u);  // kept, as answered
    EXPECT_EQ(frontEnd.texts.size(), 3u);
    EXPECT_TRUE(create->isEnabled());
}

TEST_F(WindowTest, SaveQuestionsThreeAnswersAndSavingWorkFiles) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(kExampleBox)));
    run(CommandId::CreateDevelopment);
    ASSERT_TRUE(doc.modified());
    // Cancel: the operation that asked stops.
    frontEnd.answers = {Answer::Cancel};
    EXPECT_FALSE(window->askSaveChanges());
    // The question and the window name the model by its file.
    EXPECT_EQ(frontEnd.texts.back(), "Save the changes to box.obj?");
    EXPECT_EQ(window->windowTitle(), "box.obj[*] - Plikatra Designer");
    // No: go on without saving.
    frontEnd.answers = {Answer::No};
    EXPECT_TRUE(window->askSaveChanges());
    EXPECT_TRUE(doc.modified());

    // A document from a work file saves without asking for a name.
    const std::string work = dir.path() + "/box.ufd";
    ASSERT_TRUE(doc.save(work));
    const std::string first = readFile(work);
    ASSERT_TRUE(window->openFile(QString::fromStdString(work)));
    doc.editor().mirror();
    ASSERT_TRUE(doc.modified());
    frontEnd.answers = {Answer::Yes};
    EXPECT_TRUE(window->askSaveChanges());  // Yes saves to the document's own path
    EXPECT_FALSE(doc.modified());
    EXPECT_NE(readFile(work), first);
    doc.editor().mirror();
    run(CommandId::Save);
    EXPECT_EQ(readFile(work), first);  // mirrored twice: the same file again
    EXPECT_EQ(window->windowTitle(), "box.ufd[*] - Plikatra Designer");
}

TEST_F(WindowTest, TheExchangeFileStaysOutOfTheRecentList) {
    hexaking::File hk;
    hexaking::Node shape;
    shape.objectField = 2;
    shape.vertices = {{1, 2, 3}, {11, 2, 3}, {1, 12, 3}, {1, 2, 13}};
    shape.faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
    hk.root.children = {shape};
    const std::string exchange = dir.write("Plikatra_TMP.6kt", hexaking::write(hk));
    ASSERT_TRUE(window->openFile(QString::fromStdString(exchange)));
    EXPECT_EQ(doc.path(), "Untitled.6kt");
    EXPECT_TRUE(window->recentFiles().paths().empty());
}

TEST_F(WindowTest, CancelInTheProgressWindowKeepsThePreviousDocument) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(kExampleBox)));
    const Model* before = doc.model();
    // A strip long enough that reading it takes several progress steps.
    std::string obj;
    const int n = 200000;
    obj.reserve(static_cast<size_t>(n) * 40);
    for (int i = 0; i <= n; ++i) obj += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\n";
    for (int i = 0; i < n; ++i)
        obj += "f " + std::to_string(2 * i + 1) + " " + std::to_string(2 * i + 3) + " " +
               std::to_string(2 * i + 4) + " " + std::to_string(2 * i + 2) + "\n";
    const std::string big = dir.write("strip.obj", obj);
    // Presses Cancel as soon as the window is up.
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        for (ProgressWindow* w : window->findChildren<ProgressWindow*>())
            if (w->isVisible())
                for (QPushButton* b : w->findChildren<QPushButton*>()) b->click();
    });
    presser.start(5);
    EXPECT_FALSE(window->openFile(QString::fromStdString(big)));
    presser.stop();
    EXPECT_EQ(doc.model(), before);
    ASSERT_FALSE(frontEnd.texts.empty());
    EXPECT_EQ(frontEnd.texts.back(), "Canceled loading");
}

// The window's messages about a file keep the program's text as their first line and name the
// file and why it failed.
TEST_F(WindowTest, FileMessagesNameTheFileAndTheReason) {
    const std::string missing = dir.path() + "/none.obj";
    EXPECT_FALSE(window->openFile(QString::fromStdString(missing)));
    ASSERT_FALSE(frontEnd.texts.empty());
    EXPECT_EQ(frontEnd.texts.back(), "Cannot open file\n" + missing + "\nNo such file or directory");

    const std::string damaged = dir.write("damaged.3ds", "MM\x10\x00");
    EXPECT_FALSE(window->openFile(QString::fromStdString(damaged)));
    EXPECT_EQ(frontEnd.texts.back().substr(0, frontEnd.texts.back().find('\n')), "Failed to load specified file");
    EXPECT_NE(frontEnd.texts.back().find("\n" + damaged + "\n"), std::string::npos) << frontEnd.texts.back();

    ASSERT_TRUE(window->openFile(QString::fromStdString(kExampleBox)));
    run(CommandId::CreateDevelopment);
    const std::string work = dir.path() + "/box.ufd";
    ASSERT_TRUE(doc.save(work));
    ASSERT_TRUE(window->openFile(QString::fromStdString(work)));
    std::filesystem::remove(work);
    std::filesystem::create_directory(work);
    doc.editor().mirror();
    frontEnd.texts.clear();
    run(CommandId::Save);  // the work file has become a folder
    ASSERT_FALSE(frontEnd.texts.empty());
    EXPECT_EQ(frontEnd.texts.back(), "Cannot write to file\n" + dir.path() + "/box.ufd\nIs a directory");
}

// Help > Contents finds the help from the build folder, and shows it in a window of its own
// where no browser takes it.
TEST_F(WindowTest, HelpIsFoundAndShownWithoutABrowser) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path()));  // no xdg-open, no browser
    run(CommandId::HelpContents);
    qputenv("PATH", path);
    EXPECT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
    ASSERT_NE(window->helpWindow(), nullptr);
    EXPECT_TRUE(window->helpWindow()->isVisible());
    EXPECT_TRUE(window->helpWindow()->source().toLocalFile().endsWith("/help/index.html"));
    EXPECT_FALSE(window->helpWindow()->toPlainText().isEmpty());
}

TEST(DesktopArguments, OnePathQuotesStrippedAndOptions) {
    DesktopOptions o = parseDesktopArguments({"\"/tmp/my model.obj\""});
    EXPECT_EQ(o.path, "/tmp/my model.obj");
    o = parseDesktopArguments({"/tmp/my", "model.obj", "--unfold", "--screenshot", "out.png"});
    EXPECT_EQ(o.path, "/tmp/my model.obj");
    EXPECT_TRUE(o.unfold);
    EXPECT_EQ(o.screenshot, "out.png");
    EXPECT_FALSE(parseDesktopArguments({"--unfold"}).error.isEmpty());
    EXPECT_FALSE(parseDesktopArguments({"--bogus"}).error.isEmpty());
}

}  // namespace
}  // namespace plikatra::test
