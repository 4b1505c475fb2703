// plikatra: the desktop program.
#include "app/qt/desktop_program.h"

int main(int argc, char** argv) {
    return plikatra::runDesktopProgram(argc, argv);
}
