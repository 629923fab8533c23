// tarveno [FILE]: the workbench window, opening FILE once it shows (a file manager passes
// the .mal or .jvm file the user opened with it).

#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarveno");
    QApplication::setApplicationVersion(TARVENO_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The MIC-1 workbench: write MAL microprograms and watch the datapath run them.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("FILE", "A MAL microprogram, or an IJVM program (.jvm), to open.", "[FILE]");
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs("tarveno: one FILE at most; see tarveno --help\n", stderr);
        return 1;
    }

    tarveno::ui::QtDialogs dialogs;
    tarveno::ui::MainWindow window(dialogs, tarveno::ui::defaultHostPaths());
    window.show();
    // Once the window is up, so that what opening says shows over it.
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, file = files.first()] { window.openFromCommandLine(file); });
    return app.exec();
}
