// Shows the real window for a screenshot: examples/count.mal opened, compiled and loaded,
// then a few Mic presses; every dialog is answered at once. It stays open until closed.
// Usage: tarveno_window_shot [MIC_PRESSES]

#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/Main.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace {

struct AnsweringDialogs : tarveno::ui::Dialogs {
    QString file;
    void info(tarveno::ui::TForm2&) override {}
    void notice(QWidget*, const QString&) override {}
    QString input(QWidget*, const QString&, const QString& text) override { return text; }
    std::optional<QString> openFile(QWidget*, const tarveno::ui::FileDialogSetup&) override { return file; }
    std::optional<QString> saveFile(QWidget*, const tarveno::ui::FileDialogSetup&) override { return file; }
    std::optional<QColor> colour(QWidget*, const QColor& initial) override { return initial; }
    void message(QWidget*, const QString& caption, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    void memory(tarveno::ui::TForm5&) override {}
    void writeWord(tarveno::ui::TForm6&) override {}
    void writeByte(tarveno::ui::TForm7&) override {}
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::atoi(argv[1]) : 7;
    AnsweringDialogs dialogs;
    tarveno::ui::HostPaths paths = tarveno::ui::defaultHostPaths();
    paths.checker = QUORC_PATH;
    paths.report = QDir::temp().filePath("tarveno-shot-report");
    // A copy, so that the example's own .bin is not written.
    dialogs.file = QDir::temp().filePath("count.mal");
    QFile::remove(dialogs.file);
    QFile::copy(TARVENO_EXAMPLES_DIR "/count.mal", dialogs.file);
    tarveno::ui::TForm1 window(dialogs, paths);
    window.show();
    window.activateWindow();
    window.MicroProgram1Click();
    window.BitBtn5Click();
    for (int i = 0; i < presses; ++i)
        window.BitBtn1Click();
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
