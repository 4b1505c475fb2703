// The dialog tests need one QApplication for the whole run. Plain widgets draw without a
// display on the offscreen platform, so the tests run anywhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <cstdlib>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform says on every shown dialog that it cannot size windows to their
// contents; that is no news to a test.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QByteArrayLiteral("propagateSizeHints"))) return;
    defaultHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
