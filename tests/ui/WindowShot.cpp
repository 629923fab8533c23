// Shows the real window for a screenshot: examples/count.mal opened, compiled and loaded,
// then a few Mic presses; every dialog is answered at once. It stays open until closed.
// With "memory", the memory viewer opens over it after a few writes, in hexadecimal.
// Usage: tarveno_window_shot [MIC_PRESSES] [memory]

#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/Main.h"
#include "ui/Memory.h"
#include "ui/WriteByteMemory.h"
#include "ui/WriteForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <string_view>

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
    // The viewer: a word and two byte writes through its own editors, then hexadecimal.
    void memory(tarveno::ui::TForm5& viewer) override {
        word = {"8", "258"};
        viewer.BitBtn4->click();
        word = {"20", "0x12345678"};
        viewer.BitBtn4->click();
        bytes = {"0", "1", "2", "3", "4"};
        viewer.BitBtn6->click();
        bytes = {"12", "0", "0", "0", "-1"};
        viewer.BitBtn6->click();
        viewer.ComboBox1->setCurrentIndex(1);
        std::puts("ready");
        std::fflush(stdout);
        viewer.exec();
    }
    void writeWord(tarveno::ui::TForm6& dialog) override {
        dialog.Edit1->setText(word[0]);
        dialog.Edit2->setText(word[1]);
        dialog.BitBtn1Click();
    }
    void writeByte(tarveno::ui::TForm7& dialog) override {
        QLineEdit* boxes[5] = {dialog.Edit1, dialog.Edit2, dialog.Edit3, dialog.Edit4, dialog.Edit5};
        for (int i = 0; i < 5; ++i)
            boxes[i]->setText(bytes[i]);
        dialog.BitBtn1Click();
    }
    QStringList word, bytes;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::atoi(argv[1]) : 7;
    const bool memory = argc > 2 && std::string_view(argv[2]) == "memory";
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
    if (memory) {
        window.BitBtn8Click();
        return 0;
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
