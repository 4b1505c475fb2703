// Reads the program's own document format back into a model: solids with their faces, corners
// and edges rebuilt as stored, the development laid on them, materials with their texture
// pixels, texts, and the drawing settings the file carries.
#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "base/read_result.h"
#include "model/model.h"
#include "workfile/work_file_settings.h"

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
// Widest texture a file may store: one row passes through a buffer of 12288 bytes.
inline constexpr int kMaxStoredTextureWidth = 4096;

// Reads one work file into an empty model. It does not normalise the model or compute edge
// metrics; the loader does the latter as after every read.
//
// Every number that refers to something (vertex, face, part, solid) is checked against what
// has been read, and every count against the bytes that remain, before it is used. A file must
// begin with its version and end with its "end" line, and the surface and development it
// describes must hang together (isSoundWorkFileModel); a file that breaks any of these rules,
// a file cut short included, gives result 1, so that whatever loads can be drawn, edited and
// saved.
class WorkFileReader {
public:
    // `carried` holds the settings as they are; the ones the file names are overwritten there
    // (the caller applies them when the read succeeded).
    WorkFileReader(Model& model, const ReadContext& ctx, WorkFileSettings& carried)
        : model_(model), ctx_(ctx), carried_(carried) {}

    // Reads the work file `text`. Returns a reader result code (0 read, 1 failed, 3 refused
    // with a message already shown). Messages go through the context's front end.
    int read(std::string_view text);
    // The same for the rest of `in`, opened in binary mode.
    int read(std::istream& in);

private:
    Model& model_;
    const ReadContext& ctx_;
    WorkFileSettings& carried_;
};

// Opens `path` in binary mode and reads it with WorkFileReader; 1 when it cannot be opened.
int readWorkFile(const std::string& path, Model& model, const ReadContext& ctx,
                 WorkFileSettings& carried);
// Reads a work file held in memory with WorkFileReader.
int readWorkFileText(std::string_view text, Model& model, const ReadContext& ctx,
                     WorkFileSettings& carried);

}  // namespace plikatra
