#include <gtest/gtest.h>

#include <cmath>

#include "app/document.h"
#include "app/terminal_front_end.h"
#include "base/file_io.h"
#include "base/terminal_progress.h"
#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::TempDir;

namespace {

class LoaderTest : public testing::Test {
protected:
    LoadOutcome loadModel(const std::string& path) { return doc.open(path); }
    Model* currentModel() { return doc.model(); }

    RecordingFrontEnd rec;
    Settings settings;
    Document doc{rec, settings};
    TempDir dir;
};

std::string box(double sx, double sy, double sz) {
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += format("v %g %g %g\n", (i & 1) ? sx : 0.0, (i & 2) ? sy : 0.0, (i & 4) ? sz : 0.0);
    s += "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 2 4 8 6\nf 1 5 7 3\n";
    return s;
}

// A strip of `n` quads.
std::string strip(int n) {
    std::string s;
    for (int i = 0; i <= n; ++i) s += format("v %d 0 0\nv %d 1 0\n", i, i);
    for (int i = 0; i < n; ++i) s += format("f %d %d %d %d\n", 2 * i + 1, 2 * i + 3, 2 * i + 4, 2 * i + 2);
    return s;
}

}  // namespace

TEST_F(LoaderTest, NormalisesIntoUnitCube) {
    const std::string path = dir.write("box.OBJ", box(10, 4, 2));
    const LoadOutcome r = loadModel(path);
    ASSERT_EQ(r.result, kReadOk);
    Model* m = currentModel();
    ASSERT_NE(m, nullptr);
    EXPECT_DOUBLE_EQ(m->dMag3d, 0.2);
    EXPECT_EQ(m->boundsMax.x, 10.0);  // bounds stay in file units
    double lo = 1e9, hi = -1e9;
    for (auto& v : m->solids[0]->vertices) {
        lo = std::min(lo, v->position.x);
        hi = std::max(hi, v->position.x);
        EXPECT_LE(std::fabs(v->position.y), 0.4 + 1e-12);
    }
    EXPECT_EQ(lo, -1.0);
    EXPECT_EQ(hi, 1.0);
    EXPECT_EQ(m->path, path);
    EXPECT_GT(m->meanEdgeLength, 0.0);
    EXPECT_TRUE(rec.entries.empty());
}

TEST_F(LoaderTest, MessagesForUnopenableAndUnknownFiles) {
    EXPECT_EQ(loadModel(dir.path() + "/missing.obj").result, kReadFailed);
    EXPECT_EQ(loadModel(dir.path()).result, kReadFailed);  // a folder
    EXPECT_EQ(loadModel(dir.write("x.xyz", "solid x\n")).result, kReadFailed);
    EXPECT_EQ(loadModel(dir.write("noext", "v 0 0 0\n")).result, kReadFailed);
    EXPECT_EQ(rec.texts(), (std::vector<std::string>{"Cannot open file", "Cannot open file",
                                                     "Cannot load file of specified type",
                                                     "Cannot load file of specified type"}));
    EXPECT_EQ(currentModel(), nullptr);
}

TEST_F(LoaderTest, FailedLoadKeepsPreviousModel) {
    static const char kGarbage[] = "\x00\x01\xff\xfe garbage \x7f\x80";
    ASSERT_EQ(loadModel(dir.write("a.obj", box(1, 1, 1))).result, kReadOk);
    Model* before = currentModel();
    const ModelStats s0 = modelStats(*before);
    const std::vector<std::string> bad = {
        dir.write("empty.obj", ""),
        dir.write("garbage.obj", std::string(kGarbage, sizeof kGarbage - 1)),
        dir.write("cut.obj", "v 1 2 3\nv 4 5"),
        dir.write("noface.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n"),
    };
    for (const auto& path : bad) {
        rec.entries.clear();
        EXPECT_EQ(loadModel(path).result, kReadFailed) << path;
        EXPECT_EQ(rec.texts(), std::vector<std::string>{"Failed to load specified file"}) << path;
        EXPECT_EQ(currentModel(), before);
    }
    const ModelStats s1 = modelStats(*currentModel());
    EXPECT_EQ(s1.faces, s0.faces);
    EXPECT_EQ(s1.vertices, s0.vertices);
}

TEST_F(LoaderTest, CancelKeepsPreviousModel) {
    ASSERT_EQ(loadModel(dir.write("a.obj", box(1, 2, 3))).result, kReadOk);
    Model* before = currentModel();
    const double mag = before->dMag3d;
    rec.progressWindow.cancelAtPump = 1;  // Cancel at the first chance
    rec.entries.clear();
    const LoadOutcome r = loadModel(dir.write("b.obj", strip(50)));
    EXPECT_EQ(r.result, kReadCancelled);
    EXPECT_EQ(rec.texts(), std::vector<std::string>{"Canceled loading"});
    EXPECT_EQ(currentModel(), before);
    EXPECT_EQ(currentModel()->dMag3d, mag);
    EXPECT_EQ(modelStats(*currentModel()).faces, 6);
}

TEST_F(LoaderTest, InterruptCancelsThroughTheTerminalFrontEnd) {
    // What Ctrl+C does in the command-line tool: the terminal front end reports Cancel.
    TerminalFrontEnd terminal;
    Document cli(terminal, settings);
    requestTerminalCancel();
    const LoadOutcome r = cli.open(dir.write("b.obj", strip(50)));
    clearTerminalCancel();
    EXPECT_EQ(r.result, kReadCancelled);
    EXPECT_EQ(cli.model(), nullptr);
    EXPECT_EQ(cli.open(dir.path() + "/b.obj").result, kReadOk);
}

TEST_F(LoaderTest, TooManySurfacesWarningAbove1000) {
    ASSERT_EQ(loadModel(dir.write("k.obj", strip(1000))).result, kReadOk);
    EXPECT_TRUE(rec.entries.empty());
    ASSERT_EQ(loadModel(dir.write("k1.obj", strip(1001))).result, kReadOk);
    ASSERT_EQ(rec.entries.size(), 1u);
    EXPECT_EQ(rec.entries[0].text,
              "Too many surfaces (# of surface: 1001).\nIt may take very long time to create development.\n"
              "In the paper craft model, the number of surfaces should be less than 500.");
    EXPECT_EQ(rec.entries[0].icon, MessageIcon::Information);
}

TEST(FileExtension, CaseAndFolders) {
    EXPECT_EQ(fileExtension("/a/b/Model.OBJ"), ".obj");
    EXPECT_EQ(fileExtension("/a.b/model"), "");
    EXPECT_EQ(fileExtension("x.tar.6KS"), ".6ks");
}
