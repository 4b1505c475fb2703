// The desktop program started as a script would start it: open a model, unfold it, write the
// main window as a picture. Both views must have drawn something a user would recognise.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "base/version.h"
#include "test_util.h"

namespace plikatra::test {
namespace {

struct PaneCounts {
    int total = 0;
    int white = 0;
    int grey = 0;    // the development view's background
    int colour = 0;  // anything else: faces, lines, flaps
};

PaneCounts count(const QImage& image, QRect pane) {
    PaneCounts c;
    for (int y = pane.top(); y <= pane.bottom(); ++y)
        for (int x = pane.left(); x <= pane.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            ++c.total;
            if (p.red() == 255 && p.green() == 255 && p.blue() == 255)
                ++c.white;
            else if (std::abs(p.red() - 128) <= 1 && p.red() == p.green() && p.green() == p.blue())
                ++c.grey;
            else
                ++c.colour;
        }
    return c;
}

TEST(Screenshot, BothViewsDrawAnUnfoldedCorpusModel) {
    QTemporaryDir dir;
    const QString shot = dir.filePath("window.png");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PLIKATRA_PROFILE", dir.filePath("plikatra.ini"));
    env.insert("LIBGL_ALWAYS_SOFTWARE", "1");
    program.setProcessEnvironment(env);
    const QString path =
        QString(PLIKATRA_CORPUS_DIR) + "/obj/catmark_torus/catmark_torus_creases0.obj";
    program.start(QString(PLIKATRA_BIN_DIR) + "/plikatra", {path, "--unfold", "--screenshot", shot});
    ASSERT_TRUE(program.waitForFinished(120000));
    ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(1280, 800));
    // Below the bars and above the status bar, the model view fills the left half and the
    // development view the right half.
    const QRect left(20, 80, 580, 660), right(680, 80, 580, 660);
    const PaneCounts model = count(image, left);
    const PaneCounts sheet = count(image, right);
    // The model view: a white background with the torus in the middle, seen from above, so
    // mostly its edges and its opened cuts show.
    EXPECT_GT(model.white, model.total / 4);
    EXPECT_GT(model.colour, model.total / 100);
    // The development view: grey around a white sheet with the parts on it.
    EXPECT_GT(sheet.grey, sheet.total / 20);
    EXPECT_GT(sheet.white, sheet.total / 10);
    EXPECT_GT(sheet.colour, sheet.total / 100);
    // The tool bars and the status bar are not empty bands.
    EXPECT_GT(count(image, QRect(0, 25, 600, 20)).colour, 200);
}

// Like any desktop program's, the usage and the version are printed without a display.
TEST(DesktopProgram, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(variable);
    auto run = [&](const QString& option) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString(PLIKATRA_BIN_DIR) + "/plikatra", {option});
        EXPECT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        return program.readAllStandardOutput().toStdString();
    };
    const std::string usage = run("--help");
    EXPECT_EQ(usage.rfind("Usage: plikatra [FILE]", 0), 0u) << usage;
    EXPECT_NE(usage.find("--screenshot OUT.png"), std::string::npos);
    EXPECT_NE(usage.find(".obj"), std::string::npos);
    EXPECT_EQ(run("-h"), usage);
    EXPECT_EQ(run("--version"), std::string("Plikatra Designer ") + programVersion() + "\n");
}

}  // namespace
}  // namespace plikatra::test
