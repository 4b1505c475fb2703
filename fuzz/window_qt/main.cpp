// The window under random use. Without --child the program is the conductor: it draws action
// sequences from the seeds, plays each in a child process of its own (so that a crash found
// by the sanitizers is a finding, not the end of the run), and shortens every failing
// sequence by replaying parts of it in further children. The child opens the model, creates
// the development and plays the sequence on the real main window.
//
//   window_fuzz [--seconds S] [--seeds 1,2,3] [--steps N] --model FILE [--model FILE...]
//               [--findings DIR] [--block-ms MS] [--hang-seconds S] [--minimise-tries N]
//               [--check-every N] [--report-blocks] [--minimise-seconds S]
//   window_fuzz --replay SEQUENCE [SEQUENCE...]     plays kept sequences; fails on any fault
//   window_fuzz --child SEQUENCE --model FILE... [--verbose]   plays one sequence here
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "actions.h"
#include "app/commands.h"
#include "qt/window/desktop_program.h"
#include "fault_signature.h"
#include "minimise.h"
#include "window_fuzzer.h"

namespace plikatra::winfuzz {
namespace {

namespace fs = std::filesystem;

constexpr int kExitFault = 3;

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct Options {
    double seconds = 60;
    std::vector<std::uint64_t> seeds = {1};
    int steps = 200;
    std::vector<std::string> models;
    std::string findings;
    int blockMs = 1000;
    int hangSeconds = 120;
    int minimiseTries = 80;
    int checkEvery = 1;
    bool reportBlocks = false;
    double minimiseSeconds = 600;
    std::vector<std::string> replays;
    bool verbose = false;
    // Child mode.
    std::string childSequence, marker;
    long long deadlineMs = 0;
};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// ---------------------------------------------------------------------------------------------
// The child: one sequence on one window.

int runChild(int argc, char** argv, const Options& o) {
    prepareOpenGl();
    QApplication app(argc, argv);
    const std::optional<Sequence> sequence = parseSequence(readText(o.childSequence));
    if (!sequence) {
        std::fprintf(stderr, "window_fuzz: %s is no action sequence\n", o.childSequence.c_str());
        return 1;
    }
    FuzzerOptions fo;
    fo.blockLimitMs = o.blockMs;
    fo.hangSeconds = o.hangSeconds;
    fo.openChoices = o.models;
    fo.verbose = o.verbose;
    fo.checkEvery = o.checkEvery;
    fo.blocksAreFaults = !o.reportBlocks;
    WindowFuzzer fuzzer(fo);
    if (const std::optional<std::string> fault = fuzzer.start(sequence->model)) {
        std::fprintf(stderr, "FAULT at start: %s\n", fault->c_str());
        return kExitFault;
    }
    int played = 0;
    for (const Action& action : sequence->actions) {
        if (o.deadlineMs && nowMs() >= o.deadlineMs) break;
        if (!o.marker.empty()) writeText(o.marker, std::to_string(played) + "\n");
        const bool last = played + 1 == static_cast<int>(sequence->actions.size());
        if (const std::optional<std::string> fault = fuzzer.play(action, last)) {
            std::fprintf(stderr, "FAULT at step %d (%s): %s\n", played, actionText(action).c_str(), fault->c_str());
            return kExitFault;
        }
        ++played;
    }
    std::printf("DONE steps=%d dialogs=%d commands", played, fuzzer.dialogsAnswered());
    for (const int id : fuzzer.commandsRun()) std::printf(" %d", id);
    std::printf("\n");
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The conductor.

struct ChildResult {
    bool failed = false;
    int steps = 0;          // actions played to the end
    int failedStep = -1;    // the action that failed, when known
    int dialogs = 0;
    std::set<int> commands;  // the commands that ran
    std::string signature;  // what failed, without numbers that vary from run to run
    std::string log;
};

class Conductor {
public:
    Conductor(std::string self, Options options) : self_(std::move(self)), o_(std::move(options)) {
        char pattern[] = "/tmp/window_fuzz.XXXXXX";
        if (const char* made = mkdtemp(pattern)) work_ = made;
    }
    ~Conductor() {
        std::error_code ignored;
        fs::remove_all(work_, ignored);
    }

    ChildResult play(const Sequence& sequence, long long deadlineMs) {
        const fs::path file = work_ / "sequence.txt", marker = work_ / "marker", log = work_ / "log";
        writeText(file, sequenceText(sequence));
        fs::remove(marker);
        std::vector<std::string> args = {self_,           "--child", file.string(), "--marker", marker.string(),
                                         "--block-ms",    std::to_string(o_.blockMs),
                                         "--hang-seconds", std::to_string(o_.hangSeconds),
                                         "--check-every", std::to_string(o_.checkEvery)};
        if (o_.reportBlocks) args.push_back("--report-blocks");
        if (deadlineMs) args.insert(args.end(), {"--deadline", std::to_string(deadlineMs)});
        for (const std::string& m : o_.models) args.insert(args.end(), {"--model", m});
        const pid_t pid = fork();
        if (pid == 0) {
            std::FILE* out = std::freopen(log.c_str(), "w", stdout);
            if (out) dup2(fileno(stdout), fileno(stderr));
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(self_.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        // The child's own watchdog ends a hung window; this catches a child that hangs before.
        const long long hardLimit = (deadlineMs ? deadlineMs : nowMs() + 600000) + 2000LL * o_.hangSeconds;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (nowMs() > hardLimit) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ChildResult r;
        r.log = readText(log);
        r.failed = !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (const size_t done = r.log.find("DONE steps="); done != std::string::npos) {
            std::sscanf(r.log.c_str() + done, "DONE steps=%d dialogs=%d", &r.steps, &r.dialogs);
            std::istringstream ids(r.log.substr(r.log.find("commands", done) + 8));
            for (int id; ids >> id;) r.commands.insert(id);
        }
        if (r.failed) {
            const std::string m = readText(marker);
            r.failedStep = m.empty() ? -1 : std::atoi(m.c_str());
            r.steps = std::max(0, r.failedStep);
            r.signature = faultSignature(r.log, WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status));
        }
        return r;
    }

    // Shortens a failing sequence to the actions that still make it fail the same way.
    Sequence minimise(const Sequence& failing, const ChildResult& first) {
        Sequence s = failing;
        // The actions after the one that failed play no part; a fault at the start needs none.
        const bool atStart = first.log.find("FAULT at start") != std::string::npos;
        if (atStart) s.actions.clear();
        else if (first.failedStep >= 0 && first.failedStep < static_cast<int>(s.actions.size()))
            s.actions.resize(static_cast<size_t>(first.failedStep) + 1);
        // Each try replays from the start, which takes minutes on a big model: the search
        // has a time budget too, after which the shortest sequence so far is reported.
        const long long giveUp = nowMs() + static_cast<long long>(o_.minimiseSeconds * 1000);
        auto failsAlike = [&](const std::vector<Action>& actions) {
            if (nowMs() > giveUp) return false;
            Sequence candidate = s;
            candidate.actions = actions;
            const ChildResult r = play(candidate, 0);
            return r.failed && r.signature == first.signature;
        };
        if (!failsAlike(s.actions)) {
            std::fprintf(stderr, "window_fuzz: the fault did not show again on a second run\n");
            return s;
        }
        s.actions = minimiseFailing<Action>(s.actions, failsAlike, o_.minimiseTries);
        return s;
    }

    void report(const Sequence& failing, const ChildResult& r) {
        std::fprintf(stderr, "\n=== window_fuzz: seed %llu on %s failed at action %d: %s\n--- output of the run:\n%s\n",
                     static_cast<unsigned long long>(failing.seed), failing.model.c_str(), r.failedStep,
                     r.signature.c_str(), r.log.c_str());
        const Sequence shortest = minimise(failing, r);
        const std::string text = sequenceText(shortest);
        std::fprintf(stderr, "--- the shortest sequence found (%zu actions); replay it with --replay FILE:\n%s===\n",
                     shortest.actions.size(), text.c_str());
        if (!o_.findings.empty()) {
            fs::create_directories(o_.findings);
            const fs::path kept = fs::path(o_.findings) / ("seed-" + std::to_string(failing.seed) + ".txt");
            writeText(kept, text);
            std::fprintf(stderr, "window_fuzz: kept in %s\n", kept.c_str());
        }
    }

    int fuzz() {
        const long long deadline = nowMs() + static_cast<long long>(o_.seconds * 1000);
        int runs = 0, faults = 0;
        long long actions = 0, dialogs = 0;
        std::set<int> commands;
        for (size_t i = 0; nowMs() < deadline; ++i) {
            // The list is played in order, then again with seeds moved on, until time is up.
            Sequence s;
            s.seed = o_.seeds[i % o_.seeds.size()] + 1000003ULL * (i / o_.seeds.size());
            s.model = o_.models[s.seed % o_.models.size()];
            s.actions = generateActions(s.seed, o_.steps);
            const ChildResult r = play(s, deadline);
            ++runs;
            std::printf("run %d: seed %llu on %s: %d actions%s\n", runs, static_cast<unsigned long long>(s.seed),
                        s.model.c_str(), r.steps, r.failed ? (", " + r.signature).c_str() : "");
            std::fflush(stdout);
            noteBlocks(r.log);
            actions += r.steps;
            dialogs += r.dialogs;
            commands.insert(r.commands.begin(), r.commands.end());
            if (r.failed) {
                ++faults;
                report(s, r);
            }
        }
        for (const auto& [what, block] : blocks_)
            std::printf("blocked %d times over %d ms by %s, longest %ld ms\n", block.first, o_.blockMs, what.c_str(),
                        block.second);
        std::printf("window_fuzz: %d runs, %lld actions, %lld dialogs and menus answered, %zu of %zu commands run, "
                    "%d faults\n",
                    runs, actions, dialogs, commands.size(), commandTable().size(), faults);
        return faults ? 1 : 0;
    }

    int replay() {
        int faults = 0;
        for (const std::string& path : o_.replays) {
            const std::optional<Sequence> s = parseSequence(readText(path));
            if (!s) {
                std::fprintf(stderr, "window_fuzz: %s is no action sequence\n", path.c_str());
                ++faults;
                continue;
            }
            const ChildResult r = play(*s, 0);
            std::printf("%s: %s\n", path.c_str(), r.failed ? r.signature.c_str() : "passes");
            if (r.failed) {
                std::fprintf(stderr, "%s\n", r.log.c_str());
                ++faults;
            }
        }
        return faults ? 1 : 0;
    }

private:
    // Counts the actions a child reported as blocking, by kind (commands by their names).
    void noteBlocks(const std::string& log) {
        std::istringstream in(log);
        std::string line;
        while (std::getline(in, line)) {
            long ms = 0;
            char kind[32] = {};
            int v[9] = {};
            if (std::sscanf(line.c_str(), "BLOCKED %ld %31s %d %d %d %d %d %d %d %d", &ms, kind, &v[0], &v[1], &v[2],
                            &v[3], &v[4], &v[5], &v[6], &v[7]) < 10)
                continue;
            std::string what = kind;
            if (what == "command" || what == "shortcut")
                if (const Command* c = findCommand(CommandId(v[7]))) what += " \"" + plainText(c->text) + "\"";
            auto& [count, longest] = blocks_[what];
            ++count;
            longest = std::max(longest, ms);
        }
    }

    std::string self_;
    std::map<std::string, std::pair<int, long>> blocks_;
    Options o_;
    fs::path work_;
};

std::vector<std::uint64_t> parseSeeds(const std::string& text) {
    std::vector<std::uint64_t> seeds;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) seeds.push_back(std::strtoull(item.c_str(), nullptr, 10));
    return seeds;
}

int usage(const char* problem) {
    std::fprintf(stderr,
                 "window_fuzz: %s\nusage: window_fuzz [--seconds S] [--seeds 1,2,3] [--steps N] --model FILE...\n"
                 "                   [--findings DIR] [--block-ms MS] [--hang-seconds S] [--minimise-tries N]\n"
                 "                   [--check-every N] [--report-blocks] [--minimise-seconds S]\n"
                 "       window_fuzz --replay SEQUENCE... [--model FILE...]\n",
                 problem);
    return 2;
}

}  // namespace
}  // namespace plikatra::winfuzz

int main(int argc, char** argv) {
    using namespace plikatra::winfuzz;
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&] { return std::string(argv[++i]); };
        if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--report-blocks") {
            o.reportBlocks = true;
        } else if (a == "--replay") {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) o.replays.push_back(value());
        } else if (!hasValue) {
            return usage(("no value after " + a).c_str());
        } else if (a == "--seconds") o.seconds = std::atof(value().c_str());
        else if (a == "--seeds") o.seeds = parseSeeds(value());
        else if (a == "--steps") o.steps = std::atoi(value().c_str());
        else if (a == "--model") o.models.push_back(value());
        else if (a == "--findings") o.findings = value();
        else if (a == "--block-ms") o.blockMs = std::atoi(value().c_str());
        else if (a == "--hang-seconds") o.hangSeconds = std::atoi(value().c_str());
        else if (a == "--minimise-tries") o.minimiseTries = std::atoi(value().c_str());
        else if (a == "--check-every") o.checkEvery = std::atoi(value().c_str());
        else if (a == "--minimise-seconds") o.minimiseSeconds = std::atof(value().c_str());
        else if (a == "--child") o.childSequence = value();
        else if (a == "--marker") o.marker = value();
        else if (a == "--deadline") o.deadlineMs = std::atoll(value().c_str());
        else return usage(("unknown option " + a).c_str());
    }
    if (!o.childSequence.empty()) return runChild(argc, argv, o);
    Conductor conductor(std::filesystem::canonical("/proc/self/exe").string(), o);
    if (!o.replays.empty()) return conductor.replay();
    if (o.models.empty()) return usage("no --model to open");
    if (o.seeds.empty()) return usage("no seeds");
    return conductor.fuzz();
}
