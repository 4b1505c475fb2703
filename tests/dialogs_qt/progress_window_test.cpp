// The progress window's " Cancel ": only a left-button release over the button cancels.
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "qt/window/progress_window.h"
#include "temp_profile.h"

using namespace plikatra;

namespace {

class ProgressWindowTest : public TempProfileTest {
protected:
    void SetUp() override {
        TempProfileTest::SetUp();
        window = std::make_unique<ProgressWindow>(nullptr, path_);
        window->start("Create Development", true);
        button = window->findChild<QPushButton*>();
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible());
    }
    // A mouse event carrying the held buttons, as a real drag delivers it.
    void send(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        const QPointF local(at);
        QMouseEvent e(type, local, button->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      held, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }

    std::unique_ptr<ProgressWindow> window;
    QPushButton* button = nullptr;
};

TEST_F(ProgressWindowTest, PressingAloneOrSlidingOffDoesNotCancel) {
    const QPoint inside = button->rect().center();
    const QPoint outside(button->width() + 40, inside.y());
    send(QEvent::MouseButtonPress, inside, Qt::LeftButton);
    EXPECT_FALSE(window->cancelled());
    send(QEvent::MouseMove, outside, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, outside, Qt::NoButton);
    EXPECT_FALSE(window->cancelled());
    // Return and Space neither press the button nor cancel: Escape is the key that may.
    QTest::keyClick(window.get(), Qt::Key_Return);
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(window->cancelled());

    send(QEvent::MouseButtonPress, inside, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, inside, Qt::NoButton);
    EXPECT_TRUE(window->cancelled());
    EXPECT_FALSE(window->isVisible());

    // The layout's window has no button, and Escape does not stop it either.
    window->start("Parts layout", false);
    EXPECT_FALSE(button->isVisible());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->pump(true));
    EXPECT_FALSE(window->cancelled());
}

}  // namespace
