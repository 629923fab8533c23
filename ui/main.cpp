// tarveno [--layout classic|docked] [MICROPROGRAM.mal] [PROGRAM.jvm]: the workbench window.
// A microprogram named is compiled and loaded, then an IJVM program named is assembled and
// placed on it, without a question; an IJVM program alone is opened as File > Open > IJVM
// Program... opens it (a file manager passes the file the user opened with it).

#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/Language.h"
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
        "The MIC-1 workbench: write MAL microprograms and watch the datapath run them.\n"
        "A MAL microprogram named is compiled and loaded, then an IJVM program (.jvm, .jas)\n"
        "named is assembled and placed on it, before the window shows.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption layout(
        "layout", "The window's layout: classic (the course form, the IJVM window beside it) or docked.",
        "classic|docked");
    parser.addOption(layout);
    parser.addPositionalArgument("MICROPROGRAM", "A MAL microprogram to compile and load.",
                                 "[MICROPROGRAM.mal]");
    parser.addPositionalArgument("PROGRAM", "An IJVM program to place on it.", "[PROGRAM.jvm]");
    parser.process(app);

    tarveno::ui::WindowStart start;
    if (parser.isSet(layout)) {
        start.layout = tarveno::ui::layoutNamed(parser.value(layout).toStdString());
        if (!start.layout) {
            std::fputs("tarveno: --layout takes classic or docked; see tarveno --help\n", stderr);
            return 2;
        }
    }
    QString microprogram, ijvmProgram;
    for (const QString& file : parser.positionalArguments()) {
        const bool ijvm =
            file.endsWith(".jvm", Qt::CaseInsensitive) || file.endsWith(".jas", Qt::CaseInsensitive);
        QString& slot = ijvm ? ijvmProgram : microprogram;
        if (!slot.isEmpty()) {
            std::fputs("tarveno: one microprogram and one IJVM program at most; see tarveno --help\n",
                       stderr);
            return 2;
        }
        slot = file;
    }
    // Files named: a lab script's start, without the Info dialog first.
    start.info = microprogram.isEmpty() && ijvmProgram.isEmpty();

    // The language is chosen before any window is made, so that each is made in it.
    const tarveno::ui::HostPaths paths = tarveno::ui::defaultHostPaths();
    tarveno::ui::applyLanguage(tarveno::ui::startLanguage(paths.settings));

    tarveno::ui::QtDialogs dialogs;
    tarveno::ui::MainWindow window(dialogs, paths, {}, start);
    window.show();
    // Once the window is up, so that what opening says shows over it.
    if (!start.info)
        QTimer::singleShot(0, &window, [&window, microprogram, ijvmProgram] {
            window.openMicroprogramAndPlace(microprogram, ijvmProgram);
        });
    return app.exec();
}
