#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/development_outputs.h"
#include "app/options.h"
#include "app/file_failure.h"
#include "cli/commands.h"
#include "cli/painted_outputs.h"
#include "output/text_metrics.h"

namespace plikatra {

namespace {

namespace fs = std::filesystem;

fs::path comparable(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(path), ec);
    return ec ? fs::absolute(path) : p;
}

int writeFailed(CliFrontEnd& frontEnd, const std::string& path, const std::string& message) {
    frontEnd.fileMessage(message, path, writeFailureReason(path), MessageIcon::Error);
    return kExitFailed;
}

// Something the user should know about a file that was written all the same.
void warn(CliFrontEnd& frontEnd, const std::string& path, const std::string& message) {
    frontEnd.file = path;
    frontEnd.message(message, kAppTitle, MessageIcon::Warning);
}

// The bitmap's size: the size dialog's proposal for the development, its width changed when
// only a width is given (the height follows in proportion), or both as given; either side
// must lie within the bitmap file's limit.
bool bitmapSizeOf(const Document& doc, const std::string& asked, int& width, int& height, std::string& error,
                  BitmapFileKind kind) {
    BitmapSizeDialog size = bitmapSizeDialogOf(doc, kBitmapFileLimit, kind);
    const std::size_t x = asked.find('x');
    if (!asked.empty()) size.edit(BitmapSizeDialog::Field::Width, asked.substr(0, x));
    width = size.width();
    height = x == std::string::npos ? size.height() : std::atoi(asked.c_str() + x + 1);
    if (width < 1 || height < 1 || width > kBitmapFileLimit || height > kBitmapFileLimit) {
        error = format(kMsgBitmapSizeRange, kBitmapFileLimit);
        return false;
    }
    return true;
}

}  // namespace

SheetGrid printedGrid(const Document& doc) { return sheetGridOf(*doc.model(), pageSetupOf(doc.settings())); }

void printJsonFailure(int result, const std::string& message) {
    nlohmann::json j;
    j["result"] = result;
    j["message"] = message;
    std::cout << j.dump() << std::endl;
}

std::string outputClash(const std::string& input, const OutputArgs& o) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--out", &o.out}, {"--eps", &o.eps}, {"--pdf", &o.pdf},
        {"--svg", &o.svg}, {"--emf", &o.emf}, {"--bmp", &o.bmp}, {"--png", &o.png},
    };
    const fs::path in = comparable(input);
    std::vector<std::pair<const char*, fs::path>> seen;
    for (const auto& [flag, path] : outputs) {
        if (path->empty()) continue;
        const fs::path p = comparable(*path);
        if (p == in) return *path + ": " + flag + " would overwrite the model being read";
        for (const auto& [other, q] : seen)
            if (p == q) return *path + ": " + other + " and " + flag + " name the same file";
        seen.emplace_back(flag, p);
    }
    return {};
}

int openForCommand(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const CommonArgs& common) {
    frontEnd.file = path;
    const LoadOutcome outcome = doc.open(path);
    if (outcome.result != kReadOk) {
        if (common.json) printJsonFailure(outcome.result, outcome.message);
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    }
    if (common.joinOpenEdges) doc.joinAdjacentIsolatedEdges();
    return kExitOk;
}

int writeOutputs(Document& doc, CliFrontEnd& frontEnd, const OutputArgs& o) {
    std::string error;
    if (!o.out.empty() && !doc.save(o.out, &error)) return writeFailed(frontEnd, o.out, error);
    if (!o.drawings()) return kExitOk;
    if (!doc.hasDevelopment()) {
        frontEnd.message("The file holds no development to draw.", kAppTitle, MessageIcon::Error);
        return kExitFailed;
    }
    if (!o.eps.empty() && !doc.exportEps(o.eps, &error)) return writeFailed(frontEnd, o.eps, error);
    FreeTypeTextMetrics metrics;
    if (!o.svg.empty()) {
        const OutputStatus s = saveDevelopmentSvg(doc, o.svg, metrics);
        if (!s.ok()) return writeFailed(frontEnd, o.svg, s.message);
        // The SVG is the printed sheet, so it is cut off where printing is.
        if (developmentDrawingOf(doc).grid.cutOff) warn(frontEnd, o.svg, kMsgBeyondPrintedPages);
    }
    if (!o.emf.empty()) {
        const OutputStatus s = saveDevelopmentMetafile(doc, o.emf, metrics);
        if (!s.ok()) return writeFailed(frontEnd, o.emf, s.message);
    }
    if (!o.pdf.empty()) {
        if (!writePdf(doc, o.pdf, error)) return writeFailed(frontEnd, o.pdf, error);
        if (!error.empty()) warn(frontEnd, o.pdf, error);  // written, with something left out
    }
    const struct {
        const std::string& path;
        const std::string& size;
        BitmapFileKind kind;
    } bitmaps[] = {{o.bmp, o.bmpSize, BitmapFileKind::Bmp}, {o.png, o.pngSize, BitmapFileKind::Png}};
    for (const auto& b : bitmaps) {
        if (b.path.empty()) continue;
        int width = 0, height = 0;
        if (!bitmapSizeOf(doc, b.size, width, height, error, b.kind)) {
            frontEnd.message(error, kAppTitle, MessageIcon::Error);
            return kExitFailed;
        }
        if (!writeBmp(doc, b.path, width, height, error, b.kind)) return writeFailed(frontEnd, b.path, error);
    }
    return kExitOk;
}

}  // namespace plikatra
