#include "base/profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "temp_profile.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

TEST(IniDocument, ReadsEntriesTrimmedAndIgnoringCase) {
    const IniDocument doc(
        "\xEF\xBB\xBF"
        "top=outside\r\n"
        "[Settings]\r\n"
        "  bSound =  1 \r\n"
        "; bCullFace=1\r\n"
        "# iAngleEps=90\r\n"
        "=no key\r\n"
        "iAngleEps=90\r\n"
        "iAngleEps=120\r\n"
        "[ ControlBars\\State ]\n"
        "BarsCount=2\n");
    EXPECT_EQ(doc.get("settings", "BSOUND"), "1");
    EXPECT_EQ(doc.get("Settings", "bCullFace", "none"), "none");  // comment
    EXPECT_EQ(doc.get("Settings", "iAngleEps"), "90");            // first occurrence wins
    EXPECT_EQ(doc.get("ControlBars\\State", "BarsCount"), "2");
    EXPECT_EQ(doc.find("Settings", "top"), nullptr);  // entries before any section are no one's
    EXPECT_EQ(doc.find("Window", "left"), nullptr);
    EXPECT_EQ(doc.entries("Settings").size(), 3u);
}

TEST(IniDocument, RewritesOnlyWhatChanged) {
    const std::string original =
        "; my notes\n"
        "[Other]\n"
        "Key = kept as typed \n"
        "\n"
        "[Settings]\n"
        "bSound=1\n"
        "garbage line without equals\n"
        "bCullFace=0\n"
        "\n"
        "[Window]\n"
        "left=4\n";
    IniDocument doc(original);
    EXPECT_EQ(doc.text(), original);

    doc.set("SETTINGS", "bsound", "0");
    doc.set("Settings", "iAngleEps", "178");
    doc.set("New", "a", "b");
    EXPECT_EQ(doc.text(),
              "; my notes\n"
              "[Other]\n"
              "Key = kept as typed \n"
              "\n"
              "[Settings]\n"
              "bSound=0\n"
              "garbage line without equals\n"
              "bCullFace=0\n"
              "iAngleEps=178\n"
              "\n"
              "[Window]\n"
              "left=4\n"
              "[New]\n"
              "a=b\n");

    doc.removeSection("other");
    EXPECT_EQ(doc.find("Other", "Key"), nullptr);
    EXPECT_EQ(doc.get("Window", "left"), "4");
}

TEST(IniDocument, SurvivesGarbageAndHugeLines) {
    using namespace std::string_literals;
    std::string text = "[Settings\n[]\n==\n\0\0\0=\xff\xfe\n[Settings]\nx="s;
    text += std::string(1 << 20, 'y');
    text += "\nbSound=0\n[";
    const IniDocument doc(text);
    EXPECT_EQ(doc.get("Settings", "x").size(), size_t{1} << 20);
    EXPECT_EQ(doc.get("Settings", "bSound"), "0");
    EXPECT_EQ(IniDocument(doc.text()).get("Settings", "bSound"), "0");
}

TEST(ProfilePath, FollowsTheEnvironment) {
    // Runs in a child so that the environment of the other tests stays as it was.
    EXPECT_EXIT(
        {
            setenv("HOME", "/home/u", 1);
            unsetenv("PLIKATRA_PROFILE");
            setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
            bool ok = profilePath() == "/home/u/.config/plikatra/plikatra.ini";
            setenv("XDG_CONFIG_HOME", "/cfg", 1);
            ok = ok && profilePath() == "/cfg/plikatra/plikatra.ini";
            setenv("PLIKATRA_PROFILE", "/tmp/x.ini", 1);
            ok = ok && profilePath() == "/tmp/x.ini";
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

using ProfileFile = TempProfileTest;

TEST_F(ProfileFile, MissingFileReadsDefaultsAndWriteCreatesFolders) {
    const std::string nested = (dir_ / "a" / "b" / "p.ini").string();
    setenv("PLIKATRA_PROFILE", nested.c_str(), 1);
    EXPECT_EQ(readProfileString(profilePath(), "Settings", "X", "dflt"), "dflt");
    writeProfileString(profilePath(), "Settings", "X", "12");
    EXPECT_EQ(readProfileString(profilePath(), "Settings", "X", "dflt"), "12");
    // Nothing but the profile is left behind: the temporary file was renamed.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_ / "a" / "b")) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(ProfileFile, WriteKeepsUnknownContent) {
    writeFile("[Mine]\nz=1\n[Settings]\nfoo=bar\nX=1\n");
    writeProfileString(profilePath(), "Settings", "X", "2");
    EXPECT_EQ(readFile(), "[Mine]\nz=1\n[Settings]\nfoo=bar\nX=2\n");
}

TEST_F(ProfileFile, DirectoryInPlaceOfTheFileIsLeftAlone) {
    fs::create_directory(path_);
    EXPECT_EQ(readProfileString(profilePath(), "Settings", "X", "d"), "d");
    writeProfileString(profilePath(), "Settings", "X", "2");  // must neither throw nor replace the folder
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_FALSE(saveProfile(IniDocument("[a]\nb=c\n"), path_));
    EXPECT_FALSE(loadProfileForUpdate(path_).has_value());
}

TEST_F(ProfileFile, WritesThroughASymbolicLink) {
    const fs::path real = dir_ / "real.ini";
    std::ofstream(real) << "[Settings]\nX=1\n";
    fs::create_symlink(real, path_);
    writeProfileString(profilePath(), "Settings", "X", "5");
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(loadProfile(real.string()).get("Settings", "X"), "5");
}

}  // namespace
}  // namespace plikatra
