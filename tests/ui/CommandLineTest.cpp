// A file named on tarveno's command line, opened offscreen in the real window: what the
// user then sees must be what File > Open shows for the same file, with no file dialog.

#include "TestPaths.h"
#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace tarveno::ui;

namespace {

struct AnsweringDialogs : Dialogs {
    QStringList shown; // infos, notices and message boxes, in order
    QStringList files; // answers of the file dialogs; none left: Cancel
    int fileDialogs = 0;

    void info(InfoDialog&) override { shown << "info"; }
    void notice(QWidget*, const QString& message) override { shown << "notice: " + message; }
    void message(QWidget*, const QString& caption, const QString& text) override {
        shown << "message: " + caption + " " + text;
    }
    QString input(QWidget*, const QString&, const QString& text) override { return text; }
    std::optional<QString> openFile(QWidget*, const FileDialogSetup&) override { return file(); }
    std::optional<QString> saveFile(QWidget*, const FileDialogSetup&) override { return file(); }
    std::optional<QString> file() {
        ++fileDialogs;
        return files.isEmpty() ? std::nullopt : std::optional(files.takeFirst());
    }
    std::optional<QColor> colour(QWidget*, const QColor&) override { return std::nullopt; }
    UnsavedChoice unsavedWork(QWidget*, const QString&) override { return UnsavedChoice::Discard; }
    void memory(MemoryViewer&) override {}
    void writeWord(WriteWordDialog&) override {}
    void writeBytes(WriteBytesDialog&) override {}
};

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(dir.path());
        paths = testHostPaths(dir);
        for (const char* name : {"count.mal", "arithmetic.jvm"})
            ASSERT_TRUE(QFile::copy(QString(TARVENO_EXAMPLES_DIR "/") + name, name));
    }
    void TearDown() override {
        windows.clear();
        QDir::setCurrent(previousFolder);
    }

    MainWindow& make() {
        windows.push_back(std::make_unique<MainWindow>(dialogs, paths));
        return *windows.back();
    }
    // The command goes on while the checker program runs and the refresh is drawn.
    static void settle(MainWindow& w) {
        ASSERT_TRUE(QTest::qWaitFor([&w] { return w.idle(); }, 10000));
    }
    static QString text(MainWindow& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }
    static QString editorText(MainWindow& w, const char* name) {
        return w.findChild<QPlainTextEdit*>(name)->toPlainText();
    }
    // What File > Open > ... shows when its dialog answers file.
    QStringList openedByMenu(MainWindow& w, const char* action, const QString& file) {
        const qsizetype before = dialogs.shown.size();
        dialogs.files = {file};
        w.findChild<QAction*>(action)->trigger();
        settle(w);
        return dialogs.shown.mid(before);
    }
    QStringList openedFromCommandLine(MainWindow& w, const QString& file) {
        const qsizetype before = dialogs.shown.size();
        const int fileDialogs = dialogs.fileDialogs;
        w.openFromCommandLine(file);
        settle(w);
        EXPECT_EQ(dialogs.fileDialogs, fileDialogs) << file.toStdString();
        return dialogs.shown.mid(before);
    }

    QTemporaryDir dir;
    QString previousFolder;
    HostPaths paths;
    AnsweringDialogs dialogs;
    std::vector<std::unique_ptr<MainWindow>> windows;
};

TEST_F(CommandLine, OpensAsTheOpenCommandsDoWithoutTheirDialogs) {
    MainWindow& w = make();
    EXPECT_EQ(dialogs.shown, QStringList{"info"});

    // No machine yet: an IJVM program is refused with the not-compiled notice.
    const QStringList refused = openedFromCommandLine(w, "arithmetic.jvm");
    EXPECT_EQ(refused, openedByMenu(make(), "IJVMProgram1", "unused.jvm"));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].startsWith("notice: The program must be compiled")) << refused[0].toStdString();
    EXPECT_TRUE(editorText(w, "Memo1").isEmpty());

    // A microprogram, named relative to the current folder, is read and compiled at once.
    const QStringList compiled = openedFromCommandLine(w, "count.mal");
    EXPECT_EQ(compiled, openedByMenu(make(), "MicroProgram1", dir.filePath("count.mal")));
    EXPECT_EQ(text(w, "Label33"), dir.filePath("count.mal"));
    EXPECT_EQ(editorText(w, "Memo2"), editorText(*windows.back(), "Memo2"));
    EXPECT_TRUE(QFile::exists("count.bin"));
    ASSERT_TRUE(w.session().workbench().hasMachine());

    // With the machine loaded the IJVM program opens.
    EXPECT_EQ(openedFromCommandLine(w, "arithmetic.jvm"),
              openedByMenu(*windows.back(), "IJVMProgram1", dir.filePath("arithmetic.jvm")));
    EXPECT_EQ(text(w, "Label34"), dir.filePath("arithmetic.jvm"));
    EXPECT_EQ(editorText(w, "Memo1"), editorText(*windows.back(), "Memo1"));
    EXPECT_FALSE(editorText(w, "Memo1").isEmpty());

    // A file that does not exist: the message box of the open commands.
    for (const auto& [file, action] :
         {std::pair{"missing.mal", "MicroProgram1"}, std::pair{"missing.jvm", "IJVMProgram1"}}) {
        const QStringList missing = openedFromCommandLine(w, file);
        ASSERT_EQ(missing.size(), 1) << file;
        EXPECT_TRUE(missing[0].startsWith("message: ")) << missing[0].toStdString();
        EXPECT_EQ(missing, openedByMenu(*windows.back(), action, dir.filePath(file)));
    }
}

} // namespace
