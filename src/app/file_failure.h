// Why a file could not be read or written, in the system's words, and how a message about one
// file reads: the program's own text first, then the file and the reason. The desktop program
// and the command-line tool say it the same way.
#pragma once

#include <string>

namespace plikatra {

// Why `path` cannot be opened for reading ("No such file or directory", "Is a directory",
// "Permission denied"); "" when it can.
std::string readFailureReason(const std::string& path);

// Why `path` could not be written: the folder that is missing or closed, or the file that is a
// folder or read-only; else the error `savedErrno` of the failed write when it is one that
// writing gives (a full disk, a read-only file system); "" when nothing tells.
std::string writeFailureReason(const std::string& path, int savedErrno = 0);

// The message box text about one file: `text` as its first line, then the file, then the
// reason when there is one.
std::string fileFailureText(const std::string& text, const std::string& path, const std::string& reason);

// The same on one line, for a terminal: "FILE: TEXT (REASON)".
std::string fileFailureLine(const std::string& text, const std::string& path, const std::string& reason);

}  // namespace plikatra
