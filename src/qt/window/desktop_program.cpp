#include "qt/window/desktop_program.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QScreen>
#include <QSplashScreen>
#include <QSplitter>
#include <QSurfaceFormat>
#include <QTimer>

#include <iostream>

#include "app/config_dialogs.h"
#include "app/document.h"
#include "app/file_failure.h"
#include "qt/window/main_window.h"
#include "qt/window/qt_front_end.h"
#include "app/recovery.h"
#include "base/profile.h"
#include "base/settings.h"
#include "base/version.h"

namespace plikatra {

namespace {

constexpr int kSplashMs = 750;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;

// The picture of the About box, drawn rather than shipped.
QPixmap aboutPicture() {
    QPixmap pixmap(420, 240);
    pixmap.fill(QColor(245, 243, 236));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A cube unfolded into its cross, the program's own motif.
    const QColor face(190, 210, 240);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(face);
    const int s = 34, x0 = 40, y0 = 40;
    const QPoint cells[] = {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {1, 2}};
    for (const QPoint& c : cells) p.drawRect(x0 + c.x() * s, y0 + c.y() * s, s, s);
    QFont title("Liberation Sans");
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(30, 60, 110));
    p.drawText(QRect(190, 60, 220, 40), Qt::AlignLeft, "Plikatra");
    p.drawText(QRect(190, 95, 220, 40), Qt::AlignLeft, "Designer");
    QFont small("Liberation Sans");
    small.setPixelSize(14);
    p.setFont(small);
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRect(190, 140, 220, 20), Qt::AlignLeft, QString("Paper craft designer %1").arg(programVersionText()));
    return pixmap;
}

void applyShowState(QMainWindow& w, int show) {
    // 3 maximised, 2 minimised (opened normally: a program starting minimised is lost), else
    // normal.
    if (show == 3) w.showMaximized();
    else w.show();
}

}  // namespace

DesktopOptions parseDesktopArguments(const QStringList& arguments) {
    DesktopOptions o;
    QStringList pathParts;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--unfold") {
            o.unfold = true;
        } else if (a == "--screenshot") {
            if (i + 1 >= arguments.size()) {
                o.error = "--screenshot needs a file name";
                return o;
            }
            o.screenshot = arguments[++i];
        } else if (a == "--version") {
            o.version = true;
            return o;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
            return o;
        } else if (a.startsWith("--")) {
            o.error = "Unknown option " + a;
            return o;
        } else {
            pathParts << a;
        }
    }
    QString path = pathParts.join(' ');
    if (path.startsWith('"')) path = path.mid(1, path.size() - 2);
    o.path = path;
    if (o.unfold && o.path.isEmpty()) o.error = "--unfold needs a file to open";
    return o;
}

QString desktopUsage() {
    // The extensions of "All Supported Formats" in the open dialog's filter.
    QString extensions = QString::fromUtf8(kOpenFilter).section('|', 1, 1);
    extensions.replace("*", "").replace(";", " ");
    return QString("Usage: plikatra [FILE] [--unfold] [--screenshot OUT.png]\n"
                   "Opens FILE (%1) in the Plikatra Designer window.\n"
                   "\n"
                   "Options:\n"
                   "  --unfold              create the development of FILE after opening it\n"
                   "  --screenshot OUT.png  write a picture of the window to OUT.png and quit\n"
                   "                        without saving the settings\n"
                   "  --version             print the version and quit\n"
                   "  -h, --help            print this help and quit\n"
                   "\n"
                   "Batch work without a window: plikatra-cli --help\n")
        .arg(extensions.trimmed());
}

QString desktopVersion() { return QString("Plikatra Designer %1").arg(programVersion()); }

void prepareOpenGl() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
}

int runDesktopProgram(int argc, char** argv) {
    // The usage and the version are answered before anything needs a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    if (const DesktopOptions early = parseDesktopArguments(raw); early.help || early.version) {
        std::cout << (early.help ? desktopUsage() : desktopVersion() + "\n").toStdString() << std::flush;
        return kExitOk;
    }

    prepareOpenGl();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Plikatra Designer");
    QApplication::setApplicationVersion(programVersion());

    // Parsed again: the application has taken its own options (-platform, -display) out.
    const DesktopOptions options = parseDesktopArguments(app.arguments().mid(1));
    if (!options.error.isEmpty()) {
        std::cerr << "plikatra: " << options.error.toStdString() << "\n"
                  << desktopUsage().section('\n', 0, 0).toStdString() << std::endl;
        return kExitFailed;
    }
    const bool scripted = !options.screenshot.isEmpty();

    std::unique_ptr<QSplashScreen> splash;
    if (!scripted) {
        splash = std::make_unique<QSplashScreen>(aboutPicture());
        splash->show();
        QTimer::singleShot(kSplashMs, splash.get(), &QWidget::close);
        QCoreApplication::processEvents();
    }

    Settings settings;
    // The profile is found once; everything that keeps something in it is handed the path.
    const std::string profile = profilePath();
    const WindowPlacement placement = loadWindowPlacement(profile);
    QtFrontEnd frontEnd;
    frontEnd.setUnattended(scripted);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() <= 8) {
        frontEnd.message(kMsgScreenDepth, kAppTitle, MessageIcon::Error);
        return kExitFailed;
    }
    Document doc(frontEnd, settings);
    std::unique_ptr<RecoveryStore> recovery;  // outlives the window, which writes to it
    MainWindow window(doc, frontEnd, profile);
    loadSettings(settings, profile);
    window.restorePlacement();
    window.updateCommands();
    if (scripted) {
        window.resize(1280, 800);
        window.show();
    } else {
        applyShowState(window, placement.show);
    }
    if (splash) splash->finish(&window);
    QCoreApplication::processEvents();

    // A scripted run leaves the recovery folder alone: it neither offers nor keeps copies.
    if (!scripted) {
        recovery = std::make_unique<RecoveryStore>();
        window.keepRecoveryCopies(*recovery);
        window.offerRecovery();
    }

    int status = kExitOk;
    if (!options.path.isEmpty() && !window.openFile(options.path)) status = kExitFailed;
    if (status == kExitOk && options.unfold && !doc.hasDevelopment()) {
        if (!doc.createDevelopment(settings.autoCheck)) status = kExitCancelled;
    }
    if (!scripted) return app.exec();

    // A scripted run: let the views draw, keep the picture and leave without saving settings.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    if (!window.grab().save(options.screenshot, "PNG")) {
        const std::string shot = options.screenshot.toStdString();
        std::cerr << "plikatra: " << fileFailureLine(kMsgCannotWriteFile, shot, writeFailureReason(shot))
                  << std::endl;
        return kExitFailed;
    }
    return status;
}

}  // namespace plikatra
