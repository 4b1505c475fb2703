// Damaged work files never open as if they were whole: they fail with result 1 and the
// loader's message, and the document that was open stays.
#include <cmath>
#include <cstdio>
#include <random>

#include "app/document.h"
#include "output/eps_writer.h"
#include "reader_support.h"

namespace plikatra {
namespace {

using test::ReaderTest;
using test::replaced;

// The document keeps what it had when a file fails to open.
class DamagedFileTest : public ReaderTest {
protected:
    void SetUp() override {
        ASSERT_EQ(doc_.open(dir_.write("good.ufd", golden("development.ufd"))).result, kReadOk);
        previous_ = doc_.model();
        ui_.entries.clear();
    }
    // Opens `bytes` as a work file through the document and expects the refusal.
    void expectRefused(const std::string& bytes, const std::string& what) {
        ui_.entries.clear();
        const LoadOutcome outcome = doc_.open(dir_.write("damaged.ufd", bytes));
        EXPECT_EQ(outcome.result, kReadFailed) << what;
        EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgLoadFailed}) << what;
        EXPECT_EQ(doc_.model(), previous_) << what;
        EXPECT_EQ(doc_.path(), dir_.path() + "/good.ufd") << what;
    }

    Document doc_{ui_, settings_};
    const Model* previous_ = nullptr;
};

TEST_F(DamagedFileTest, EmptyRandomAndHeaderlessFilesAreRefused) {
    expectRefused("", "empty");
    std::mt19937 rng(15);
    std::string random(4096, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    expectRefused(random, "random bytes");
    std::string words;
    for (int i = 0; i < 500; ++i) words += std::to_string(rng() % 100) + (i % 7 ? " " : "\n");
    expectRefused(words, "numbers");
    // The version comes before any record; the writer always puts it there.
    const std::string file = golden("development.ufd");
    expectRefused(replaced(file, "version 2\nmin_version 2\n", ""), "no version");
    expectRefused(replaced(file, "version 2\nmin_version 2\n\nmodel", "model") , "model first");
}

TEST_F(DamagedFileTest, FileCutAtEveryLineOrInsideItsPixelsIsRefused) {
    const std::string file = golden("development.ufd");
    const size_t end = file.rfind("end 2");
    for (size_t at = 0; at < end; at = file.find('\n', at) + 1) expectRefused(file.substr(0, at), "cut");
    const size_t pixels = file.find("\n2 2\n") + 5;
    expectRefused(file.substr(0, pixels + 7), "cut inside the pixels");
}

TEST_F(DamagedFileTest, UnknownKeysAndMissingInfoKeysStillOpen) {
    std::string file = replaced(golden("development.ufd"), "solids 1", "futurekey 42\nsolids 1");
    file = replaced(file, "iAngleEps 170\n", "futureflag 1\n");
    file = replaced(file, "dKavimozuMargin 0.250000\n", "");
    ASSERT_EQ(doc_.open(dir_.write("newer.ufd", file)).result, kReadOk);
    EXPECT_NE(doc_.model(), previous_);
    EXPECT_EQ(doc_.model()->solids[0]->faces.size(), 2u);
}

// Records that each read well but do not hang together: a corner no edge names (the file of
// the crash this guards against), links that do not return, a fold between two parts, parts
// listing faces of another solid or none, a corner outside the model or further from its part
// than unfolding could put it, numbers that are no numbers, and scales that a saved file would
// give back as zero or too large.
TEST_F(DamagedFileTest, RecordsThatDoNotHangTogetherAreRefused) {
    const std::string file = golden("development.ufd");
    const std::string twoParts =
        replaced(replaced(file, "parts 1\n0 1.500000 2.250000 5.000000 3.500000\n",
                          "parts 2\n0 1.500000 2.250000 5.000000 3.500000\n0 0 0 1 1\n"),
                 "0 0 0.000000 0.000000 1.000000 -0.500000", "0 1 0.000000 0.000000 1.000000 -0.500000");
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"corner without edge", replaced(replaced(file, "edges 6", "edges 5"), "1 -1 3 0 0 0\n", "")},
        {"fold between two parts", twoParts},
        {"second halfedge without first", replaced(file, "1 -1 3 0 0 0", "-1 1 0 3 0 0")},
        {"flat position not a number", replaced(file, "1 2.500000 0.000000 0.500000", "1 nan 0.000000 0.500000")},
        {"flap height infinite", replaced(file, "1 1 0.750000", "1 1 inf")},
        {"part width infinite", replaced(file, "5.000000 3.500000", "inf 3.500000")},
        {"scale not a number", replaced(file, "dMag2d 20.000000", "dMag2d nan")},
        {"text box infinite", replaced(file, "24 1.000000 -2.000000", "24 -inf -2.000000")},
        {"vertex not a number", replaced(file, "2.500000 1.250000 0.000000\n0.000000", "2.500000 nan 0.000000\n0.000000")},
        {"part of no faces", replaced(file, "parts 1\n", "parts 2\n0 0 0 1 1\n")},
        {"corner outside the bounds", replaced(file, "0.000000 1.250000 0.123457\nfaces", "0.000000 1.250000 500.000000\nfaces")},
        {"corner flung from its part", replaced(file, "3 0.000000 1.250000", "3 500.000000 1.250000")},
        {"3D scale saved as zero", replaced(replaced(file, "model 2.500000", "model 4400000.000000"),
                                           "dMag3d 0.500000", "dMag3d 0.0000004")},
        {"3D scale saved too large for the bounds",
         replaced(replaced(file, "model 2.500000", "model 4400000.000000"), "dMag3d 0.500000", "dMag3d 0.0000009")},
        {"2D scale saved as zero", replaced(file, "dMag2d 20.000000", "dMag2d 0.0000004")},
        {"no bounds", replaced(file, "model 2.500000 1.250000 0.123457 0.000000 0.000000 0.000000\n", "")},
        {"bounds inside out", replaced(file, "model 2.500000", "model -2.500000")},
    };
    for (const Case& c : cases) expectRefused(c.bytes, c.what);
    // The same two parts without the fold between them are a sound file.
    ASSERT_EQ(doc_.open(dir_.write("parts.ufd", replaced(twoParts, "0 1 2 0 7 1", "0 1 2 0 7 0"))).result,
              kReadOk);
}

// A loaded file can be drawn, unfolded again, edited and saved: here a face of 200,000 corners,
// in bounded time.
TEST_F(DamagedFileTest, FaceOfTwoHundredThousandCornersLoadsUnfoldsAndSaves) {
    const int n = 200000;
    std::string text = "version 2\nmin_version 2\nmodel 1 1 0 -1 -1 0\nsolids 1\nsolid\nring\n1\nvertices " + std::to_string(n) + "\n";
    for (int i = 0; i < n; ++i)
        text += format("%f %f 0.000000\n", std::cos(i * 2 * M_PI / n), std::sin(i * 2 * M_PI / n));
    text += "faces 1\n-1 -1 0.000000 0.000000 1.000000 0.000000 " + std::to_string(n) + " \n";
    for (int i = 0; i < n; ++i) text += std::to_string(i) + " 0 0 0 0 0 1 0.5\n";
    text += "edges " + std::to_string(n) + "\n";
    for (int i = 0; i < n; ++i) text += format("0 -1 %d %d 5 0\n", i, (i + 1) % n);
    text += "info\nbFinished 0\n/info\nend 2\n";
    ASSERT_EQ(doc_.open(dir_.write("ring.ufd", text)).result, kReadOk);
    ASSERT_TRUE(doc_.createDevelopment(true));
    EXPECT_EQ(doc_.model()->parts.size(), 1u);
    EXPECT_TRUE(doc_.exportEps(dir_.path() + "/ring.eps"));
    EXPECT_TRUE(doc_.save(dir_.path() + "/again.ufd"));
    EXPECT_EQ(doc_.open(dir_.path() + "/again.ufd").result, kReadOk);
}

// Four hundred separate triangles, each four million units across, in a file that is not
// normalised: no page fits them at a 2D scale a work file holds, so the layout keeps the
// smallest it holds, and the saved development reads back.
TEST_F(DamagedFileTest, DevelopmentTooWideForAnyStoredScaleSavesAndReopens) {
    const int n = 400;
    std::string text = "version 2\nmin_version 2\nmodel 4000000 4000000 0 0 0 0\nsolids 1\nsolid\nt\n1\n";
    text += format("vertices %d\n", 3 * n);
    for (int i = 0; i < n; ++i) text += "0 0 0\n4000000 0 0\n0 4000000 0\n";
    text += format("faces %d\n", n);
    for (int i = 0; i < n; ++i)
        text += format("-1 -1 0 0 1 0 3 \n%d 0 0 0 0 0 1 0.5\n%d 0 0 0 0 0 1 0.5\n%d 0 0 0 0 0 1 0.5\n",
                       3 * i, 3 * i + 1, 3 * i + 2);
    text += format("edges %d\n", 3 * n);
    for (int i = 0; i < 3 * n; ++i) text += format("%d -1 %d %d 5 0\n", i / 3, i, i % 3 == 2 ? i - 2 : i + 1);
    text += "info\ndMag3d 0.000001\nbFinished 0\n/info\nend 2\n";
    ASSERT_EQ(doc_.open(dir_.write("wide.ufd", text)).result, kReadOk);
    ASSERT_TRUE(doc_.createDevelopment(true));
    EXPECT_EQ(doc_.model()->dMag2d, kSmallestStoredScale);
    EXPECT_FALSE(doc_.editor().scaleDown());
    ASSERT_TRUE(doc_.save(dir_.path() + "/again.ufd"));
    EXPECT_EQ(doc_.open(dir_.path() + "/again.ufd").result, kReadOk);
}

}  // namespace
}  // namespace plikatra
