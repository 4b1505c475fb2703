#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "app/document.h"
#include "base/settings.h"
#include "eps_fixture.h"
#include "recording_front_end.h"
#include "output/eps_save_settings.h"
#include "output/eps_writer.h"
#include "test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

class EpsFile : public ::testing::Test {
protected:
    void SetUp() override { d = makeSampleDevelopment(); }
    bool writeEpsFile(Model& m, const std::string& path, std::string* error) {
        return plikatra::writeEpsFile(m, EpsOptions{}, path, error);
    }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.insert(e.path().filename());
        return names;
    }

    SampleDevelopment d;
    TempDir dir;
};

}  // namespace

TEST_F(EpsFile, ReplacesAnExistingFileKeepingItsPermissions) {
    const std::string path = dir.write("sheet.eps", "old content");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    std::string error;
    ASSERT_TRUE(writeEpsFile(*d.model, path, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(readFile(path), exportChecked(*d.model));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(files(), std::set<std::string>{"sheet.eps"});
}

TEST_F(EpsFile, FailureLeavesNothingBehind) {
    std::string error;
    EXPECT_FALSE(writeEpsFile(*d.model, dir.path() + "/missing/sheet.eps", &error));
    EXPECT_EQ(error, "Cannot write to file");
    EXPECT_TRUE(files().empty());

    // A folder in the way is not replaced, and the temporary file is gone again.
    dir.write("taken.eps/inside.txt", "keep");
    EXPECT_FALSE(writeEpsFile(*d.model, dir.path() + "/taken.eps", nullptr));
    EXPECT_EQ(files(), std::set<std::string>{"taken.eps"});
    EXPECT_EQ(readFile(dir.path() + "/taken.eps/inside.txt"), "keep");
}

TEST_F(EpsFile, NumbersIgnoreTheProcessLocale) {
    // A locale with a decimal comma, built here since the system may only carry "C".
    const std::string locales = dir.path() + "/locales";
    std::filesystem::create_directories(locales);
    if (std::system(("localedef -i de_DE -f UTF-8 -c " + locales + "/de_DE.UTF-8 >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "localedef or its de_DE source is missing";
    const char* oldPath = std::getenv("LOCPATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ::setenv("LOCPATH", locales.c_str(), 1);
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    char probe[16] = "";
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    const std::string eps = exportToString(*d.model);
    std::setlocale(LC_ALL, before.c_str());
    oldPath ? ::setenv("LOCPATH", savedPath.c_str(), 1) : ::unsetenv("LOCPATH");

    ASSERT_TRUE(switched);
    ASSERT_STREQ(probe, "0,5");
    EXPECT_EQ(eps, exportChecked(*d.model));
    EXPECT_EQ(eps.find(','), std::string::npos);
}

TEST_F(EpsFile, SaveSettingsDialog) {
    Settings settings;
    settings.bOmitFillFaceInEPS = true;
    RecordingFrontEnd ui;
    Document doc(ui, settings);
    doc.adopt(std::move(d.model));
    std::vector<EpsSaveSettings> shown;
    ui.onEpsSaveSettings = [&](EpsSaveSettings& state) {
        shown.push_back(state);
        return false;
    };
    const std::string path = dir.path() + "/sheet.eps";
    EXPECT_FALSE(doc.exportEpsAsked(path));  // cancelled: nothing written, nothing stored
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].omitFillFace);
    EXPECT_FALSE(shown[0].omitFillFlap);
    EXPECT_EQ(shown[0].info, "");

    doc.model()->texts.push_back(std::make_unique<TextItem>());
    ui.onEpsSaveSettings = [&](EpsSaveSettings& state) {
        shown.push_back(state);
        state.omitFillFace = false;
        state.omitFillFlap = true;
        return true;
    };
    EXPECT_TRUE(doc.exportEpsAsked(path));
    EXPECT_EQ(shown.back().info, "* Text output is not supported");
    EXPECT_FALSE(settings.bOmitFillFaceInEPS);
    EXPECT_TRUE(settings.bOmitFillNorishiroInEPS);
    EXPECT_TRUE(std::filesystem::exists(path));
}
