// The commands that send the development out of the window, with their dialogs answered as a
// user would answer them: each file by its extension, the bitmap's size dialog, printing, the
// preview, the PDF and the clipboard.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/development_outputs.h"
#include "app/qt/dialogs/export_forms.h"
#include "app/qt/output_commands.h"
#include "output/qt/printing.h"
#include "window_support.h"

namespace plikatra::test {
namespace {

std::uint32_t u32(const std::string& s, size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}
std::uint16_t u16(const std::string& s, size_t at) {
    std::uint16_t v = 0;
    std::memcpy(&v, s.data() + at, 2);
    return v;
}

// Pages of a PDF as poppler counts them; -1 when it cannot read the file.
int pdfPages(const std::string& path) {
    FILE* p = ::popen(("pdfinfo '" + path + "' 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    char line[512];
    int pages = -1;
    while (std::fgets(line, sizeof line, p))
        if (std::strncmp(line, "Pages:", 6) == 0) pages = std::atoi(line + 6);
    ::pclose(p);
    return pages;
}

// Page `page` of a PDF rendered by poppler at 30 pixels per inch; null when it cannot be.
QImage pdfPage(const std::string& path, int page) {
    const std::string out = path + ".page";
    const std::string command = "pdftoppm -r 30 -png -singlefile -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " '" + path + "' '" + out + "'";
    if (std::system(command.c_str()) != 0) return {};
    return QImage(QString::fromStdString(out + ".png"));
}

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out;
}

class OutputWindowTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(window->openFile(QString::fromStdString(kExampleBox)));
        window->findChild<QCheckBox*>("autoLayout")->setChecked(true);
        run(CommandId::CreateDevelopment);
        ASSERT_TRUE(doc.hasDevelopment());
        window->outputCommands().dialogRunner = [this](QDialog& d) { return answer(d); };
    }

    // What the dialogs are answered with, and what they showed.
    std::string fileName;
    QStringList filters;
    QString defaultSuffix;
    QStringList typedSizes;  // typed into the bitmap's width field, one per OK
    QStringList formMessages, formQuestions;
    bool answerYes = true;
    int printMin = 0, printMax = 0, previewPages = 0;
    int proposedWidth = 0, proposedHeight = 0;

    int answer(QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            filters = files->nameFilters();
            defaultSuffix = files->defaultSuffix();
            files->selectFile(QString::fromStdString(fileName));
            return QDialog::Accepted;
        }
        if (auto* size = qobject_cast<BitmapSizeForm*>(&d)) {
            size->showMessage = [this](const QString& t) { formMessages << t; };
            size->askYesNo = [this](const QString& t) {
                formQuestions << t;
                return answerYes;
            };
            auto* width = size->findChild<QLineEdit*>("width");
            proposedWidth = width->text().toInt();
            proposedHeight = size->findChild<QLineEdit*>("height")->text().toInt();
            size->show();
            for (const QString& typed : typedSizes) {
                if (size->result() == QDialog::Accepted) break;
                width->selectAll();
                QTest::keyClick(width, Qt::Key_Delete);
                QTest::keyClicks(width, typed);
                size->accept();
            }
            if (typedSizes.isEmpty()) size->accept();
            return size->result();
        }
        if (auto* print = qobject_cast<QPrintDialog*>(&d)) {
            printMin = print->minPage();
            printMax = print->maxPage();
            return QDialog::Accepted;
        }
        if (qobject_cast<QPrintPreviewDialog*>(&d)) {
            d.show();
            QApplication::processEvents();
            if (auto* pages = d.findChild<QPrintPreviewWidget*>()) previewPages = pages->pageCount();
            d.close();
            return QDialog::Accepted;
        }
        return QDialog::Accepted;  // printer set-up
    }

    int pageCount() const { return DevelopmentPrinter(doc, {}).pageCount(); }
};

TEST_F(OutputWindowTest, EachFileByItsExtensionAndOthersRefused) {
    const std::string base = dir.path() + "/net";
    // BMP at the proposed size, 72 pixels per inch.
    fileName = base + ".bmp";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(filters, (QStringList{"BMP Format (*.bmp)", "EPS Format (No Texture) (*.eps)",
                                    "EMF Format (No Texture) (*.emf)", "PDF (*.pdf)", "SVG (*.svg)"}));
    EXPECT_EQ(defaultSuffix, "bmp");
    ASSERT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
    const std::string bmp = readFile(fileName);
    const int w = proposedWidth, h = proposedHeight;
    ASSERT_GT(w, 50);
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54 + stride * h);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(u32(bmp, 2), bmp.size());
    EXPECT_EQ(u32(bmp, 6), 0u);
    EXPECT_EQ(u32(bmp, 10), 54u);
    EXPECT_EQ(u32(bmp, 14), 40u);
    EXPECT_EQ(static_cast<int>(u32(bmp, 18)), w);
    EXPECT_EQ(static_cast<int>(u32(bmp, 22)), h);
    EXPECT_EQ(u16(bmp, 26), 1);
    EXPECT_EQ(u16(bmp, 28), 24);
    EXPECT_EQ(u32(bmp, 30), 0u);
    EXPECT_EQ(u32(bmp, 34), stride * h);
    EXPECT_EQ(u32(bmp, 38), 2834u);
    EXPECT_EQ(u32(bmp, 42), 2834u);
    EXPECT_EQ(u32(bmp, 46), 0u);
    EXPECT_EQ(u32(bmp, 50), 0u);
    EXPECT_EQ(QImage(QString::fromStdString(fileName)).size(), QSize(w, h));
    // Every face's centre, found bottom-up in the stored rows, shows the face's colour.
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    const SheetExtent e = sheetExtentOf(drawing);
    const double k = w / (e.width * drawing.mag2d);
    for (const DrawnFace& f : drawing.faces) {
        const Rgb face = f.material ? f.material->flatColor : Rgb{1, 1, 1};
        double cx = 0, cy = 0;
        for (const Point2& p : f.corners) {
            cx += p.x / f.corners.size();
            cy += p.y / f.corners.size();
        }
        const int x = static_cast<int>(k * (cx - e.x) * drawing.mag2d);
        const int y = static_cast<int>(k * (cy - e.y) * drawing.mag2d);
        const size_t at = 54 + stride * static_cast<size_t>(h - 1 - y) + static_cast<size_t>(x) * 3;
        EXPECT_NEAR(static_cast<unsigned char>(bmp[at + 2]), face.r * 255, 2);  // red
        EXPECT_NEAR(static_cast<unsigned char>(bmp[at]), face.b * 255, 2);      // blue
    }

    fileName = base + ".EMF";  // extensions in any case
    run(CommandId::SaveDevelopment);
    const std::string emf = readFile(fileName);
    ASSERT_GT(emf.size(), 108u);
    EXPECT_EQ(u32(emf, 0), 1u);  // the header record
    EXPECT_EQ(emf.substr(40, 4), " EMF");
    EXPECT_NE(emf.find(utf16(std::string("KavimoZ") + '\0' + "KavimoZ image" + '\0' + '\0')), std::string::npos);

    fileName = base + ".pdf";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(pdfPages(fileName), pageCount());

    fileName = base + ".svg";
    run(CommandId::SaveDevelopment);
    const QByteArray svg = QByteArray::fromStdString(readFile(fileName));
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(QSvgRenderer(svg).isValid());

    frontEnd.setUnattended(true);  // "EPS Save Settings" keeps its values
    fileName = base + ".eps";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(readFile(fileName).rfind("%!PS-Adobe", 0), 0u);
    EXPECT_TRUE(frontEnd.texts.empty());

    fileName = base + ".png";
    run(CommandId::SaveDevelopment);
    ASSERT_EQ(frontEnd.texts.size(), 1u);
    EXPECT_EQ(frontEnd.texts.back(), "Specified file format is not supported");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fileName)));
}

TEST_F(OutputWindowTest, BitmapSizeLimitsAndTheLargeImageQuestion) {
    fileName = dir.path() + "/big.bmp";
    // Beyond the limit: refused, the dialog stays. Large: asked, No keeps it open. Then a
    // size that closes without a question.
    typedSizes = {"5000", "2400", "1000"};
    answerYes = false;
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(formMessages, QStringList{"Specify a value of 1 - 4096 for vertical and horizontal pixel number"});
    ASSERT_EQ(formQuestions.size(), 1);
    EXPECT_TRUE(formQuestions[0].startsWith("The BMP file size will be about ")) << formQuestions[0].toStdString();
    EXPECT_EQ(QImage(QString::fromStdString(fileName)).width(), 1000);
    // Cancel writes nothing.
    fileName = dir.path() + "/none.bmp";
    window->outputCommands().dialogRunner = [this](QDialog& d) {
        return qobject_cast<BitmapSizeForm*>(&d) ? int(QDialog::Rejected) : answer(d);
    };
    run(CommandId::SaveDevelopment);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fileName)));
}

TEST_F(OutputWindowTest, PrintPreviewAndPdfGiveEveryPage) {
    // Several pages: the development at a scale that spreads it over the grid.
    doc.settings().bPrintOmitPage = false;
    const int count = pageCount();
    ASSERT_GE(count, 1);
    const std::string printed = dir.path() + "/printed.pdf";
    window->outputCommands().printer().setOutputFileName(QString::fromStdString(printed));
    run(CommandId::Print);
    EXPECT_EQ(printMin, 1);
    EXPECT_EQ(printMax, count);
    EXPECT_EQ(pdfPages(printed), count);

    run(CommandId::PrintPreview);
    EXPECT_EQ(previewPages, count);

    fileName = dir.path() + "/exported.pdf";
    run(CommandId::ExportPdf);
    EXPECT_EQ(defaultSuffix, "pdf");
    EXPECT_EQ(pdfPages(fileName), count);
    // The printer and the export put the same things on paper (they differ only in
    // resolution, so edges may move by a pixel).
    const QImage a = pdfPage(printed, 1), b = pdfPage(fileName, 1);
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    int differ = 0, inked = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            inked += qGray(a.pixel(x, y)) < 250;
            differ += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 40;
        }
    EXPECT_GT(inked, a.width() * a.height() / 20);
    EXPECT_LT(differ, inked / 50);
    run(CommandId::PrinterSetup);
    EXPECT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
}

TEST_F(OutputWindowTest, ClipboardTakesTheBitmapAndTheMetafileWithAPicture) {
    run(CommandId::CopyBitmap);
    EXPECT_LE(proposedWidth, 1024);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(proposedWidth, proposedHeight));

    run(CommandId::CopyMetafile);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat("image/x-emf"));
    const std::string emf = data->data("image/x-emf").toStdString();
    EXPECT_EQ(u32(emf, 0), 1u);
    EXPECT_NE(emf.find(utf16("Plikatra Designer image")), std::string::npos);
    EXPECT_TRUE(data->hasFormat("image/png"));
    EXPECT_FALSE(QImage::fromData(data->data("image/png"), "PNG").isNull());
    EXPECT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
}

}  // namespace
}  // namespace plikatra::test
