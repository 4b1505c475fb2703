// The commands that send the development out of the window, with their dialogs answered as a
// user would answer them.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSvgRenderer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/development_outputs.h"
#include "qt/dialogs/export_forms.h"
#include "qt/window/output_commands.h"
#include "window_support.h"

namespace plikatra::test {
namespace {

std::uint32_t u32(const std::string& s, size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

// Pages of a PDF as poppler counts them; -1 when it cannot read the file.
int pdfPages(const std::string& path) {
    FILE* p = ::popen(("pdfinfo '" + path + "' 2>/dev/null").c_str(), "r");
    char line[512];
    int pages = -1;
    while (p && std::fgets(line, sizeof line, p))
        if (std::strncmp(line, "Pages:", 6) == 0) pages = std::atoi(line + 6);
    if (p) ::pclose(p);
    return pages;
}

// The first page of a PDF rendered by poppler at 30 pixels per inch.
QImage pdfFirstPage(const std::string& path) {
    if (std::system(("pdftoppm -r 30 -png -singlefile -f 1 -l 1 '" + path + "' '" + path + "'").c_str()) != 0) return {};
    return QImage(QString::fromStdString(path + ".png"));
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

    // The answers, and what the dialogs showed.
    std::string fileName;
    QString chosenFilter;
    QStringList typedWidths;  // typed into the bitmap size's width field, one per OK
    bool answerYes = true;
    QStringList filters, formMessages, formQuestions;
    QString defaultSuffix;
    int proposedWidth = 0, proposedHeight = 0, previewPages = 0;
    std::pair<int, int> printRange;

    int answer(QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            filters = files->nameFilters();
            defaultSuffix = files->defaultSuffix();
            if (!chosenFilter.isEmpty()) {  // as a choice in the list does
                files->selectNameFilter(chosenFilter);
                emit files->filterSelected(chosenFilter);
            }
            files->selectFile(QString::fromStdString(fileName));
        } else if (auto* size = qobject_cast<BitmapSizeForm*>(&d)) {
            size->showMessage = [this](const QString& t) { formMessages << t; };
            size->askYesNo = [this](const QString& t) { return formQuestions << t, answerYes; };
            auto* width = size->findChild<QLineEdit*>("width");
            proposedWidth = width->text().toInt();
            proposedHeight = size->findChild<QLineEdit*>("height")->text().toInt();
            size->show();
            for (const QString& typed : typedWidths) {
                width->selectAll();
                QTest::keyClick(width, Qt::Key_Delete);
                QTest::keyClicks(width, typed);
                size->accept();
            }
            if (typedWidths.isEmpty()) size->accept();
            return size->result();
        } else if (auto* print = qobject_cast<QPrintDialog*>(&d)) {
            printRange = {print->minPage(), print->maxPage()};
        } else if (qobject_cast<QPrintPreviewDialog*>(&d)) {
            d.show();
            QApplication::processEvents();
            previewPages = d.findChild<QPrintPreviewWidget*>()->pageCount();
            d.close();
        }
        return QDialog::Accepted;
    }
};

TEST_F(OutputWindowTest, EachFileByItsExtensionAndOthersRefused) {
    const std::string base = dir.path() + "/net";
    fileName = base + ".bmp";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(filters, (QStringList{"BMP Format (*.bmp)", "PNG Format (*.png)", "EPS Format (No Texture) (*.eps)",
                                    "EMF Format (No Texture) (*.emf)", "PDF (*.pdf)", "SVG (*.svg)"}));
    EXPECT_EQ(defaultSuffix, "bmp");
    // The bitmap at the proposed size, laid out field by field.
    const std::string bmp = readFile(fileName);
    const std::uint32_t w = proposedWidth, h = proposedHeight, stride = (w * 3 + 3) / 4 * 4;
    ASSERT_GT(w, 50u);
    ASSERT_EQ(bmp.size(), 54 + stride * h);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const std::pair<size_t, std::uint32_t> fields[] = {
        {2, 54 + stride * h}, {6, 0}, {10, 54}, {14, 40}, {18, w}, {22, h}, {26, 1 | 24 << 16},
        {30, 0}, {34, stride * h}, {38, 2834}, {42, 2834}, {46, 0}, {50, 0}};
    for (const auto& [at, value] : fields) EXPECT_EQ(u32(bmp, at), value) << "offset " << at;
    // Each face's centre, looked up bottom-up in the stored rows, has the face's colour.
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    const SheetExtent e = sheetExtentOf(drawing);
    const double k = w / (e.width * drawing.mag2d) * drawing.mag2d;
    for (const DrawnFace& f : drawing.faces) {
        double cx = 0, cy = 0;
        for (const Point2& p : f.corners) cx += p.x / f.corners.size(), cy += p.y / f.corners.size();
        const size_t at = 54 + stride * (h - 1 - static_cast<size_t>(k * (cy - e.y))) + static_cast<size_t>(k * (cx - e.x)) * 3;
        EXPECT_NEAR(static_cast<unsigned char>(bmp[at + 2]), f.material->flatColor.r * 255, 2);
        EXPECT_NEAR(static_cast<unsigned char>(bmp[at]), f.material->flatColor.b * 255, 2);
    }

    fileName = base + ".EMF";  // extensions in any case
    run(CommandId::SaveDevelopment);
    const std::string emf = readFile(fileName);
    EXPECT_EQ(u32(emf, 0), 1u);  // the header record
    EXPECT_NE(emf.find(utf16(std::string("KavimoZ") + '\0' + "KavimoZ image" + '\0' + '\0')), std::string::npos);
    fileName = base + ".pdf";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(pdfPages(fileName), DevelopmentPrinter(doc, {}).pageCount());
    fileName = base;  // no extension: the one of the chosen format
    chosenFilter = "SVG (*.svg)";
    run(CommandId::SaveDevelopment);
    fileName = base + ".svg";
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString(fileName)).isValid());
    frontEnd.setUnattended(true);  // "EPS Save Settings" keeps its values
    fileName = base + ".eps";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(readFile(fileName).rfind("%!PS-Adobe", 0), 0u);
    EXPECT_TRUE(frontEnd.texts.empty());

    fileName = base + ".png";  // the bitmap's picture, compressed
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(readFile(fileName).substr(1, 3), "PNG");
    EXPECT_TRUE(frontEnd.texts.empty());

    fileName = base + ".gif";
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(frontEnd.texts, std::vector<std::string>{"Specified file format is not supported"});
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fileName)));
}

TEST_F(OutputWindowTest, BitmapSizeLimitsAndTheLargeImageQuestion) {
    // Beyond the limit: refused. Large: asked, and No keeps the dialog open. Then a size that
    // closes without a question.
    fileName = dir.path() + "/big.bmp";
    typedWidths = {"5000", "2400", "1000"};
    answerYes = false;
    run(CommandId::SaveDevelopment);
    EXPECT_EQ(formMessages, QStringList{"Specify a value of 1 - 4096 for vertical and horizontal pixel number"});
    ASSERT_EQ(formQuestions.size(), 1);
    EXPECT_TRUE(formQuestions[0].startsWith("The BMP file size will be about "));
    EXPECT_EQ(QImage(QString::fromStdString(fileName)).width(), 1000);
    // Cancel writes nothing.
    fileName = dir.path() + "/none.bmp";
    window->outputCommands().dialogRunner = [this](QDialog& d) {
        return qobject_cast<BitmapSizeForm*>(&d) ? int(QDialog::Rejected) : answer(d);
    };
    run(CommandId::SaveDevelopment);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fileName)));
}

TEST_F(OutputWindowTest, PrintPreviewAndPdfGiveTheSamePages) {
    doc.settings().bPrintOmitPage = false;
    const int count = DevelopmentPrinter(doc, {}).pageCount();
    const std::string printed = dir.path() + "/printed.pdf";
    window->outputCommands().printer().setOutputFileName(QString::fromStdString(printed));
    run(CommandId::Print);
    EXPECT_EQ(printRange, std::pair(1, count));
    EXPECT_EQ(pdfPages(printed), count);
    run(CommandId::PrintPreview);
    EXPECT_EQ(previewPages, count);
    fileName = dir.path() + "/exported.pdf";
    run(CommandId::ExportPdf);
    EXPECT_EQ(defaultSuffix, "pdf");
    EXPECT_EQ(pdfPages(fileName), count);
    // The same things on paper; the resolutions differ, so edges may move by a pixel.
    const QImage a = pdfFirstPage(printed), b = pdfFirstPage(fileName);
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
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(proposedWidth, proposedHeight));
    run(CommandId::CopyMetafile);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat("image/x-emf"));
    const std::string emf = data->data("image/x-emf").toStdString();
    EXPECT_EQ(u32(emf, 0), 1u);
    EXPECT_NE(emf.find(utf16("Plikatra Designer image")), std::string::npos);
    // The picture beside it is the same drawing: mostly the faces' colour.
    const QImage picture = QImage::fromData(data->data("image/png"), "PNG");
    const Rgb& face = developmentDrawingOf(doc).faces.front().material->flatColor;
    int faces = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            faces += std::abs(qRed(picture.pixel(x, y)) - face.r * 255) < 2 && std::abs(qBlue(picture.pixel(x, y)) - face.b * 255) < 2;
    EXPECT_GT(faces, picture.width() * picture.height() / 5);
    EXPECT_TRUE(frontEnd.texts.empty()) << frontEnd.texts.front();
}

}  // namespace
}  // namespace plikatra::test
