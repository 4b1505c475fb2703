#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cctype>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "test_util.h"

namespace fs = std::filesystem;
using plikatra::test::TempDir;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs plikatra-cli with a private profile; standard error goes to a file.
CliRun cli(const std::string& args, const std::string& errFile = "/dev/null") {
    const std::string cmd = std::string("PLIKATRA_PROFILE=/nonexistent/plikatra.ini ") + PLIKATRA_BIN_DIR +
                            "/plikatra-cli " + args + " 2>" + errFile + " </dev/null";
    CliRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

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
