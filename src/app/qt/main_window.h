// The main window of the desktop program and its start-up.
#pragma once

namespace plikatra {

// Starts the desktop program with the process's command line and runs it until it quits;
// returns the process exit status.
int runDesktopProgram(int argc, char** argv);

}  // namespace plikatra
