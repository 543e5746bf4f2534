// A bare Qt window of the main window's size, started the way the program starts: the yardstick
// the start-up benchmark measures the program against on the same machine in the same run.
#include <QApplication>
#include <QWidget>

#include "app/startup_probe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 572);
    talvik::app::InstallStartupProbe(&window);
    window.show();
    return app.exec();
}
