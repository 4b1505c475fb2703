// Shared by the work file reader tests: a quiet environment and reading text through the loader.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/fonts.h"
#include "app/settings.h"
#include "app/ui.h"
#include "development/layout.h"
#include "import/model_loader.h"
#include "test_util.h"
#include "workfile/work_file_reader.h"

namespace plikatra::test {

// Initial settings, recorded messages and a fixed font list for every test; the file copies
// several settings, so they are put back afterwards.
class ReaderTest : public ::testing::Test {
public:
    void SetUp() override {
        saved_ = settings();
        settings() = Settings{};
        layoutOptions() = LayoutOptions{};
        setUi(&ui_);
        setFonts(&fonts_);
    }
    void TearDown() override {
        setFonts(nullptr);
        setUi(nullptr);
        settings() = saved_;
    }

    // Reads `text` as a work file through the loader, then restores the document as opening
    // it does. Null when the load failed; outcome says why.
    std::unique_ptr<Model> load(const std::string& text, LoadOutcome& outcome) {
        const std::string path = dir_.write("work.ufd", text);
        auto m = readModelFile(path, outcome);
        if (m) restoreWorkFileDocument(*m, fonts_);
        return m;
    }
    std::unique_ptr<Model> load(const std::string& text) {
        LoadOutcome outcome;
        return load(text, outcome);
    }

    static std::string golden(const char* name) {
        return readFile(std::string(PLIKATRA_SOURCE_DIR "/tests/workfile/data/") + name);
    }

    RecordingUi ui_;
    RecordingFonts fonts_{{"Liberation Sans", "DejaVu Sans"}};
    TempDir dir_;

private:
    Settings saved_;
};

// `text` with the first `from` replaced by `to`; fails the test when `from` is missing.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace plikatra::test
