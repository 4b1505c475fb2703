// Every drawing the tool writes for the corpus models, opened by a reader of its format:
// Ghostscript for EPS, Poppler for PDF, Qt for SVG and BMP, the tests' record reader and
// LibreOffice Draw for EMF.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "emf_file.h"
#include "cli_support.h"
#include "test_util.h"

namespace fs = std::filesystem;
using plikatra::test::TempDir;
using namespace plikatra::test;

namespace {

// Runs a shell command; its status, with standard output and standard error together.
using Shell = CommandRun;
Shell shell(const std::string& command) { return runCommand(command + " 2>&1 </dev/null"); }

// Lines of `text` that are not of the given kinds.
std::string linesOtherThan(const std::string& text, const std::vector<std::string>& prefixes) {
    std::istringstream in(text);
    std::string line, other;
    while (std::getline(in, line)) {
        const bool known = line.empty() || std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& p) {
                               return line.rfind(p, 0) == 0;
                           });
        if (!known) other += line + "\n";
    }
    return other;
}

std::string eps(const std::string& file) {
    const Shell gs = shell("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox " + quote(file));
    if (gs.status != 0) return "Ghostscript failed: " + gs.out;
    return linesOtherThan(gs.out, {"%%BoundingBox:", "%%HiResBoundingBox:"});
}

std::string pdf(const std::string& file, const std::string& dir) {
    // Poppler reports damage on standard error and may still exit with 0.
    const Shell info = shell("(pdfinfo " + quote(file) + " 2>&1 >/dev/null)");
    if (info.status != 0 || !info.out.empty()) return "pdfinfo: " + info.out;
    const Shell ppm = shell("pdftoppm -r 10 -png " + quote(file) + " " + quote(dir + "/page"));
    if (ppm.status != 0 || !ppm.out.empty()) return "pdftoppm: " + ppm.out;
    return {};
}

// Qt SVG writes what it cannot handle as warnings and goes on; a warning is a failure here.
QString svgWarnings;
void keepWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) svgWarnings += message + "\n";
}

std::string svg(const std::string& file) {
    const std::string text = plikatra::test::readFile(file);
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    while (!xml.atEnd()) xml.readNext();
    if (xml.hasError())
        return "XML line " + std::to_string(xml.lineNumber()) + ": " + xml.errorString().toStdString();
    svgWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    QSvgRenderer renderer(QString::fromStdString(file));
    if (renderer.isValid()) {
        QImage image(200, 200, QImage::Format_ARGB32);
        QPainter painter(&image);
        renderer.render(&painter);
    }
    qInstallMessageHandler(previous);
    if (!renderer.isValid()) return "Qt SVG cannot load it";
    return svgWarnings.toStdString();
}

std::string bmp(const std::string& file) {
    QImage image;
    if (!image.load(QString::fromStdString(file), "BMP")) return "Qt cannot read it";
    if (image.width() < 1 || image.height() < 1) return "empty image";
    return {};
}

std::string emf(const std::string& file) {
    const std::string text = plikatra::test::readFile(file);
    const plikatra::test::EmfFile parsed(std::vector<std::uint8_t>(text.begin(), text.end()));
    if (!parsed.error.empty()) return parsed.error;
    return parsed.handleProblems();
}

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
}

}  // namespace

TEST(CliCorpus, EveryDrawingOfEveryModelOpensInItsReader) {
    const fs::path root = PLIKATRA_CORPUS_DIR;
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    for (const char* program : {"gs", "pdfinfo", "pdftoppm"})
        if (shell(std::string("command -v ") + program).status != 0) GTEST_SKIP() << program << " is not installed";
    ensureApplication();
    // The raster comes from the surfaceless context, never from a display.
    unsetenv("DISPLAY");
    // Unfolding and drawing a model of thousands of faces takes many seconds in a sanitizer
    // build; the smaller ones still reach every reader with every kind of mark.
    constexpr int kMostFaces = 2000;
    const std::set<std::string> formats = {".obj", ".3ds", ".dxf", ".lwo", ".mqo"};
    std::vector<fs::path> models;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string ext = entry.path().extension().string();
        for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (formats.count(ext)) models.push_back(entry.path());
    }
    std::sort(models.begin(), models.end());
    TempDir dir;
    std::vector<std::string> metafiles;
    for (const fs::path& model : models) {
        const std::string name = model.filename().string();
        SCOPED_TRACE(name);
        const Shell info = shell("(" + cliCommand("info --json " + quote(model.string())) + " 2>/dev/null)");
        if (info.status != 0) continue;  // the files the readers refuse, pinned by the tests above
        if (nlohmann::json::parse(info.out)["faces"].get<int>() > kMostFaces) continue;
        // Numbered, so that the metafiles converted together below keep apart.
        const std::string base = dir.path() + "/" + std::to_string(metafiles.size());
        const Shell unfold = shell(cliCommand("unfold " + quote(model.string()) + " --eps " + quote(base + ".eps") +
                                              " --pdf " + quote(base + ".pdf") + " --svg " + quote(base + ".svg") +
                                              " --emf " + quote(base + ".emf") + " --bmp " + quote(base + ".bmp")));
        ASSERT_EQ(unfold.status, 0) << unfold.out;
        EXPECT_EQ(eps(base + ".eps"), "");
        EXPECT_EQ(pdf(base + ".pdf", dir.path()), "");
        EXPECT_EQ(svg(base + ".svg"), "");
        EXPECT_EQ(bmp(base + ".bmp"), "");
        EXPECT_EQ(emf(base + ".emf"), "");
        metafiles.push_back(name);
    }
    EXPECT_GE(metafiles.size(), 25u);

    // LibreOffice Draw, where installed, converts every metafile to PDF in one run (starting
    // it is most of its time); each must come out with something drawn on it.
    if (shell("command -v soffice").status != 0) {
        std::printf("soffice is not installed: the metafiles were checked by the record reader only\n");
        return;
    }
    const std::string converted = dir.path() + "/libreoffice";
    std::string inputs;
    for (size_t i = 0; i < metafiles.size(); ++i) inputs += " " + quote(dir.path() + "/" + std::to_string(i) + ".emf");
    const Shell office = shell("timeout 300 soffice --headless -env:UserInstallation=file://" + dir.path() +
                               "/profile --convert-to pdf --outdir " + quote(converted) + inputs);
    ASSERT_EQ(office.status, 0) << office.out;
    for (size_t i = 0; i < metafiles.size(); ++i) {
        SCOPED_TRACE(metafiles[i]);
        const std::string page = converted + "/" + std::to_string(i);
        const Shell ppm = shell("pdftoppm -r 10 -gray -png -singlefile " + quote(page + ".pdf") + " " + quote(page));
        ASSERT_EQ(ppm.status, 0) << ppm.out;
        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(page + ".png")));
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x) drawn = qGray(image.pixel(x, y)) < 200;
        EXPECT_TRUE(drawn);
    }
}
