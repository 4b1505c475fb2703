// Binary model files cut short: whatever is kept, the user is told that the file ends early.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/read_result.h"
#include "import/lwo_reader.h"
#include "import/reader_guard.h"
#include "import/tds_reader.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

const std::filesystem::path kCorpus = PLIKATRA_CORPUS_DIR;

using Reader = int (*)(const std::string&, Model&, const ReadContext&);

// Reads the first `bytes` bytes of the corpus file (all of it when 0) and returns what the
// reader said.
std::vector<RecordingFrontEnd::Entry> readCut(Reader read, const std::string& relative, std::size_t bytes,
                                             int& result, Model& model) {
    const test::TempDir dir;
    std::string content = test::readFile((kCorpus / relative).string());
    if (bytes) content.resize(bytes);
    const std::string path = dir.write(std::filesystem::path(relative).filename().string(), content);
    RecordingFrontEnd ui;
    result = read(path, model, ReadContext{ui, kMinTextureSide});
    for (auto& e : ui.entries)
        if (e.text == format(kMsgFileEndsEarly, path.c_str())) e.text = "ends early";
    return ui.entries;
}

TEST(TruncatedFiles, AFileCutShortIsKeptWithAWarningNamingIt) {
    struct Case {
        Reader read;
        const char* file;
        std::size_t cut;  // the older LWO layout keeps a file cut between two chunks
    };
    for (const Case& c : {Case{read3ds, "3ds/pool_ball/ball-1.3ds", 40000},
                          Case{readLwo, "lwo/nangtani/lwob_box3-uv-layers.lwo", 19698}}) {
        SCOPED_TRACE(c.file);
        int result = -1;
        Model whole, cut;
        EXPECT_TRUE(readCut(c.read, c.file, 0, result, whole).empty());
        EXPECT_EQ(result, kReadOk);
        const auto entries = readCut(c.read, c.file, c.cut, result, cut);
        ASSERT_EQ(result, kReadOk);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].text, "ends early");
        EXPECT_EQ(entries[0].icon, MessageIcon::Warning);
        EXPECT_GT(cut.faceCount, 0);
        EXPECT_LE(cut.faceCount, whole.faceCount);
    }
}

}  // namespace
}  // namespace plikatra
