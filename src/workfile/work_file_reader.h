// Reads the program's own document format back into a model: solids with their faces, corners
// and edges rebuilt as stored, the development laid on them, materials with their texture
// pixels, texts, and the drawing settings the file carries.
#pragma once

#include <istream>
#include <string>

#include "app/fonts.h"
#include "model/model.h"

namespace plikatra {

// Messages of the version check.
inline constexpr const char* kMsgWorkFileTooOld =
    "This file is not supported in this application. Too old2:new version.";
inline constexpr const char* kMsgWorkFileTooNew =
    "This file is not supported in this application. Too newer version.\n"
    "We recommend you to upgrade the application.";
inline constexpr const char* kMsgWorkFileNewer =
    "New version file. This application may not be able to read some information.\n"
    "We recommend you to upgrade the application.";
// Shown once per texture row that could not be read, with the 0-based row number.
inline constexpr const char* kMsgTextureRowFailed = "fail linenumber %d";
// Shown after loading when at least one text's face had to be replaced.
inline constexpr const char* kMsgFontsReplaced =
    "Some fonts specified in the file do not exist in the system.\n"
    "These fonts will be replaced with the default font.";

// Widest texture a file may store: one row passes through a buffer of 12288 bytes.
inline constexpr int kMaxStoredTextureWidth = 4096;

// Reads one work file into an empty model. It does not normalise the model or compute edge
// metrics; the loader does the latter as after every read.
//
// Every number that refers to something (vertex, face, part, solid) is checked against what
// has been read, and every count against the bytes that remain, before it is used: a file that
// breaks these rules gives result 1. A file that simply ends early keeps what was read up to
// the last complete record and gives 0.
class WorkFileReader {
public:
    explicit WorkFileReader(Model& model) : model_(model) {}

    // Reads from `in`, opened in binary mode. Returns a reader result code (0 read, 1 failed,
    // 3 refused with a message already shown). Messages go through ui(); the settings the
    // file carries are written to settings().
    int read(std::istream& in);

private:
    Model& model_;
};

// Opens `path` in binary mode and reads it with WorkFileReader; 1 when it cannot be opened.
// This is the loader's reader for the extension ".ufd".
int readWorkFile(const std::string& path, Model& model);

// What follows a successful read once the model has its edge metrics: marks the model as
// coming from a work file, gives every text whose face is not installed the default face
// (with one message when that happened), and when the file carried a finished development,
// puts it back: join numbers, the opened cuts of the 3D view and the page grid.
void restoreWorkFileDocument(Model& model, Fonts& fonts = plikatra::fonts());

}  // namespace plikatra
