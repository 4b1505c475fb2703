// Printing the development page by page through Qt's printer: the print dialog with pages
// 1..count, the preview, and PDF files with one page per printed page.
#pragma once

#include <string>

#include "app/document.h"
#include "output/output_status.h"
#include "output/raster_source.h"

class QPrinter;
class QWidget;

namespace plikatra {

// The pages of the document's development as printing sees them.
class DevelopmentPrinter {
public:
    // `raster` (not owned, may be null) renders raster pages and texture layers.
    DevelopmentPrinter(const Document& doc, RasterSource* raster) : doc_(doc), raster_(raster) {}

    // Length of the page list (empty cells left out when the settings say so).
    int pageCount() const;
    // Sets paper size (the settings' paper type), full-page mode and no margins.
    void preparePrinter(QPrinter& printer) const;
    // Prints pages `from`..`to` (1-based, 0 for all) on `printer`; raster pages when
    // `preview`. The first raster failure's message, after every page was drawn.
    OutputStatus print(QPrinter& printer, int from = 0, int to = 0, bool preview = false) const;

private:
    const Document& doc_;
    RasterSource* raster_;
};

// "&Print...": the print dialog (pages 1..count), then the pages.
void printWithDialog(QWidget* parent, const Document& doc, QPrinter& printer, RasterSource* raster);
// "Print Pre&view": the preview window with raster pages.
void previewPrinting(QWidget* parent, const Document& doc, QPrinter& printer, RasterSource* raster);
// A PDF of the printed pages, written in one step; false with the message in `error`.
bool exportPdf(const Document& doc, const std::string& path, RasterSource* raster, std::string* error);

}  // namespace plikatra
