// plikatra: the desktop program.
#include <QApplication>

#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    return plikatra::runDesktopProgram(argc, argv);
}
