#include "cli/painted_outputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <memory>

#include "output/qt/printing.h"

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

}  // namespace

bool writePdf(const Document& doc, const std::string& path, std::string& error) {
    ensureApplication();
    return exportPdf(doc, path, nullptr, &error);
}

}  // namespace plikatra
