#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_support.h"
#include "recording_front_end.h"
#include "textures/image_readers.h"
#include "test_util.h"

namespace fs = std::filesystem;
using plikatra::test::TempDir;
using namespace plikatra::test;
using CliRun = CommandRun;

namespace {

// Runs plikatra-cli with a private profile; standard error goes to a file.
CliRun cli(const std::string& args, const std::string& errFile = "/dev/null") {
    return runCommand(cliCommand(args) + " 2>" + errFile + " </dev/null");
}

}  // namespace

TEST(CliInfo, EveryCorpusObjLoads) {
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".obj") continue;
        ++count;
        const CliRun r = cli("info --json " + quote(entry.path().string()));
        ASSERT_EQ(r.status, 0) << entry.path();
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["result"], 0);
        EXPECT_GT(j["faces"].get<int>(), 0) << entry.path();
        EXPECT_GT(j["mag3d"].get<double>(), 0.0);
    }
    EXPECT_GE(count, 7);
}

TEST(CliInfo, PinnedCounts) {
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus";
    // Torus of 32 quads, closed: V − E + F = 0 with 16 × 2 vertices and 64 edges.
    auto j = nlohmann::json::parse(cli("info --json " + quote((root / "catmark_torus/catmark_torus_creases0.obj").string())).out);
    EXPECT_EQ(j["faces"], 32);
    EXPECT_EQ(j["vertices"], 32);
    EXPECT_EQ(j["edges"], 64);
    EXPECT_EQ(j["open_edges"], 0);
    EXPECT_EQ(j["solids"], 1);
    EXPECT_EQ(j["has_texcoords"], true);  // four "vt" lines shared by every quad
}

TEST(CliInfo, ExampleModelAndExitStatuses) {
    CliRun r = cli(std::string("info --json ") + PLIKATRA_SOURCE_DIR + "/examples/box.obj");
    ASSERT_EQ(r.status, 0);
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["faces"], 9);
    EXPECT_EQ(j["vertices"], 10);
    EXPECT_EQ(j["edges"], 17);
    EXPECT_EQ(j["open_edges"], 0);
    EXPECT_EQ(j["materials"], 2);
    EXPECT_DOUBLE_EQ(j["mag3d"].get<double>(), 1.0);
    EXPECT_EQ(j["bounds_max"][1], 1.9);

    TempDir dir;
    const std::string err = dir.path() + "/err.txt";
    r = cli("info " + quote(dir.path() + "/none.obj"), err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(plikatra::test::readFile(err).find("Cannot open file"), std::string::npos);
    r = cli("info " + quote(dir.write("e.obj", "")), err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(plikatra::test::readFile(err).find("Failed to load specified file"), std::string::npos);
    r = cli("info " + quote(dir.write("e.xyz", "x")), err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(plikatra::test::readFile(err).find("Cannot load file of specified type"), std::string::npos);
}

TEST(CliInfo, SetOverridesAreCheckedByName) {
    const std::string model = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
    EXPECT_EQ(cli("info --set iAlgorithmType=0 --set bDrawEdgeNumber=1 " + model).status, 0);
    EXPECT_EQ(cli("info --set noSuchKey=1 " + model).status, 1);
    EXPECT_EQ(cli("info --set iAlgorithmType " + model).status, 1);
}

TEST(CliUnfold, UnfoldWriteAndExportAgain) {
    TempDir dir;
    const std::string model = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
    const std::string first = dir.path() + "/first.ufd";
    const std::string eps = dir.path() + "/first.eps";
    CliRun r = cli("unfold --json --out " + quote(first) + " --eps " + quote(eps) + " " + model);
    ASSERT_EQ(r.status, 0);
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["faces"], 9);
    EXPECT_GE(j["parts"].get<int>(), 1);
    EXPECT_EQ(j["pages_across"], 1);
    EXPECT_GT(j["join_numbers"].get<int>(), 0);
    EXPECT_EQ(j["flaps"], j["join_numbers"]);  // one flap per numbered edge after unfolding
    EXPECT_TRUE(j.contains("unfold_ms"));
    EXPECT_EQ(plikatra::test::readFile(eps).rfind("%!PS-Adobe-3.0 EPSF-3.0\n", 0), 0u);

    const std::string second = dir.path() + "/second.ufd";
    r = cli("export --json --out " + quote(second) + " " + quote(first));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(plikatra::test::readFile(first), plikatra::test::readFile(second));
    EXPECT_EQ(nlohmann::json::parse(r.out)["join_numbers"], j["join_numbers"]);

    r = cli("info --json " + quote(first));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(nlohmann::json::parse(r.out)["faces"], 9);
}

TEST(CliUnfold, CollidingFlapsAreCountedAndCanBeShortened) {
    // The example box unfolds with flaps that reach past the faces they are glued under.
    TempDir dir;
    const std::string box = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
    const std::string plain = dir.path() + "/plain.ufd", shortened = dir.path() + "/shortened.ufd";
    auto json = [](const std::string& args) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 0) << args;
        return nlohmann::json::parse(r.out);
    };
    const auto before = json("unfold --json " + quote(box) + " --out " + quote(plain));
    EXPECT_EQ(before["colliding_flaps"], 4);
    const auto after = json("unfold --json --shorten-colliding-flaps " + quote(box) + " --out " + quote(shortened));
    EXPECT_EQ(after["colliding_flaps"], 0);
    EXPECT_EQ(after["flaps"], before["flaps"]);  // lowered, not removed
    // The work files hold what was counted: the shortening happened before they were written.
    EXPECT_EQ(json("export --json " + quote(plain))["colliding_flaps"], 4);
    EXPECT_EQ(json("export --json " + quote(shortened))["colliding_flaps"], 0);
}

TEST(CliUnfold, GivenScaleAndItsLimits) {
    TempDir dir;
    const std::string model = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
    // Height 1.9 units at 5 cm a unit: 9.5 cm assembled, within 0.1..200.
    CliRun r = cli("unfold --json --scale 5 --spacing-mm 4 " + model);
    ASSERT_EQ(r.status, 0);
    auto j = nlohmann::json::parse(r.out);
    EXPECT_DOUBLE_EQ(j["scale"].get<double>(), 5.0);
    // 200 cm a unit makes 380 cm: refused with the dialog's message.
    const std::string err = dir.path() + "/err.txt";
    r = cli("unfold --scale 200 " + model, err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(plikatra::test::readFile(err).find("Specify a value of 0.1 - 200 for assembled size"),
              std::string::npos);
    // Big enough to need several pages.
    r = cli("unfold --json --scale 40 " + model);
    ASSERT_EQ(r.status, 0);
    j = nlohmann::json::parse(r.out);
    EXPECT_GT(j["pages_across"].get<int>() * j["pages_down"].get<int>(), 1);
    // Arranged by outline: the same development on pages arranged anew.
    r = cli("unfold --json --scale 40 --layout nest --rotation-step 45 " + model);
    ASSERT_EQ(r.status, 0);
    const auto nest = nlohmann::json::parse(r.out);
    EXPECT_EQ(nest["parts"], j["parts"]);
    EXPECT_EQ(nest["flaps"], j["flaps"]);
}

TEST(CliUnfold, EveryCorpusObjUnfolds) {
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR) / "obj";
    if (!fs::exists(root)) GTEST_SKIP();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".obj") continue;
        const CliRun r = cli("unfold --json " + quote(entry.path().string()));
        ASSERT_EQ(r.status, 0) << entry.path();
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_GT(j["parts"].get<int>(), 0);
        EXPECT_EQ(j["pages_across"], 1);
    }
}

TEST(CliCorpus, EveryModelOfTheOtherFormatsOpensAndUnfolds) {
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR);
    if (!fs::exists(root)) GTEST_SKIP();
    // Files that must fail, and why.
    const std::map<std::string, std::string> refused = {
        {"wrong.3ds", "text, not a chunk file: the first word is not the main chunk"},
        {"gdal_3dface.dxf", "both faces have all their corners on one line: no face has area"},
        {"lwo3_UV-Discontinuous-VMAD-Cube.lwo", "a newer form type that the reader does not know"},
    };
    int opened = 0;
    for (const char* folder : {"3ds", "dxf", "lwo", "mqo"})
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            std::string ext = entry.path().extension().string();
            for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ext != ".3ds" && ext != ".dxf" && ext != ".lwo" && ext != ".mqo") continue;
            const std::string name = entry.path().filename().string();
            const CliRun info = cli("info --json " + quote(entry.path().string()));
            if (refused.count(name)) {
                EXPECT_EQ(info.status, 1) << name << ": " << refused.at(name);
                continue;
            }
            ASSERT_EQ(info.status, 0) << name;
            const int faces = nlohmann::json::parse(info.out)["faces"].get<int>();
            EXPECT_GT(faces, 0) << name;
            // Unfolding grows each part by rescanning it, so the two models of about 60,000
            // faces take seconds even in an optimised build; the in-process corpus tests of
            // each reader unfold them.
            if (faces > 20000) continue;
            const CliRun unfold = cli("unfold --json " + quote(entry.path().string()));
            ASSERT_EQ(unfold.status, 0) << name;
            EXPECT_GT(nlohmann::json::parse(unfold.out)["parts"].get<int>(), 0) << name;
            ++opened;
        }
    EXPECT_GE(opened, 23);
}

namespace {

const std::string kBox = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";

// Runs the tool, returning its status with standard output and standard error.
struct Outcome {
    int status;
    std::string out, err;
};
Outcome run(const TempDir& dir, const std::string& args) {
    const std::string err = dir.path() + "/stderr.txt";
    const CliRun r = cli(args, err);
    return {r.status, r.out, plikatra::test::readFile(err)};
}

}  // namespace

TEST(CliUsage, RefusalsSayWhyAndWriteNothing) {
    TempDir dir;
    const std::string copy = dir.write("model.obj", plikatra::test::readFile(kBox));
    const std::string same = dir.path() + "/same.out";
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"unfold " + quote(copy) + " --eps " + quote(copy), "--eps would overwrite the model being read"},
        {"unfold " + quote(copy) + " --out " + quote(same) + " --eps " + quote(same),
         "--out and --eps name the same file"},
        {"unfold " + quote(copy) + " --scale -1", "--scale: must be a number greater than 0"},
        {"unfold " + quote(copy) + " --spacing-mm 3 --svg " + quote(same), "only apply with --scale"},
        {"unfold " + quote(copy) + " --layout nest --svg " + quote(same), "only apply with --scale"},
        {"unfold " + quote(copy) + " --scale 2 --rotation-step 30 --svg " + quote(same),
         "--rotation-step only applies with --layout nest"},
        {"unfold " + quote(copy) + " --scale 2 --layout fold --svg " + quote(same), "--layout"},
        {"unfold " + quote(copy) + " --assembled-size 300 --svg " + quote(same),
         "Specify a value of 0.1 - 200 for assembled size"},
        {"unfold " + quote(copy) + " --scale 2 --assembled-size 3", "excludes"},
        {"unfold " + quote(copy) + " --eps /nonexistent/x.eps",
         "plikatra-cli: /nonexistent/x.eps: Cannot write to file (No such file or directory)"},
    };
    for (const auto& c : cases) {
        const Outcome o = run(dir, c.args);
        EXPECT_EQ(o.status, 1) << c.args;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.args << "\n" << o.err;
        EXPECT_FALSE(fs::exists(same)) << c.args;
    }
    EXPECT_EQ(plikatra::test::readFile(copy), plikatra::test::readFile(kBox));  // the model survived
}

TEST(CliUsage, VersionHelpJsonFailuresAndAssembledSize) {
    TempDir dir;
    EXPECT_NE(run(dir, "--version").out.find("Plikatra Designer"), std::string::npos);
    EXPECT_NE(run(dir, "unfold --help").out.find("1 A4 landscape"), std::string::npos);
    Outcome o = run(dir, "unfold --json " + quote(dir.path() + "/none.obj"));
    EXPECT_EQ(o.status, 1);
    const auto failure = nlohmann::json::parse(o.out);
    EXPECT_EQ(failure["result"], 1);
    EXPECT_EQ(failure["message"], "Cannot open file");
    EXPECT_NE(o.err.find("none.obj: Cannot open file"), std::string::npos) << o.err;
    // The box is 1.9 units tall: 20 cm assembled is a scale of 20 / 1.9.
    o = run(dir, "unfold --json --assembled-size 20 " + kBox);
    ASSERT_EQ(o.status, 0);
    EXPECT_NEAR(nlohmann::json::parse(o.out)["scale"].get<double>(), 20 / 1.9, 1e-9);
}

TEST(CliUsage, JoinOpenEdgesGivesLooseFacesTheirFlaps) {
    TempDir dir;
    // A cube of six squares that share no vertex, as some exporters write them.
    std::string obj;
    const int faces[6][4][3] = {{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                                {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
                                {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    int n = 0;
    for (const auto& f : faces) {
        for (const auto& v : f) obj += "v " + std::to_string(v[0]) + " " + std::to_string(v[1]) + " " + std::to_string(v[2]) + "\n";
        obj += "f " + std::to_string(n + 1) + " " + std::to_string(n + 2) + " " + std::to_string(n + 3) + " " + std::to_string(n + 4) + "\n";
        n += 4;
    }
    const std::string model = dir.write("loose.obj", obj);
    const auto loose = nlohmann::json::parse(run(dir, "unfold --json " + quote(model)).out);
    EXPECT_EQ(loose["parts"], 6);
    EXPECT_EQ(loose["flaps"], 0);
    const auto joined = nlohmann::json::parse(run(dir, "unfold --json --join-open-edges " + quote(model)).out);
    EXPECT_LT(joined["parts"].get<int>(), 6);
    EXPECT_GT(joined["flaps"].get<int>(), 0);
}

TEST(CliUsage, RepeatedMeshWarningsAreSummarised) {
    TempDir dir;
    // Twenty copies of one triangle: every copy repeats the sides of the first.
    std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 20; ++i) obj += "f 1 2 3\n";
    const std::string model = dir.write("repeats.obj", obj);
    auto warnings = [](const std::string& err) {
        size_t count = 0;
        for (size_t at = err.find("Warning: "); at != std::string::npos; at = err.find("Warning: ", at + 1)) ++count;
        return count;
    };
    const Outcome quiet = run(dir, "info " + quote(model));
    const Outcome loud = run(dir, "info --verbose " + quote(model));
    EXPECT_EQ(warnings(quiet.err), 5u);
    EXPECT_GT(warnings(loud.err), 20u);
    EXPECT_NE(quiet.err.find(std::to_string(warnings(loud.err) - 5) + " more warnings like these"), std::string::npos)
        << quiet.err;
}

TEST(CliUsage, DrawingsInEveryFormat) {
    TempDir dir;
    const std::string base = dir.path() + "/box";
    const Outcome o = run(dir, "unfold " + kBox + " --pdf " + quote(base + ".pdf") + " --svg " +
                                   quote(base + ".svg") + " --emf " + quote(base + ".emf"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(plikatra::test::readFile(base + ".pdf").rfind("%PDF-", 0), 0u);
    EXPECT_NE(plikatra::test::readFile(base + ".svg").find("<g id=\"cut\""), std::string::npos);
    const std::string emf = plikatra::test::readFile(base + ".emf");
    ASSERT_GT(emf.size(), 44u);
    EXPECT_EQ(emf.substr(40, 4), " EMF");
    EXPECT_EQ(o.err, "");
}

TEST(CliUsage, BitmapsWithoutADisplayAtTheirSize) {
    // The raster comes from the surfaceless context; no X server is asked.
    unsetenv("DISPLAY");
    TempDir dir;
    const std::string work = dir.path() + "/box.ufd", natural = dir.path() + "/natural.bmp";
    Outcome o = run(dir, "unfold " + kBox + " --out " + quote(work) + " --bmp " + quote(natural));
    ASSERT_EQ(o.status, 0) << o.err;
    auto header = [](const std::string& bmp, size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bmp.data() + at, 4);
        return static_cast<int>(v);
    };
    const std::string bmp = plikatra::test::readFile(natural);
    ASSERT_GT(bmp.size(), 54u);
    const int w = header(bmp, 18), h = header(bmp, 22);
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp.size(), 54 + stride * h);
    EXPECT_EQ(header(bmp, 38), 2834);
    // Something is drawn: more than a tenth of the pixels are not paper.
    size_t drawn = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (static_cast<unsigned char>(bmp[54 + y * stride + x * 3]) != 255) ++drawn;
    EXPECT_GT(drawn, static_cast<size_t>(w) * h / 10);

    // The work file gives the same pixels; a width alone keeps the proportion.
    const std::string again = dir.path() + "/again.bmp", sized = dir.path() + "/sized.bmp";
    o = run(dir, "export " + quote(work) + " --bmp " + quote(again));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(plikatra::test::readFile(again), bmp);
    o = run(dir, "export " + quote(work) + " --bmp " + quote(sized) + " --bmp-size 300");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string small = plikatra::test::readFile(sized);
    EXPECT_EQ(header(small, 18), 300);
    EXPECT_NEAR(header(small, 22), 300.0 * h / w, 1.0);
    // A PNG of the same size holds the same pixels as the bitmap (both decoded bottom row first).
    const std::string png = dir.path() + "/sized.png";
    o = run(dir, "export " + quote(work) + " --png " + quote(png) + " --png-size 300");
    ASSERT_EQ(o.status, 0) << o.err;
    plikatra::RecordingFrontEnd ui;
    const auto picture = plikatra::readPngImage(png, ui);
    ASSERT_TRUE(picture);
    const std::size_t smallStride = (300 * 3 + 3) / 4 * 4;
    ASSERT_EQ(picture->height, header(small, 22));
    for (int y = 0; y < picture->height; ++y)
        for (int x = 0; x < 300; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(picture->rgb[(static_cast<std::size_t>(y) * 300 + x) * 3 + c],
                          static_cast<unsigned char>(small[54 + y * smallStride + x * 3 + 2 - c]))
                    << x << "," << y;
    o = run(dir, "export " + quote(work) + " --bmp " + quote(sized) + " --bmp-size 120x80");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(header(plikatra::test::readFile(sized), 22), 80);

    for (const char* size : {"5000", "0x10"}) {
        o = run(dir, "export " + quote(work) + " --bmp " + quote(dir.path() + "/no.bmp") + " --bmp-size " + size);
        EXPECT_EQ(o.status, 1) << size;
        EXPECT_NE(o.err.find("Specify a value of 1 - 4096 for vertical and horizontal pixel number"), std::string::npos)
            << o.err;
    }
    // The pages of a textured model carry its picture beneath the lines.
    const std::string ball = std::string(PLIKATRA_CORPUS_DIR) + "/3ds/pool_ball/ball-1.3ds";
    const std::string pdf = dir.path() + "/ball.pdf";
    if (fs::exists(ball)) {
        ASSERT_EQ(run(dir, "unfold " + quote(ball) + " --pdf " + quote(pdf)).status, 0);
        ASSERT_EQ(std::system(("pdftoppm -r 20 -singlefile " + quote(pdf) + " " + quote(pdf)).c_str()), 0);
        const std::string page = plikatra::test::readFile(pdf + ".ppm");
        size_t blue = 0;
        for (size_t i = page.size() % 3; i + 2 < page.size(); i += 3)
            blue += static_cast<unsigned char>(page[i + 2]) > 120 && static_cast<unsigned char>(page[i]) < 80;
        EXPECT_GT(blue, 200u);
    }
    EXPECT_EQ(run(dir, "export " + quote(work) + " --bmp-size 100").status, 1);  // needs --bmp
    EXPECT_EQ(run(dir, "export " + quote(work) + " --bmp x.bmp --bmp-size 1e3").status, 1);
    EXPECT_FALSE(fs::exists(dir.path() + "/no.bmp"));
}
