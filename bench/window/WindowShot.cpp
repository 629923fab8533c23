// Shows the real window for a screenshot: examples/count.mal opened, compiled and loaded,
// then a few Mic presses; every dialog is answered at once. It stays open until closed.
// With "memory", the memory viewer opens over it after a few writes, in hexadecimal; with
// a zoom in percent, the window is shown at that zoom. With "ijvm", an IJVM program is
// opened on the shipped interpreter (loaded at once) and stepped by IJVM instructions, the
// IJVM window beside the main window.
// Usage: tarveno_window_shot [MIC_PRESSES] [memory] [ZOOM]
//        tarveno_window_shot ijvm PROGRAM.jvm IJVM_STEPS [run | MAL_LINE]
// where "run" runs the program to its end after the steps, and MAL_LINE (from 1) sets a
// breakpoint on that line of the interpreter and runs to it.

#include "AnsweringDialogs.h"
#include "ui/CodeEditor.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"
#include "ui/MemoryViewer.h"
#include "ui/WriteBytesDialog.h"
#include "ui/WriteWordDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace tarveno::ui;

namespace {

void waitForIdle(const MainWindow& window) {
    while (!window.idle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int showIjvm(QApplication& app, const QString& program, int steps, const QString& then) {
    AnsweringDialogs dialogs;
    dialogs.file = program;
    HostPaths paths = defaultHostPaths();
    paths.checker = QUORC_PATH;
    paths.settings.clear(); // placed beside the main window, as the first time
    MainWindow window(dialogs, paths);
    window.move(0, 0);
    window.show();
    window.findChild<QAction*>("openIjvmProgram")->trigger();
    waitForIdle(window);
    for (int i = 0; i < steps; ++i) {
        window.findChild<QAction*>("IJVM1")->trigger();
        waitForIdle(window);
    }
    bool isLine = false;
    const int line = then.toInt(&isLine);
    if (isLine) emit window.findChild<CodeEditor*>("Memo2")->gutterClicked(line - 1);
    if (isLine || then == "run") {
        window.findChild<QAction*>("Run2")->trigger();
        waitForIdle(window);
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 3 && std::string_view(argv[1]) == "ijvm")
        return showIjvm(app, argv[2], std::atoi(argv[3]), argc > 4 ? argv[4] : "");
    const int presses = argc > 1 ? std::atoi(argv[1]) : 7;
    const bool memory = argc > 2 && std::string_view(argv[2]) == "memory";
    const int zoom = argc > 3 ? std::atoi(argv[3]) : 100;
    AnsweringDialogs dialogs;
    // The viewer: a word and two byte writes through its own editors, then hexadecimal.
    QStringList word, bytes;
    dialogs.onWriteWord = [&](WriteWordDialog& d) {
        d.address->setText(word[0]);
        d.word->setText(word[1]);
        d.pressOk();
    };
    dialogs.onWriteBytes = [&](WriteBytesDialog& d) {
        d.address->setText(bytes[0]);
        for (size_t i = 0; i < d.bytes.size(); ++i)
            d.bytes[i]->setText(bytes[static_cast<int>(i) + 1]);
        d.pressOk();
    };
    dialogs.onMemory = [&](MemoryViewer& viewer) {
        auto click = [&](const char* name) { viewer.findChild<QPushButton*>(name)->click(); };
        word = {"8", "258"};
        click("BitBtn4");
        word = {"20", "0x12345678"};
        click("BitBtn4");
        bytes = {"0", "1", "2", "3", "4"};
        click("BitBtn6");
        bytes = {"12", "0", "0", "0", "-1"};
        click("BitBtn6");
        viewer.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(1);
        std::puts("ready");
        std::fflush(stdout);
        viewer.exec();
    };
    HostPaths paths = defaultHostPaths();
    paths.checker = QUORC_PATH;
    paths.report = QDir::temp().filePath("tarveno-shot-report");
    // A copy, so that the example's own .bin is not written.
    dialogs.file = QDir::temp().filePath("count.mal");
    QFile::remove(dialogs.file);
    QFile::copy(TARVENO_EXAMPLES_DIR "/count.mal", dialogs.file);
    MainWindow window(dialogs, paths);
    window.setZoom(zoom);
    window.show();
    window.activateWindow();
    window.findChild<QAction*>("MicroProgram1")->trigger();
    window.findChild<QPushButton*>("BitBtn5")->click();
    for (int i = 0; i < presses; ++i)
        window.findChild<QPushButton*>("BitBtn1")->click();
    // The presses wait for each other's drawing.
    while (window.drawing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (memory) {
        window.findChild<QPushButton*>("BitBtn8")->click();
        return 0;
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
