// Every input a fuzz target once failed on, run again through the same steps as that target.
// The folder of an input names its target; under the sanitizer build a fault shows as a report,
// and an input whose saved file does not read back ends the test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "test_util.h"

// The fuzz targets' input handling, compiled into this test rather than built as a library of
// its own, so the normal build needs no fuzzing tool chain.
#include "../../fuzz/fuzz_support.cpp"

namespace plikatra {
namespace {

using Runner = void (*)(const std::uint8_t*, std::size_t);

const std::map<std::string, Runner> kTargets = {
    {"obj", fuzz::runObj},           {"3ds", fuzz::runTds},       {"mqo", fuzz::runMqo},
    {"dxf", fuzz::runDxf},           {"lwo", fuzz::runLwo},       {"stl", fuzz::runStl},       {"ply", fuzz::runPly},
    {"gltf", fuzz::runGltf},         {"3mf", fuzz::run3mf},
    {"hexaking", fuzz::runHexaKing},
    {"workfile", fuzz::runWorkFile}, {"bmp", fuzz::runBmp},       {"jpeg", fuzz::runJpeg},
    {"unfold", fuzz::runUnfold},
};

TEST(FuzzRegressions, EveryFoundInputRunsCleanly) {
    const std::filesystem::path root = PLIKATRA_SOURCE_DIR "/tests/fuzz_regressions";
    int inputs = 0;
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        if (!folder.is_directory()) continue;
        const auto target = kTargets.find(folder.path().filename().string());
        ASSERT_NE(target, kTargets.end()) << folder.path();
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            SCOPED_TRACE(file.path().string());
            const std::string bytes = test::readFile(file.path().string());
            target->second(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace plikatra
