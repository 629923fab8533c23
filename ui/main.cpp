// tarveno: the workbench window. It reads no command line.

#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarveno");
    QApplication::setApplicationVersion(TARVENO_VERSION);

    tarveno::ui::QtDialogs dialogs;
    tarveno::ui::MainWindow window(dialogs, tarveno::ui::defaultHostPaths());
    window.show();
    return app.exec();
}
