#include <QApplication>
#include <QMainWindow>

#include "PlatformCom.h"

int main(int argc, char* argv[]) {
    Platform::InitializeComForThread();
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    return app.exec();
}
