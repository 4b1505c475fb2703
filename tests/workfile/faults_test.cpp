// Saves and start-up under a hostile machine: a file system that fills up, a folder that
// cannot be written, a save killed half way, and a profile that cannot be read or written.
// The command-line tool runs in a child process so that limits and signals stay there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/profile.h"
#include "base/ui.h"
#include "test_util.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;

const std::string kCli = PLIKATRA_BIN_DIR "/plikatra-cli";

struct CliRun {
    int status = -1;  // exit status, or 128 + signal
    std::string err;
};

// Runs the tool with `args` in a child; `prepare` runs in the child before the tool starts
// (limits, a lesser user). Standard error is kept.
CliRun runCli(const std::vector<std::string>& args, const std::string& errFile,
              const std::function<void()>& prepare = {}, const std::string& cli = kCli) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(fd, 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        if (prepare) prepare();
        std::vector<char*> argv{const_cast<char*>(cli.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(cli.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.err = readFile(errFile);
    return r;
}

// Names in `dir` other than `keep`.
std::vector<std::string> othersIn(const std::string& dir, const std::vector<std::string>& keep) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end()) out.push_back(name);
    }
    return out;
}

// A work file of about `bytes` bytes: one face with many corners and a development.
std::string bigWorkFile(const TempDir& dir, int corners) {
    std::string text = "version 2\nmin_version 2\nmodel 1 1 0 -1 -1 0\nsolids 1\nsolid\nring\n1\n";
    text += "vertices " + std::to_string(corners) + "\n";
    for (int i = 0; i < corners; ++i)
        text += format("%f %f 0.000000\n", std::cos(i * 2 * M_PI / corners), std::sin(i * 2 * M_PI / corners));
    text += format("faces 1\n-1 -1 0.000000 0.000000 1.000000 0.000000 %d \n", corners);
    for (int i = 0; i < corners; ++i) text += std::to_string(i) + " 0 0 0 0 0 1 0.5\n";
    text += "edges " + std::to_string(corners) + "\n";
    for (int i = 0; i < corners; ++i) text += format("0 -1 %d %d 5 0\n", i, (i + 1) % corners);
    text += "info\nbFinished 0\n/info\nend 2\n";
    return dir.write("big.ufd", text);
}

class FaultsTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("PLIKATRA_PROFILE", (work_.path() + "/profile.ini").c_str(), 1);
        out_ = work_.path() + "/out";
        fs::create_directory(out_);
        previous_ = readFile(PLIKATRA_SOURCE_DIR "/tests/workfile/data/development.ufd");
        target_ = work_.write("out/target.ufd", previous_);
    }
    void TearDown() override {
        ::chmod(out_.c_str(), 0755);
        ::unsetenv("PLIKATRA_PROFILE");
    }

    TempDir work_;
    std::string out_, target_, previous_;
};

TEST_F(FaultsTest, SaveIntoAFullFileSystemKeepsThePreviousFile) {
    const std::string big = bigWorkFile(work_, 20000);
    ASSERT_GT(fs::file_size(big), 500000u);
    const CliRun r = runCli({"export", big, "--out", target_}, work_.path() + "/err", [] {
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kMsgCannotWriteFile), std::string::npos) << r.err;
    EXPECT_EQ(readFile(target_), previous_);
    EXPECT_EQ(othersIn(out_, {"target.ufd"}), std::vector<std::string>{});
}

TEST_F(FaultsTest, SaveIntoAReadOnlyFolderKeepsThePreviousFile) {
    // The folder and its files stay readable to the lesser user the tool runs as when the
    // test runs as root, whom permissions do not stop; so does a copy of the tool, wherever
    // the build lies.
    ::chmod(work_.path().c_str(), 0755);
    const std::string cli = work_.path() + "/plikatra-cli";
    fs::copy_file(kCli, cli);
    ::chmod(cli.c_str(), 0755);
    const std::string model = work_.write("model.ufd", previous_);
    ::chmod(model.c_str(), 0644);
    ::chmod(target_.c_str(), 0644);
    ASSERT_EQ(::chmod(out_.c_str(), 0555), 0);
    const CliRun r = runCli({"export", model, "--out", target_}, work_.path() + "/err", [] {
        if (::geteuid() == 0) {
            (void)::setgid(65534);
            (void)::setuid(65534);
        }
    }, cli);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kMsgCannotWriteFile), std::string::npos) << r.err;
    EXPECT_EQ(readFile(target_), previous_);
    EXPECT_EQ(othersIn(out_, {"target.ufd"}), std::vector<std::string>{});
}

// Killed while it writes, a save leaves the previous file whole; its temporary is gone after
// the next save that succeeds.
TEST_F(FaultsTest, SaveKilledWhileWritingKeepsThePreviousFileAndTheNextSaveCleansUp) {
    const std::string big = bigWorkFile(work_, 200000);
    bool killedMidway = false;
    for (int attempt = 0; attempt < 20 && !killedMidway; ++attempt) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl(kCli.c_str(), kCli.c_str(), "export", big.c_str(), "--out", target_.c_str(),
                    static_cast<char*>(nullptr));
            _exit(127);
        }
        // Kill it once its temporary has some bytes in it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            bool writing = false;
            for (const std::string& name : othersIn(out_, {"target.ufd"}))
                writing = writing || fs::file_size(out_ + "/" + name) > 0;
            int status;
            if (writing) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                killedMidway = !othersIn(out_, {"target.ufd"}).empty();
                break;
            }
            if (::waitpid(pid, &status, WNOHANG) == pid) break;  // finished before the kill
        }
        if (!killedMidway) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            work_.write("out/target.ufd", previous_);
        }
    }
    ASSERT_TRUE(killedMidway);
    EXPECT_EQ(readFile(target_), previous_);
    const std::string model = work_.write("model.ufd", previous_);
    const CliRun r = runCli({"export", model, "--out", target_}, work_.path() + "/err");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(othersIn(out_, {"target.ufd"}), std::vector<std::string>{});
}

// A temporary of a save that is still running belongs to that save and stays.
TEST_F(FaultsTest, ReplacingAFileKeepsTemporariesOfSavesStillRunning) {
    const std::string mine = target_ + ".~" + std::to_string(getppid()) + "-0.tmp";
    const std::string dead = target_ + ".~999999999-3.tmp";
    work_.write("out/" + fs::path(mine).filename().string(), "half");
    work_.write("out/" + fs::path(dead).filename().string(), "half");
    ASSERT_TRUE(replaceFile(target_, "new"));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_EQ(readFile(target_), "new");
}

// The tool starts with the default settings and says why once, whatever the profile is.
TEST_F(FaultsTest, ProfileThatCannotBeUsedGivesDefaultsAndOneMessage) {
    const std::string model = PLIKATRA_SOURCE_DIR "/examples/box.obj";
    const std::string profile = work_.path() + "/profile.ini";
    const auto runWith = [&](const std::string& path) {
        ::setenv("PLIKATRA_PROFILE", path.c_str(), 1);
        return runCli({"unfold", model, "--json"}, work_.path() + "/err");
    };
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };

    // A profile that sets join numbers on, so that defaults show in the output.
    const CliRun good = runWith(work_.write("good.ini", "[Settings]\nbDrawEdgeNumber=1\n"));
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
    const CliRun defaults = runWith(profile);  // not there yet: a first start
    EXPECT_EQ(defaults.status, 0);
    EXPECT_EQ(defaults.err, "");

    fs::create_directory(profile);
    CliRun r = runWith(profile);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.err, format(kMsgProfileUnreadable, profile.c_str(), "Is a directory")), 1) << r.err;
    fs::remove(profile);

    const std::string garbage = work_.write("garbage.ini", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11) +
                                                               "[Settings]\nbDrawEdgeNumber=1\n");
    r = runWith(garbage);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.err, format(kMsgProfileDamaged, garbage.c_str())), 1) << r.err;

    // Where no profile can ever be written: the folder it would go in is a file.
    const std::string blocked = work_.write("file", "") + "/plikatra/plikatra.ini";
    r = runWith(blocked);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.err, format(kMsgProfileUnwritable, blocked.c_str(), "Not a directory")), 1) << r.err;
    EXPECT_FALSE(fs::exists(work_.path() + "/file/plikatra"));
}

TEST(ProfileText, ProfileLinesAreRecognised) {
    EXPECT_TRUE(looksLikeProfile(""));
    EXPECT_TRUE(looksLikeProfile("\xEF\xBB\xBF; note\n[Settings]\r\niPageType = 2\n\n# x\n"));
    EXPECT_FALSE(looksLikeProfile("[Settings]\nno equals sign\n"));
    EXPECT_FALSE(looksLikeProfile(std::string("[Settings]\na=\0", 14)));
    EXPECT_FALSE(looksLikeProfile("=value without a name\n"));
}

}  // namespace
}  // namespace plikatra
