// The desktop program killed with unsaved work: the next start offers the work back.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/recovery.h"
#include "window_support.h"

extern char** environ;

namespace plikatra::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kProgram = PLIKATRA_BIN_DIR "/plikatra";

// The program's recovery copy in `folder`, "" while there is none.
std::string copyIn(const std::string& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".recovery") return e.path().string();
    return {};
}

// The scale of the development a recovery copy holds, 0 while there is none.
double copiedScale(const std::string& folder) {
    const std::string copy = copyIn(folder);
    if (copy.empty()) return 0.0;
    const std::string text = readFile(copy);
    const size_t at = text.find("\ndMag2d ");
    return at == std::string::npos ? 0.0 : std::atof(text.c_str() + at + 8);
}

template <class Done>
bool waitFor(Done done, std::chrono::seconds limit = 60s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

TEST(RecoveryAfterKill, TheNextStartRestoresTheEditedDevelopment) {
    if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "needs xdotool";
    ASSERT_TRUE(fs::exists(kProgram)) << kProgram;
    TempDir dir;
    const std::string folder = dir.path() + "/recovery";
    setenv("PLIKATRA_RECOVERY_DIR", folder.c_str(), 1);
    setenv("PLIKATRA_PROFILE", (dir.path() + "/plikatra.ini").c_str(), 1);
    setenv("PLIKATRA_AUTOSAVE_SECONDS", "1", 1);

    // The unfolded box, as it is before the edit.
    AnsweringFrontEnd freshUi;
    Settings freshSettings;
    Document fresh(freshUi, freshSettings);
    ASSERT_EQ(fresh.open(kExampleBox).result, kReadOk);
    ASSERT_TRUE(fresh.createDevelopment(true));
    const double unfoldedScale = fresh.model()->dMag2d;

    // The program opens the box and unfolds it; the copy follows within the interval.
    pid_t pid = 0;
    const char* argv[] = {kProgram.c_str(), kExampleBox.c_str(), "--unfold", nullptr};
    ASSERT_EQ(posix_spawn(&pid, kProgram.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    const bool copied = waitFor([&] { return copiedScale(folder) != 0.0; });
    auto scaledDown = [&] {
        const double s = copiedScale(folder);
        return s != 0.0 && std::abs(s - unfoldedScale) > 1e-3;
    };
    bool edited = false;
    // An edit through the menu: Development > Scale Down Development. On a busy machine the
    // menu can open after its key has gone by; then the menu is closed and the keys go again,
    // long after a recovery copy (written every second) would have shown the first try.
    for (int attempt = 0; copied && !edited && attempt < 3; ++attempt) {
        const std::string keys = "w=$(xdotool search --sync --onlyvisible --pid " + std::to_string(pid) +
                                 " --name Plikatra | head -1) && xdotool windowfocus --sync $w && "
                                 "xdotool key --window $w alt+d && sleep " +
                                 std::to_string(1 + attempt) + " && xdotool key d";
        EXPECT_EQ(std::system(keys.c_str()), 0);
        edited = waitFor(scaledDown, 20s);
        if (!edited) {
            EXPECT_EQ(std::system("xdotool key Escape Escape"), 0);
        }
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(copied) << "no recovery copy was written";
    ASSERT_TRUE(edited) << "the edit never reached the recovery copy";
    EXPECT_TRUE(fs::exists(copyIn(folder) + ".lock"));

    // The next start: the question, answered Yes.
    {
        AnsweringFrontEnd ui;
        Settings settings;
        Document doc(ui, settings);
        RecoveryStore store;
        MainWindow window(doc, ui, profilePath());
        window.keepRecoveryCopies(store);
        window.show();
        QApplication::processEvents();
        ASSERT_TRUE(window.offerRecovery());
        ASSERT_FALSE(ui.texts.empty());
        EXPECT_TRUE(ui.texts[0].starts_with("Restore the unsaved work from ")) << ui.texts[0];
        EXPECT_TRUE(ui.texts[0].ends_with(" on box.obj?")) << ui.texts[0];
        ASSERT_TRUE(doc.hasDevelopment());
        EXPECT_NEAR(doc.model()->dMag2d, unfoldedScale / 1.1, 1e-6);
        EXPECT_TRUE(doc.modified());
        EXPECT_EQ(doc.path(), kExampleBox);
        EXPECT_FALSE(doc.hasWorkFilePath());
        EXPECT_TRUE(window.action(CommandId::Save)->isEnabled());
        // The restored work is this program's copy until the window closes normally.
        EXPECT_EQ(copyIn(folder), store.copyPath());
        ui.answers = {Answer::No};  // "Save the changes to box.obj?"
        window.close();
        EXPECT_EQ(copyIn(folder), "");
    }
    unsetenv("PLIKATRA_RECOVERY_DIR");
    unsetenv("PLIKATRA_PROFILE");
    unsetenv("PLIKATRA_AUTOSAVE_SECONDS");
}

}  // namespace
}  // namespace plikatra::test
