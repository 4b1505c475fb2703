// Start-up of the desktop program: the command line, the splash, the settings, the main
// window, the file to open, and the scripted runs that unfold and take a screenshot.
#pragma once

#include <QString>
#include <QStringList>

namespace plikatra {

struct DesktopOptions {
    QString path;        // the file to open; empty for none
    bool unfold = false;  // create the development after opening
    QString screenshot;  // write the main window as PNG here and quit
    bool version = false;  // print the version and quit
    bool help = false;     // print the usage and quit
    QString error;       // why the command line was refused
};

// The arguments after the program's name. Everything that is not an option is one path: its
// parts are joined by blanks (a path with blanks the shell split), and a path that starts
// with a double quote loses its first and last characters.
// "--help" (or "-h") and "--version" win over everything after them.
DesktopOptions parseDesktopArguments(const QStringList& arguments);

// What "--help" prints: the command line, the files it opens and the options.
QString desktopUsage();
// What "--version" prints: the program's name and the build's version.
QString desktopVersion();

// What the OpenGL views need from Qt, set before the QApplication is made: one context group
// for both views and a compatibility context with a depth buffer.
void prepareOpenGl();

// Starts the desktop program with the process's command line and runs it until it quits;
// returns the process exit status (0 done, 1 failed, 2 cancelled for scripted runs).
int runDesktopProgram(int argc, char** argv);

}  // namespace plikatra
