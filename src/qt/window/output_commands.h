// The commands that send the development out of the program: "Save Development to File" in
// every format, "Export PDF", printing with its preview and printer set-up, and the two
// clipboard copies. The main window hands these commands over and keeps one of these.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "app/document.h"
#include "qt/window/qt_front_end.h"
#include "output/bitmap_file.h"
#include "qt/printing/printing.h"

class QDialog;
class QPrinter;
class QWidget;

namespace plikatra {

// Page Down and Page Up in a print preview step to the next and the previous page (its view
// alone would scroll by a screenful, which is neither).
void addPreviewPageKeys(QDialog& preview);

class OutputCommands {
public:
    OutputCommands(QWidget* window, Document& doc, QtFrontEnd& frontEnd);
    ~OutputCommands();

    // "Sav&e Development to File...": the file by the chosen name's extension (BMP after its
    // size dialog, EPS after its settings, EMF, PDF, SVG); any other extension is refused.
    void saveDevelopment();
    // "Export P&DF...": the printed pages as a PDF file.
    void exportPdf();
    void print();
    void printPreview();
    void printerSetup();
    // "&BMP Format": a bitmap of at most 1024 pixels a side on the clipboard.
    void copyBitmap();
    // "&EMF Format (No Texture)": the metafile, with a PNG of the same drawing beside it.
    void copyMetafile();

    // The printer that print, preview and printer set-up share for the program's run; made
    // when first needed, since asking the system for its printers may take a while.
    QPrinter& printer();

    // Runs every dialog these commands show: file names, the bitmap size, printing and its
    // set-up. Empty runs them modally; tests answer them here instead.
    DialogRunner dialogRunner;

private:
    // A file name from a save dialog, or none when cancelled.
    std::optional<QString> askFileName(const QString& title, const char* filter, const char* defaultSuffix);
    // The size from "Development Size (BMP Format)" under `limit`, or none when cancelled.
    std::optional<std::pair<int, int>> askBitmapSize(int limit, BitmapFileKind kind = BitmapFileKind::Bmp);
    void saveBitmap(const QString& path, BitmapFileKind kind);
    RasterFactory rasterFactory() const;
    void showError(const std::string& text);
    // A failure to write `path`: the text, the file and, for a write that failed, why.
    void showFileError(const std::string& text, const std::string& path);
    // After a PDF export: nothing, a warning, or the failure with the file's name.
    void showPdfOutcome(bool written, const std::string& error, const std::string& path);

    QWidget* window_;
    Document& doc_;
    QtFrontEnd& frontEnd_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace plikatra
