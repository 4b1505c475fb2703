// Join numbers that read as other numbers upside down are marked in every drawing; patterns
// without such numbers are written exactly as before the marks existed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_support.h"
#include "emf_file.h"
#include "test_util.h"

using plikatra::test::TempDir;
using namespace plikatra::test;

namespace {

const std::string kData = std::string(PLIKATRA_SOURCE_DIR) + "/tests/cli/data/unmarked_numbers/";

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Unfolds `model` with join numbers shown into the vector drawings and the work file, under
// `dir` as NAME.eps, NAME.svg, NAME.emf, NAME.ufd.
CommandRun unfoldWithNumbers(const TempDir& dir, const std::string& model, const std::string& name) {
    const std::string base = dir.path() + "/" + name;
    // --set takes every value that follows it, so it comes last.
    return runCommand(cliCommand("unfold --json " + quote(model) + " --eps " + quote(base + ".eps") +
                                 " --svg " + quote(base + ".svg") + " --emf " + quote(base + ".emf") +
                                 " --out " + quote(base + ".ufd") + " --set bDrawEdgeNumber=1") +
                      " 2>/dev/null </dev/null");
}

}  // namespace

TEST(JoinNumberMarksCli, PatternsWithoutTurnableNumbersKeepTheirBytes) {
    // A tetrahedron's three cut edges are numbered 1 to 3: nothing to mark. The files beside
    // the model were written before numbers could be marked.
    TempDir dir;
    const CommandRun r = unfoldWithNumbers(dir, kData + "tetra.obj", "tetra");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(nlohmann::json::parse(r.out)["join_numbers"], 3);
    for (const char* ext : {".eps", ".svg", ".emf", ".ufd"})
        EXPECT_EQ(readFile(dir.path() + "/tetra" + ext), readFile(kData + "tetra" + ext)) << ext;
}

TEST(JoinNumberMarksCli, TurnableNumbersAreMarkedInEveryDrawing) {
    // The box's cut edges are numbered 1 to 9; 6 and 9 read as each other upside down. Each
    // number stands on both sides of its cut, so four bars.
    TempDir dir;
    const std::string box = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
    CommandRun r = unfoldWithNumbers(dir, box, "box");
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_EQ(nlohmann::json::parse(r.out)["join_numbers"], 9);
    const std::string eps = readFile(dir.path() + "/box.eps");
    EXPECT_EQ(count(eps, "(6)show\nnewpath"), 2u);
    EXPECT_EQ(count(eps, "(9)show\nnewpath"), 2u);
    EXPECT_EQ(count(eps, "newpath\n0 -"), 4u);  // no other number has one
    const std::string svg = readFile(dir.path() + "/box.svg");
    const std::string numbers = svg.substr(svg.find("<g id=\"numbers\""));
    EXPECT_EQ(count(numbers.substr(0, numbers.find("</g>")), "<path"), 4u);
    // In the metafile the bars are the only filled polygons drawn after the first text.
    const std::string emf = readFile(dir.path() + "/box.emf");
    const EmfFile file(std::vector<std::uint8_t>(emf.begin(), emf.end()));
    ASSERT_EQ(file.error, "");
    constexpr std::uint32_t kPolygon = 3, kExtTextOutW = 84, kPolygon16 = 86;
    size_t barsAfterText = 0;
    bool text = false;
    for (const EmfRecord& rec : file.records) {
        text |= rec.type == kExtTextOutW;
        barsAfterText += text && (rec.type == kPolygon16 || rec.type == kPolygon);
    }
    EXPECT_EQ(barsAfterText, 4u);

}
