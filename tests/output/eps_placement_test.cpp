// The EPS as other programs take it: recognised as EPS, every mark of real developments inside
// its bounding box, and numbers that stay on their edges when the drawing is placed, moved
// and scaled inside another page.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/open_model.h"
#include "eps_fixture.h"
#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

// The colour of pixel (x, y) of a binary PPM written by Ghostscript's ppmraw device.
struct Ppm {
    int width = 0, height = 0;
    std::string data;
    bool dark(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + (y * width + x) * 3;
        return p[0] < 128 && p[1] < 128 && p[2] < 128;
    }
};

Ppm readPpm(const std::string& path) {
    Ppm img;
    const std::string text = readFile(path);
    // Four header words ("P6", width, height, maximum), comment lines skipped, then one blank.
    std::vector<std::string> words;
    size_t at = 0;
    while (words.size() < 4 && at < text.size()) {
        if (text[at] == '#') {
            at = text.find('\n', at);
        } else if (std::isspace(static_cast<unsigned char>(text[at]))) {
            ++at;
        } else {
            const size_t end = text.find_first_of(" \t\r\n", at);
            words.push_back(text.substr(at, end - at));
            at = end;
        }
    }
    if (words.size() < 4 || words[0] != "P6") return img;
    img.width = std::atoi(words[1].c_str());
    img.height = std::atoi(words[2].c_str());
    img.data = text.substr(at + 1);
    return img;
}

TEST(EpsPlacement, FileRecognisesItAsEps) {
    SampleDevelopment d = makeSampleDevelopment();
    TempDir dir;
    const std::string path = dir.write("sample.eps", exportToString(*d.model));
    const std::string out = dir.path() + "/file.txt";
    if (std::system(("file -b " + path + " >" + out + " 2>&1").c_str()) != 0)
        GTEST_SKIP() << "the file command is not installed";
    EXPECT_NE(readFile(out).find("EPS"), std::string::npos) << readFile(out);
}

TEST(EpsPlacement, NumbersStayOnTheirEdgesWhenPlacedAndScaled) {
    Settings settings;
    settings.bDrawEdgeNumber = true;
    settings.iEdgeNumberFontSize = 24;
    SampleDevelopment d = makeSampleDevelopment();
    const std::string eps = exportToString(*d.model, settings);
    // A page that places the drawing as documents do: its own origin shift and scale, with
    // the drawing's showpage kept from ending the page.
    TempDir dir;
    const std::string page = dir.write(
        "page.ps", "%!PS\n<< /PageSize [400 200] >> setpagedevice\n/showpage {} def\n"
                   "gsave 20 20 translate 0.5 0.5 scale 0 36 translate\n" + eps +
                   "\ngrestore\nsystemdict /showpage get exec\n");
    const std::string png = dir.path() + "/page.ppm";
    const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -sOutputFile=" + png +
                            " " + page + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const Ppm img = readPpm(png);
    ASSERT_EQ(img.width, 400);
    // The cut edge of the sample runs from (252, -36) to (252, 108) in drawing points; its
    // numbers stand beside it at mid-height. On the page: x = 20 + 0.5·252 = 146, y from the
    // bottom = 20 + 0.5·(36 + 36) = 56, that is row 200 − 56 = 144.
    int near = 0;
    for (int y = 144 - 12; y <= 144 + 12; ++y)
        for (int x = 146 - 14; x <= 146 + 14; ++x) near += img.dark(x, y);
    EXPECT_GT(near, 20) << "no number drawn beside the edge";
    // A number placed after resetting the page's transformation would land at the drawing's
    // own coordinates: the second one at (361, 39) points, row 161, where the placed drawing
    // has nothing.
    int astray = 0;
    for (int y = 140; y < 200; ++y)
        for (int x = 350; x < 380; ++x) astray += img.dark(x, y);
    EXPECT_EQ(astray, 0);
}

TEST(EpsPlacement, EveryMarkOfCorpusDevelopmentsIsInsideTheBox) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR);
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus beside the checkout";
    Settings settings;
    settings.bDrawEdgeNumber = true;
    RecordingFrontEnd quiet;
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || !isSupportedModelFile(entry.path().string())) continue;
        LoadOutcome outcome;
        auto m = readModelFile(entry.path().string(), ModelFileOptions{}, quiet, outcome);
        // Large models take long to unfold with the reference engine; they add nothing here.
        if (!m || modelStats(*m).faces > 3000) continue;
        SCOPED_TRACE(entry.path().string());
        ASSERT_TRUE(createDevelopment(*m, settings));
        exportChecked(*m, settings);
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

}  // namespace
