// Running shell commands and the command-line tool from the tests.
#pragma once

#include <string>

namespace plikatra::test {

struct CommandRun {
    int status = -1;  // exit status; -1 when the command could not run or did not exit
    std::string out;  // what it wrote to standard output
};

// Runs `command` with /bin/sh, redirections and all, and gathers its standard output.
CommandRun runCommand(const std::string& command);

// The command line of plikatra-cli with `args`, on a profile that does not exist.
std::string cliCommand(const std::string& args);

// `s` in single quotes for the shell.
std::string quote(const std::string& s);

}  // namespace plikatra::test
