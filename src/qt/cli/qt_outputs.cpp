#include "cli/painted_outputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <memory>

#include "app/development_outputs.h"
#include "app/view_options.h"
#include "qt/printing/painter_canvas.h"
#include "qt/printing/printing.h"
#include "views/offscreen_raster.h"

namespace plikatra {

namespace {

// Qt's painting needs an application object; a batch run has no display, so the off-screen
// platform is used unless the caller chose another.
void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder and complains on every run without one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/plikatra-runtime-" + QByteArray::number(::getuid());
        ::mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    static int argc = 1;
    static char name[] = "plikatra-cli";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

// The bitmap's memory device has the screen's usual resolution; texts keep their paper size.
constexpr double kBitmapDevicePixelsPerInch = 96.0;

RasterFactory rasterFactoryOf(const Document& doc) {
    return offscreenRasterFactory(developmentViewOptionsOf(doc.settings(), kModeNone));
}

}  // namespace

bool writePdf(const Document& doc, const std::string& path, std::string& error) {
    ensureApplication();
    return exportPdf(doc, path, rasterFactoryOf(doc), &error);
}

bool writeBmp(const Document& doc, const std::string& path, int width, int height, std::string& error,
              BitmapFileKind kind) {
    ensureApplication();
    PainterImageCanvasFactory texts(kBitmapDevicePixelsPerInch);
    const OutputStatus s = saveDevelopmentBitmap(doc, path, width, height, rasterFactoryOf(doc), &texts, kind);
    error = s.message;
    return s.ok();
}

}  // namespace plikatra
