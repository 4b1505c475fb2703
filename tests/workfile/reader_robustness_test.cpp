#include <cstdint>
#include <cstdio>
#include <sstream>

#include "model/construction.h"
#include "model/primitive_shapes.h"
#include "output/eps_writer.h"
#include "reader_support.h"
#include "workfile/work_file_writer.h"

namespace plikatra {
namespace {

using test::ReaderTest;

// Reads `bytes` and then does what opening the file does and what saving it does, so that a
// damaged file that loads must also leave a model the rest of the program can walk.
int readAndUse(const std::string& bytes, RecordingFrontEnd& ui) {
    std::istringstream in(bytes);
    Model m;
    WorkFileSettings carried;
    const int result = WorkFileReader(m, ReadContext{ui}, carried).read(in);
    if (result == kReadOk) {
        computeEdgeMetrics(m);
        restoreWorkFileDocument(m, ui.fontList, ui, PageSetup{});
        std::FILE* sink = std::fopen("/dev/null", "w");
        exportEps(m, EpsOptions{}, sink);
        std::fclose(sink);
        workFileText(m, {m.bFinished, carried});
    }
    return result;
}

TEST_F(ReaderTest, EveryPrefixWithoutTheEndLineFails) {
    const std::string file = golden("development.ufd");
    const size_t end = file.rfind("end 2") + 3;
    for (size_t n = 0; n <= file.size(); ++n) {
        const int result = readAndUse(file.substr(0, n), ui_);
        ASSERT_EQ(result, n < end ? kReadFailed : kReadOk) << "prefix " << n;
    }
    EXPECT_TRUE(ui_.entries.empty());
}

// A large work file reads with the loading window, whose Cancel stops the reading part way.
TEST_F(ReaderTest, LargeFileShowsProgressAndCancelStopsIt) {
    auto sphere = makeIcosphere(5);
    const std::string text = workFileText(*sphere, {});
    Model m;
    WorkFileSettings carried;
    ui_.progressWindow.cancelAtPercent = 40;
    EXPECT_THROW(readWorkFileText(text, m, ReadContext{ui_}, carried), CancelledException);
    EXPECT_EQ(ui_.progressWindow.withCancel, std::vector<bool>{true});
    EXPECT_TRUE(ui_.progressWindow.cancelPressed);
    // Stopped in the faces, well before the end, not after reading everything.
    EXPECT_LT(m.solids.at(0)->faces.size(), sphere->solids[0]->faces.size());
}

TEST_F(ReaderTest, MutatedFilesLoadOrFail) {
    const std::string file = golden("development.ufd");
    // Bytes that turn numbers into other numbers, words into other words, and lines into
    // other lines are the likeliest to slip past a check.
    const std::string interesting = "0123456789-.e \n#x";
    std::uint32_t state = 12345;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int outcomes[4] = {0, 0, 0, 0};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = file;
        const int edits = 1 + static_cast<int>(next() % 3);
        for (int e = 0; e < edits; ++e) {
            const size_t at = next() % bytes.size();
            switch (next() % 4) {
                case 0: bytes[at] = interesting[next() % interesting.size()]; break;
                case 1: bytes[at] = static_cast<char>(next() & 0xFF); break;
                case 2: bytes.erase(at, 1 + next() % 8); break;
                default: bytes.insert(at, 1, interesting[next() % interesting.size()]); break;
            }
            if (bytes.empty()) bytes = "x";
        }
        ui_.entries.clear();
        const int result = readAndUse(bytes, ui_);
        ASSERT_TRUE(result >= 0 && result <= 3 && result != kReadCancelled) << "round " << round;
        // Refusal with a message only ever comes from the version line.
        if (result == kReadFailedReported) {
            ASSERT_FALSE(ui_.entries.empty()) << "round " << round;
        }
        ++outcomes[result];
    }
    EXPECT_GT(outcomes[kReadOk], 0);
    EXPECT_GT(outcomes[kReadFailed], 0);
}

}  // namespace
}  // namespace plikatra
