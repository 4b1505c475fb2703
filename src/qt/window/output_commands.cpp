#include "qt/window/output_commands.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QOpenGLContext>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <cerrno>

#include "app/development_outputs.h"
#include "app/file_failure.h"
#include "qt/dialogs/export_forms.h"
#include "app/view_options.h"
#include "output/export_format.h"
#include "qt/printing/painter_canvas.h"
#include "output/text_metrics.h"
#include "views/offscreen_raster.h"

namespace plikatra {

namespace {

constexpr const char* kSaveDevelopmentTitle = "Save Development to File";
constexpr const char* kExportPdfTitle = "Export PDF";
constexpr const char* kPrinterSetupTitle = "Printer Setup";
// The memory device bitmaps are drawn on has the screen's usual resolution; texts come out at
// their paper size whatever it is.
constexpr double kBitmapDevicePixelsPerInch = 96.0;
// Sides of the picture offered beside the clipboard metafile are kept below this.
constexpr int kClipboardPictureLimit = 4096;

// Qt's "Description (patterns);;..." form of a "Description|patterns|...||" filter; a
// description that already ends in its patterns is kept as it is.
QString qtFilterOf(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        out << (parts[i].endsWith(')') ? parts[i] : QString("%1 (%2)").arg(parts[i], patterns));
    }
    return out.join(";;");
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The GL dispatch lets a thread have only one API's context current: the views' (GLX on X11)
// or the off-screen one (EGL). The views' context is let go before each off-screen drawing;
// they make theirs current again before they draw.
class ViewSafeRaster : public RasterSource {
public:
    explicit ViewSafeRaster(std::unique_ptr<RasterSource> inner) : inner_(std::move(inner)) {}
    // The inner source frees its OpenGL objects with its own context current.
    ~ViewSafeRaster() override {
        releaseViews();
        inner_.reset();
    }
    RasterResult render(const RasterRequest& request) override {
        releaseViews();
        return inner_->render(request);
    }

private:
    static void releaseViews() {
        if (QOpenGLContext* current = QOpenGLContext::currentContext()) current->doneCurrent();
    }
    std::unique_ptr<RasterSource> inner_;
};

EmfReferenceDevice referenceDeviceOf(const QWidget* window) {
    EmfReferenceDevice d;
    if (const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen()) {
        d.pixelsPerInch = std::max(1, qRound(screen->logicalDotsPerInchX()));
        d.widthPixels = screen->geometry().width();
        d.heightPixels = screen->geometry().height();
    }
    return d;
}

}  // namespace

OutputCommands::OutputCommands(QWidget* window, Document& doc, QtFrontEnd& frontEnd)
    : window_(window), doc_(doc), frontEnd_(frontEnd) {}

OutputCommands::~OutputCommands() = default;

QPrinter& OutputCommands::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void OutputCommands::showError(const std::string& text) { frontEnd_.message(text, kAppTitle, MessageIcon::Error); }

void OutputCommands::showFileError(const std::string& text, const std::string& path) {
    const int savedErrno = errno;
    frontEnd_.fileMessage(text, path, text == kMsgCannotWriteFile ? writeFailureReason(path, savedErrno) : "",
                          MessageIcon::Error);
}

RasterFactory OutputCommands::rasterFactory() const {
    const DevelopmentViewOptions options = developmentViewOptionsOf(doc_.settings(), kModeNone);
    return [options](const DevelopmentDrawing& drawing) -> std::unique_ptr<RasterSource> {
        return std::make_unique<ViewSafeRaster>(std::make_unique<OffscreenRaster>(drawing, options));
    };
}

std::optional<QString> OutputCommands::askFileName(const QString& title, const char* filter,
                                                   const char* defaultSuffix) {
    // Proposed: the document's name without its extension, in its folder.
    const QFileInfo current(QString::fromStdString(doc_.path().empty() ? kUntitled : doc_.path()));
    const QString folder = doc_.path().empty() ? QDir::currentPath() : current.absolutePath();
    QFileDialog dialog(window_, title, folder, qtFilterOf(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromUtf8(defaultSuffix));
    // A name typed without an extension takes the one of the format chosen in the list.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString suffix = filter.section("(*.", -1).section(')', 0, 0);
        if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
    });
    dialog.selectFile(current.completeBaseName());
    if (runDialog(dialogRunner, dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<std::pair<int, int>> OutputCommands::askBitmapSize(int limit, BitmapFileKind kind) {
    BitmapSizeDialog size = bitmapSizeDialogOf(doc_, limit, kind);
    BitmapSizeForm form(size, window_);
    if (runDialog(dialogRunner, form) != QDialog::Accepted) return std::nullopt;
    return std::pair{size.width(), size.height()};
}

void OutputCommands::saveDevelopment() {
    if (!doc_.hasDevelopment()) return;
    const std::optional<QString> chosen =
        askFileName(kSaveDevelopmentTitle, kDevelopmentFileFilter, kDevelopmentFileDefaultExtension);
    if (!chosen) return;
    const std::string path = chosen->toStdString();
    FreeTypeTextMetrics metrics;
    switch (developmentFileFormat(path)) {
        case DevelopmentFileFormat::Bitmap: saveBitmap(*chosen, BitmapFileKind::Bmp); break;
        case DevelopmentFileFormat::Png: saveBitmap(*chosen, BitmapFileKind::Png); break;
        case DevelopmentFileFormat::Eps: {
            std::string error;
            if (!doc_.exportEpsAsked(path, &error) && !error.empty()) showFileError(error, path);
            break;
        }
        case DevelopmentFileFormat::Metafile:
            // A metafile that cannot be made is not reported.
            saveDevelopmentMetafile(doc_, path, metrics, referenceDeviceOf(window_));
            break;
        case DevelopmentFileFormat::Svg: {
            const OutputStatus s = saveDevelopmentSvg(doc_, path, metrics);
            if (!s.ok()) showFileError(s.message, path);
            // The SVG is the printed sheet, so it is cut off where printing is.
            else if (developmentDrawingOf(doc_).grid.cutOff)
                frontEnd_.message(kMsgBeyondPrintedPages, kAppTitle, MessageIcon::Warning);
            break;
        }
        case DevelopmentFileFormat::Pdf: {
            WaitCursor wait;
            std::string error;
            const bool written = plikatra::exportPdf(doc_, path, rasterFactory(), &error);
            showPdfOutcome(written, error, path);
            break;
        }
        case DevelopmentFileFormat::Unsupported: showError(kMsgFormatNotSupported); break;
    }
}

void OutputCommands::saveBitmap(const QString& path, BitmapFileKind kind) {
    const std::optional<std::pair<int, int>> size = askBitmapSize(kBitmapFileLimit, kind);
    if (!size) return;
    doc_.chooseEditMode(kModeNone);
    WaitCursor wait;
    PainterImageCanvasFactory texts(kBitmapDevicePixelsPerInch);
    const OutputStatus s =
        saveDevelopmentBitmap(doc_, path.toStdString(), size->first, size->second, rasterFactory(), &texts, kind);
    if (!s.ok()) showFileError(s.message, path.toStdString());
}

void OutputCommands::exportPdf() {
    if (!doc_.hasDevelopment()) return;
    const std::optional<QString> chosen = askFileName(kExportPdfTitle, kPdfFileFilter, "pdf");
    if (!chosen) return;
    WaitCursor wait;
    std::string error;
    const bool written = plikatra::exportPdf(doc_, chosen->toStdString(), rasterFactory(), &error);
    showPdfOutcome(written, error, chosen->toStdString());
}

void OutputCommands::showPdfOutcome(bool written, const std::string& error, const std::string& path) {
    if (error.empty()) return;
    // A PDF that was written but leaves something out warns; one that was not names the file.
    if (written) frontEnd_.message(error, kAppTitle, MessageIcon::Warning);
    else showFileError(error, path);
}

void OutputCommands::print() {
    if (!doc_.hasDevelopment()) return;
    printWithDialog(window_, doc_, printer(), rasterFactory(), dialogRunner);
}

void addPreviewPageKeys(QDialog& preview) {
    // The keys go to the preview's own "Next page" and "Previous page" buttons, so that its
    // page counter and buttons follow. Escape already closes it, as it closes every dialog.
    auto step = [&preview](const char* text, Qt::Key key) {
        const QString name = QCoreApplication::translate("QPrintPreviewDialog", text);
        for (QAction* action : preview.findChildren<QAction*>())
            if (action->text() == name) action->setShortcut(QKeySequence(key));
    };
    step("Next page", Qt::Key_PageDown);
    step("Previous page", Qt::Key_PageUp);
}

void OutputCommands::printPreview() {
    if (!doc_.hasDevelopment()) return;
    const DialogRunner run = [this](QDialog& dialog) {
        addPreviewPageKeys(dialog);
        return runDialog(dialogRunner, dialog);
    };
    previewPrinting(window_, doc_, printer(), rasterFactory(), run);
}

void OutputCommands::printerSetup() {
    // The page set-up dialog only serves the system's printers; for a file (and on a system
    // without printers) the print dialog chooses the printer and its options instead.
    if (printer().outputFormat() == QPrinter::NativeFormat) {
        QPageSetupDialog dialog(&printer(), window_);
        runDialog(dialogRunner, dialog);
    } else {
        QPrintDialog dialog(&printer(), window_);
        dialog.setWindowTitle(QString::fromUtf8(kPrinterSetupTitle));
        runDialog(dialogRunner, dialog);
    }
}

void OutputCommands::copyBitmap() {
    if (!doc_.hasDevelopment()) return;
    const std::optional<std::pair<int, int>> size = askBitmapSize(kClipboardBitmapLimit);
    if (!size) return;
    doc_.chooseEditMode(kModeNone);
    RgbImage image;
    {
        WaitCursor wait;
        PainterImageCanvasFactory texts(kBitmapDevicePixelsPerInch);
        const OutputStatus s = developmentBitmap(doc_, size->first, size->second, rasterFactory(), &texts, image);
        if (!s.ok()) {
            showError(s.message);
            return;
        }
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        showError(kMsgFailedToOpenClipboard);
        return;
    }
    clipboard->setImage(
        QImage(image.pixels.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888).copy());
    if (!clipboard->mimeData() || !clipboard->mimeData()->hasImage()) showError(kMsgCannotSetClipboard);
}

void OutputCommands::copyMetafile() {
    if (!doc_.hasDevelopment()) return;
    const EmfReferenceDevice reference = referenceDeviceOf(window_);
    FreeTypeTextMetrics metrics;
    PainterImageCanvasFactory texts(reference.pixelsPerInch);
    const ClipboardMetafile copy = clipboardMetafile(doc_, metrics, reference, texts, kClipboardPictureLimit);
    if (copy.metafile.empty()) {
        showError(kMsgFailedToCopyToClipboard);
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        showError(kMsgFailedToOpenClipboard);
        return;
    }
    auto* data = new QMimeData;
    data->setData(kMetafileMimeType, QByteArray(reinterpret_cast<const char*>(copy.metafile.data()),
                                                static_cast<qsizetype>(copy.metafile.size())));
    if (!copy.picture.empty()) {
        const QImage picture(copy.picture.pixels.data(), copy.picture.width, copy.picture.height,
                             copy.picture.width * 3, QImage::Format_RGB888);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        data->setData("image/png", png);
        data->setImageData(picture.copy());
    }
    clipboard->setMimeData(data);
    if (!clipboard->mimeData() || !clipboard->mimeData()->hasFormat(kMetafileMimeType))
        showError(kMsgCannotSetClipboard);
}

}  // namespace plikatra
