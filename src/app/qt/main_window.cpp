#include "app/qt/main_window.h"

#include <QApplication>
#include <QMainWindow>

namespace plikatra {

int runDesktopProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Plikatra Designer");
    window.show();
    return app.exec();
}

}  // namespace plikatra
