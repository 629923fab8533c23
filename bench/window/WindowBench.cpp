// Times the workbench window on the offscreen platform and prints medians of repeated runs:
// start-up to the Info dialog, a Mic press with its full refresh, a Compile and Load of 512
// statements with the checker program, a Run of 100 M microinstructions and a Step Back at its
// end (back), and the process's CPU while a sub-cycle flow waits out its pauses. The IJVM window: its refresh
// after an F8 step with 100,000 stack words and a 64 KB method area (ijvm-views), a Run of fibonacci.jvm on
// the shipped interpreter (ijvm-run, 230 M microinstructions), and File > Open > IJVM Program... of a
// 5,000-line program until its views are drawn (ijvm-open). Not a test: it measures and prints,
// and judges nothing.
//
// Usage: tarveno_window_bench [startup|mic|compile|run|back|flow|ijvm-views|ijvm-run|ijvm-open] [REPEATS]
//                                                                          (all when no mode)
//        tarveno_window_bench info-exit      starts the window and exits when Info is asked for
//        tarveno_window_bench run-once       one Run of bench/countdown.mal in the window
//        tarveno_window_bench ijvm-run-once  start-up, the interpreter loaded, fibonacci.jvm placed,
//                                            a breakpoint set where it never stops, and run once
//                                            with the input 30; the whole process compares with:
//                                            mic1 run examples/ijvm.mal --ijvm
//                                            examples/fibonacci.jvm --stdin 30 --max-steps 0
//        tarveno_window_bench ijvm-load-once the same up to the Run, without it (bench/ratios.sh
//                                            takes it off, to compare the Runs alone)

#include "AnsweringDialogs.h"
#include "ui/DatapathDrawing.h"
#include "ui/Host.h"
#include "ui/IjvmWindow.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

using namespace tarveno::ui;
using tarveno::Machine;
using tarveno::Session;

const char* const countMal = TARVENO_EXAMPLES_DIR "/count.mal";
const char* const fibonacciJvm = TARVENO_EXAMPLES_DIR "/fibonacci.jvm";
// fibonacci.jvm's input for a Run: 230 M microinstructions, about 1.5 s; it prints 832040.
constexpr int fibonacciInput = 30;
constexpr int32_t fibonacciOutput = 832040;
const char* const countdownMal = TARVENO_BENCH_DIR "/countdown.mal";
// The first count of bench/countdown.mal: about 100 M microinstructions to the halt address.
constexpr int32_t countdownStart = 99999996;
// Where a spawned start-up run finds the moment it was spawned at.
const char* const spawnedVariable = "TARVENO_BENCH_SPAWNED_NS";

int64_t nowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// User and system time of the whole process, every thread included.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

void report(const char* what, const char* unit, std::vector<double> v) {
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    std::printf("%-46s median %10.3f %s  (min %.3f, max %.3f, n=%zu)\n", what, median, unit, v.front(),
                v.back(), n);
    std::fflush(stdout);
}

// Pictures that draw nothing and finish every flow at once: the refresh without its painting.
struct NoPictures : QObject, DatapathDrawing {
    using QObject::QObject;
    void bLine(uint32_t) override {}
    void cLines(uint32_t) override {}
    void shiftAndJmpcMarks(uint32_t) override {}
    void nAndZMarks(bool, bool) override {}
    bool abFlow(uint32_t, int, std::function<void()>) override { return true; }
    bool cFlow(uint32_t, int, std::function<void()>) override { return true; }
    void finishFlow() override {}
    void clockRepaint() override {}
    void clockMark(int) override {}
    void setZoom(double) override {}
};

// A shown window with a copy of source opened, compiled and loaded; with no source, nothing
// is loaded, and File > Open > IJVM Program... offers the shipped interpreter.
struct LoadedWindow {
    QTemporaryDir dir;
    AnsweringDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    explicit LoadedWindow(bool realPictures, const QString& source = {}) {
        HostPaths paths = defaultHostPaths();
        paths.checker = QUORC_PATH;
        paths.report = dir.filePath("report");
        paths.swapFile = dir.filePath("swap");
        paths.unnamedFile = dir.filePath("tmp.mal");
        paths.cacheFolder = dir.path(); // the shipped interpreter's microprogram file
        paths.settings.clear();         // the IJVM window opens where it always does
        const MainWindow::PicturesFactory none = [](QWidget* parent) { return new NoPictures(parent); };
        window =
            std::make_unique<MainWindow>(dialogs, paths, realPictures ? MainWindow::PicturesFactory{} : none);
        window->show();
        if (source.isEmpty()) return;
        // A copy, so that the program's own .bin is not written.
        dialogs.file = dir.filePath(QFileInfo(source).fileName());
        QFile::copy(source, dialogs.file);
        trigger("MicroProgram1");
        click("BitBtn5");
        waitDrawn();
        if (!window->session().run().loaded()) {
            std::fprintf(stderr, "%s was not loaded\n", qPrintable(source));
            std::exit(1);
        }
    }
    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    void trigger(const char* name) { window->findChild<QAction*>(name)->trigger(); }
    // Until the command's checker has ended and its refresh is drawn.
    void waitDrawn() {
        while (!window->idle())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // The events a command left behind, the readouts' repaint among them, as the event
    // loop would take them before the user's next press.
    void settle() { QCoreApplication::processEvents(); }
    Machine& machine() { return const_cast<Machine&>(window->session().workbench().machine()); }
    void resetAtHalt() {
        if (window->session().run().phase() != 0 || machine().mpc != Machine::haltAddress) return;
        click("BitBtn4");
        waitDrawn();
    }
    // File > Open > IJVM Program... with program, until its views are drawn.
    void openIjvm(const QString& program) {
        dialogs.file = program;
        trigger("openIjvmProgram");
        waitDrawn();
        settle();
        if (!window->session().ijvm().placed) {
            std::fprintf(stderr, "%s was not placed\n", qPrintable(program));
            std::exit(1);
        }
    }
};

// Exits when the window asks for the Info dialog, printing the milliseconds since the spawn
// (when spawned by the startup mode) and since main's first line.
int infoExit(int64_t mainNs, int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarveno");
    AnsweringDialogs dialogs;
    dialogs.onInfo = [mainNs] {
        const int64_t now = nowNs();
        if (const char* spawned = std::getenv(spawnedVariable))
            std::printf("%.3f %.3f\n", (now - std::atoll(spawned)) / 1e6, (now - mainNs) / 1e6);
        std::fflush(stdout);
        std::_Exit(0);
    };
    MainWindow window(dialogs, defaultHostPaths());
    return 1; // the Info dialog was not asked for
}

// Spawns this program in info-exit mode, runs times, and reads what each run printed.
void benchStartup(int runs) {
    std::vector<double> fromSpawn, fromMain;
    for (int i = 0; i < runs; ++i) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char self[] = "/proc/self/exe", mode[] = "info-exit";
        char* args[] = {self, mode, nullptr};
        setenv(spawnedVariable, std::to_string(nowNs()).c_str(), 1);
        pid_t pid = 0;
        const int failed = posix_spawn(&pid, self, &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string text;
        char buffer[256];
        for (ssize_t n; !failed && (n = read(out[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        close(out[0]);
        if (!failed) waitpid(pid, nullptr, 0);
        double spawnMs = 0, mainMs = 0;
        if (std::sscanf(text.c_str(), "%lf %lf", &spawnMs, &mainMs) != 2) {
            std::fprintf(stderr, "a start-up run printed no times\n");
            return;
        }
        fromSpawn.push_back(spawnMs);
        fromMain.push_back(mainMs);
    }
    unsetenv(spawnedVariable);
    report("start-up to Info, from the spawn", "ms", fromSpawn);
    report("start-up to Info, from main's first line", "ms", fromMain);
}

// Mic presses on count.mal, Reset at the halt address: the time until click() returns,
// and until the refresh is drawn (the same without pictures: nothing there waits).
void benchMic(bool realPictures, int presses) {
    LoadedWindow w(realPictures, countMal);
    std::vector<double> returned, drawn;
    for (int i = 0; i < presses; ++i) {
        w.resetAtHalt();
        w.settle();
        const int64_t t0 = nowNs();
        w.click("BitBtn1");
        const int64_t t1 = nowNs();
        w.waitDrawn();
        const int64_t t2 = nowNs();
        returned.push_back((t1 - t0) / 1e3);
        drawn.push_back((t2 - t0) / 1e3);
    }
    if (!realPictures) {
        report("Mic press, no pictures: until click() returns", "us", returned);
        return;
    }
    report("Mic press, pictures: until click() returns", "us", returned);
    report("Mic press, pictures: until drawing() is false", "us", drawn);
}

// Seconds of one Run of countdown from Reset, with the word at address 0 written after the
// compile as the command line's --mem does, until the Run has ended and its refresh is drawn.
double timedRun(LoadedWindow& w) {
    w.click("BitBtn4");
    w.waitDrawn();
    w.machine().memoryWord(0) = countdownStart;
    w.settle();
    const int64_t t0 = nowNs();
    w.trigger("Run2");
    while (w.window->session().run().running() || w.window->drawing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const int64_t t1 = nowNs();
    if (w.machine().mpc != Machine::haltAddress) std::fprintf(stderr, "the Run did not halt\n");
    return (t1 - t0) / 1e9;
}

// Step Back at the end of a Run of 100 M microinstructions: from the press until the
// refresh is drawn, several presses in a row.
void benchStepBack(int runs) {
    LoadedWindow w(true, countdownMal);
    timedRun(w);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const int64_t t0 = nowNs();
        w.trigger("stepBack");
        w.waitDrawn();
        seconds.push_back((nowNs() - t0) / 1e9);
    }
    std::printf("stepped back to %llu microinstructions\n",
                static_cast<unsigned long long>(w.window->session().run().counts().micro));
    report("Step Back after a Run of 100 M, until drawn", "s", seconds);
}

// Compile and Load of a changed 512-statement program, the checker program included: from
// the press until the refresh is drawn.
void benchCompile(int runs) {
    QTemporaryDir dir;
    QString source;
    for (int i = 0; i < 511; ++i)
        source += QString("S%1 MDR = TOS = H = H + 1; WR; GOTO S%2\n").arg(i).arg(i + 1);
    source += "S511 H = 0; GOTO S0\n";
    const QString file = dir.filePath("long.mal");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return;
    out.write(source.toUtf8());
    out.close();
    LoadedWindow w(false, file);
    auto* editor = w.window->findChild<QPlainTextEdit*>("Memo2");
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        editor->document()->setModified(true); // a change: the text is saved and compiled
        w.settle();
        const int64_t t0 = nowNs();
        w.click("BitBtn5");
        w.waitDrawn();
        ms.push_back((nowNs() - t0) / 1e6);
        if (!w.window->session().run().loaded()) std::fprintf(stderr, "the long program was not loaded\n");
    }
    report("Compile and Load of 512 statements, checker included", "ms", ms);
}

void benchRun(int runs) {
    LoadedWindow w(true, countdownMal);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i)
        seconds.push_back(timedRun(w));
    std::printf("Run of countdown: %u microinstructions\n", w.machine().microCounter);
    report("Run in the window, until drawn", "s", seconds);
}

// The process's CPU over the wall time while the flows of the sub-cycle phases are drawn,
// from the moment a press returns with its flow started until the flow's end; one round
// is every phase of instructions microinstructions.
void benchFlow(int rounds, int instructions = 8) {
    LoadedWindow w(true, countMal);
    std::vector<double> percent, wallPerRound;
    for (int r = 0; r < rounds; ++r) {
        double cpu = 0, wall = 0;
        for (int press = 0; press < 4 * instructions; ++press) {
            w.resetAtHalt();
            w.settle();
            w.click("BitBtn6");
            if (!w.window->drawing()) continue; // nothing waits in this phase
            const double c0 = cpuSeconds();
            const int64_t t0 = nowNs();
            w.waitDrawn();
            cpu += cpuSeconds() - c0;
            wall += (nowNs() - t0) / 1e9;
        }
        percent.push_back(100 * cpu / wall);
        wallPerRound.push_back(wall);
    }
    report("flow waiting: wall time per round", "s", wallPerRound);
    report("flow waiting: process CPU, % of one core", "%", percent);
}

// ---- The IJVM window ----

QString writeText(const QTemporaryDir& dir, const char* name, const std::string& text) {
    const QString file = dir.filePath(name);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), static_cast<qint64>(text.size())) < 0) {
        std::fprintf(stderr, "%s could not be written\n", qPrintable(file));
        std::exit(1);
    }
    return file;
}

// down(n) calls itself until n is 0, then loops there for ever; each frame is 4 words (the
// link, n, the saved LV and PC), so depth frames make a stack of 4 * depth words. pad is
// never called: BIPUSH and POP pairs fill the method area to padBytes.
std::string deepProgram(int depth, int padBytes) {
    std::string s = ".constant\ndepth " + std::to_string(depth) + "\n.end-constant\n";
    s += ".main\n"
         "        BIPUSH 0\n"
         "        LDCW depth\n"
         "        INVOKEVIRTUAL down\n"
         "        HALT\n"
         ".end-main\n"
         ".method down(n)\n"
         "        ILOAD n\n"
         "        IFEQ bottom\n"
         "        BIPUSH 0\n"
         "        ILOAD n\n"
         "        BIPUSH 1\n"
         "        ISUB\n"
         "        INVOKEVIRTUAL down\n"
         "        IRETURN\n"
         "bottom: BIPUSH 1\n"
         "        POP\n"
         "        GOTO bottom\n"
         ".end-method\n"
         ".method pad()\n";
    for (int bytes = 0; bytes + 3 <= padBytes; bytes += 3)
        s += "        BIPUSH 1\n        POP\n";
    s += "        IRETURN\n.end-method\n";
    return s;
}

// lines lines of methods as a student writes them: constants, variables, loops over labels,
// calls between the methods.
std::string longProgram(int lines) {
    constexpr int blocks = 10, constants = 14;
    const int methods = (lines - constants - 21) / (blocks * 9 + 13);
    std::string s;
    auto line = [&s](std::initializer_list<std::string_view> words) {
        for (std::string_view w : words)
            s += w;
        s += '\n';
    };
    line({".constant"});
    for (int k = 0; k < constants; ++k)
        line({"k", std::to_string(k), " ", std::to_string(1000 + 37 * k)});
    line({".end-constant"});
    line({".main"});
    line({".var"});
    line({"total"});
    line({".end-var"});
    for (int m = 0; m < 3; ++m) {
        line({"        BIPUSH 0"});
        line({"        BIPUSH 5"});
        line({"        INVOKEVIRTUAL m", std::to_string(m)});
        line({"        ISTORE total"});
    }
    line({"        ILOAD total"});
    line({"        HALT"});
    line({".end-main"});
    for (int m = 0; m < methods; ++m) {
        line({".method m", std::to_string(m), "(n)"});
        line({".var"});
        line({"x"});
        line({"y"});
        line({".end-var"});
        for (int b = 0; b < blocks; ++b) {
            const std::string n = std::to_string(b), k = std::to_string((m + b) % constants);
            line({"l", n, ":  ILOAD n"});
            line({"        IFEQ e", n});
            line({"        ILOAD x"});
            line({"        LDCW k", k});
            line({"        IADD"});
            line({"        ISTORE x"});
            line({"        IINC n -1"});
            line({"        GOTO l", n});
            line({"e", n, ":  IINC y 1"});
        }
        line({"        BIPUSH 0"});
        line({"        ILOAD y"});
        line({"        IFEQ out"});
        line({"        INVOKEVIRTUAL m", std::to_string(m + 1 < methods ? m + 1 : m)});
        line({"        IRETURN"});
        line({"out:    ILOAD x"});
        line({"        IRETURN"});
        line({".end-method"});
    }
    for (auto n = std::count(s.begin(), s.end(), '\n'); n < lines; ++n)
        line({"// the end"});
    return s;
}

// Words from the stack base to SP, as the stack view counts them.
int64_t stackWords(LoadedWindow& w) {
    const Machine& m = w.machine();
    return int64_t{m.registers[tarveno::SP]} - m.registers[tarveno::CPP] -
           w.window->session().workbench().ijvmProgram().poolWords() + 1;
}

// The IJVM window's refresh after an F8 step, 100,000 stack words deep in a 64 KB method
// area: refresh() with the models' reset, then one repaint of the whole window.
void benchIjvmViews(int steps) {
    // 47 bytes: the opening call, three headers, main's and down's code, and pad's IRETURN.
    constexpr int depth = 25000, padBytes = 64 * 1024 - 47;
    QTemporaryDir dir;
    LoadedWindow w(true);
    w.openIjvm(writeText(dir, "deep.jvm", deepProgram(depth, padBytes)));
    // A Run down to the bottom of the recursion, then Escape.
    w.trigger("Run2");
    while (w.window->session().run().running() && stackWords(w) < 4 * depth)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    w.window->ijvmWindow().stop();
    w.waitDrawn();
    if (stackWords(w) < 4 * depth) {
        std::fprintf(stderr, "the Run ended %lld words deep\n", static_cast<long long>(stackWords(w)));
        std::exit(1);
    }
    IjvmWindow& ijvm = w.window->ijvmWindow();
    Session& session = w.window->session();
    std::vector<double> step, refresh, repaint, both;
    for (int i = 0; i < steps; ++i) {
        w.settle();
        const int64_t t0 = nowNs();
        w.trigger("IJVM1");
        w.waitDrawn();
        const int64_t t1 = nowNs();
        w.settle();
        const int64_t t2 = nowNs();
        ijvm.refresh(session);
        const int64_t t3 = nowNs();
        ijvm.repaint();
        const int64_t t4 = nowNs();
        step.push_back((t1 - t0) / 1e6);
        refresh.push_back((t3 - t2) / 1e6);
        repaint.push_back((t4 - t3) / 1e6);
        both.push_back((t4 - t2) / 1e6);
    }
    const IjvmWindowView& v = ijvm.view();
    std::printf("IJVM views: %d stack words in %d frames, %d method-area rows of %d bytes\n",
                v.rows(IjvmTable::Stack), v.frameOf(0) + 1, v.rows(IjvmTable::MethodArea),
                session.workbench().ijvmProgram().methodAreaSize());
    report("F8 step until idle, both windows", "ms", step);
    report("IJVM window refresh()", "ms", refresh);
    report("IJVM window repaint()", "ms", repaint);
    report("IJVM window refresh() and repaint()", "ms", both);
}

// A window with the shipped interpreter loaded (as File > Open > IJVM Program... offers it)
// and fibonacci.jvm placed, and a breakpoint on a statement fibonacci.jvm never reaches
// (SWAP's), so that a Run carries breakpoints as well as its history and counts.
std::unique_ptr<LoadedWindow> fibonacciWindow() {
    auto w = std::make_unique<LoadedWindow>(true);
    w->openIjvm(fibonacciJvm);
    QFile source(TARVENO_EXAMPLES_DIR "/ijvm.mal");
    source.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(source.readAll()).split('\n');
    for (int line = 0; line < lines.size(); ++line)
        if (lines[line].startsWith("SWAP "))
            w->window->session().breakpoints().toggle(tarveno::Source::Microprogram, line);
    if (w->window->session().breakpoints().addresses().micro.none())
        std::fprintf(stderr, "no breakpoint could be set on SWAP\n");
    return w;
}

// Seconds of one F9 Run of fibonacci.jvm from Reset with its input typed, until the Run has
// ended and its refresh is drawn (without run, only what comes before the Run).
double timedIjvmRun(LoadedWindow& w, bool run = true) {
    w.trigger("Reset1");
    w.waitDrawn();
    w.window->ijvmWindow().inputLeft(QString::number(fibonacciInput));
    w.waitDrawn();
    w.settle();
    if (!run) return 0;
    const int64_t t0 = nowNs();
    w.trigger("Run2");
    while (w.window->session().run().running() || !w.window->idle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const int64_t t1 = nowNs();
    const auto& out = w.machine().output.values;
    if (w.machine().mpc != Machine::haltAddress || out.empty() || out.back() != fibonacciOutput)
        std::fprintf(stderr, "the IJVM Run did not halt with %d printed\n", fibonacciOutput);
    return (t1 - t0) / 1e9;
}

void benchIjvmRun(int runs) {
    const auto w = fibonacciWindow();
    std::vector<double> seconds, rate;
    for (int i = 0; i < runs; ++i) {
        seconds.push_back(timedIjvmRun(*w));
        rate.push_back(w->machine().microCounter / seconds.back() / 1e6);
    }
    std::printf("Run of fibonacci.jvm, input %d: %u microinstructions\n", fibonacciInput,
                w->machine().microCounter);
    report("IJVM Run in the window, until drawn", "s", seconds);
    report("IJVM Run in the window: M microinstructions/s", "M/s", rate);
}

// File > Open > IJVM Program... of a 5,000-line program, from the trigger until the window
// is idle and its views are drawn; the interpreter is loaded by the first opening, untimed.
void benchIjvmOpen(int runs) {
    QTemporaryDir dir;
    const std::string text = longProgram(5000);
    const QString file = writeText(dir, "long.jvm", text);
    LoadedWindow w(true);
    w.openIjvm(file);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const int64_t t0 = nowNs();
        w.openIjvm(file);
        ms.push_back((nowNs() - t0) / 1e6);
    }
    std::printf("IJVM program: %td lines, %d method-area rows\n", std::count(text.begin(), text.end(), '\n'),
                w.window->ijvmWindow().view().rows(IjvmTable::MethodArea));
    report("Open, assemble and place 5,000 lines", "ms", ms);
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mainNs = nowNs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "info-exit") return infoExit(mainNs, argc, argv);
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 0;
    auto times = [&](int otherwise) { return repeats > 0 ? repeats : otherwise; };

    // The children start before this process has a window of its own.
    if (mode.empty() || mode == "startup") benchStartup(times(21));
    if (mode == "startup") return 0;
    QApplication app(argc, argv);
    // The offscreen platform says what it cannot do (raise a window...): noise among the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith("This plugin does not support"))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    if (mode == "run-once") {
        LoadedWindow w(true, countdownMal);
        std::printf("%.3f s\n", timedRun(w));
        return 0;
    }
    if (mode == "ijvm-run-once" || mode == "ijvm-load-once") {
        const auto w = fibonacciWindow();
        const double seconds = timedIjvmRun(*w, mode == "ijvm-run-once");
        if (mode == "ijvm-run-once") std::printf("%.3f s\n", seconds);
        return 0;
    }
    if (mode.empty() || mode == "mic") {
        benchMic(false, times(3000));
        benchMic(true, times(3000) / 10);
    }
    if (mode.empty() || mode == "compile") benchCompile(times(21));
    if (mode.empty() || mode == "run") benchRun(times(5));
    if (mode.empty() || mode == "back") benchStepBack(times(21));
    if (mode.empty() || mode == "flow") benchFlow(times(5));
    if (mode.empty() || mode == "ijvm-views") benchIjvmViews(times(101));
    if (mode.empty() || mode == "ijvm-run") benchIjvmRun(times(5));
    if (mode.empty() || mode == "ijvm-open") benchIjvmOpen(times(21));
    return 0;
}
