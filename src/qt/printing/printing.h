// Printing the development page by page through Qt's printer: the print dialog with pages
// 1..count, the preview, and PDF files with one page per printed page.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/document.h"
#include "output/flap_pieces.h"
#include "output/output_status.h"
#include "output/page_list.h"
#include "output/raster_source.h"

class QDialog;
class QPrinter;
class QWidget;

namespace plikatra {

// Runs a modal dialog and gives its result code. Empty means QDialog::exec(); tests put a
// function here that answers the dialog instead of a person.
using DialogRunner = std::function<int(QDialog&)>;
int runDialog(const DialogRunner& run, QDialog& dialog);

// The pages of the document's development as printing sees them, from one drawing of it.
class DevelopmentPrinter {
public:
    // `raster` (may be empty) makes the renderer of raster pages and texture layers; without
    // one they are left out.
    DevelopmentPrinter(const Document& doc, RasterFactory raster);
    ~DevelopmentPrinter();

    // Length of the page list (empty cells left out when the settings say so).
    int pageCount() const { return static_cast<int>(pages_.size()); }
    // Whether part of the development lies beyond the pages that can be printed.
    bool cutOff() const { return drawing_.grid.cutOff; }
    // Sets paper size (the settings' paper type), full-page mode and no margins.
    void preparePrinter(QPrinter& printer) const;
    // Prints pages `from`..`to` (1-based, 0 for all) on `printer`; raster pages when
    // `preview`. The first raster failure's message, after every page was drawn.
    OutputStatus print(QPrinter& printer, int from = 0, int to = 0, bool preview = false);

private:
    const Document& doc_;
    DevelopmentDrawing drawing_;
    std::vector<PageCell> pages_;
    RasterFactory rasterFactory_;
    std::unique_ptr<RasterSource> raster_;  // made at the first raster page, then reused
    // Found at the first vector page, then shared by every page.
    std::optional<std::vector<FlapPiece>> flapPieces_;
};

// "&Print...": the print dialog (pages 1..count), then the pages.
void printWithDialog(QWidget* parent, const Document& doc, QPrinter& printer, const RasterFactory& raster,
                     const DialogRunner& run = {});
// "Print Pre&view": the preview window with raster pages.
void previewPrinting(QWidget* parent, const Document& doc, QPrinter& printer, const RasterFactory& raster,
                     const DialogRunner& run = {});
// Shown when a PDF is asked for a development none of whose marks lies on a page.
inline constexpr const char* kMsgNoPageToPrint = "No part of the development lies on a page that can be printed.";

// A PDF of the printed pages, written in one step; false with the message in `error`. A
// written PDF can still carry a warning there (kMsgBeyondPrintedPages, or a raster page that
// failed).
bool exportPdf(const Document& doc, const std::string& path, const RasterFactory& raster, std::string* error);

}  // namespace plikatra
