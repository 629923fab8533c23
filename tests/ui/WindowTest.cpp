// The real main window, offscreen, driven through its controls as a student would drive it,
// found by their names; every dialog is answered by FakeDialogs and the pictures are a
// recorder of the drawing steps. What the commands decide is the session's and is tested
// there; here: the wiring, what the window paints, and how it waits.

#include "TestPaths.h"
#include "ui/CodeEditor.h"
#include "ui/DatapathDrawing.h"
#include "ui/Diagrams.h"
#include "ui/Dialogs.h"
#include "ui/HelpWindow.h"
#include "ui/Host.h"
#include "ui/IjvmWindow.h"
#include "ui/InfoDialog.h"
#include "ui/Language.h"
#include "ui/MainWindow.h"
#include "ui/MemoryViewer.h"
#include "ui/NoticeDialog.h"
#include "ui/TestSuiteWindow.h"
#include "ui/Workspace.h"
#include "ui/WriteBytesDialog.h"
#include "ui/WriteWordDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <bitset>
#include <deque>
#include <functional>
#include <unistd.h>

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
    QStringList inputs;                       // answers of the "Go at" dialog; none: its preset text
    std::deque<std::optional<QString>> files; // answers of the file dialogs, in order
    std::vector<FileDialogSetup> fileSetups;
    std::deque<std::optional<QColor>> colours;
    std::vector<QColor> colourInitials;
    // What the user does while the viewer and its editors are open.
    std::function<void(MemoryViewer&)> onMemory = [](MemoryViewer&) {};
    std::function<void(WriteWordDialog&)> onWriteWord = [](WriteWordDialog&) {};
    std::function<void(WriteBytesDialog&)> onWriteBytes = [](WriteBytesDialog&) {};

    void info(InfoDialog&) override {
        ++infoCalls;
        onInfo();
    }
    QStringList shown; // notices and message boxes, in order
    void notice(QWidget*, const QString& message) override {
        notices << message;
        shown << "notice: " + message;
    }
    void message(QWidget*, const QString& caption, const QString& text) override {
        captions << caption;
        messages << text;
        shown << "message: " + caption + " " + text;
    }
    QString input(QWidget*, const QString&, const QString& text) override {
        return inputs.isEmpty() ? text : inputs.takeFirst();
    }
    // The questions with Cancel take their answers from inputs too; "(cancel)" cancels.
    std::optional<QString> ask(QWidget*, const QString& prompt, const QString& text) override {
        asked << prompt;
        const QString answer = inputs.isEmpty() ? text : inputs.takeFirst();
        if (answer == "(cancel)") return std::nullopt;
        return answer;
    }
    QStringList asked;
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
    QStringList questions;             // asked before unsaved work would go
    std::deque<UnsavedChoice> choices; // their answers; none: Discard
    std::deque<bool> confirmations;    // answers of Yes/No questions; none: Yes
    bool confirm(QWidget*, const QString& question) override {
        questions << question;
        shown << "confirm: " + question;
        if (confirmations.empty()) return true;
        const bool yes = confirmations.front();
        confirmations.pop_front();
        return yes;
    }
    UnsavedChoice unsavedWork(QWidget*, const QString& question) override {
        questions << question;
        if (choices.empty()) return UnsavedChoice::Discard;
        const UnsavedChoice c = choices.front();
        choices.pop_front();
        return c;
    }
    void memory(MemoryViewer& viewer) override { onMemory(viewer); }
    void writeWord(WriteWordDialog& dialog) override { onWriteWord(dialog); }
    void writeBytes(WriteBytesDialog& dialog) override { onWriteBytes(dialog); }
};

struct RecordingDrawing : QObject, DatapathDrawing {
    explicit RecordingDrawing(QObject* parent) : QObject(parent) {}
    QStringList log;
    void bLine(uint32_t w) override { log << QString("bLine %1").arg(w); }
    void cLines(uint32_t w) override { log << QString("cLines %1").arg(w); }
    void shiftAndJmpcMarks(uint32_t w) override { log << QString("marks %1").arg(w); }
    void nAndZMarks(bool n, bool z) override { log << QString("nz %1 %2").arg(n).arg(z); }
    bool abFlow(uint32_t b, int delay, std::function<void()>) override {
        log << QString("ab %1 %2").arg(b).arg(delay);
        return true;
    }
    bool cFlow(uint32_t c, int delay, std::function<void()>) override {
        log << QString("c %1 %2").arg(c).arg(delay);
        return true;
    }
    void finishFlow() override {}
    void clockRepaint() override { log << "clock"; }
    void clockMark(int phase) override { log << QString("mark %1").arg(phase); }
    void setZoom(double zoom) override { log << QString("zoom %1").arg(zoom); }
};

QByteArray readBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    f.write(bytes);
}

QColor textColour(QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

// Lets the event loop run until done, for at most five seconds.
bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        QTest::qWait(5);
    return done();
}

const QString countMal = QString::fromUtf8(readBytes(TARVENO_EXAMPLES_DIR "/count.mal"));
const QString loopMal = "LOOP    H = H + 1; GOTO LOOP\n"; // never reaches 112

const QColor red(255, 0, 0), black(0, 0, 0), magenta(255, 0, 255), yellow(255, 255, 0);

class Window : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_FALSE(countMal.isEmpty());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(dir.path());
        paths = testHostPaths(dir);
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousFolder);
        // Read-only folders made by a test are made writable again, so the folder goes.
        for (QDirIterator it(dir.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext();)
            QFile::setPermissions(it.next(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    MainWindow& make(bool realPictures = false) {
        MainWindow::PicturesFactory recorder = [this](QWidget* parent) {
            drawing = new RecordingDrawing(parent);
            return drawing;
        };
        window = std::make_unique<MainWindow>(dialogs, paths, realPictures ? nullptr : recorder);
        return *window;
    }
    void showWindow() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <class T = QWidget> T* child(const char* name) {
        T* c = window->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // A command that compiles goes on when the checker program ends.
    void click(const char* name) {
        child<QPushButton>(name)->click();
        settle();
    }
    void trigger(const char* name) {
        child<QAction>(name)->trigger();
        settle();
    }
    void settle(MainWindow* w = nullptr) {
        if (!w) w = window.get();
        ASSERT_TRUE(waitUntil([w] { return !w->checking(); }));
    }
    QPlainTextEdit* editor() { return child<QPlainTextEdit>("Memo2"); }
    QString text(const char* name) { return child<QLabel>(name)->text(); }
    QColor colour(const char* name) { return textColour(child(name)); }
    QString selected() { return editor()->textCursor().selectedText(); }
    bool shown(const char* name) { return child(name)->isVisibleTo(window.get()); }

    // What the user types into the editor.
    void type(const QString& t) {
        editor()->setPlainText(t);
        editor()->document()->setModified(true);
    }
    void compileAndLoad(const QString& source) {
        type(source);
        click("BitBtn5");
    }
    void finishRun() {
        ASSERT_TRUE(waitUntil([this] { return !window->session().run().running(); }));
    }
    const Machine& machine() {
        // A test that expects a machine where there is none fails here, not in a crash.
        if (!window->session().workbench().hasMachine()) throw std::logic_error("no machine was made");
        return window->session().workbench().machine();
    }
    QString bits() {
        QString s;
        for (int i = 1; i <= 36; ++i)
            s += text(QByteArray("L" + QByteArray::number(i)).constData());
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
    std::unique_ptr<MainWindow> window;
};

TEST_F(Window, StartsWithInfoFirstThenTheMicroprogramLayoutAtItsPlaces) {
    bool windowShown = true, editorModified = false;
    dialogs.onInfo = [&] {
        windowShown = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "Form1") {
                windowShown = w->isVisible();
                editorModified = w->findChild<QPlainTextEdit*>("Memo2")->document()->isModified();
            }
    };
    MainWindow& w = make();
    EXPECT_EQ(dialogs.infoCalls, 1);
    // Started with files to open, the window shows no Info dialog first.
    MainWindow withFiles(dialogs, paths, {}, {std::nullopt, false});
    EXPECT_EQ(dialogs.infoCalls, 1);
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(editorModified);

    EXPECT_EQ(w.windowTitle(), "TARVENO");
    EXPECT_EQ(w.size(), QSize(831, 645));
    EXPECT_TRUE(editor()->toPlainText().isEmpty());
    EXPECT_TRUE(text("Label33").isEmpty());
    EXPECT_FALSE(shown("Memo3"));
    for (const char* name :
         {"BitBtn8", "BitBtn6", "BitBtn1", "BitBtn4", "BitBtn5", "Label31", "Label11", "L36"})
        EXPECT_TRUE(shown(name)) << name;
    for (const char* name : {"BitBtn2", "BitBtn3", "BitBtn7", "Button2"})
        EXPECT_FALSE(shown(name)) << name;
    EXPECT_EQ(child<QComboBox>("ComboBox1")->currentText(), "Decimal");
    EXPECT_EQ(text("Panel2"), "ALU");
    // The controls stand where the table puts them.
    for (const Place* p : {&places::compileButton, &places::microprogramEditor, &places::aluPanel,
                           &places::radixBox, &places::clockButton})
        EXPECT_EQ(child(p->name)->geometry(), QRect(p->rect.x, p->rect.y, p->rect.width, p->rect.height))
            << p->name;
    EXPECT_EQ(child("L10")->pos(), QPoint(places::bitColumns[9] + 7, 357));

    // The menu commands' keys, and which commands are hidden.
    struct Item {
        const char* name;
        QKeySequence key;
        bool shown;
    };
    for (const Item& i :
         {Item{"New1", QKeySequence("Ctrl+N"), true}, Item{"IJVMProgram1", {}, false},
          Item{"Save1", QKeySequence("F2"), true}, Item{"Reset1", QKeySequence("F10"), true},
          Item{"SubCycle1", QKeySequence("F6"), true}, Item{"Mic1", QKeySequence("F7"), true},
          Item{"IJVM1", QKeySequence("F8"), true}, Item{"Run2", QKeySequence("F9"), true},
          Item{"openIjvmProgram", {}, true}, Item{"showIjvmWindow", QKeySequence("Ctrl+J"), true},
          Item{"Info1", QKeySequence("F1"), true}}) {
        EXPECT_EQ(child<QAction>(i.name)->shortcut(), i.key) << i.name;
        EXPECT_EQ(child<QAction>(i.name)->isVisible(), i.shown) << i.name;
    }

    // F6 before any compile: the notice, and the phase stays at its start.
    trigger("SubCycle1");
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_EQ(w.session().run().phase(), 0);
}

TEST_F(Window, MicSubCycleResetAndRunShowTheMachine) {
    MainWindow& w = make();
    compileAndLoad(countMal);
    EXPECT_EQ(dialogs.notices, QStringList{hasBeenLoaded});
    ASSERT_TRUE(w.session().run().loaded());
    EXPECT_EQ(text("Label33"), paths.unnamedFile + "*"); // only a copy for the compile

    drawing->log.clear();
    click("BitBtn1"); // statement 0: H = 1
    EXPECT_EQ(bits(), recordBits(0));
    EXPECT_EQ(text("Panel2"), "1"); // the constant 1 has no prefix
    EXPECT_EQ(colour("Panel2"), yellow);
    EXPECT_EQ(text("Label20"), "1");
    EXPECT_EQ(colour("Label20"), red);
    EXPECT_EQ(colour("Label11"), black);
    EXPECT_EQ(text("Label1"), "1");
    EXPECT_TRUE(selected().contains("H = H + 1"));
    const QString w0 = QString::number(machine().mir);
    EXPECT_EQ(drawing->log, (QStringList{"bLine " + w0, "cLines " + w0, "marks " + w0, "nz 0 0", "ab 0 0",
                                         QString("c %1 0").arg(1u << H), "clock", "mark 4"}));

    for (int i = 0; i < 6; ++i)
        trigger("Mic1"); // through statement 6: H = LV
    EXPECT_EQ(text("Label20"), "5");
    EXPECT_EQ(text("Panel2"), "B = 5");
    EXPECT_EQ(colour("Label16"), magenta); // LV drove the B bus
    EXPECT_TRUE(selected().contains("TOS = H + TOS"));

    // Four SubCycle presses show statement 7, TOS = H + TOS, phase by phase.
    drawing->log.clear();
    click("BitBtn6");
    EXPECT_EQ(bits(), recordBits(7));
    EXPECT_EQ(colour("Label18"), magenta);
    EXPECT_EQ(colour("Label20"), black);
    EXPECT_EQ(text("Label18"), "0"); // the values wait for phase 3
    click("BitBtn6");
    EXPECT_EQ(text("Label27"), "0"); // the B bus, TOS
    EXPECT_EQ(text("Panel2"), "B = 5");
    click("BitBtn6");
    EXPECT_EQ(text("Panel2"), "H + B = 5");
    EXPECT_EQ(text("Label18"), "0");
    click("BitBtn6");
    EXPECT_EQ(text("Label18"), "5");
    EXPECT_EQ(text("Label28"), "5");
    EXPECT_EQ(colour("Label18"), red);
    EXPECT_EQ(text("Label1"), "8");
    const QString w7 = QString::number(machine().mir);
    EXPECT_EQ(drawing->log, (QStringList{"bLine " + w7, "cLines " + w7, "marks " + w7, "clock", "mark 0",
                                         QString("ab %1 1").arg(B_TOS), "mark 1", "mark 2",
                                         QString("c %1 1").arg(1u << TOS), "mark 3"}));

    // Reset: registers and MPC 0, the bits of address 0, the buses as they were.
    const QString bBus = text("Label27"), cBus = text("Label28"), alu = text("Panel2");
    click("BitBtn4");
    for (const char* name : {"Label11", "Label13", "Label18", "Label20", "Label1"})
        EXPECT_EQ(text(name), "0");
    EXPECT_EQ(bits(), recordBits(0));
    EXPECT_EQ(std::tuple(text("Label27"), text("Label28"), text("Panel2")), std::tuple(bBus, cBus, alu));

    // Run to the halt address, from the event loop; the readouts follow at the end.
    trigger("Run2");
    finishRun();
    EXPECT_EQ(text("Label1"), "112");
    EXPECT_EQ(text("Label18"), "15");
}

// The editor, the report pane, the file dialogs and the checker program, as the session
// drives them (its decisions are tested without the window).
TEST_F(Window, EditorReportFilesAndCheckerGoThroughTheirControls) {
    make();
    child<QComboBox>("ComboBox1")->setCurrentIndex(1); // before a compile: the notice only
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    EXPECT_TRUE(text("Label20").isEmpty());
    compileAndLoad(countMal);
    trigger("Run2");
    finishRun();
    EXPECT_EQ(std::tuple(text("Label1"), text("Label18"), text("Label29")), std::tuple("0x70", "0xF", "0"));

    trigger("New1");
    // Save on an unnamed editor asks through the save dialog, then writes there.
    type("H = 1\n");
    const QString first = dir.filePath("first.mal");
    dialogs.files = {first};
    trigger("Save1");
    EXPECT_EQ(dialogs.fileSetups.back().title, "SaveAs Mic1 File");
    EXPECT_EQ(std::tuple(text("Label33"), readBytes(first)), std::tuple(first, QByteArray("H = 1\n")));
    type("H = 2\n");
    EXPECT_EQ(text("Label33"), first + "*"); // changed since it was saved

    // Opening a file compiles it at once. The folder has a dot, the names blanks and shell
    // characters: all reach the checker program as they are.
    QDir().mkpath(dir.filePath("my.work/a b;c"));
    const QString source = dir.filePath("my.work/a b;c/my prog;x $(id).mal");
    writeBytes(source, countMal.toUtf8());
    dialogs.files = {source};
    trigger("MicroProgram1");
    EXPECT_EQ(dialogs.fileSetups.back().folder, TARVENO_EXAMPLES_DIR);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("my.work/a b;c/my prog;x $(id).bin")));
    EXPECT_EQ(editor()->toPlainText(), countMal);

    // A Windows-1252 file with CR LF: stepped, the selection lands on the statement; saved,
    // its bytes are as they were.
    const QString legacy = dir.filePath("legacy.mal");
    const QByteArray bytes = "// caff\xE8 \xE8 pronto\r\n        H = 1\r\n        H = H + 1 // pi\xF9\r\n"
                             "        H = H + 1\r\n";
    writeBytes(legacy, bytes);
    dialogs.files = {legacy};
    trigger("MicroProgram1");
    click("BitBtn5");
    click("BitBtn1");
    EXPECT_TRUE(selected().contains(QString::fromUtf8("        H = H + 1 // più")))
        << selected().toStdString();
    trigger("Save1");
    EXPECT_EQ(readBytes(legacy), bytes);

    // No checker program: its message, the text kept for the next compile.
    paths.checker = dir.filePath("nowhere/quorc");
    MainWindow other(dialogs, paths);
    auto* otherEditor = other.findChild<QPlainTextEdit*>("Memo2");
    otherEditor->setPlainText("H = 1\n");
    other.findChild<QPushButton*>("BitBtn5")->click();
    settle(&other);
    EXPECT_TRUE(dialogs.messages.last().contains("quorc")) << dialogs.messages.last().toStdString();
    EXPECT_TRUE(otherEditor->document()->isModified());
}

TEST_F(Window, RunAnswersEscapeAndTheHiddenKeysAct) {
    MainWindow& w = make();
    showWindow();
    compileAndLoad(loopMal);
    ASSERT_TRUE(w.session().run().loaded());

    // F9: the Run goes on between the window's events, its commands off; Escape ends it.
    QTest::keyClick(&w, Qt::Key_F9);
    ASSERT_TRUE(w.session().run().running());
    EXPECT_FALSE(child("BitBtn5")->isEnabled());
    click("BitBtn5"); // ignored while running
    QTest::qWait(50);
    QTest::keyClick(&w, Qt::Key_Escape);
    finishRun();
    EXPECT_TRUE(child("BitBtn5")->isEnabled());
    EXPECT_GT(machine().microCounter, 1000u);
    EXPECT_EQ(text("Label1"), "0"); // refreshed at the end

    // Closing the window stops a Run too.
    QTest::keyClick(&w, Qt::Key_F9);
    w.close();
    EXPECT_FALSE(w.session().run().running());
    EXPECT_FALSE(w.isVisible());

    // F8 steps to the next address 0 (here one pass of the loop), F7 steps, F6 advances
    // the phase.
    showWindow();
    const uint32_t before = machine().microCounter;
    QTest::keyClick(&w, Qt::Key_F8);
    finishRun();
    EXPECT_EQ(machine().microCounter, before + 1);
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_EQ(machine().microCounter, before + 2);
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(w.session().run().phase(), 1);
}

// With the real pictures on screen, a flow that pauses is drawn from the event loop:
// commands given meanwhile wait for it, and a window that goes away ends it at once.
TEST_F(Window, CommandsWaitForTheDrawingAndClosingEndsIt) {
    MainWindow& w = make(true);
    showWindow();
    compileAndLoad(countMal);
    click("BitBtn6"); // phase 0
    click("BitBtn6"); // phase 1: the B and A flow, one row a millisecond
    ASSERT_TRUE(w.drawing());
    const uint32_t counter = machine().microCounter;
    click("BitBtn1"); // waits for the flow
    EXPECT_EQ(machine().microCounter, counter);
    ASSERT_TRUE(waitUntil([&] { return !w.drawing(); }));
    EXPECT_EQ(machine().microCounter, counter + 1);
    EXPECT_EQ(w.session().run().phase(), 0);

    for (int phase = 0; phase < 3; ++phase) {
        click("BitBtn6");
        ASSERT_TRUE(waitUntil([&] { return !w.drawing(); }));
    }
    click("BitBtn6"); // phase 3: the C flow
    ASSERT_TRUE(w.drawing());
    click("BitBtn6"); // waits, and goes with the window
    w.close();
    EXPECT_FALSE(w.drawing());
    EXPECT_EQ(text("Label1"), QString::number(machine().mpc)); // the phase's last steps done
    EXPECT_EQ(w.session().run().phase(), 0);
}

TEST_F(Window, ZoomScalesTheWholeClientAreaAndKeepsTheColoursChosen) {
    MainWindow& w = make(true);
    const QRect compile = child("BitBtn5")->geometry();
    const QSize picture = child("Image1")->size();
    // Mic Color: background, then text; the second run offers the colour chosen first.
    dialogs.colours = {QColor(1, 2, 3), QColor(4, 5, 6)};
    trigger("MicColor1");
    EXPECT_EQ(dialogs.colourInitials.back(), QColor(1, 2, 3));
    for (int i = 0; i < 5; ++i) // 125, 150, 200, and no further
        trigger("zoomIn");
    EXPECT_EQ(w.zoomPercent(), 200);
    EXPECT_EQ(child("BitBtn5")->geometry(), QRect(compile.topLeft() * 2, compile.size() * 2));
    EXPECT_EQ(child("Memo2")->font().pixelSize(), 26);
    EXPECT_EQ(child("Image1")->size(), picture * 2);
    EXPECT_EQ(editor()->palette().color(QPalette::Base), QColor(1, 2, 3));
    EXPECT_EQ(editor()->palette().color(QPalette::Text), QColor(4, 5, 6));
    trigger("zoomOut");
    EXPECT_EQ(w.zoomPercent(), 150);
    trigger("zoomActual");
    EXPECT_EQ(child("BitBtn5")->geometry(), compile);
    EXPECT_EQ(w.size(), QSize(831, 645));

    // A dark theme darkens what takes the desktop's colours; the form, the pictures and the
    // colours chosen keep theirs.
    trigger("themeDark");
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
    EXPECT_EQ(child("client")->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(child("Image1")->grab().toImage().pixelColor(3, 3), QColor(255, 255, 255));
    EXPECT_EQ(editor()->palette().color(QPalette::Base), QColor(1, 2, 3));
    trigger("themeSystem");
}

// The memory viewer on a loaded machine, its buttons and editors as a student uses them
// (its lines and numbers are tested without the window).
TEST_F(Window, MemoryViewerPagesWritesAndRefusesBadNumbers) {
    make();
    click("BitBtn8"); // nothing loaded: the notice, no viewer
    EXPECT_EQ(dialogs.notices, QStringList{mustBeLoaded});
    compileAndLoad(countMal);
    const Machine& m = machine();

    const auto line = [](MemoryViewer& v, int row) {
        return v.findChild<QListWidget*>("ListBox1")->item(row)->text();
    };
    const auto press = [](MemoryViewer& v, const char* name) { v.findChild<QPushButton*>(name)->click(); };
    dialogs.onWriteWord = [](WriteWordDialog& d) {
        d.address->setText("8");
        d.word->setText("258");
        d.pressOk();
    };
    const QStringList boxes{"12", "0", "0", "0", "-1"};
    bool cancel = false;
    dialogs.onWriteBytes = [&](WriteBytesDialog& d) {
        d.address->setText(boxes[0]);
        for (int i = 0; i < 4; ++i)
            d.bytes[static_cast<size_t>(i)]->setText(boxes[i + 1]);
        cancel ? d.pressCancel() : d.pressOk();
    };
    int openings = 0;
    dialogs.onMemory = [&](MemoryViewer& v) {
        ++openings;
        EXPECT_EQ(line(v, 0), "0000000000: ?");
        press(v, "BitBtn2");
        EXPECT_EQ(line(v, 0), "0000000400: ?");
        press(v, "BitBtn1");
        dialogs.inputs = {"7"};
        press(v, "BitBtn3");
        EXPECT_EQ(line(v, 0), "0000000004: ?");
        press(v, "BitBtn4");
        press(v, "BitBtn6");
        EXPECT_EQ(line(v, 1), "0000000008: 000 000 001 002 ");
        EXPECT_EQ(line(v, 2), "0000000012: 255 255 255 255 ");
        v.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(1);
        EXPECT_EQ(line(v, 1), "0x00000008: 0x00 0x00 0x01 0x02 ");
        // Cancel writes nothing; a number parseNumber refuses shows its box.
        const int32_t written = m.mainMemory.count();
        cancel = true;
        press(v, "BitBtn6");
        dialogs.inputs = {QString::fromUtf8("0\xC3\xA9")};
        press(v, "BitBtn3");
        EXPECT_EQ(m.mainMemory.count(), written);
        EXPECT_EQ(dialogs.captions, QStringList{"IJVM Error:"});
        EXPECT_TRUE(
            dialogs.messages.last().startsWith(QString::fromUtf8("Errore: il numero 0é non è valido")))
            << dialogs.messages.last().toStdString();
        // The input and output cells at words -6 and -5 are reached.
        dialogs.inputs = {"-24"};
        press(v, "BitBtn3");
        EXPECT_EQ(v.findChild<QListWidget*>("ListBox1")->count(), 6);
        EXPECT_EQ(line(v, 0), "0xFFFFFFE8: ?"); // in hexadecimal, as chosen above
    };
    trigger("Memory1");
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(std::tuple(*m.peekWord(2), *m.peekWord(3)), std::tuple(258, -1));
}

// The hidden IJVM commands act through the session and show in the IJVM window: the
// skeleton, and a program opened without placing it, whose diagnostics land on their text.
TEST_F(Window, HiddenIjvmCommandsShowInTheIjvmWindow) {
    MainWindow& w = make();
    auto* source = child<CodeEditor>("ijvmSourceEditor");
    trigger("Close1"); // the skeleton, decoded
    EXPECT_EQ(source->document()->findBlockByNumber(1).text(),
              QString::fromUtf8("    /* Il seguente codice è lo scheletro di un programma IJVM */"));

    // A diagnostic's byte span lands on its text after a non-ASCII comment with CR LF.
    compileAndLoad(countMal);
    const QString file = dir.filePath("prog.jvm");
    writeBytes(file, "// caff\xC3\xA8 \xC3\xA8 pronto\r\n.main\r\n        BIPUSH 1\r\n"
                     "        FOOBAR\r\n        GOTO nowhere\r\n.end-main\r\n");
    dialogs.files = {file};
    trigger("IJVMProgram1");
    EXPECT_EQ(dialogs.fileSetups.back().title, "Open IJVM File");
    EXPECT_FALSE(w.session().run().loaded());
    auto* diagnostics = child<QListWidget>("ijvmDiagnostics");
    ASSERT_EQ(diagnostics->count(), 2);
    diagnostics->setCurrentRow(1);
    emit diagnostics->itemClicked(diagnostics->item(1));
    EXPECT_EQ(source->textCursor().selectedText(), "nowhere");
}

TEST_F(Window, UnsavedWorkIsSavedDiscardedOrKeptAsTheUserSays) {
    MainWindow& w = make();
    showWindow();
    type("H = 1\n");
    // Cancel keeps everything; the window stays open.
    dialogs.choices = {UnsavedChoice::Cancel, UnsavedChoice::Cancel, UnsavedChoice::Cancel};
    trigger("New1");
    dialogs.files = {dir.filePath("never.mal")};
    trigger("MicroProgram1");
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs.questions.size(), 3);
    EXPECT_EQ(dialogs.questions[0], "The new microprogram has not been saved. Save it?");
    EXPECT_EQ(editor()->toPlainText(), "H = 1\n");
    EXPECT_EQ(dialogs.fileSetups.size(), 0u); // no file asked for after Cancel

    // Save asks for a name, writes there and goes on; then nothing is left to ask about.
    const QString kept = dir.filePath("kept.mal");
    dialogs.choices = {UnsavedChoice::Save};
    dialogs.files = {kept};
    trigger("New1");
    EXPECT_EQ(readBytes(kept), "H = 1\n");
    EXPECT_TRUE(editor()->toPlainText().isEmpty());
    EXPECT_TRUE(text("Label33").isEmpty());

    // Discard goes on without writing; an empty new program asks nothing.
    type("H = 2\n");
    trigger("Exit1");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(readBytes(kept), "H = 1\n");
    showWindow();
    trigger("New1"); // the text is still there: asked again
    w.close();
    EXPECT_EQ(dialogs.questions.size(), 6);
}

// A shipped example changed: a step opens Save As titled with the reason, in the user's
// folder, and goes on once saved (what may be written where is the session's, tested there).
TEST_F(Window, AChangedShippedExampleAsksSaveAsAndTheStepGoesOn) {
    paths.examples = dir.filePath("shipped");
    QDir().mkpath(paths.examples);
    const QString source = paths.examples + "/count.mal";
    writeBytes(source, countMal.toUtf8());
    make();
    dialogs.files = {source};
    trigger("MicroProgram1");
    type(countMal + "// mine\n");
    const QString mine = dir.filePath("mine.mal");
    dialogs.files = {mine};
    click("BitBtn1");
    EXPECT_EQ(dialogs.fileSetups.back().title,
              "count.mal cannot be written: save your changes under another name");
    EXPECT_EQ(dialogs.fileSetups.back().folder, QDir::homePath());
    settle();
    EXPECT_EQ(std::tuple(text("Label33"), machine().microCounter), std::tuple(mine, 1u));
    EXPECT_EQ(readBytes(source), countMal.toUtf8());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

TEST_F(Window, WarningsFindingsAndTheRunHintAreShown) {
    MainWindow& w = make();
    showWindow();
    compileAndLoad(loopMal);
    EXPECT_EQ(dialogs.notices, QStringList{hasBeenLoaded + ", with 1 warning"});
    auto* report = child<QPlainTextEdit>("Memo3");
    EXPECT_TRUE(shown("Memo3"));
    EXPECT_TRUE(report->toPlainText().contains("Run will not end by itself"));
    auto* code = child<CodeEditor>("Memo2");
    EXPECT_EQ(code->lineMark(0), CodeEditor::LineMark::Warning);
    // Choosing the report line that names the place selects the reported word.
    QTextCursor c = report->textCursor();
    c.movePosition(QTextCursor::NextBlock);
    report->setTextCursor(c);
    EXPECT_EQ(selected(), "LOOP");

    // A Run that goes on says how to stop it; the caption comes back at its end.
    trigger("Run2");
    ASSERT_TRUE(waitUntil([&] { return w.windowTitle().contains("Escape"); }));
    EXPECT_EQ(w.windowTitle(), "TARVENO - Running ... press Escape to stop");
    QTest::keyClick(&w, Qt::Key_Escape);
    finishRun();
    EXPECT_EQ(w.windowTitle(), "TARVENO");

    // A Run that passes the memory bound stops, names it and gives the commands back.
    w.session().run().setMemoryBound(uint64_t{1} << 20);
    compileAndLoad("LOOP    MAR = H = H + 1; WR; GOTO LOOP\n");
    trigger("Run2");
    finishRun();
    EXPECT_EQ(dialogs.notices.last(), "Run stopped: main memory passed its bound of 1 MB.");
    EXPECT_TRUE(child("BitBtn5")->isEnabled());
    EXPECT_EQ(text("Label11"), QString::number(machine().registers[MAR]));

    // A compile after one sub-cycle starts the clock afresh.
    click("BitBtn6");
    drawing->log.clear();
    compileAndLoad(loopMal);
    EXPECT_EQ(w.session().run().phase(), 0);
    EXPECT_TRUE(drawing->log.contains("clock"));
}

TEST_F(Window, TheCheckerIsAProgramOfItsOwnThatMayFail) {
    // A checker that fails says why in the report pane; the text is compiled again later.
    const QString failing = dir.filePath("failing");
    writeBytes(failing, "#!/bin/sh\necho 'quorc: cannot write the report' >&2\nexit 1\n");
    QFile::setPermissions(failing, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    paths.checker = failing;
    make();
    compileAndLoad(countMal);
    EXPECT_EQ(dialogs.messages.last(), "The MAL checker " + failing + " failed with exit status 1.");
    EXPECT_TRUE(shown("Memo3"));
    EXPECT_EQ(child<QPlainTextEdit>("Memo3")->toPlainText(), "quorc: cannot write the report\n");
    EXPECT_TRUE(editor()->document()->isModified());

    // One that does not end is stopped; the window paints meanwhile.
    const QString hanging = dir.filePath("hanging");
    writeBytes(hanging, "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(hanging, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    paths.checker = hanging;
    paths.checkerTimeoutMs = 300;
    window.reset();
    MainWindow& w = make();
    type("H = 1\n");
    child<QPushButton>("BitBtn5")->click();
    EXPECT_TRUE(w.checking());
    click("BitBtn1"); // waits for the check, then runs
    EXPECT_EQ(dialogs.messages.last(),
              "The MAL checker " + hanging + " did not finish within 0.3 s and was stopped.");

    // Two windows have their own report and unnamed file.
    QStandardPaths::setTestModeEnabled(true);
    const HostPaths a = defaultHostPaths(), b = defaultHostPaths();
    EXPECT_NE(a.report, b.report);
    EXPECT_NE(a.swapFile, b.swapFile);
    EXPECT_NE(a.unnamedFile, b.unnamedFile);
    EXPECT_TRUE(a.unnamedFile.endsWith("/tmp.mal") || b.unnamedFile.endsWith("/tmp.mal"));
}

// A file named on tarveno's command line: what the user then sees is what File > Open
// shows for the same file (in a second window), without a file dialog.
TEST_F(Window, AFileNamedAtStartOpensAsTheOpenCommandsDo) {
    for (const char* name : {"count.mal", "arithmetic.jvm"})
        ASSERT_TRUE(QFile::copy(QString(TARVENO_EXAMPLES_DIR "/") + name, dir.filePath(name)));
    MainWindow& w = make();
    MainWindow menu(dialogs, paths);
    auto fromCommandLine = [&](const QString& file) {
        const qsizetype before = dialogs.shown.size();
        const size_t fileDialogs = dialogs.fileSetups.size();
        w.openFromCommandLine(file);
        EXPECT_TRUE(waitUntil([&] { return w.idle(); }));
        EXPECT_EQ(dialogs.fileSetups.size(), fileDialogs) << file.toStdString();
        return dialogs.shown.mid(before);
    };
    auto byMenu = [&](const char* action, const QString& file) {
        const qsizetype before = dialogs.shown.size();
        dialogs.files = {file};
        menu.findChild<QAction*>(action)->trigger();
        EXPECT_TRUE(waitUntil([&] { return menu.idle(); }));
        return dialogs.shown.mid(before);
    };
    auto editorText = [](MainWindow& m, const char* name) {
        return m.findChild<QPlainTextEdit*>(name)->toPlainText();
    };
    // The IJVM editor is the IJVM window's.
    const char* ijvmEditor = "ijvmSourceEditor";

    // No machine yet: the interpreter is offered; declined, nothing is opened.
    dialogs.confirmations = {false, false};
    const QStringList declined = fromCommandLine("arithmetic.jvm");
    EXPECT_EQ(declined, byMenu("openIjvmProgram", "unused.jvm"));
    ASSERT_EQ(declined.size(), 1);
    EXPECT_TRUE(declined[0].startsWith("confirm: No microprogram is loaded")) << declined[0].toStdString();
    EXPECT_TRUE(editorText(w, ijvmEditor).isEmpty());

    // A microprogram, named relative to the current folder, is read and compiled at once.
    EXPECT_EQ(fromCommandLine("count.mal"), byMenu("MicroProgram1", dir.filePath("count.mal")));
    EXPECT_EQ(text("Label33"), dir.filePath("count.mal"));
    EXPECT_EQ(editorText(w, "Memo2"), editorText(menu, "Memo2"));
    EXPECT_TRUE(QFile::exists(dir.filePath("count.bin")));

    // With a machine the IJVM program opens.
    EXPECT_EQ(fromCommandLine("arithmetic.jvm"), byMenu("openIjvmProgram", dir.filePath("arithmetic.jvm")));
    EXPECT_EQ(child<QLabel>("ijvmFileName")->text(), dir.filePath("arithmetic.jvm"));
    EXPECT_EQ(editorText(w, ijvmEditor), editorText(menu, ijvmEditor));
    EXPECT_FALSE(editorText(w, ijvmEditor).isEmpty());

    // A file that does not exist: the message box of the open commands.
    for (const auto& [file, action] :
         {std::pair{"missing.mal", "MicroProgram1"}, std::pair{"missing.jvm", "openIjvmProgram"}}) {
        const QStringList missing = fromCommandLine(file);
        ASSERT_EQ(missing.size(), 1) << file;
        EXPECT_TRUE(missing[0].startsWith("message: ")) << missing[0].toStdString();
        EXPECT_EQ(missing, byMenu(action, dir.filePath(file)));
    }
}

TEST_F(Window, TheRealNoticeShowsTheCallersText) {
    MainWindow& w = make();
    QtDialogs real;
    QString shownText;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* form = qobject_cast<NoticeDialog*>(QApplication::activeModalWidget())) {
            shownText = form->message();
            form->pressOk();
        }
    });
    poll.start();
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    real.notice(&w, hasBeenLoaded);
    EXPECT_EQ(shownText, hasBeenLoaded);
}

} // namespace

// ---- The IJVM window ----

namespace {

// The names in the stack's frame column, top first: the frames running.
QStringList frameNames(const IjvmWindowView& v) {
    QStringList names;
    for (int32_t r = 0; r < v.rows(IjvmTable::Stack); ++r)
        if (const std::string n = v.cell(IjvmTable::Stack, r, 4); !n.empty())
            names << QString::fromStdString(n);
    return names;
}

// The value of the stack word described as what (top first), or "" when none is.
QString stackValue(const IjvmWindowView& v, const std::string& what) {
    for (int32_t r = 0; r < v.rows(IjvmTable::Stack); ++r)
        if (v.cell(IjvmTable::Stack, r, 3) == what)
            return QString::fromStdString(v.cell(IjvmTable::Stack, r, 2));
    return {};
}

QStringList outputShown(const IjvmWindowView& v) {
    QStringList lines;
    for (int32_t r = 0; r < v.rows(IjvmTable::Output); ++r)
        lines << QString::fromStdString(v.cell(IjvmTable::Output, r, 0) + " " +
                                        v.cell(IjvmTable::Output, r, 1))
                     .trimmed();
    return lines;
}

} // namespace

TEST_F(Window, IjvmWindowFollowsCallsReturnsAndMicroinstructions) {
    MainWindow& w = make();
    const IjvmWindowView& v = w.ijvmWindow().view();
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    auto ijvmStep = [&](int n = 1) {
        for (int i = 0; i < n; ++i) {
            trigger("IJVM1");
            idle();
        }
    };

    // No microprogram: the shipped interpreter is offered, loaded, and the program placed.
    dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/calls.jvm")};
    trigger("openIjvmProgram");
    idle();
    ASSERT_FALSE(dialogs.questions.isEmpty());
    EXPECT_TRUE(dialogs.questions.last().startsWith("No microprogram is loaded"));
    EXPECT_TRUE(w.session().run().loaded());
    EXPECT_TRUE(w.session().ijvm().placed);
    EXPECT_TRUE(editor()->toPlainText().contains("INVOKEVIRTUAL"));
    EXPECT_TRUE(child("ijvmWindow")->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(v.rows(IjvmTable::Stack), 1); // main's object reference
    EXPECT_EQ(v.cell(IjvmTable::ConstantPool, 0, 0), "CPP");
    EXPECT_EQ(v.cell(IjvmTable::MethodArea, 0, 3), "INVOKEVIRTUAL main");

    // Twenty-one steps in, inside times (q counted down once): four frames with their
    // names and values; ILOAD q comes next.
    ijvmStep(21);
    EXPECT_EQ(frameNames(v), (QStringList{"times", "square", "sumsq", "main"}));
    EXPECT_EQ(stackValue(v, "parameter p"), "3");
    EXPECT_EQ(stackValue(v, "parameter q"), "2");
    EXPECT_EQ(stackValue(v, "variable r"), "3");
    // The source shades the instruction PC is on.
    auto* source = child<CodeEditor>("ijvmSourceEditor");
    const auto [start, end] = source->currentSpan();
    ASSERT_GE(start, 0);
    EXPECT_TRUE(source->toPlainText()
                    .mid(start, end - start)
                    .startsWith(QString::fromStdString(v.pcLine()->text).section(' ', 0, 0)));
    EXPECT_EQ(v.cell(IjvmTable::MethodArea, v.pcRow(), 0), "PC");

    // Mic inside an IJVM instruction: the window follows each microinstruction.
    auto stackValues = [&] {
        QStringList values;
        for (int32_t r = 0; r < v.rows(IjvmTable::Stack); ++r)
            values << QString::fromStdString(v.cell(IjvmTable::Stack, r, 2));
        return values;
    };
    std::vector<QStringList> stacks{stackValues()};
    do {
        click(places::micButton.name);
        idle();
        EXPECT_NE(v.registers().find("MPC " + std::to_string(machine().mpc)), std::string::npos);
        stacks.push_back(stackValues());
    } while (machine().mpc != 0 && stacks.size() < 100);
    EXPECT_GT(stacks.size(), 2u);
    EXPECT_NE(stacks.front(), stacks.back()) << "the stack did not change during the instruction";

    // Back out of the calls: the frames go again; the output shows what was printed.
    while (frameNames(v).size() > 1 && machine().mpc != Machine::haltAddress)
        ijvmStep();
    EXPECT_EQ(frameNames(v), QStringList{"main"});
    EXPECT_EQ(outputShown(v), (QStringList{"9", "16"}));

    // Run to the halt.
    trigger("Run2");
    idle();
    EXPECT_EQ(machine().mpc, Machine::haltAddress);
    EXPECT_EQ(outputShown(v), (QStringList{"9", "16", "25"}));
    EXPECT_NE(v.registers().find("halted"), std::string::npos);

    // Reset: the image as it was placed, ready to be watched again.
    click(places::resetButton.name);
    idle();
    EXPECT_EQ(machine().registers[PC], -1);
    EXPECT_TRUE(outputShown(v).isEmpty());
    EXPECT_EQ(v.rows(IjvmTable::Stack), 1);
    ijvmStep(20);
    EXPECT_EQ(frameNames(v), (QStringList{"times", "square", "sumsq", "main"}));
}

TEST_F(Window, IjvmWindowInputOutputDiagnosticsAndAssembling) {
    MainWindow& w = make();
    const IjvmWindowView& v = w.ijvmWindow().view();
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    compileAndLoad(QString::fromUtf8(readBytes(TARVENO_EXAMPLES_DIR "/ijvm.mal")));
    idle();

    // A program with a mistake: its diagnostics listed, a click selects the offending text,
    // and nothing is placed.
    const QString broken = dir.filePath("broken.jvm");
    const QByteArray brokenText = ".main\n        BIPUSH 7\n        FROB 3\n        HALT\n.end-main\n";
    writeBytes(broken, brokenText);
    dialogs.files = {broken};
    trigger("openIjvmProgram");
    idle();
    auto* diagnostics = child<QListWidget>("ijvmDiagnostics");
    ASSERT_GT(diagnostics->count(), 0);
    EXPECT_TRUE(diagnostics->isVisibleTo(&w.ijvmWindow()));
    EXPECT_FALSE(w.session().ijvm().placed);
    EXPECT_EQ(v.rows(IjvmTable::MethodArea), 0);
    diagnostics->setCurrentRow(0);
    emit diagnostics->itemClicked(diagnostics->item(0));
    idle();
    auto* source = child<CodeEditor>("ijvmSourceEditor");
    EXPECT_EQ(source->textCursor().selectedText(), "FROB");

    // Mended in the window and assembled: placed, the file itself untouched until saved.
    source->setPlainText(".main\n        IN\n        DUP\n        OUT\n        HALT\n.end-main\n");
    EXPECT_TRUE(w.session().ijvm().unsaved);
    child<QPushButton>("assembleButton")->click();
    idle();
    EXPECT_TRUE(w.session().ijvm().placed);
    EXPECT_FALSE(diagnostics->isVisibleTo(&w.ijvmWindow()));
    EXPECT_EQ(readBytes(broken), brokenText);
    EXPECT_TRUE(child<QLabel>("ijvmFileName")->text().endsWith("*"));

    // Standard input: a number left in the box goes to the cell; a bad one says so and
    // changes nothing.
    auto* input = child<QLineEdit>("standardInput");
    auto leave = [&](const QString& t) {
        input->setText(t);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(input, &out);
        idle();
    };
    leave("72");
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 72);
    leave("7x");
    EXPECT_EQ(dialogs.captions.last(), "IJVM Error:");
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 72);
    trigger("Run2");
    idle();
    EXPECT_EQ(outputShown(v), QStringList{"72 H"});

    // Saved: the file holds the text, the mark goes.
    child<QPushButton>("ijvmSaveButton")->click();
    idle();
    EXPECT_TRUE(readBytes(broken).contains("DUP"));
    EXPECT_FALSE(w.session().ijvm().unsaved);

    // Changed again, the window does not close without asking about it.
    source->appendPlainText("// more");
    dialogs.choices = {UnsavedChoice::Discard, UnsavedChoice::Cancel};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(dialogs.questions.last().startsWith("The IJVM program \"broken.jvm\" has changes"))
        << dialogs.questions.last().toStdString();
}

// Option > Language > English: no Italian word is left in any window, the pictures' words
// and the IJVM skeleton among them, the engine's messages follow, and the choice is
// remembered; the course texts come back as they were.
TEST_F(Window, EnglishLeavesNoItalianAndTheCourseTextsComeBack) {
    MainWindow& w = make(true);
    showWindow();
    compileAndLoad(QString::fromUtf8(readBytes(TARVENO_EXAMPLES_DIR "/ijvm.mal")));
    ASSERT_TRUE(waitUntil([&] { return w.idle(); }));
    const auto everyText = [&] {
        QStringList texts = clockDiagramTexts();
        QList<QWidget*> widgets = w.findChildren<QWidget*>();
        widgets << &w;
        for (QWidget* c : widgets) {
            if (c != c->window() && !c->isVisibleTo(c->window())) continue;
            texts << c->windowTitle() << c->toolTip() << c->accessibleName();
            if (auto* l = qobject_cast<QLabel*>(c)) texts << l->text();
            if (auto* b = qobject_cast<QAbstractButton*>(c)) texts << b->text();
            // The microprogram is the user's own text; the IJVM editor holds the skeleton.
            if (auto* e = qobject_cast<QPlainTextEdit*>(c); e && e->objectName() == "ijvmSourceEditor")
                texts << e->toPlainText();
            if (auto* m = qobject_cast<QMenu*>(c)) texts << m->title();
            if (auto* list = qobject_cast<QListWidget*>(c))
                for (int i = 0; i < list->count(); ++i)
                    texts << list->item(i)->text();
        }
        for (QAction* a : w.findChildren<QAction*>())
            texts << a->text() << a->toolTip();
        texts << NoticeDialog(1.0).message();
        return texts;
    };
    const QRegularExpression italian(
        "\\b(il|di|del|della|delle|nel|non|per|con|su|ai|usato|caricare|segnali|registri|ciclo|inizio|"
        "calcolano|scritti|risultati|errore|inserire|programma|deve|prima|essere|compilato|caricato|memoria|"
        "metodo|etichetta|Shitter|SubCicle)\\b|[\u00e0\u00e8\u00e9\u00ec\u00f2\u00f9]",
        QRegularExpression::CaseInsensitiveOption);
    const auto italianIn = [&](const QStringList& texts) {
        QStringList found;
        for (const QString& t : texts)
            if (italian.match(t).hasMatch()) found << t;
        return found.join(" | ").toStdString();
    };
    // The skeleton and a diagnostic in the course texts are Italian, as the legend is.
    trigger("Close1");
    const QString typo = dir.filePath("typo.jvm");
    writeBytes(typo, ".main\nBIPUSH x\nGOTO nowhere\n.end-main\n");
    dialogs.files = {typo};
    trigger("openIjvmProgram");
    ASSERT_TRUE(waitUntil([&] { return w.idle(); }));
    EXPECT_NE(italianIn(everyText()), "");
    EXPECT_EQ(child<QPushButton>("BitBtn6")->text(), "SubCicle");

    trigger("languageEnglish");
    EXPECT_EQ(currentLanguage(), Language::English);
    EXPECT_TRUE(child<QAction>("languageEnglish")->isChecked());
    EXPECT_EQ(startLanguage(paths.settings), Language::English);
    EXPECT_EQ(child<QPushButton>("BitBtn6")->text(), "SubCycle");
    // What was shown before is made again in English: the skeleton, the diagnostics.
    trigger("Close1");
    EXPECT_TRUE(
        child<QPlainTextEdit>("ijvmSourceEditor")->toPlainText().contains("skeleton of an IJVM program"));
    EXPECT_EQ(italianIn(everyText()), "");
    dialogs.files = {typo};
    trigger("openIjvmProgram");
    ASSERT_TRUE(waitUntil([&] { return w.idle(); }));
    auto* diagnostics = child<QListWidget>("ijvmDiagnostics");
    ASSERT_EQ(diagnostics->count(), 2);
    EXPECT_EQ(diagnostics->item(0)->text(), "BIPUSH needs a number, not x (method main)");
    EXPECT_EQ(italianIn(everyText()), "");

    trigger("languageCourse");
    EXPECT_EQ(currentLanguage(), Language::Course);
    EXPECT_EQ(child<QPushButton>("BitBtn6")->text(), "SubCicle");
    EXPECT_EQ(clockDiagramTexts().first(), "1.I segnali di controllo si stabilizzano");
    EXPECT_EQ(startLanguage(paths.settings), Language::Course);
}

// IJVM examples print through the window what they print through mic1 (whose test holds
// them to their comments): opened, the input typed, run to the halt.
TEST_F(Window, IjvmExamplesRunInTheWindow) {
    MainWindow& w = make();
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    struct Example {
        const char* file;
        const char* input;
        QStringList output;
    };
    // One after another in one window: each starts from its own image, with its input.
    const Example examples[] = {
        {"countup.jvm", "3", {"1", "2", "3"}},
        {"bignumbers.jvm", "0", {"1000000", "-2147483648", "-876544"}},
        {"letters.jvm", "2", {"66 B", "65 A"}},
    };
    for (const Example& e : examples) {
        dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/") + e.file};
        trigger("openIjvmProgram");
        idle();
        auto* input = child<QLineEdit>("standardInput");
        input->setText(e.input);
        emit input->returnPressed();
        idle();
        trigger("Run2");
        idle();
        EXPECT_EQ(machine().mpc, Machine::haltAddress) << e.file;
        EXPECT_EQ(outputShown(w.ijvmWindow().view()), e.output) << e.file;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

TEST_F(Window, TheIjvmWindowRemembersWhereItStood) {
    MainWindow& w = make();
    w.setLayout(Layout::Classic);
    w.workspace().presentIjvm();
    w.ijvmWindow().setGeometry(300, 200, 700, 500);
    w.ijvmWindow().hide();
    MainWindow second(dialogs, paths);
    second.workspace().presentIjvm();
    EXPECT_EQ(second.ijvmWindow().geometry(), QRect(300, 200, 700, 500));
}

TEST_F(Window, StepBackAfterMicSubCycleAndRunAndABreakpointStopsARun) {
    MainWindow& w = make();
    compileAndLoad(countMal);
    for (int i = 0; i < 8; ++i)
        click("BitBtn1"); // through statement 7: TOS = H + TOS
    // Two phases into statement 8, then back: the state after statement 7, phases restarted.
    click("BitBtn6");
    click("BitBtn6");
    trigger("stepBack");
    EXPECT_EQ(w.session().run().phase(), 0);
    EXPECT_EQ(std::tuple(text("Label1"), text("Label18")), std::tuple(QString("8"), QString("5")));
    trigger("stepBack");
    EXPECT_EQ(std::tuple(text("Label1"), text("Label18")), std::tuple(QString("7"), QString("0")));
    EXPECT_TRUE(selected().contains("TOS = H + TOS"));
    trigger("Run2");
    finishRun();
    EXPECT_EQ(machine().mpc, Machine::haltAddress);
    trigger("stepBack");
    EXPECT_NE(machine().mpc, Machine::haltAddress);

    // A click beside line 20 sets a breakpoint there; a Run stops before it and says so.
    auto* source = child<CodeEditor>("Memo2");
    emit source->gutterClicked(19);
    EXPECT_EQ(source->breakpoints(), std::set<int>{19});
    click("BitBtn4");
    trigger("Run2");
    finishRun();
    EXPECT_EQ(machine().mpc, 7u);
    EXPECT_EQ(w.windowTitle(), "TARVENO - Stopped at the breakpoint on MAL line 20");
    auto* menu = child<QMenu>("breakpointsMenu");
    emit menu->aboutToShow();
    EXPECT_EQ(menu->actions()[0]->text(), "MAL line 20: TOS = H + TOS");
    trigger("clearBreakpoints");
    EXPECT_TRUE(source->breakpoints().empty());
    trigger("Run2");
    finishRun();
    EXPECT_EQ(machine().mpc, Machine::haltAddress);
    EXPECT_EQ(w.windowTitle(), "TARVENO");
}

// While stepping factorial.jvm: the watches name the variables of the frame running, the
// memory dock shows words with the registers' marks and the words each command changed, and
// the timeline reaches every step with the state Step Back gives.
TEST_F(Window, WatchesTheWordViewAndTheTimelineFollowTheSteps) {
    MainWindow& w = make();
    w.setLayout(Layout::Docked);
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/factorial.jvm")};
    trigger("openIjvmProgram");
    idle();
    auto* entry = child<QLineEdit>("watchEntry");
    for (const char* watch : {"n", "k", "-5", "n"}) {
        entry->setText(watch);
        emit entry->returnPressed();
    }
    auto* watches = child<QTableView>("watchList");
    auto cell = [&](int row, int column) { return watches->model()->index(row, column).data().toString(); };
    ASSERT_EQ(watches->model()->rowCount(), 3);
    auto* words = child<QListWidget>("memoryView.ListBox1");
    auto lineOf = [&](const QString& mark) -> QListWidgetItem* {
        for (int i = 0; i < words->count(); ++i)
            if (words->item(i)->text().endsWith(mark)) return words->item(i);
        return nullptr;
    };
    for (int i = 0; i < 6; ++i) {
        trigger("IJVM1");
        idle();
    }
    // In main, after "BIPUSH 0; ISTORE n; ILOAD n; BIPUSH 8": n is 0, k is none of main's.
    EXPECT_EQ(cell(0, 2), "0");
    EXPECT_EQ(cell(1, 1), "not a variable of main");
    // The word pushed last is SP's, marked and highlighted as changed.
    QListWidgetItem* sp = lineOf("<- SP");
    ASSERT_NE(sp, nullptr);
    EXPECT_TRUE(sp->font().bold());
    EXPECT_NE(sp->background().color(), QColor(Qt::white));
    EXPECT_EQ(sp->background().style(), Qt::SolidPattern);

    auto* timeline = child<QSlider>("timelineSlider");
    const uint64_t steps = w.session().run().counts().micro;
    EXPECT_EQ(std::tuple(timeline->maximum(), timeline->value()), std::tuple(int(steps), int(steps)));
    auto regs = [&] {
        return std::vector<int32_t>(machine().registers, machine().registers + RegisterCount);
    };
    trigger("Mic1");
    const auto afterMic = regs();
    trigger("Mic1");
    trigger("stepBack");
    EXPECT_EQ(regs(), afterMic);
    // The timeline: the first step, the last, and one between as Step Back left it.
    timeline->setValue(0);
    ASSERT_TRUE(waitUntil([&] { return w.session().run().counts().micro == 0 && w.idle(); }));
    EXPECT_EQ(child<QLabel>("timelineStep")->text(), QString("step 0 of %1").arg(steps + 2));
    EXPECT_EQ(cell(0, 1), "no method runs here (between two instructions of a call or a return)");
    timeline->setValue(timeline->maximum());
    ASSERT_TRUE(waitUntil([&] { return w.session().run().counts().micro == steps + 2 && w.idle(); }));
    timeline->setValue(int(steps + 1));
    ASSERT_TRUE(waitUntil([&] { return w.session().run().counts().micro == steps + 1 && w.idle(); }));
    EXPECT_EQ(regs(), afterMic);
    // A Run to the halt: main has returned, the output cell holds the last value printed.
    trigger("Run2");
    finishRun();
    idle();
    EXPECT_EQ(cell(0, 1), "no frame: main has not begun, or has returned");
    EXPECT_EQ(cell(2, 2), "5040");
    EXPECT_EQ(timeline->value(), timeline->maximum());
    // Delete removes the watch chosen.
    watches->setFocus();
    watches->selectRow(1);
    QTest::keyClick(watches, Qt::Key_Delete);
    EXPECT_EQ(watches->model()->rowCount(), 2);
    // Go to Step asks for the step by number.
    dialogs.inputs = {"7"};
    trigger("goToStep");
    ASSERT_TRUE(waitUntil([&] { return w.session().run().counts().micro == 7 && w.idle(); }));
}

// Run > Test Suite... runs mic1 test on the microprogram loaded in the background; its
// verdicts are mic1's own, and a failing test's program is placed to be stepped.
TEST_F(Window, ATestSuiteRunsFromTheWindowAndPlacesAFailingTest) {
    MainWindow& w = make();
    // An interpreter whose IADD subtracts.
    QString broken = QString::fromUtf8(readBytes(TARVENO_EXAMPLES_DIR "/ijvm.mal"));
    broken.replace("MDR = TOS = MDR + H; WR; GOTO MAIN       // 257",
                   "MDR = TOS = MDR - H; WR; GOTO MAIN       // 257");
    const QString interpreter = dir.filePath("broken.mal");
    writeBytes(interpreter, broken.toUtf8());
    dialogs.files = {interpreter};
    trigger("MicroProgram1");
    ASSERT_TRUE(w.session().run().loaded());
    const QString suite = TARVENO_EXAMPLES_DIR "/tests/arithmetic.toml";
    dialogs.files = {suite};
    trigger("runTestSuite");
    ASSERT_TRUE(waitUntil([&] { return !w.suiteRunning(); }));
    TestSuiteWindow* results = w.testSuiteWindow();
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    const SuiteReport& shown = results->report();
    ASSERT_TRUE(shown.read);

    QProcess mic1;
    mic1.start(MIC1_PATH, {"test", interpreter, suite, "--json"});
    ASSERT_TRUE(mic1.waitForFinished(60000));
    const QByteArray json = mic1.readAllStandardOutput();
    const SuiteReport direct = readSuiteReport(std::string_view(json.constData(), size_t(json.size())));
    ASSERT_EQ(shown.tests.size(), direct.tests.size());
    for (size_t i = 0; i < shown.tests.size(); ++i) {
        const TestRow &a = shown.tests[i], &b = direct.tests[i];
        EXPECT_EQ(std::tuple(a.name, a.verdict, a.steps, a.reason),
                  std::tuple(b.name, b.verdict, b.steps, b.reason));
    }
    EXPECT_EQ(shown.summary(), direct.summary());
    EXPECT_GT(shown.failed, 0u);

    // Enter on the first failing test (chosen already) places its program and its input.
    auto* list = child<QTableView>("testSuiteResults");
    const size_t row = static_cast<size_t>(list->currentIndex().row());
    ASSERT_TRUE(shown.tests[row].failed() && shown.tests[row].program);
    const TestProgram test = *shown.tests[row].program;
    list->setFocus();
    emit list->activated(list->currentIndex());
    ASSERT_TRUE(waitUntil([&] { return w.idle(); }));
    EXPECT_TRUE(w.session().ijvm().placed);
    EXPECT_EQ(child<QPlainTextEdit>("ijvmSourceEditor")->toPlainText().toStdString(),
              test.source.value_or("?"));
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), test.input);
    EXPECT_TRUE(w.ijvmWindow().isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

// Help > MAL Reference, IJVM Reference and Tutorial show their page in one Help window,
// whose search box finds a text, from the top again after the last.
TEST_F(Window, TheHelpPagesShowAndTheirSearchFinds) {
    make();
    trigger("ijvmReference");
    auto* help = child<QWidget>("helpWindow");
    EXPECT_TRUE(help->isVisible());
    auto* text = child<QTextBrowser>("helpText");
    EXPECT_TRUE(text->toPlainText().startsWith("IJVM Reference"));
    EXPECT_TRUE(text->toPlainText().contains("INVOKEVIRTUAL"));
    trigger("malReference");
    EXPECT_TRUE(text->toPlainText().startsWith("MAL Reference"));
    EXPECT_EQ(child<QComboBox>("helpPageBox")->currentText(), "MAL Reference");
    auto* search = child<QLineEdit>("helpSearch");
    search->setText("goto (mbr)");
    emit search->returnPressed();
    const int first = text->textCursor().selectionStart();
    EXPECT_EQ(text->textCursor().selectedText().toUpper(), "GOTO (MBR)");
    emit search->returnPressed();
    EXPECT_GT(text->textCursor().selectionStart(), first);
    for (int i = 0; i < 100 && text->textCursor().selectionStart() != first; ++i)
        emit search->returnPressed();
    EXPECT_EQ(text->textCursor().selectionStart(), first); // from the top again
    search->setText("no such text anywhere");
    emit search->returnPressed();
    EXPECT_EQ(child<QLabel>("helpSearchNote")->text(), "Not found");
    child<QComboBox>("helpPageBox")->setCurrentIndex(2);
    EXPECT_TRUE(text->toPlainText().startsWith("Tutorial"));
    EXPECT_TRUE(text->toPlainText().contains(".instruction INEG 0x74"));
    trigger("tutorial");
    EXPECT_EQ(window->findChildren<HelpWindow*>().size(), 1);
}

TEST_F(Window, IjvmStepBackAndAnIjvmBreakpoint) {
    MainWindow& w = make();
    const IjvmWindowView& v = w.ijvmWindow().view();
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/calls.jvm")};
    trigger("openIjvmProgram");
    idle();
    auto regs = [&] {
        return std::tuple(machine().mpc,
                          std::vector<int32_t>(machine().registers, machine().registers + RegisterCount));
    };
    std::vector<decltype(regs())> after;
    for (int i = 0; i < 21; ++i) {
        trigger("IJVM1");
        idle();
        after.push_back(regs());
    }
    trigger("ijvmStepBack");
    EXPECT_EQ(regs(), after[19]);
    // The key works in the IJVM window too.
    w.ijvmWindow().activateWindow();
    QTest::keyClick(&w.ijvmWindow(), Qt::Key_F8, Qt::ShiftModifier);
    idle();
    EXPECT_EQ(regs(), after[18]);
    EXPECT_EQ(frameNames(v), (QStringList{"times", "square", "sumsq", "main"}));

    // A breakpoint beside main's last OUT: a Run stops before it, after 9 and 16.
    click(places::resetButton.name);
    emit child<CodeEditor>("ijvmSourceEditor")->gutterClicked(20);
    trigger("Run2");
    idle();
    EXPECT_EQ(machine().mpc, 0u);
    ASSERT_NE(v.pcLine(), nullptr);
    EXPECT_EQ(v.pcLine()->text, "OUT");
    EXPECT_EQ(outputShown(v), (QStringList{"9", "16"}));
    EXPECT_EQ(child<QLabel>("ijvmStatus")->text(), "Stopped at the breakpoint on IJVM line 21");
    trigger("Run2");
    idle();
    EXPECT_EQ(outputShown(v), (QStringList{"9", "16", "25"}));
}

// The counts of factorial.jvm in the window are those mic1 prints; the trace of the last
// microinstructions is exported without moving the machine.
TEST_F(Window, CountsAreMic1sAndTheTraceExports) {
    MainWindow& w = make();
    auto idle = [&] { ASSERT_TRUE(waitUntil([&] { return w.idle(); })); };
    const QString program = QString(TARVENO_EXAMPLES_DIR "/factorial.jvm");
    dialogs.files = {program};
    trigger("openIjvmProgram");
    idle();
    trigger("Run2");
    idle();

    QProcess mic1;
    mic1.start(MIC1_PATH, {"run", TARVENO_EXAMPLES_DIR "/ijvm.mal", "--ijvm", program, "--stats"});
    ASSERT_TRUE(mic1.waitForFinished(30000));
    QStringList printed;
    for (const QString& line : QString::fromUtf8(mic1.readAllStandardOutput()).split('\n'))
        if (line.startsWith("0x") || line.startsWith("EXECUTED"))
            printed << line.section(' ', line.startsWith("0x"));
    const IjvmWindowView& v = w.ijvmWindow().view();
    const ExecutionCounts& counts = w.session().run().counts();
    QStringList shown{QString("EXECUTED MICRO=%1 IJVM=%2").arg(counts.micro).arg(counts.ijvm)};
    for (int32_t r = 0; r < v.rows(IjvmTable::Counts); ++r) {
        auto cell = [&](int c) { return QString::fromStdString(v.cell(IjvmTable::Counts, r, c)); };
        shown << QString("%1 COUNT=%2 MICRO=%3 AVERAGE=%4").arg(cell(0), cell(1), cell(2), cell(3));
    }
    EXPECT_EQ(shown, printed);

    // Cancelled, nothing is asked further; a name without an extension gets ".csv".
    dialogs.inputs = {"(cancel)", "5"};
    const size_t fileQuestions = dialogs.fileSetups.size();
    trigger("exportTrace");
    EXPECT_EQ(dialogs.fileSetups.size(), fileQuestions);
    dialogs.files = {dir.filePath("trace")};
    const uint64_t micro = counts.micro;
    trigger("exportTrace");
    idle();
    const QStringList csv =
        QString::fromUtf8(readBytes(dir.filePath("trace.csv"))).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(csv.size(), 6);
    EXPECT_EQ(csv[0], "step,address,statement,written,memory,n,z");
    EXPECT_TRUE(csv[5].startsWith(QString::number(micro) + ",")) << csv[5].toStdString();
    EXPECT_EQ(machine().mpc, Machine::haltAddress);
    EXPECT_EQ(w.session().run().counts().micro, micro);
}

// ---- Layouts, fitting the screen, the keyboard ----

namespace {

// What a student sees after the same commands: the readouts, the IJVM stack and the output.
QStringList seenAfterCommands(Window& t, MainWindow& w) {
    auto idle = [&] { EXPECT_TRUE(waitUntil([&] { return w.idle(); })); };
    t.dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/calls.jvm")};
    t.trigger("openIjvmProgram"); // the interpreter offered and loaded
    idle();
    for (int i = 0; i < 12; ++i) {
        t.trigger("IJVM1");
        idle();
    }
    t.trigger("Mic1");
    t.trigger("stepBack");
    t.trigger("ijvmStepBack");
    emit t.child<CodeEditor>("ijvmSourceEditor")->gutterClicked(20);
    t.trigger("Run2");
    idle();
    QStringList seen;
    for (const char* name : {"Label1", "Label11", "Label15", "Label16", "Label18", "Label27"})
        seen << t.text(name);
    const IjvmWindowView& v = w.ijvmWindow().view();
    for (int32_t r = 0; r < v.rows(IjvmTable::Stack); ++r)
        seen << QString::fromStdString(v.cell(IjvmTable::Stack, r, 2) + " " + v.cell(IjvmTable::Stack, r, 3));
    t.trigger("Reset1");
    seen << t.text("Label13") << QString::number(v.rows(IjvmTable::Output));
    return seen;
}

} // namespace

TEST_F(Window, BothLayoutsShowTheSameAndTheDocksAreRemembered) {
    MainWindow& classic = make();
    classic.setLayout(Layout::Classic);
    const QStringList inClassic = seenAfterCommands(*this, classic);
    EXPECT_EQ(inClassic.first(), "0"); // stopped at the breakpoint, between two instructions
    EXPECT_TRUE(classic.ijvmWindow().isVisible());
    window.reset();

    MainWindow& docked = make();
    docked.setLayout(Layout::Docked);
    EXPECT_EQ(seenAfterCommands(*this, docked), inClassic);
    EXPECT_FALSE(docked.ijvmWindow().isVisible());
    auto* stackDock = docked.findChild<QDockWidget*>("ijvmStackDock");
    ASSERT_NE(stackDock, nullptr);
    EXPECT_FALSE(stackDock->isHidden());
    EXPECT_EQ(stackDock->widget()->findChild<QTableView*>("stackView"), child<QTableView>("stackView"));

    // The docks as the user left them come back with the next window, in the same layout.
    docked.findChild<QDockWidget*>("ijvmCountsDock")->hide();
    docked.close();
    window.reset();
    MainWindow& again = make();
    EXPECT_EQ(again.workspace().layout(), Layout::Docked);
    EXPECT_TRUE(again.findChild<QDockWidget*>("ijvmCountsDock")->isHidden());
    EXPECT_FALSE(again.findChild<QDockWidget*>("microprogramDock")->isHidden());
    trigger("resetLayout");
    EXPECT_FALSE(again.findChild<QDockWidget*>("ijvmCountsDock")->isHidden());
    // Back to Classic: the editor in its place again, the report below it in the same area.
    trigger("layoutClassic");
    EXPECT_EQ(editor()->parentWidget()->objectName(), "editorArea");
    EXPECT_EQ(child("editorArea")->geometry(), QRect(358, 56, 425, 193));
}

TEST_F(Window, TheKeyboardReachesTheCommands) {
    MainWindow& w = make();
    showWindow();
    // Ctrl+B compiles and loads, whatever has the focus; the menus open by their letters.
    editor()->setFocus();
    type(countMal);
    QTest::keyClick(editor(), Qt::Key_B, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(w.session().run().loaded());
    // F3 opens a microprogram.
    dialogs.files = {std::nullopt};
    QTest::keyClick(&w, Qt::Key_F3);
    ASSERT_FALSE(dialogs.fileSetups.empty());
    EXPECT_EQ(dialogs.fileSetups.back().title, "Open mal File");
    QTest::keyClick(&w, Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    EXPECT_EQ(QApplication::activePopupWidget(), child<QMenu>("Run1"));
    QApplication::activePopupWidget()->close();
    // Tab types a tab in the editor (at its end here); Ctrl+Tab leaves it. Escape in the
    // report goes back.
    editor()->setFocus();
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(editor(), Qt::Key_Tab);
    EXPECT_TRUE(editor()->toPlainText().contains('\t'));
    QTest::keyClick(editor(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(QApplication::focusWidget(), editor());
    auto* report = child<QPlainTextEdit>("Memo3");
    report->setFocus();
    QTest::keyClick(report, Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), editor());
    // A button takes the focus and Enter presses it.
    auto* mic = child<QPushButton>("BitBtn1");
    mic->setFocus();
    const uint32_t before = machine().microCounter;
    QTest::keyClick(mic, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return machine().microCounter == before + 1; }));
    // Go to Line and Find move in the editor.
    dialogs.inputs = {"8", "TOS = H"};
    trigger("goToLine");
    EXPECT_EQ(editor()->textCursor().blockNumber(), 7);
    trigger("find");
    EXPECT_EQ(selected(), "TOS = H");
    EXPECT_EQ(editor()->textCursor().blockNumber(), 10); // in the comment that names it first
    // Every readout is read out by its name and value.
    EXPECT_EQ(child("Label11")->accessibleName(), "MAR " + text("Label11"));
}

// The windows lie inside the screen's available area, at any size a student meets: after
// an IJVM program is opened with its interpreter, and when zoomed (the client scrolls).
// CTest runs this on a screen of each size.
using WindowFit = Window;
TEST_F(WindowFit, EveryWindowLiesInsideTheScreen) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (Layout layout : {Layout::Classic, Layout::Docked}) {
        SCOPED_TRACE(layout == Layout::Classic ? "classic" : "docked");
        window.reset();
        MainWindow& w = make();
        w.setLayout(layout);
        showWindow();
        dialogs.files = {QString(TARVENO_EXAMPLES_DIR "/calls.jvm")};
        trigger("openIjvmProgram");
        ASSERT_TRUE(waitUntil([&] { return w.idle(); }));
        EXPECT_TRUE(available.contains(w.frameGeometry())) << available.width() << "x" << available.height();
        if (layout == Layout::Classic) {
            EXPECT_TRUE(w.ijvmWindow().isVisible());
            EXPECT_TRUE(available.contains(w.ijvmWindow().frameGeometry()))
                << w.ijvmWindow().frameGeometry().x() << "," << w.ijvmWindow().frameGeometry().y() << " "
                << w.ijvmWindow().frameGeometry().width() << "x" << w.ijvmWindow().frameGeometry().height()
                << " main " << w.frameGeometry().x() << "," << w.frameGeometry().width() << " min "
                << w.ijvmWindow().minimumSizeHint().width();
            EXPECT_LE(w.ijvmWindow().minimumSizeHint().width(), 600);
            // Beside the main window where the screen has room for it.
            if (available.width() >= 1366) {
                EXPECT_FALSE(w.ijvmWindow().frameGeometry().intersects(w.frameGeometry()));
            }
        }
        for (int i = 0; i < 3; ++i)
            trigger("zoomIn");
        EXPECT_TRUE(available.contains(w.frameGeometry()));
        auto* scroll = child<QScrollArea>("clientScroll");
        EXPECT_GE(scroll->horizontalScrollBar()->maximum() + scroll->viewport()->width(),
                  child("client")->width());
    }
}
