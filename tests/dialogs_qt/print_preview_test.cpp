// The print preview's keys: Page Down and Page Up step whole pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>

#include "qt/window/output_commands.h"

namespace {

TEST(PrintPreview, PageDownAndPageUpStepOnePageAtATime) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog dialog(&printer);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [](QPrinter* p) {
        QPainter painter(p);
        for (int i = 1; i <= 4; ++i) {
            if (i > 1) p->newPage();
            painter.drawText(100, 100, QString::number(i));
        }
    });
    plikatra::addPreviewPageKeys(dialog);
    dialog.resize(900, 700);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* pages = dialog.findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->pageCount(), 4);
    ASSERT_EQ(pages->currentPage(), 1);
    // The keys reach whatever has the focus in the preview, as a user's would.
    pages->setFocus();
    auto key = [&](Qt::Key k) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : pages, k);
        QApplication::processEvents();
        // The preview's page counter follows.
        QStringList texts;
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) texts << edit->text();
        EXPECT_TRUE(texts.contains(QString::number(pages->currentPage()))) << texts.join('|').toStdString();
        return pages->currentPage();
    };
    EXPECT_EQ(key(Qt::Key_PageDown), 2);
    EXPECT_EQ(key(Qt::Key_PageDown), 3);
    EXPECT_EQ(key(Qt::Key_PageUp), 2);
    EXPECT_EQ(key(Qt::Key_PageDown), 3);
    EXPECT_EQ(key(Qt::Key_PageDown), 4);
    EXPECT_EQ(key(Qt::Key_PageDown), 4);  // the last page stays
    EXPECT_EQ(key(Qt::Key_Escape), 4);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
