#include <gtest/gtest.h>

#include <filesystem>

#include "app/open_model.h"
#include "development_checker.h"
#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;

// DXF and LWO models of the corpus unfold into sound developments. Models of more than
// 20,000 faces are left out: growing parts rescans them, which takes minutes under the
// sanitizers.
TEST(CorpusFormats, DxfAndLwoModelsUnfold) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR);
    if (!fs::exists(root)) GTEST_SKIP();
    RecordingFrontEnd quiet;
    int unfolded = 0;
    for (const char* folder : {"dxf", "lwo"})
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            LoadOutcome outcome;
            auto m = readModelFile(entry.path().string(), ModelFileOptions{}, quiet, outcome);
            if (!m || modelStats(*m).faces > 20000) continue;
            ASSERT_TRUE(createDevelopment(*m)) << entry.path();
            // Real models have non-planar faces, which only keep the sides the triangle rule
            // lays from the first corner; lengths are checked on planar faces.
            const auto errors = test::checkDevelopment(*m, {1e-8, true, false});
            EXPECT_TRUE(errors.empty()) << entry.path() << ": " << (errors.empty() ? "" : errors.front());
            ++unfolded;
        }
    EXPECT_GE(unfolded, 13);
}
