// plikatra: the desktop program.
#include "qt/window/desktop_program.h"

int main(int argc, char** argv) {
    return plikatra::runDesktopProgram(argc, argv);
}
