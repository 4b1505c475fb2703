#include "cli_support.h"

#include <sys/wait.h>

#include <cstdio>

namespace plikatra::test {

CommandRun runCommand(const std::string& command) {
    CommandRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string cliCommand(const std::string& args) {
    return std::string("PLIKATRA_PROFILE=/nonexistent/plikatra.ini ") + PLIKATRA_BIN_DIR + "/plikatra-cli " + args;
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace plikatra::test
