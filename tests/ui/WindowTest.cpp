// The real main window, offscreen, driven as a student would drive it; every dialog is
// answered by FakeDialogs and the pictures are a recorder of the drawing steps.

#include "support/Conversions.h"
#include "ui/DatapathDrawing.h"
#include "ui/Dialogs.h"
#include "ui/EditorFile.h"
#include "ui/IjvmSkeleton.h"
#include "ui/Info.h"
#include "ui/Main.h"
#include "ui/Memory.h"
#include "ui/Unit3.h"
#include "ui/WriteByteMemory.h"
#include "ui/WriteForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <gtest/gtest.h>

#include <bitset>
#include <cstdlib>
#include <deque>
#include <sys/stat.h>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

const QString mustBeLoaded = "The program must be compiled and loaded into memory";
const QString hasBeenLoaded = "The program has been compiled and loaded into memory";

template <class T> std::optional<T> take(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> a = answers.front();
    answers.pop_front();
    return a;
}

struct FakeDialogs : Dialogs {
    std::function<void()> onInfo = [] {};
    int infoCalls = 0;
    QStringList notices;
    QStringList captions, messages;           // of the message boxes
    QStringList inputs;                       // answers of the input dialog, in order; none: its preset text
    std::deque<std::optional<QString>> files; // answers of the file dialogs, in order
    std::vector<FileDialogSetup> fileSetups;
    std::deque<std::optional<QColor>> colours;
    std::vector<QColor> colourInitials;
    // What the user does while the viewer and its editors are open.
    std::function<void(TForm5&)> onMemory = [](TForm5&) {};
    std::function<void(TForm6&)> onWriteWord = [](TForm6&) {};
    std::function<void(TForm7&)> onWriteByte = [](TForm7&) {};

    void info(TForm2&) override {
        ++infoCalls;
        onInfo();
    }
    void notice(QWidget*, const QString& message) override { notices << message; }
    void message(QWidget*, const QString& caption, const QString& text) override {
        captions << caption;
        messages << text;
    }
    QString input(QWidget*, const QString&, const QString& text) override {
        return inputs.isEmpty() ? text : inputs.takeFirst();
    }
    std::optional<QString> openFile(QWidget*, const FileDialogSetup& setup) override { return file(setup); }
    std::optional<QString> saveFile(QWidget*, const FileDialogSetup& setup) override { return file(setup); }
    std::optional<QString> file(const FileDialogSetup& setup) {
        fileSetups.push_back(setup);
        return take(files);
    }
    std::optional<QColor> colour(QWidget*, const QColor& initial) override {
        colourInitials.push_back(initial);
        return take(colours);
    }
    void memory(TForm5& viewer) override { onMemory(viewer); }
    void writeWord(TForm6& dialog) override { onWriteWord(dialog); }
    void writeByte(TForm7& dialog) override { onWriteByte(dialog); }
};

struct RecordingDrawing : QObject, DatapathDrawing {
    explicit RecordingDrawing(QObject* parent) : QObject(parent) {}
    QStringList log;
    void bLine(uint32_t w) override { log << QString("bLine %1").arg(w); }
    void cLines(uint32_t w) override { log << QString("cLines %1").arg(w); }
    void shiftAndJmpcMarks(uint32_t w) override { log << QString("marks %1").arg(w); }
    void nAndZMarks(bool n, bool z) override { log << QString("nz %1 %2").arg(n).arg(z); }
    void abFlow(uint32_t b, int delay) override { log << QString("ab %1 %2").arg(b).arg(delay); }
    void cFlow(uint32_t c, int delay) override { log << QString("c %1 %2").arg(c).arg(delay); }
    void clockRepaint() override { log << "clock"; }
    void clockMark(int phase) override { log << QString("mark %1").arg(phase); }
    void datapathRepaint() override { log << "repaint"; }
};

QByteArray readBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString readText(const QString& name) {
    return QString::fromUtf8(readBytes(name));
}

void writeBytes(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    f.write(bytes);
}

QColor textColour(QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

const QString countMal = readText(TARVENO_EXAMPLES_DIR "/count.mal");
const QString badMal = "        H = FOO + 1\n";
const QString loopMal = "LOOP    H = H + 1; GOTO LOOP\n"; // never reaches 112

const QColor red(255, 0, 0), black(0, 0, 0), magenta(255, 0, 255);

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_FALSE(countMal.isEmpty());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QDir().mkpath(dir.filePath("app"));
        paths = {QUORC_PATH, dir.filePath("app/output"), dir.filePath("app/tmp.swp"), TARVENO_EXAMPLES_DIR,
                 "README.md"};
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousFolder);
    }

    TForm1& make() {
        window = std::make_unique<TForm1>(dialogs, paths, [this](QWidget* parent) {
            drawing = new RecordingDrawing(parent);
            return drawing;
        });
        return *window;
    }
    // What the user types into the editor.
    void type(const QString& text) {
        window->Memo2->setPlainText(text);
        window->Memo2->document()->setModified(true);
    }
    void compileAndLoad(const QString& source) {
        type(source);
        window->BitBtn5Click();
    }
    QLabel* label(const char* name) { return window->findChild<QLabel*>(name); }
    QString text(const char* name) { return label(name)->text(); }
    QColor colour(const char* name) { return textColour(label(name)); }
    QString selected() { return window->Memo2->textCursor().selectedText(); }
    const ControlPath& machine() { return window->workbench().machine(); }
    ControlPath& writableMachine() { return const_cast<ControlPath&>(machine()); }
    QString bits() {
        QString s;
        for (QLabel* l : window->L)
            s += l->text();
        return s;
    }
    // The 36 bits of the record at an address, written independently of the window.
    QString recordBits(uint32_t address) {
        const auto* e = machine().controlStore().search(address);
        return QString::fromStdString(std::bitset<9>(e->nextAddress).to_string() +
                                      std::bitset<27>(e->word).to_string());
    }

    QTemporaryDir dir;
    QString previousFolder;
    HostPaths paths;
    FakeDialogs dialogs;
    RecordingDrawing* drawing = nullptr;
    std::unique_ptr<TForm1> window;
};

TEST_F(Window, StartsWithInfoFirstThenAnEmptyModifiedEditorAndTheMicroprogramControls) {
    bool windowShown = true, editorModified = false;
    dialogs.onInfo = [&] {
        windowShown = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "Form1") {
                windowShown = w->isVisible();
                editorModified = w->findChild<QPlainTextEdit*>("Memo2")->document()->isModified();
            }
    };
    TForm1& w = make();
    EXPECT_EQ(dialogs.infoCalls, 1);
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(editorModified);

    EXPECT_EQ(w.windowTitle(), "TARVENO");
    EXPECT_TRUE(w.Memo2->toPlainText().isEmpty());
    EXPECT_TRUE(text("Label33").isEmpty());
    EXPECT_FALSE(w.Memo3->isVisibleTo(&w));
    EXPECT_FALSE(w.loaded());
    for (const char* name : {"BitBtn8", "BitBtn6", "BitBtn1", "BitBtn4", "BitBtn5"})
        EXPECT_TRUE(w.findChild<QPushButton*>(name)->isVisibleTo(&w)) << name;
    for (const char* name : {"BitBtn2", "BitBtn3", "BitBtn7", "Button2"})
        EXPECT_FALSE(w.findChild<QPushButton*>(name)->isVisibleTo(&w)) << name;
    EXPECT_EQ(w.ComboBox1->currentText(), "Decimal");
    EXPECT_EQ(w.Panel2->text(), "ALU");

    // The menu commands' keys, and which commands are hidden.
    struct Item {
        QAction* action;
        QKeySequence key;
        bool shown;
    };
    for (const Item& i : {Item{w.New1, QKeySequence("Ctrl+N"), true}, Item{w.IJVMProgram1, {}, false},
                          Item{w.Save1, QKeySequence("F2"), true}, Item{w.Reset1, QKeySequence("F10"), true},
                          Item{w.IJVM1, QKeySequence("F8"), false}, Item{w.Run2, QKeySequence("F9"), false},
                          Item{w.Info1, QKeySequence("F1"), true}}) {
        EXPECT_EQ(i.action->shortcut(), i.key) << i.action->text().toStdString();
        EXPECT_EQ(i.action->isVisible(), i.shown) << i.action->text().toStdString();
    }

    // F6 before any compile: the notice, and the phase stays at its start.
    w.SubCycle1Click();
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_EQ(w.phase(), 0);
}

TEST_F(Window, AGoodCompileLoadsAndABadOneKeepsThePreviousMachine) {
    TForm1& w = make();
    compileAndLoad(countMal);
    EXPECT_EQ(dialogs.notices, QStringList{hasBeenLoaded});
    EXPECT_TRUE(w.loaded());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(text("Label33"), "tmp.mal"); // unnamed: tmp.mal in the working folder
    EXPECT_TRUE(QFile::exists(dir.filePath("tmp.bin")));
    EXPECT_FALSE(w.Memo3->isVisibleTo(&w));

    for (int i = 0; i < 3; ++i)
        w.BitBtn1Click();
    EXPECT_EQ(text("Label20"), "3");
    const ControlPath* before = &machine();

    compileAndLoad(badMal);
    EXPECT_EQ(dialogs.notices.size(), 1); // no confirmation
    EXPECT_TRUE(w.Memo3->isVisibleTo(&w));
    EXPECT_TRUE(w.Memo3->toPlainText().startsWith("E"));
    EXPECT_FALSE(w.loaded());
    EXPECT_EQ(&machine(), before);
    EXPECT_EQ(machine().registers[H], 3);

    w.BitBtn1Click(); // Mic: the guard stops it
    EXPECT_EQ(dialogs.notices.last(), mustBeLoaded);
    EXPECT_EQ(machine().registers[H], 3);

    // Compile and Load on the unchanged editor reads the old report again: nothing visible.
    w.BitBtn5Click();
    EXPECT_EQ(dialogs.notices.size(), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(w.loaded());
}

TEST_F(Window, CompileFlowEdgeCases) {
    TForm1& w = make();
    // An edited editor and Mic: the text is saved and compiled, then the guard stops.
    type(countMal);
    w.BitBtn1Click();
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_EQ(readText(dir.filePath("tmp.mal")), countMal);
    EXPECT_FALSE(w.Memo2->document()->isModified());
    // Compile and Load compiles nothing new, confirms, sets the flag; Mic then steps.
    QFile::remove(dir.filePath("tmp.bin"));
    w.BitBtn5Click();
    EXPECT_FALSE(QFile::exists(dir.filePath("tmp.bin")));
    EXPECT_EQ(dialogs.notices.last(), hasBeenLoaded);
    w.BitBtn1Click();
    EXPECT_EQ(text("Label1"), "1");

    // Opening a file compiles it at once, but the flag stays clear. The folder has a dot,
    // the names blanks and shell characters: all reach the checker as they are.
    QDir().mkpath(dir.filePath("my.work/a b;c"));
    const QString source = dir.filePath("my.work/a b;c/my prog;x $(id).mal");
    writeBytes(source, countMal.toUtf8());
    dialogs.files = {source};
    w.MicroProgram1Click();
    EXPECT_EQ(dialogs.fileSetups.back().title, "Open mal File");
    EXPECT_EQ(dialogs.fileSetups.back().folder, TARVENO_EXAMPLES_DIR);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(text("Label33"), source);
    EXPECT_TRUE(QFile::exists(dir.filePath("my.work/a b;c/my prog;x $(id).bin")));
    EXPECT_FALSE(w.Memo3->isVisibleTo(&w));
    EXPECT_FALSE(w.loaded());
    w.Mic1Click();
    EXPECT_EQ(dialogs.notices.last(), mustBeLoaded);
    EXPECT_EQ(text("Label1"), "1"); // the readouts stay until the next refresh

    // An empty report counts as free of errors.
    writeBytes(paths.report, {});
    w.BitBtn5Click();
    EXPECT_TRUE(w.loaded());
}

TEST_F(Window, MicSubCycleAndResetShowTheMachine) {
    TForm1& w = make();
    compileAndLoad(countMal);
    ASSERT_TRUE(w.loaded());

    drawing->log.clear();
    w.Mic1Click(); // statement 0: H = 1
    EXPECT_EQ(bits(), recordBits(0));
    EXPECT_EQ(w.Panel2->text(), "1"); // the constant 1 has no prefix
    EXPECT_EQ(textColour(w.Panel2), QColor(255, 255, 0));
    EXPECT_EQ(text("Label20"), "1");
    EXPECT_EQ(colour("Label20"), red);
    EXPECT_EQ(colour("Label11"), black);
    EXPECT_EQ(text("Label1"), "1");
    EXPECT_TRUE(selected().contains("H = H + 1"));
    const QString w0 = QString::number(machine().mir);
    EXPECT_EQ(drawing->log, (QStringList{"bLine " + w0, "cLines " + w0, "marks " + w0, "nz 0 0", "ab 0 0",
                                         QString("c %1 0").arg(1u << H), "clock", "mark 4"}));

    for (int i = 0; i < 6; ++i)
        w.BitBtn1Click(); // through statement 6: H = LV
    EXPECT_EQ(text("Label20"), "5");
    EXPECT_EQ(w.Panel2->text(), "B = 5");
    EXPECT_EQ(colour("Label16"), magenta); // LV drove the B bus
    EXPECT_EQ(colour("Label20"), red);
    EXPECT_TRUE(selected().contains("TOS = H + TOS"));

    // Four SubCycle presses show statement 7, TOS = H + TOS, phase by phase.
    drawing->log.clear();
    w.BitBtn6Click();
    EXPECT_EQ(w.phase(), 1);
    EXPECT_EQ(bits(), recordBits(7));
    EXPECT_EQ(colour("Label18"), magenta);
    EXPECT_EQ(colour("Label20"), black);
    EXPECT_EQ(text("Label18"), "0"); // the values wait for phase 3
    w.BitBtn6Click();
    EXPECT_EQ(text("Label27"), "0"); // the B bus, TOS
    EXPECT_EQ(w.Panel2->text(), "B = 5");
    w.BitBtn6Click();
    EXPECT_EQ(w.Panel2->text(), "H + B = 5");
    EXPECT_EQ(text("Label18"), "0");
    w.BitBtn6Click();
    EXPECT_EQ(w.phase(), 0);
    EXPECT_EQ(text("Label18"), "5");
    EXPECT_EQ(text("Label28"), "5");
    EXPECT_EQ(colour("Label18"), red);
    EXPECT_EQ(text("Label1"), "8");
    const QString w7 = QString::number(machine().mir);
    EXPECT_EQ(drawing->log, (QStringList{"bLine " + w7, "cLines " + w7, "marks " + w7, "clock", "mark 0",
                                         QString("ab %1 1").arg(B_TOS), "mark 1", "mark 2",
                                         QString("c %1 1").arg(1u << TOS), "mark 3"}));

    // A Mic press between the second and the third phase starts the next one afresh.
    w.SubCycle1Click();
    w.SubCycle1Click();
    w.BitBtn1Click();
    EXPECT_EQ(w.phase(), 0);

    // Reset: registers and MPC 0, the bits of address 0, the buses as they were; the
    // standard-input cell 0.
    const QString bBus = text("Label27"), cBus = text("Label28"), alu = w.Panel2->text();
    writableMachine().memoryWord(machine::standardInputAddress) = 9;
    w.BitBtn4Click();
    for (const char* name : {"Label11", "Label13", "Label18", "Label20", "Label1"})
        EXPECT_EQ(text(name), "0");
    EXPECT_EQ(bits(), recordBits(0));
    EXPECT_EQ(std::tuple(text("Label27"), text("Label28"), w.Panel2->text()), std::tuple(bBus, cBus, alu));
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 0);

    // Run to the halt address; Run again there only refreshes.
    w.Run2Click();
    EXPECT_EQ(text("Label1"), "112");
    EXPECT_EQ(text("Label18"), "15");
    const uint32_t counter = machine().microCounter;
    w.Run2Click();
    EXPECT_EQ(machine().microCounter, counter);
}

TEST_F(Window, RadixBeforeAndAfterACompile) {
    TForm1& w = make();
    w.ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_TRUE(text("Label20").isEmpty()); // nothing redrawn

    w.ComboBox1->setCurrentIndex(0);
    compileAndLoad(countMal);
    w.Run2Click();
    w.ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(w.radix(), 16);
    EXPECT_EQ(text("Label1"), "0x70");
    EXPECT_EQ(text("Label18"), "0xF");
    EXPECT_EQ(text("Label29"), "0"); // N and Z stay decimal
    w.ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(text("Label1"), "112");
}

TEST_F(Window, FileCommandsAndTheModifiedMark) {
    TForm1& w = make();
    compileAndLoad(badMal);
    ASSERT_TRUE(w.Memo3->isVisibleTo(&w));

    // New: empty, unnamed, modified, no report.
    w.New1Click();
    EXPECT_TRUE(w.Memo2->toPlainText().isEmpty());
    EXPECT_TRUE(text("Label33").isEmpty());
    EXPECT_TRUE(w.Memo2->document()->isModified());
    EXPECT_FALSE(w.Memo3->isVisibleTo(&w));

    // Save on an unnamed editor asks; cancelled, it writes nothing.
    type("H = 1\n");
    w.Save1Click();
    ASSERT_EQ(dialogs.fileSetups.size(), 1u);
    EXPECT_EQ(dialogs.fileSetups[0].title, "SaveAs Mic1 File");
    EXPECT_TRUE(text("Label33").isEmpty());
    // Accepted, it names and writes; a second Save writes without asking. The mark stays.
    const QString first = dir.filePath("first.mal");
    dialogs.files = {first};
    w.Save1Click();
    EXPECT_EQ(text("Label33"), first);
    EXPECT_EQ(readText(first), "H = 1\n");
    type("H = 1\nH = H + 1\n");
    w.Save1Click();
    EXPECT_EQ(dialogs.fileSetups.size(), 2u);
    EXPECT_EQ(readText(first), "H = 1\nH = H + 1\n");
    EXPECT_TRUE(w.Memo2->document()->isModified());

    // Save As, then Mic compiles the file under its new name although the text is unchanged.
    w.BitBtn5Click();
    EXPECT_FALSE(w.Memo2->document()->isModified());
    dialogs.files = {dir.filePath("second.mal")};
    w.SaveAs1Click();
    EXPECT_TRUE(w.Memo2->document()->isModified());
    EXPECT_TRUE(QFile::exists(dir.filePath("second.mal")));
    w.BitBtn1Click();
    EXPECT_TRUE(QFile::exists(dir.filePath("second.bin")));

    // A Windows-1252 file with CR LF: opened, compiled and stepped, the selection lands on
    // the statement; saved, its bytes are as they were.
    const QString legacy = dir.filePath("legacy.mal");
    const QByteArray bytes = "// caff\xE8 \xE8 pronto\r\n        H = 1\r\n        H = H + 1 // pi\xF9\r\n"
                             "        H = H + 1\r\n";
    writeBytes(legacy, bytes);
    dialogs.files = {legacy};
    w.MicroProgram1Click();
    EXPECT_TRUE(w.Memo2->toPlainText().startsWith(QString::fromUtf8("// caffè è pronto\n")));
    w.BitBtn5Click();
    w.BitBtn1Click();
    EXPECT_TRUE(selected().startsWith(QString::fromUtf8("        H = H + 1 // più")))
        << selected().toStdString();
    w.Save1Click();
    EXPECT_EQ(readBytes(legacy), bytes);
}

TEST_F(Window, BadNamesFoldersAndAMissingCheckerLeaveTheWindowAndTheText) {
    TForm1& w = make();
    w.show();
    const QString text = "H = 1 // mine\n";
    type(text);
    // Each failure adds one message and leaves the text: a missing folder, a folder that
    // cannot be written even by the administrator (Save keeps the name and fails again;
    // Mic saves first and stops there), a file that does not exist.
    dialogs.files = {dir.filePath("no such folder/x.mal"), "/proc/tarveno-test.mal"};
    w.SaveAs1Click();
    w.SaveAs1Click();
    w.Save1Click();
    w.BitBtn1Click();
    dialogs.files = {dir.filePath("missing.mal")};
    w.MicroProgram1Click();
    EXPECT_EQ(dialogs.messages.size(), 5);
    EXPECT_EQ(w.Memo2->toPlainText(), text);
    EXPECT_TRUE(w.Memo2->document()->isModified());

    // The assembler cannot write the microprogram file (a folder stands in its place): its
    // message, the previous machine kept, the text kept and marked for the next compile.
    w.New1Click();
    compileAndLoad(countMal);
    ASSERT_TRUE(w.loaded());
    w.BitBtn1Click();
    const ControlPath* machineBefore = &machine();
    QDir().mkpath(dir.filePath("blocked.bin/inside"));
    dialogs.files = {dir.filePath("blocked.mal")};
    w.SaveAs1Click();
    w.BitBtn5Click();
    EXPECT_EQ(dialogs.messages.size(), 6);
    EXPECT_EQ(&machine(), machineBefore);
    EXPECT_EQ(machine().registers[H], 1);
    EXPECT_EQ(w.Memo2->toPlainText(), countMal);
    EXPECT_TRUE(w.Memo2->document()->isModified());
    EXPECT_FALSE(w.loaded());

    // No checker: a message, no machine, the text kept and compiled again next time.
    paths.checker = dir.filePath("nowhere/quorc");
    TForm1 other(dialogs, paths);
    other.Memo2->setPlainText(text);
    other.Memo2->document()->setModified(true);
    other.BitBtn5Click();
    EXPECT_EQ(dialogs.messages.size(), 7);
    EXPECT_TRUE(dialogs.messages.last().contains("quorc")) << dialogs.messages.last().toStdString();
    EXPECT_FALSE(other.workbench().hasMachine());
    EXPECT_EQ(other.Memo2->toPlainText(), text);
    EXPECT_TRUE(other.Memo2->document()->isModified());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(Window, RunAnswersEscapeAndTheHiddenKeysAct) {
    TForm1& w = make();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    compileAndLoad(loopMal);
    ASSERT_TRUE(w.loaded());

    bool disabledMeanwhile = false;
    QTimer::singleShot(100, [&] {
        disabledMeanwhile = w.running() && !w.BitBtn5->isEnabled();
        w.BitBtn5Click(); // ignored while running
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    QTest::keyClick(&w, Qt::Key_F9);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_FALSE(w.running());
    EXPECT_TRUE(w.BitBtn5->isEnabled());
    EXPECT_GT(machine().microCounter, 1000u);
    EXPECT_EQ(text("Label1"), "0"); // refreshed at the end

    // Closing the window stops a Run too.
    QTimer::singleShot(100, [&] { w.close(); });
    w.Run2Click();
    EXPECT_FALSE(w.running());
    EXPECT_FALSE(w.isVisible());

    // F8 steps to the next address 0 (here one pass of the loop), F7 steps, F6 advances
    // the phase.
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const uint32_t before = machine().microCounter;
    QTest::keyClick(&w, Qt::Key_F8);
    EXPECT_EQ(machine().microCounter, before + 1);
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_EQ(machine().microCounter, before + 2);
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(w.phase(), 1);
}

// The memory viewer on a loaded machine: every command, as a student would use it while
// the viewer is open, and the numbers it refuses.
TEST_F(Window, MemoryViewerPagesWritesAndRefusesBadNumbers) {
    TForm1& w = make();
    w.BitBtn8Click(); // nothing loaded: the notice, no viewer
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    compileAndLoad(countMal);
    ASSERT_TRUE(w.loaded());
    const ControlPath& m = machine();
    const int32_t cells = m.mainMemory.count();

    const auto line = [](TForm5& v, int row) { return v.ListBox1->item(row)->text(); };
    const auto lines = [](TForm5& v) {
        QStringList l;
        for (int i = 0; i < v.ListBox1->count(); ++i)
            l << v.ListBox1->item(i)->text();
        return l;
    };
    // Every opening starts at word 0 in decimal, with 100 lines of absent words.
    int openings = 0;
    dialogs.onMemory = [&](TForm5& v) {
        ++openings;
        EXPECT_EQ(v.firstWord(), 0u);
        EXPECT_EQ(v.memoryRadix(), 10);
        ASSERT_EQ(v.ListBox1->count(), 100);
        EXPECT_EQ(line(v, 0), "0000000000: ?");
        EXPECT_EQ(line(v, 99), "0000000396: ?");
        v.ComboBox1->setCurrentIndex(1);
        EXPECT_EQ(line(v, 1), "0x00000004: ?");
        v.BitBtn5->click();
    };
    w.BitBtn8Click();
    w.Memory1Click();
    EXPECT_EQ(openings, 2);

    // The editors, filled with the address and the word or four bytes.
    const auto writeWord = [&](TForm5& v, QString address, QString value, bool cancel = false) {
        dialogs.onWriteWord = [=](TForm6& d) {
            d.Edit1->setText(address);
            d.Edit2->setText(value);
            (cancel ? d.BitBtn2 : d.BitBtn1)->click();
        };
        v.BitBtn4->click();
    };
    const auto writeByte = [&](TForm5& v, QStringList boxes, bool cancel = false) {
        dialogs.onWriteByte = [boxes, cancel](TForm7& d) {
            QLineEdit* edits[5] = {d.Edit1, d.Edit2, d.Edit3, d.Edit4, d.Edit5};
            for (int i = 0; i < 5; ++i)
                edits[i]->setText(boxes[i]);
            cancel ? void(d.close()) : d.BitBtn1->click();
        };
        v.BitBtn6->click();
    };
    dialogs.onMemory = [&](TForm5& v) {
        // Paging: on without bound, back not below 0.
        QTest::mouseClick(v.BitBtn2, Qt::LeftButton);
        EXPECT_EQ(line(v, 0), "0000000400: ?");
        v.BitBtn1->click();
        v.BitBtn1->click();
        EXPECT_EQ(v.firstWord(), 0u);
        // Go at: a byte address, divided toward zero; -24 wraps and the list is empty.
        dialogs.inputs = {"7", "-24", "160"};
        v.BitBtn3->click();
        EXPECT_EQ(v.firstWord(), 1u);
        EXPECT_EQ(line(v, 0), "0000000004: ?");
        v.BitBtn3->click();
        EXPECT_EQ(v.firstWord(), 0xFFFFFFFAu);
        EXPECT_EQ(v.ListBox1->count(), 0);
        v.BitBtn3->click();
        EXPECT_EQ(v.firstWord(), 40u);
        v.BitBtn1->click();
        EXPECT_EQ(v.firstWord(), 0u);
        EXPECT_EQ(m.mainMemory.count(), cells); // viewing made no word

        writeWord(v, "8", "258");
        EXPECT_EQ(line(v, 2), "0000000008: 000 000 001 002 ");
        // Write Byte, with numbers beyond a byte setting the bits above their own.
        writeByte(v, {"0", "1", "2", "3", "4"});
        writeByte(v, {"4", "0", "0", "0", "256"});
        writeByte(v, {"12", "0", "0", "0", "-1"});
        EXPECT_EQ(line(v, 0), "0000000000: 001 002 003 004 ");
        EXPECT_EQ(line(v, 1), "0000000004: 000 000 001 000 ");
        EXPECT_EQ(line(v, 3), "0000000012: 255 255 255 255 ");
        v.ComboBox1->setCurrentIndex(1);
        EXPECT_EQ(line(v, 0), "0x00000000: 0x01 0x02 0x03 0x04 ");
        EXPECT_EQ(line(v, 2), "0x00000008: 0x00 0x00 0x01 0x02 ");
        EXPECT_EQ(w.radix(), 10); // the window's readout radix is its own

        // Cancel and the close box write nothing.
        const int32_t written = m.mainMemory.count();
        writeWord(v, "400", "1", true);
        writeByte(v, {"400", "1", "1", "1", "1"}, true);
        EXPECT_EQ(m.mainMemory.count(), written);

        // A number atolong refuses, in each box: its box, nothing written, the viewer on.
        const QStringList before = lines(v);
        dialogs.inputs = {"0q1"};
        v.BitBtn3->click();
        EXPECT_EQ(v.firstWord(), 0u);
        writeWord(v, "abc", "5");
        writeWord(v, "400", "abc");
        for (int box = 1; box <= 5; ++box) {
            QStringList boxes{"400", "1", "1", "1", "1"};
            boxes[box - 1] = "x9";
            writeByte(v, boxes);
        }
        EXPECT_EQ(dialogs.captions, QStringList(8, "IJVM Error:"));
        EXPECT_TRUE(dialogs.messages[0].contains("0q1")) << dialogs.messages[0].toStdString();
        EXPECT_TRUE(dialogs.messages[1].startsWith("Errore: il numero abc non "))
            << dialogs.messages[1].toStdString();
        EXPECT_EQ(m.mainMemory.count(), written);
        EXPECT_EQ(lines(v), before);
        EXPECT_EQ(v.memoryRadix(), 16);
    };
    w.BitBtn8Click();
    EXPECT_EQ(std::tuple(*m.peekWord(0), *m.peekWord(1), *m.peekWord(2), *m.peekWord(3)),
              std::tuple(0x01020304, 0x100, 258, -1));
    EXPECT_TRUE(w.loaded());
}

// The hidden IJVM commands and views: built, kept hidden, and working.
TEST_F(Window, IjvmProgramSkeletonDiagnosticsAndStandardInput) {
    TForm1& w = make();
    // Before any compile: the notice and nothing else, not even the file dialog.
    w.IJVMProgram1Click();
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_TRUE(dialogs.fileSetups.empty());

    // The skeleton, before any machine too: 23 lines, the caret at the start, the system's
    // bytes again when saved in Windows-1252.
    w.Edit1->setText("5");
    w.Close1Click();
    EXPECT_EQ(w.Memo1->document()->blockCount(), 23);
    EXPECT_EQ(w.Memo1->document()->findBlockByNumber(1).text(),
              QString::fromUtf8("    /* Il seguente codice è lo scheletro di un programma IJVM */"));
    EXPECT_EQ(w.Memo1->textCursor().position(), 0);
    EXPECT_FALSE(w.Memo1->textCursor().hasSelection());
    EXPECT_EQ(w.Edit1->text(), "0");
    std::string skeleton;
    for (std::string_view l : ijvmSkeleton)
        skeleton.append(l).append("\r\n");
    EditorFile legacy{"", TextEncoding::Windows1252, true};
    EXPECT_EQ(encodeFile(w.Memo1->toPlainText().toStdString(), legacy), skeleton);

    compileAndLoad(countMal);
    ASSERT_TRUE(w.loaded());
    ControlPath& m = writableMachine();

    // A diagnostic's byte span lands on its text after a non-ASCII comment, in UTF-8 with
    // CR LF and in Windows-1252 with LF.
    const QByteArray utf8Crlf = "// caff\xC3\xA8 \xC3\xA8 pronto\r\n.main\r\n        BIPUSH 1\r\n"
                                "        FOOBAR\r\n        GOTO nowhere\r\n.end-main\r\n";
    const QByteArray legacyLf = "// caff\xE8 \xE8 pronto\n.main\n        BIPUSH 1\n"
                                "        FOOBAR\n        GOTO nowhere\n.end-main\n";
    for (const QByteArray& bytes : {utf8Crlf, legacyLf}) {
        const QString file = dir.filePath("prog.jvm");
        writeBytes(file, bytes);
        m.memoryWord(machine::standardInputAddress) = 9;
        w.Edit1->setText("9");
        w.ListBox1->addItem("left over");
        dialogs.files = {file};
        w.IJVMProgram1Click();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
        EXPECT_EQ(dialogs.fileSetups.back().title, "Open IJVM File");
        EXPECT_EQ(text("Label34"), file);
        EXPECT_TRUE(w.Memo1->toPlainText().startsWith(QString::fromUtf8("// caffè è pronto\n.main\n")));
        EXPECT_EQ(readBytes(paths.swapFile), bytes);
        EXPECT_FALSE(w.loaded());
        EXPECT_EQ(*m.peekWord(machine::standardInputAddress), 0);
        EXPECT_EQ(w.Edit1->text(), "0");
        EXPECT_EQ(w.ListBox1->count(), 0);
        ASSERT_EQ(w.ListBox5->count(), 2);
        EXPECT_TRUE(w.ListBox5->item(0)->text().contains("FOOBAR"));
        w.ListBox5->setCurrentRow(0);
        w.ListBox5Click();
        EXPECT_EQ(w.Memo1->textCursor().selectedText(), "FOOBAR");
        w.ListBox5->setCurrentRow(1);
        emit w.ListBox5->itemClicked(w.ListBox5->item(1));
        EXPECT_EQ(w.Memo1->textCursor().selectedText(), "nowhere");
        w.BitBtn5Click(); // loaded again for the next round
    }

    // Standard I/O: leaving the box stores the number; a bad one shows its box and
    // stores nothing, and the typed text stays.
    w.Edit1->setText("25");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(w.Edit1, &out);
    EXPECT_EQ(*m.peekWord(machine::standardInputAddress), 25);
    w.Edit1->setText("x25");
    w.Edit1Exit();
    EXPECT_EQ(dialogs.captions, QStringList{"IJVM Error:"});
    EXPECT_TRUE(dialogs.messages[0].contains("x25"));
    EXPECT_EQ(*m.peekWord(machine::standardInputAddress), 25);
    EXPECT_EQ(w.Edit1->text(), "x25");

    // All the IJVM views stay hidden.
    for (const char* name : {"ListBox1", "ListBox2", "ListBox3", "ListBox4", "ListBox5", "Label36", "Label2",
                             "Offset", "GroupBox1", "Edit1", "Memo1"}) {
        QWidget* c = w.findChild<QWidget*>(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_FALSE(c->isVisibleTo(&w)) << name;
    }
}

TEST_F(Window, ColoursAndTheRealNotice) {
    TForm1& w = make();
    // Mic Color: background, then text; a cancelled one skips only itself. The dialog
    // offers the colour last chosen.
    dialogs.colours = {QColor(1, 2, 3), QColor(4, 5, 6), std::nullopt, QColor(7, 8, 9)};
    w.MicColor1Click();
    w.MicColor1Click();
    EXPECT_EQ(w.Memo2->palette().color(QPalette::Base), QColor(1, 2, 3));
    EXPECT_EQ(w.Memo2->palette().color(QPalette::Text), QColor(7, 8, 9));
    EXPECT_EQ(dialogs.colourInitials[1], QColor(1, 2, 3));
    EXPECT_EQ(dialogs.colourInitials[3], QColor(4, 5, 6));
    dialogs.colours = {QColor(10, 20, 30)};
    w.WindowColor1Click();
    EXPECT_EQ(dialogs.colourInitials.back(), QColor(7, 8, 9));
    EXPECT_EQ(w.client->palette().color(QPalette::Window), QColor(10, 20, 30));

    // The real message dialog shows the caller's text and closes with Ok.
    QtDialogs real;
    QString shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* form = qobject_cast<TForm3*>(QApplication::activeModalWidget())) {
            shown = form->Panel1->text();
            form->BitBtn1->click();
        }
    });
    poll.start();
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    real.notice(&w, hasBeenLoaded);
    EXPECT_EQ(shown, hasBeenLoaded);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--gtest_list_tests")) return RUN_ALL_TESTS();
    ::mkdir(TEST_RUNTIME_DIR, 0700);
    ::chmod(TEST_RUNTIME_DIR, 0700);
    ::setenv("XDG_RUNTIME_DIR", TEST_RUNTIME_DIR, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
