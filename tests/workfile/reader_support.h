// Shared by the work file reader tests: a quiet environment and reading text through the loader.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/open_model.h"
#include "app/options.h"
#include "base/settings.h"
#include "recording_front_end.h"
#include "test_util.h"
#include "workfile/work_file_reader.h"
#include "workfile/work_file_writer.h"

namespace plikatra::test {

// Initial settings of the test's own, recorded messages and a fixed font list for every test.
class ReaderTest : public ::testing::Test {
public:
    // Reads `text` as a work file through the loader, then gives the settings what the file
    // carried and restores the document as opening it does. Null when the load failed;
    // outcome says why.
    std::unique_ptr<Model> load(const std::string& text, LoadOutcome& outcome) {
        const std::string path = dir_.write("work.ufd", text);
        ModelFileOptions options;
        options.settings = workFileSettingsOf(settings_);
        auto m = readModelFile(path, options, ui_, outcome);
        if (m) {
            applyWorkFileSettings(settings_, outcome.carried);
            restoreWorkFileDocument(*m, ui_.fontList, ui_, pageSetupOf(settings_));
        }
        return m;
    }
    std::unique_ptr<Model> load(const std::string& text) {
        LoadOutcome outcome;
        return load(text, outcome);
    }

    static std::string golden(const char* name) {
        return readFile(std::string(PLIKATRA_SOURCE_DIR "/tests/workfile/data/") + name);
    }

    Settings& settings() { return settings_; }
    // The state a save of `m` writes with these settings.
    WorkFileDocumentState stateOf(const Model& m) const {
        return {m.bFinished, workFileSettingsOf(settings_)};
    }

    RecordingFrontEnd ui_ = withFonts({"Liberation Sans", "DejaVu Sans"});
    RecordingFonts& fonts_ = ui_.fontList;
    TempDir dir_;
    Settings settings_;

private:
    static RecordingFrontEnd withFonts(std::vector<std::string> names) {
        RecordingFrontEnd ui;
        ui.fontList.names = std::move(names);
        return ui;
    }
};

// `text` with the first `from` replaced by `to`; fails the test when `from` is missing.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace plikatra::test
