// A development moved past the left and top edges of the sheet, written in every format: each
// drawing must hold as much of it as before the move.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "emf_file.h"
#include "test_util.h"

namespace fs = std::filesystem;
using namespace plikatra::test;

namespace {

const std::string kBox = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";
// Page labels and crop marks come once per page; they are not part of the development.
const std::string kNoPageMarks = " --set bPrintPageNumber=0 --set bPrintTombo=0";

struct CliOutcome {
    int status = -1;
    std::string out, err;
};

CliOutcome cli(const TempDir& dir, const std::string& args) {
    const std::string err = dir.path() + "/stderr.txt";
    const CommandRun r = runCommand(cliCommand(args + kNoPageMarks) + " 2>" + quote(err) + " </dev/null");
    return {r.status, r.out, readFile(err)};
}

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
}

// Pixels that are not paper.
long drawnPixels(const QImage& image) {
    long n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 235;
    return n;
}

long drawnInPicture(const std::string& file) {
    QImage image;
    return image.load(QString::fromStdString(file)) ? drawnPixels(image) : -1;
}

// Every page of the PDF at 20 pixels per inch; the number of pages through `pages`.
long drawnInPdf(const std::string& pdf, int& pages) {
    const std::string prefix = pdf + "-page";
    if (runCommand("pdftoppm -r 20 -gray -png " + quote(pdf) + " " + quote(prefix) + " 2>&1").status != 0) return -1;
    long n = 0;
    pages = 0;
    const fs::path folder = fs::path(pdf).parent_path();
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().string().rfind(prefix, 0) == 0 && e.path().extension() == ".png") {
            n += drawnInPicture(e.path().string());
            ++pages;
        }
    return n;
}

long drawnInEps(const std::string& eps) {
    // An EPS leaves the page output to whoever embeds it.
    const std::string page = eps + ".ps", png = eps + ".png";
    std::ofstream(page) << readFile(eps) << "\nshowpage\n";
    if (runCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=pnggray -r20 -sOutputFile=" + quote(png) +
                   " " + quote(page) + " 2>&1")
            .status != 0)
        return -1;
    return drawnInPicture(png);
}

// The SVG at 2 pixels per millimetre of its own view box: what lies outside the box is lost.
long drawnInSvg(const std::string& svg) {
    QSvgRenderer renderer(QString::fromStdString(svg));
    if (!renderer.isValid()) return -1;
    const QRectF box = renderer.viewBoxF();
    QImage image(static_cast<int>(box.width() * 2), static_cast<int>(box.height() * 2), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return drawnPixels(image);
}

// The filled area of the metafile's polygons that lies within its bounds, in square device
// units, counted on the device's grid of whole units.
long metafileFaceArea(const std::string& emf) {
    const std::string bytes = readFile(emf);
    const EmfFile file(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    if (!file.error.empty() || file.records.empty()) return -1;
    const EmfRecord& header = file.records.front();
    const int left = file.i32(header, 8), top = file.i32(header, 12);
    const int right = file.i32(header, 16), bottom = file.i32(header, 20);
    constexpr std::uint32_t kPolygon16 = 86;
    double area = 0;
    for (const EmfRecord* r : file.of(kPolygon16)) {
        std::vector<plikatra::IntPoint> p = file.points(*r);
        for (plikatra::IntPoint& q : p) {
            q.x = std::clamp(q.x, left, right);
            q.y = std::clamp(q.y, top, bottom);
        }
        double twice = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            const plikatra::IntPoint a = p[i], b = p[(i + 1) % p.size()];
            twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
        }
        area += std::fabs(twice) / 2;
    }
    return std::lround(area);
}

// The work file with its first part moved by (dx, dy) development units.
std::string withFirstPartMoved(const std::string& work, double dx, double dy) {
    std::istringstream in(work);
    std::string out, line;
    bool next = false;
    while (std::getline(in, line)) {
        if (next) {
            long solid = 0;
            double x = 0, y = 0, w = 0, h = 0;
            if (std::sscanf(line.c_str(), "%ld %lf %lf %lf %lf", &solid, &x, &y, &w, &h) == 5) {
                char moved[200];
                std::snprintf(moved, sizeof moved, "%ld %f %f %f %f", solid, x + dx, y + dy, w, h);
                line = moved;
            }
            next = false;
        }
        if (line.rfind("parts ", 0) == 0) next = true;
        out += line + "\n";
    }
    return out;
}

struct Drawn {
    long pdf = 0, eps = 0, svg = 0, bmp = 0, emf = 0;
    int pages = 0;       // in the PDF
    int pagesAcross = 0;  // as the tool reports them
};

Drawn drawnByEveryFormat(const TempDir& dir, const std::string& work, const std::string& name) {
    const std::string base = dir.path() + "/" + name;
    const CliOutcome r = cli(dir, "export --json " + quote(work) + " --pdf " + quote(base + ".pdf") + " --eps " +
                               quote(base + ".eps") + " --svg " + quote(base + ".svg") + " --emf " +
                               quote(base + ".emf") + " --bmp " + quote(base + ".bmp"));
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.err, "") << name;
    Drawn d;
    if (r.status == 0) d.pagesAcross = nlohmann::json::parse(r.out)["pages_across"].get<int>();
    d.pdf = drawnInPdf(base + ".pdf", d.pages);
    d.eps = drawnInEps(base + ".eps");
    d.svg = drawnInSvg(base + ".svg");
    d.bmp = drawnInPicture(base + ".bmp");
    d.emf = metafileFaceArea(base + ".emf");
    return d;
}

}  // namespace

TEST(CliSheetEdges, PartMovedLeftAndUpIsDrawnWholeInEveryFormat) {
    for (const char* program : {"gs", "pdftoppm"})
        if (runCommand(std::string("command -v ") + program + " >/dev/null").status != 0)
            GTEST_SKIP() << program << " is not installed";
    ensureApplication();
    unsetenv("DISPLAY");
    TempDir dir;
    const std::string original = dir.path() + "/original.ufd";
    const CliOutcome unfold = cli(dir, "unfold --json --out " + quote(original) + " " + quote(kBox));
    ASSERT_EQ(unfold.status, 0) << unfold.err;
    const double mag = nlohmann::json::parse(unfold.out)["mag2d"].get<double>();

    // 6 cm left and 4 cm up: across the corner of the first page.
    const std::string moved = dir.path() + "/moved.ufd";
    std::ofstream(moved) << withFirstPartMoved(readFile(original), -6.0 / mag, -4.0 / mag);

    const Drawn before = drawnByEveryFormat(dir, original, "before");
    const Drawn after = drawnByEveryFormat(dir, moved, "after");
    ASSERT_GT(before.pdf, 1000);
    EXPECT_EQ(before.pages, 1);
    EXPECT_GT(after.pages, 1) << "the sheet grows to the left and up";
    EXPECT_EQ(after.pagesAcross, before.pagesAcross + 1);
    // The same marks, split over other pages or placed on other pixels: a few percent apart
    // at most, where lines meet page borders or pixel edges.
    auto same = [](long a, long b) { return std::abs(a - b) <= std::max(20L, b / 25); };
    EXPECT_PRED2(same, after.pdf, before.pdf);
    EXPECT_PRED2(same, after.eps, before.eps);
    EXPECT_PRED2(same, after.svg, before.svg);
    EXPECT_PRED2(same, after.bmp, before.bmp);
    EXPECT_PRED2(same, after.emf, before.emf);
    for (long n : {before.eps, before.svg, before.bmp, before.emf}) EXPECT_GT(n, 1000);
}

TEST(CliSheetEdges, FarLeftPrintsWholeUnlessBeyondFivePages) {
    if (runCommand("command -v pdftoppm >/dev/null").status != 0) GTEST_SKIP() << "pdftoppm is not installed";
    ensureApplication();
    unsetenv("DISPLAY");
    TempDir dir;
    // Two metres to the left, far more than five pages from the origin.
    auto movedFar = [&](const std::string& model, const std::string& name) {
        const std::string original = dir.path() + "/" + name + ".ufd", far = dir.path() + "/" + name + "-far.ufd";
        const CliOutcome unfold = cli(dir, "unfold --json --out " + quote(original) + " " + quote(model));
        EXPECT_EQ(unfold.status, 0) << unfold.err;
        const double mag = unfold.status == 0 ? nlohmann::json::parse(unfold.out)["mag2d"].get<double>() : 1.0;
        std::ofstream(far) << withFirstPartMoved(readFile(original), -200.0 / mag, 0.0);
        return std::make_pair(original, far);
    };

    // The whole development (one part) moved: its pages move with it.
    const auto [box, boxFar] = movedFar(kBox, "box");
    int pages = 0;
    CliOutcome r = cli(dir, "export " + quote(box) + " --pdf " + quote(dir.path() + "/box.pdf"));
    ASSERT_EQ(r.status, 0) << r.err;
    const long near = drawnInPdf(dir.path() + "/box.pdf", pages);
    r = cli(dir, "export " + quote(boxFar) + " --pdf " + quote(dir.path() + "/far.pdf"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "") << "no fault of the file, and nothing left out";
    const long far = drawnInPdf(dir.path() + "/far.pdf", pages);
    EXPECT_LE(std::abs(far - near), near / 25) << far << " drawn pixels against " << near;

    // One part of many moved: the five pages from it do not reach the others, and the tool
    // says so instead of dropping them silently.
    const std::string cornell = std::string(PLIKATRA_CORPUS_DIR) + "/obj/cornell_box/cornell_box.obj";
    if (!fs::exists(cornell)) GTEST_SKIP() << "no corpus";
    const auto [room, roomFar] = movedFar(cornell, "room");
    const std::string pdf = dir.path() + "/room.pdf";
    r = cli(dir, "export " + quote(roomFar) + " --pdf " + quote(pdf) + " --svg " + quote(dir.path() + "/room.svg"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_NE(r.err.find("room.pdf: Part of the development lies beyond the 5 x 5 pages that can be printed"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("room.svg: Part of the development lies beyond"), std::string::npos) << r.err;
}
