// Real MQO files from other writers, read-only, some with binary vertices and Shift-JIS names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/settings.h"
#include "development_checker.h"
#include "test_util.h"
#include "quiet_readers.h"
#include "import/mqo_reader.h"
#include "model/construction.h"
#include "model/normalize.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

const fs::path kMqoCorpus = fs::path(PLIKATRA_CORPUS_DIR) / "mqo";

class MqoCorpus : public testing::Test {
protected:
    RecordingFrontEnd ui;
};

// The layout lets a part's box reach into a neighbour's by less than 0.1 percent of the part's
// size, so that parts that merely touch, up to rounding, can sit side by side. The checker
// counts any overlap; such slight ones are taken out of its findings here, every other
// finding stays.
std::vector<std::string> beyondLayoutMargin(const Model& m, const std::vector<std::string>& errors) {
    std::vector<std::string> kept;
    for (const std::string& e : errors) {
        int i = -1, j = -1;
        if (std::sscanf(e.c_str(), "part boxes %d and %d overlap", &i, &j) == 2) {
            const Part& p = *m.parts.at(static_cast<std::size_t>(i));
            const Part& q = *m.parts.at(static_cast<std::size_t>(j));
            const double ox = std::min(p.x + p.width, q.x + q.width) - std::max(p.x, q.x);
            const double oy = std::min(p.y + p.height, q.y + q.height) - std::max(p.y, q.y);
            const bool slight = ox <= 0.001 * std::max(p.width, q.width) || oy <= 0.001 * std::max(p.height, q.height);
            if (slight) continue;
        }
        kept.push_back(e);
    }
    return kept;
}

TEST_F(MqoCorpus, EveryFileLoadsAndUnfolds) {
    ASSERT_TRUE(fs::is_directory(kMqoCorpus));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kMqoCorpus)) {
        if (entry.path().extension() != ".mqo") continue;
        ++files;
        Model m;
        ASSERT_EQ(readMqo(entry.path().string(), m), kReadOk) << entry.path();
        EXPECT_GT(m.faceCount, 0) << entry.path();
        normalizeModel(m);
        computeEdgeMetrics(m);
        ASSERT_TRUE(createDevelopment(m)) << entry.path();
        // Real models have non-planar quadrilaterals; the checker measures only planar faces.
        const auto errors = beyondLayoutMargin(m, test::checkDevelopment(m, {1e-9, true, false}));
        EXPECT_TRUE(errors.empty()) << entry.path() << ": " << (errors.empty() ? "" : errors.front());
    }
    EXPECT_EQ(files, 4);
}

TEST_F(MqoCorpus, TextAndBinaryVerticesGiveTheSameModel) {
    // The third file is the first one's model with binary vertices (moved by less than
    // 0.001 units); the vertex numbers run on over all seven objects in both.
    Model text, binary;
    ASSERT_EQ(readMqo((kMqoCorpus / "dchan/d-chan.mqo").string(), text), kReadOk);
    ASSERT_EQ(readMqo((kMqoCorpus / "dchan/d-chan3.mqo").string(), binary), kReadOk);
    ASSERT_EQ(text.solids.size(), 7u);
    ASSERT_EQ(binary.solids.size(), 7u);
    EXPECT_EQ(text.faceCount, 15 + 64 + 64 + 50 + 50 + 80 + 80);
    EXPECT_EQ(binary.faceCount, text.faceCount);
    EXPECT_EQ(text.solids.back()->vertices.back()->index, 24 + 58 + 58 + 44 + 44 + 74 + 74);
    for (std::size_t s = 0; s < 7; ++s) {
        const Solid& a = *text.solids[s];
        const Solid& b = *binary.solids[s];
        ASSERT_EQ(a.vertices.size(), b.vertices.size());
        for (std::size_t v = 0; v < a.vertices.size(); ++v) {
            EXPECT_EQ(a.vertices[v]->index, b.vertices[v]->index);
            EXPECT_LT(distance3(a.vertices[v]->position, b.vertices[v]->position), 1e-3);
        }
    }
}

TEST_F(MqoCorpus, TextureNamedWithAForeignDriveIsFoundBesideTheModel) {
    Model m;
    ASSERT_EQ(readMqo((kMqoCorpus / "wild_dsan/wild_dsan.mqo").string(), m, ReadContext{ui}), kReadOk);
    ASSERT_EQ(m.materials.size(), 10u);
    EXPECT_EQ(m.materials[5]->name, "ArmA[]");  // brackets inside quotes announce no data
    // "C:\Users\<Shift-JIS folder>\...\tex1.jpg": the bare name lies beside the model.
    EXPECT_EQ(m.materials[0]->textureFile.rfind("C:\\Users\\", 0), 0u);
    EXPECT_TRUE(m.materials[0]->hasTexture);
    EXPECT_NE(m.materials[0]->texture, nullptr);
    for (std::size_t i = 1; i < m.materials.size(); ++i) EXPECT_FALSE(m.materials[i]->hasTexture);
    EXPECT_TRUE(ui.entries.empty());
}

}  // namespace
}  // namespace plikatra
