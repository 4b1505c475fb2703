// The Qt test programs need one QApplication for the run: on the X server of the test command
// (xvfb-run) when there is one, so that OpenGL views can draw, else on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "qt/window/desktop_program.h"

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    plikatra::prepareOpenGl();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
