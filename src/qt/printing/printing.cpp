#include "qt/printing/printing.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/options.h"
#include "base/ui.h"
#include "output/page_list.h"
#include "output/print_page.h"
#include "qt/printing/painter_canvas.h"

namespace plikatra {

namespace {

DevelopmentDrawing drawingOf(const Document& doc) {
    if (!doc.hasDevelopment()) return {};
    return drawDevelopment(*doc.model(), drawingOptionsOf(doc.settings()));
}

// The raster source of one print, made when a page first needs it.
class LazyRaster : public RasterSource {
public:
    LazyRaster(const RasterFactory& factory, const DevelopmentDrawing& drawing, std::unique_ptr<RasterSource>& made)
        : factory_(factory), drawing_(drawing), made_(made) {}
    RasterResult render(const RasterRequest& request) override {
        if (!made_) made_ = factory_(drawing_);
        if (!made_) return {};
        return made_->render(request);
    }

private:
    const RasterFactory& factory_;
    const DevelopmentDrawing& drawing_;
    std::unique_ptr<RasterSource>& made_;
};

}  // namespace

int runDialog(const DialogRunner& run, QDialog& dialog) { return run ? run(dialog) : dialog.exec(); }

DevelopmentPrinter::DevelopmentPrinter(const Document& doc, RasterFactory raster)
    : doc_(doc), drawing_(drawingOf(doc)), rasterFactory_(std::move(raster)) {
    if (doc.hasDevelopment()) pages_ = buildPageList(drawing_, doc.settings().bPrintOmitPage);
}

DevelopmentPrinter::~DevelopmentPrinter() = default;

void DevelopmentPrinter::preparePrinter(QPrinter& printer) const {
    const Settings& s = doc_.settings();
    // The paper of the paper type, whatever the printer's own setting.
    const QPageSize size(QSizeF(s.pageWidth * 10, s.pageHeight * 10), QPageSize::Millimeter,
                         QString(), QPageSize::ExactMatch);
    printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setFullPage(true);
}

OutputStatus DevelopmentPrinter::print(QPrinter& printer, int from, int to, bool preview) {
    if (pages_.empty()) return OutputStatus::success();
    PrintOptions options = printOptionsOf(doc_.settings());
    // Only vector pages draw the flaps' outlines.
    if (!preview && !options.printRaster) {
        if (!flapPieces_) flapPieces_ = visibleFlapPieces(drawing_);
        options.drawing.flapPieces = &*flapPieces_;
    }
    const int count = static_cast<int>(pages_.size());
    if (from <= 0) from = 1;
    if (to <= 0 || to > count) to = count;
    QPainter painter;
    if (!painter.begin(&printer)) return OutputStatus::failure("Could not start print job.");
    PrintDevice device;
    device.pixelsPerInchX = device.pixelsPerInchY = printer.resolution();
    // Full-page mode: the painter's origin is the paper's corner.
    device.offsetX = device.offsetY = 0;
    device.preview = preview;
    PainterCanvas canvas(painter, printer.resolution());
    LazyRaster raster(rasterFactory_, drawing_, raster_);
    OutputStatus first = OutputStatus::success();
    for (int n = from; n <= to; ++n) {
        if (n > from) printer.newPage();
        const OutputStatus s = printPage(canvas, drawing_, pages_, n, device, options,
                                         rasterFactory_ ? &raster : nullptr);
        if (first.ok() && !s.ok()) first = s;
    }
    painter.end();
    return first;
}

void printWithDialog(QWidget* parent, const Document& doc, QPrinter& printer, const RasterFactory& raster,
                     const DialogRunner& run) {
    DevelopmentPrinter job(doc, raster);
    const int count = job.pageCount();
    if (job.cutOff()) doc.frontEnd().message(kMsgBeyondPrintedPages, kAppTitle, MessageIcon::Warning);
    if (count == 0) return;
    job.preparePrinter(printer);
    printer.setFromTo(1, count);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, count);
    if (runDialog(run, dialog) != QDialog::Accepted) return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    const OutputStatus s =
        job.print(printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0, false);
    if (!s.ok()) doc.frontEnd().message(s.message, kAppTitle, MessageIcon::Error);
}

void previewPrinting(QWidget* parent, const Document& doc, QPrinter& printer, const RasterFactory& raster,
                     const DialogRunner& run) {
    DevelopmentPrinter job(doc, raster);
    if (job.cutOff()) doc.frontEnd().message(kMsgBeyondPrintedPages, kAppTitle, MessageIcon::Warning);
    if (job.pageCount() == 0) return;
    job.preparePrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&job](QPrinter* p) { job.print(*p, 0, 0, true); });
    runDialog(run, dialog);
}

bool exportPdf(const Document& doc, const std::string& path, const RasterFactory& raster, std::string* error) {
    DevelopmentPrinter job(doc, raster);
    // Without a page nothing would be written, which is no fault of the file.
    if (job.pageCount() == 0) {
        if (error) *error = kMsgNoPageToPrint;
        return false;
    }
    // Written beside the target and renamed over it once complete, as every file we save.
    const QFileInfo target(QString::fromStdString(path));
    const QString temporary = target.absoluteDir().filePath("." + target.fileName() + ".part");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temporary);
    printer.setCreator(kAppTitle);
    printer.setResolution(600);
    job.preparePrinter(printer);
    const OutputStatus s = job.print(printer);
    // rename() replaces the target in one step.
    const bool written = QFileInfo::exists(temporary) &&
                         std::rename(temporary.toLocal8Bit().constData(),
                                     target.absoluteFilePath().toLocal8Bit().constData()) == 0;
    if (!written) {
        QFile::remove(temporary);
        if (error) *error = s.ok() ? kMsgCannotWriteFile : s.message;
        return false;
    }
    if (!s.ok() && error) *error = s.message;
    else if (job.cutOff() && error) *error = kMsgBeyondPrintedPages;
    return true;
}

}  // namespace plikatra
