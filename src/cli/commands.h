// The commands of plikatra-cli; each returns the process exit status.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "app/document.h"
#include "cli/cli_front_end.h"
#include "development/development_drawing.h"

namespace plikatra {

// Exit statuses: success, failure (message on standard error), cancelled.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;

// Options every command takes.
struct CommonArgs {
    bool json = false;
    bool joinOpenEdges = false;  // "Join Adjacent Isolated Edge" right after loading
};

// The files a command writes from its document.
struct OutputArgs {
    std::string out;  // work file
    std::string eps;
    std::string pdf;
    std::string svg;
    std::string emf;
    std::string bmp;
    std::string bmpSize;  // "W" or "WxH" in pixels; empty for the natural size at 72 pixels per inch
    std::string png;
    std::string pngSize;  // as bmpSize

    // Whether a drawing of the development is asked for.
    bool drawings() const { return !eps.empty() || !pdf.empty() || !svg.empty() || !emf.empty() || !bmp.empty() || !png.empty(); }
};

struct UnfoldArgs {
    std::optional<int> algorithm;
    std::optional<int> paper;
    std::optional<double> scale;
    std::optional<double> assembledSize;
    std::optional<int> spacingMm;
    bool noPageDivide = false;
    std::string layout = "box";  // "box" or "nest": parts by their boxes or by their outlines
    int rotationStep = 90;       // with --layout nest: degrees between the turns tried
    bool shortenCollidingFlaps = false;  // "Shorten Flaps That Collide" before anything is written
    OutputArgs outputs;
    std::string engine = "indexed";  // "indexed" or "reference"
};

int runInfo(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const CommonArgs& common);
int runUnfold(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const UnfoldArgs& args,
              const CommonArgs& common);
// Opens a work file and writes it again, or its development as drawings.
int runExport(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const OutputArgs& args,
              const CommonArgs& common);

// Refuses outputs that would overwrite the input or each other; the message names the path.
std::string outputClash(const std::string& input, const OutputArgs& outputs);

// Opens `path` with the front end naming it in messages, joining open edges when asked.
// Prints the JSON failure object when `common.json`. Returns the exit status to end with, or
// kExitOk to go on.
int openForCommand(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const CommonArgs& common);

// Writes every requested output; on failure prints what failed (with the file and reason)
// and returns kExitFailed.
int writeOutputs(Document& doc, CliFrontEnd& frontEnd, const OutputArgs& outputs);

// The page grid the document's development is printed on (it reaches left of and above the
// development's origin when parts lie there).
SheetGrid printedGrid(const Document& doc);

// Prints {"result": 1, "message": ...} for --json runs that fail.
void printJsonFailure(int result, const std::string& message);

}  // namespace plikatra
