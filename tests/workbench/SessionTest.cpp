// The window's session without the window: the loaded flag, the modified mark and the
// sub-cycle phases as tables of commands and what follows each, then Run in slices, the
// failures a command can meet, and the IJVM program.

#include "workbench/Session.h"

#include "checker/MalChecker.h"
#include "core/MachineDescription.h"
#include "support/Conversions.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace tarveno;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

const std::string countMal = readFile(TARVENO_EXAMPLES_DIR "/count.mal");
const std::string badMal = "        H = FOO + 1\n";
const std::string loopMal = "LOOP    H = H + 1; GOTO LOOP\n"; // never reaches 112
const std::string stepsMal = "H = 1\nH = H + 1\nH = H + 1\nH = H + 1\n";

// The editor's text.
struct FakeHost : SessionHost {
    std::string text;
    std::string editorText() override { return text; }
};

class SessionTest : public ::testing::Test {
  public:
    SessionTest()
        : dir(fs::temp_directory_path() / ("tarveno-session-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          session(host,
                  {(dir / "report").string(), (dir / "tmp.swp").string(), (dir / "data" / "tmp.mal").string(),
                   (dir / "cache").string(), (dir / "shipped").string(), TARVENO_EXAMPLES_DIR "/ijvm.mal"}) {
        fs::create_directories(dir / "data");
        fs::create_directories(dir / "shipped");
        previous = fs::current_path();
        fs::current_path(dir);
    }
    ~SessionTest() override {
        fs::current_path(previous);
        fs::permissions(dir / "shipped", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    // The checker, run in the process as the checker program runs it, when a command asks.
    Outcome checked(Outcome a) {
        const bool restarted = a.redraw.has(View::Clock);
        while (a.ask.what == Ask::Checker) {
            const CheckerRequest r = session.checkerRequest();
            if (checkerRefusal.empty()) {
                ++checks;
                writeFile(r.report, formatReport(checkMalFile(r.source), r.source));
            }
            a = session.checkerFinished(checkerRefusal);
        }
        if (restarted) a.redraw.add(View::Clock);
        return a;
    }

    // What the user types into the editor.
    void type(const std::string& text) {
        host.text = text;
        session.microprogramEdited();
    }
    Outcome compileAndLoad(const std::string& text) {
        type(text);
        return checked(session.compileAndLoad());
    }
    Outcome mic() { return checked(session.microStep()); }
    // The slices of the Run started, to its end; one that does not end within a bound is
    // stopped and fails the test, never runs away.
    Outcome finishRun(Outcome a = {}, uint64_t slice = RunController::defaultSlice) {
        for (int i = 0; i < 100 && session.run().running(); ++i)
            a = session.run().slice(slice);
        if (session.run().running()) {
            ADD_FAILURE() << "the Run did not end";
            session.run().stop();
            a = session.run().slice();
        }
        return a;
    }
    Outcome open(const fs::path& p) { return checked(session.openMicroprogram(p.string())); }
    const Machine& machine() const {
        // A test that expects a machine where there is none fails here, not in a crash.
        if (!session.workbench().hasMachine()) throw std::logic_error("no machine was made");
        return session.workbench().machine();
    }

    fs::path dir;
    fs::path previous;
    FakeHost host;
    std::string checkerRefusal; // why the checker did not run, instead of running it
    int checks = 0;
    Session session;
};

TEST_F(SessionTest, TheLoadedFlagFollowsTheCompilesAndTheIjvmProgram) {
    writeFile(dir / "prog.mal", countMal);
    writeFile(dir / "prog.jvm", ".main\n BIPUSH 1\n.end-main\n");
    struct Row {
        const char* what;
        std::function<Outcome()> command;
        bool loaded;
        std::string_view notice;
    };
    const std::string withWarning = loadedNotice(1); // the steps never reach address 112
    const Row rows[] = {
        {"a good compile", [&] { return compileAndLoad(countMal); }, true, hasBeenLoadedNotice},
        {"an edit, then Mic: compiled, loaded and stepped",
         [&] {
             type(stepsMal);
             return mic();
         },
         true, ""},
        {"Compile and Load on the unchanged text", [&] { return checked(session.compileAndLoad()); }, true,
         withWarning},
        {"a failed compile", [&] { return compileAndLoad(badMal); }, false, ""},
        {"Compile and Load after it: the old report again", [&] { return checked(session.compileAndLoad()); },
         false, ""},
        {"Mic without the flag", [&] { return mic(); }, false, mustBeLoadedNotice},
        {"a good compile again", [&] { return compileAndLoad(countMal); }, true, hasBeenLoadedNotice},
        {"a file opened: compiled and loaded at once", [&] { return open("prog.mal"); }, true, ""},
        {"loaded again", [&] { return checked(session.compileAndLoad()); }, true, hasBeenLoadedNotice},
        {"an IJVM program opened", [&] { return session.openIjvm("prog.jvm", IjvmOpening::Unplaced); }, false,
         ""},
    };
    EXPECT_FALSE(session.run().loaded());
    for (const Row& r : rows) {
        const Outcome a = r.command();
        EXPECT_FALSE(a.failed()) << r.what << ": " << a.tell.failure;
        EXPECT_EQ(session.run().loaded(), r.loaded) << r.what;
        EXPECT_EQ(a.tell.notice, r.notice) << r.what;
    }
    EXPECT_EQ(checks, 5); // no compile when the text did not change
}

TEST_F(SessionTest, AFailedCompileKeepsTheMachineAndShowsTheReport) {
    compileAndLoad(stepsMal);
    mic();
    const Machine* before = &machine();
    const Outcome a = compileAndLoad(badMal);
    EXPECT_TRUE(a.redraw.has(View::Report));
    EXPECT_TRUE(session.report().shown());
    EXPECT_EQ(session.report().text().substr(0, 1), "E");
    EXPECT_EQ(&machine(), before);
    EXPECT_EQ(machine().registers[H], 1);
    // New hides the report and leaves the machine.
    EXPECT_TRUE(session.newProgram().redraw.has(View::Report));
    EXPECT_FALSE(session.report().shown());
    EXPECT_EQ(&machine(), before);
}

TEST_F(SessionTest, TheModifiedMarkFollowsEditsSavesAndLoads) {
    writeFile(dir / "prog.mal", stepsMal);
    struct Row {
        const char* what;
        std::function<void()> command;
        bool modified;
    };
    const Row rows[] = {
        {"a compile request clears it", [&] { compileAndLoad(stepsMal); }, false},
        {"the user edits", [&] { type(stepsMal + "H = H + 1\n"); }, true},
        {"Save keeps it", [&] { session.save(); }, true},
        {"a step compiles and clears it", [&] { mic(); }, false},
        {"Save As sets it", [&] { session.saveTo((dir / "other.mal").string(), SaveMode::SaveAs); }, true},
        {"loading a file clears it", [&] { open(dir / "prog.mal"); }, false},
        {"New sets it", [&] { session.newProgram(); }, true},
    };
    EXPECT_TRUE(session.mal().needsCompile); // at start, so the first request compiles
    for (const Row& r : rows) {
        r.command();
        EXPECT_EQ(session.mal().needsCompile, r.modified) << r.what;
    }
    EXPECT_EQ(readFile(dir / "data" / "tmp.mal"), stepsMal + "H = H + 1\n"); // unnamed: the window's tmp.mal
    EXPECT_EQ(readFile(dir / "other.mal"), stepsMal + "H = H + 1\n");
    EXPECT_TRUE(session.mal().fileName.empty());
    // Save on an unnamed editor asks for a name; given one, it writes there.
    type("H = 1\n");
    EXPECT_EQ(session.save().ask.what, Ask::SaveFileName);
    session.saveTo((dir / "named.mal").string(), SaveMode::Save);
    EXPECT_EQ(readFile(dir / "named.mal"), "H = 1\n");
    EXPECT_EQ(session.save().ask.what, Ask::Nothing);
}

TEST_F(SessionTest, FourSubCyclesShowOneMicroinstructionAndOtherStepsRestartThem) {
    // Before any compile: the notice, and the phase stays at its start.
    EXPECT_EQ(session.run().subCycle().tell.notice, mustBeLoadedNotice);
    EXPECT_EQ(session.run().phase(), 0);

    compileAndLoad(stepsMal);
    const Refresh phases[] = {Refresh::Phase0, Refresh::Phase1, Refresh::Phase2, Refresh::Phase3,
                              Refresh::Phase0};
    const uint32_t executed[] = {1, 1, 1, 1, 2};
    for (int i = 0; i < 5; ++i) {
        const Outcome a = session.run().subCycle();
        EXPECT_EQ(a.redraw.pictures, phases[i]) << i;
        EXPECT_EQ(machine().microCounter, executed[i]) << i;
    }
    // Mic, Reset and Run start the next sub-cycle afresh.
    for (const std::function<Outcome()>& command : std::vector<std::function<Outcome()>>{
             [&] { return session.microStep(); }, [&] { return session.reset(); },
             [&] { return session.startRun(RunKind::ToHalt); }}) {
        session.run().subCycle();
        EXPECT_NE(session.run().phase(), 0);
        checked(command());
        EXPECT_EQ(session.run().phase(), 0);
        session.run().stop();
        session.run().slice();
    }
}

TEST_F(SessionTest, RunGoesInSlicesUntilItHaltsOrIsStopped) {
    compileAndLoad(loopMal);
    EXPECT_EQ(session.startRun(RunKind::ToHalt).redraw.pictures, Refresh::None);
    ASSERT_TRUE(session.run().running());
    // A slice that ends by its bound leaves the Run on; other commands are refused meanwhile.
    EXPECT_EQ(session.run().slice(1000).redraw.pictures, Refresh::None);
    EXPECT_TRUE(session.run().running());
    EXPECT_EQ(mic().redraw.pictures, Refresh::None);
    EXPECT_EQ(machine().microCounter, 1000u);
    session.run().stop();
    EXPECT_EQ(session.run().slice(1000).redraw.pictures, Refresh::Full);
    EXPECT_FALSE(session.run().running());
    EXPECT_EQ(machine().microCounter, 1000u);

    // An IJVM step ends at the next address 0, here one pass of the loop.
    session.startRun(RunKind::IjvmStep);
    EXPECT_EQ(session.run().slice(1000).redraw.pictures, Refresh::Full);
    EXPECT_EQ(machine().microCounter, 1001u);

    // A Run that halts; pressed again at the halt address it executes nothing.
    compileAndLoad(countMal);
    session.startRun(RunKind::ToHalt);
    finishRun({}, 7);
    EXPECT_EQ(machine().mpc, machine::haltAddress);
    const uint32_t counter = machine().microCounter;
    session.startRun(RunKind::ToHalt);
    EXPECT_EQ(session.run().slice().redraw.pictures, Refresh::Full);
    EXPECT_EQ(machine().microCounter, counter);
}

TEST_F(SessionTest, FailuresEndTheCommandAndKeepTheText) {
    // A file that cannot be read: its message; the name is taken, the flag cleared.
    compileAndLoad(stepsMal);
    Outcome a = open("missing.mal");
    EXPECT_EQ(a.tell.failureCaption, "TARVENO");
    EXPECT_NE(a.tell.failure.find("missing.mal"), std::string::npos) << a.tell.failure;
    EXPECT_FALSE(session.run().loaded());

    // A folder that does not exist: the name is not taken and the text stays unsaved.
    session.newProgram();
    type("H = 1\n");
    a = session.saveTo((dir / "no such folder" / "x.mal").string(), SaveMode::SaveAs);
    EXPECT_TRUE(a.failed());
    EXPECT_TRUE(session.mal().fileName.empty());
    EXPECT_TRUE(session.mal().hasUnsavedWork(host.text));

    // No checker: its reason, no machine replaced, the text compiled again next time.
    session.newProgram();
    type(countMal);
    checkerRefusal = "The MAL checker quorc was not found beside tarveno.";
    a = checked(session.compileAndLoad());
    EXPECT_EQ(a.tell.failure, checkerRefusal);
    EXPECT_TRUE(session.mal().needsCompile);
    checkerRefusal.clear();
    EXPECT_EQ(checked(session.compileAndLoad()).tell.notice, hasBeenLoadedNotice);

    // The assembler cannot write the microprogram file: its message, the machine kept.
    const Machine* before = &machine();
    fs::create_directories(dir / "blocked.bin" / "inside");
    session.saveTo((dir / "blocked.mal").string(), SaveMode::SaveAs);
    a = checked(session.compileAndLoad());
    EXPECT_TRUE(a.failed());
    EXPECT_EQ(&machine(), before);
    EXPECT_TRUE(session.mal().needsCompile);

    // A bad number in the input box shows its own text under "IJVM Error:".
    a = session.run().setStandardInput("x25");
    EXPECT_EQ(a.tell.failureCaption, "IJVM Error:");
    EXPECT_NE(a.tell.failure.find("x25"), std::string::npos);
}

TEST_F(SessionTest, TheSourceOfTheNextMicroinstructionIsSelected) {
    compileAndLoad("// one\nH = 1\n  H = H + 1\n");
    const std::string& text = session.mal().file.text;
    auto selected = [&] {
        const auto span = session.sourceSelection();
        return span ? text.substr(static_cast<size_t>(span->start),
                                  static_cast<size_t>(span->end - span->start))
                    : std::string("none");
    };
    // A statement's span runs from the end of the one before it.
    EXPECT_EQ(selected(), "// one\nH = 1\n");
    mic();
    EXPECT_EQ(selected(), "  H = H + 1\n");
    // Beyond the source map nothing is selected.
    const_cast<Machine&>(session.workbench().machine()).mpc = 600;
    EXPECT_EQ(selected(), "none");
}

TEST_F(SessionTest, AnIjvmProgramNeedsAMachineAndListsItsDiagnostics) {
    const std::string source = ".main\n        BIPUSH 1\n        FOOBAR\n        GOTO nowhere\n.end-main\n";
    writeFile(dir / "prog.jvm", source);
    EXPECT_EQ(session.askIjvmFile(IjvmOpening::Unplaced).tell.notice, mustBeLoadedNotice);
    // The skeleton needs none: 23 lines, the input box cleared.
    const Outcome skeleton = session.skeleton();
    EXPECT_TRUE(skeleton.redraw.has(View::IjvmEditor) && skeleton.redraw.has(View::IjvmCleared));
    EXPECT_EQ(std::count(session.ijvm().file.text.begin(), session.ijvm().file.text.end(), '\n'), 22);

    compileAndLoad(countMal);
    EXPECT_EQ(session.askIjvmFile(IjvmOpening::Unplaced).ask.what, Ask::IjvmFileName);
    session.run().setStandardInput("9");
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 9);
    const Outcome a = session.openIjvm((dir / "prog.jvm").string(), IjvmOpening::Unplaced);
    EXPECT_TRUE(a.redraw.has(View::IjvmCleared) && a.redraw.has(View::Diagnostics) &&
                a.redraw.has(View::IjvmEditor));
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 0);
    EXPECT_EQ(readFile(dir / "tmp.swp"), source);
    ASSERT_EQ(session.ijvm().diagnostics.size(), 2u);
    EXPECT_NE(session.ijvm().diagnostics[0].find("FOOBAR"), std::string::npos);
    const auto span = session.ijvm().selectDiagnostic(1).ijvmSelection;
    ASSERT_TRUE(span);
    EXPECT_EQ(source.substr(static_cast<size_t>(span->start), static_cast<size_t>(span->end - span->start)),
              "nowhere");
    // A row beyond the list shows its fault and selects nothing.
    const Outcome beyond = session.ijvm().selectDiagnostic(5);
    EXPECT_TRUE(beyond.failed());
    EXPECT_FALSE(beyond.ijvmSelection);
}

// A placed program runs on the interpreter, and comes back as placed on Reset and on a
// new compile of the interpreter; the editor's text is assembled without writing its file.
TEST_F(SessionTest, APlacedIjvmProgramComesBackOnResetAndRecompile) {
    EXPECT_EQ(session.askIjvmFile(IjvmOpening::Placed).ask.what, Ask::LoadInterpreter);
    const std::string interpreter = readFile(TARVENO_EXAMPLES_DIR "/ijvm.mal");
    compileAndLoad(interpreter);
    EXPECT_EQ(session.askIjvmFile(IjvmOpening::Placed).ask.what, Ask::IjvmProgramToPlace);
    const std::string source =
        ".main\n        BIPUSH 5\n        OUT\n        BIPUSH 6\n        HALT\n.end-main\n";
    writeFile(dir / "shipped" / "five.jvm", source);
    const Outcome placed = session.openIjvm((dir / "shipped" / "five.jvm").string(), IjvmOpening::Placed);
    ASSERT_FALSE(placed.failed()) << placed.tell.failure;
    EXPECT_TRUE(placed.redraw.has(View::IjvmImage) && session.ijvm().placed && session.run().loaded());
    const uint32_t base = static_cast<uint32_t>(machine().registers[SP]);
    auto runToHalt = [&] {
        finishRun(session.startRun(RunKind::ToHalt));
        EXPECT_EQ(machine().mpc, Machine::haltAddress);
        return machine().output.values;
    };
    EXPECT_EQ(runToHalt(), std::vector<int32_t>{5});
    ASSERT_NE(machine().peekWord(base + 1), nullptr);

    session.reset();
    EXPECT_EQ(machine().registers[PC], -1);
    EXPECT_EQ(static_cast<uint32_t>(machine().registers[SP]), base);
    EXPECT_EQ(machine().peekWord(base + 1), nullptr); // the word the run wrote is gone
    EXPECT_TRUE(machine().output.values.empty());

    const Outcome recompiled = compileAndLoad(interpreter + "\n");
    EXPECT_TRUE(recompiled.redraw.has(View::IjvmImage));
    EXPECT_EQ(machine().registers[PC], -1);
    EXPECT_EQ(runToHalt(), std::vector<int32_t>{5});

    // Assembled from the editor: the shipped file keeps its bytes; saving it asks a name.
    const Outcome assembled =
        session.assembleAndPlace(".main\n        BIPUSH 9\n        OUT\n        HALT\n.end-main\n");
    EXPECT_TRUE(assembled.redraw.has(View::IjvmImage));
    EXPECT_EQ(runToHalt(), std::vector<int32_t>{9});
    EXPECT_EQ(readFile(dir / "shipped" / "five.jvm"), source);
    session.ijvm().edit();
    EXPECT_EQ(session.ijvm().save("x").ask.what, Ask::IjvmSaveFileName);
    EXPECT_TRUE(session.ijvm().unsaved);
    session.ijvm().saveAs((dir / "mine.jvm").string(), "x\n");
    EXPECT_EQ(readFile(dir / "mine.jvm"), "x\n");
    EXPECT_FALSE(session.ijvm().unsaved);

    // A typo is a diagnostic on its word, never a failure; nothing is placed, the program
    // placed before goes on, and the window is told the two differ.
    const std::string typo = ".main\n.var\nn\n.end-var\n        IINC n\n        HALT\n.end-main\n";
    const Outcome refused = session.assembleAndPlace(typo);
    EXPECT_FALSE(refused.failed()) << refused.tell.failure;
    EXPECT_FALSE(refused.redraw.has(View::IjvmImage));
    ASSERT_EQ(session.ijvm().diagnostics, std::vector<std::string>{"Errore: il numero HALT non è valido."});
    const EditorSpan word = *session.ijvm().selectDiagnostic(0).ijvmSelection;
    EXPECT_EQ(typo.substr(static_cast<size_t>(word.start), static_cast<size_t>(word.end - word.start)),
              "HALT");
    EXPECT_TRUE(session.ijvm().placed && session.ijvm().differs);
    EXPECT_EQ(runToHalt(), std::vector<int32_t>{9});
    session.assembleAndPlace(".main\n        BIPUSH 7\n        OUT\n        HALT\n.end-main\n");
    EXPECT_FALSE(session.ijvm().differs);
    EXPECT_EQ(runToHalt(), std::vector<int32_t>{7});

    // Another microprogram starts on a clean machine, without the image.
    writeFile(dir / "count.mal", countMal);
    const Outcome other = open(dir / "count.mal");
    EXPECT_TRUE(other.redraw.has(View::IjvmCleared) && !other.redraw.has(View::IjvmImage));
    EXPECT_FALSE(session.ijvm().placed);
    EXPECT_EQ(std::tuple(machine().registers[SP], machine().registers[PC]), std::tuple(0, 0));
}

} // namespace

namespace {

// A source in a folder the session must not write (a shipped example, or a student's
// read-only folder) compiles where it lies without a byte written there; changed, it is
// saved elsewhere through Save As; nothing else is written in its folder.
void expectCompiledWithoutAWrite(SessionTest& t, const fs::path& folder) {
    const fs::path example = folder / "count.mal";
    writeFile(example, countMal);
    fs::permissions(example, fs::perms::owner_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    Outcome a = t.open(example);
    EXPECT_FALSE(a.failed()) << a.tell.failure;
    EXPECT_EQ(t.checked(t.session.compileAndLoad()).tell.notice, hasBeenLoadedNotice);
    EXPECT_EQ(t.session.report().text().substr(0, t.session.report().text().find('\n')),
              "The microprogram file is " + (t.dir / "cache" / "count.bin").string() +
                  ": the source's folder cannot be written.");
    EXPECT_TRUE(t.mic().redraw.pictures == Refresh::Full);
    EXPECT_FALSE(t.session.mal().hasUnsavedWork(t.host.text));

    // Changed: the step asks for Save As with its reason and writes nothing.
    t.type(countMal + "// mine\n");
    a = t.mic();
    EXPECT_EQ(a.ask.what, Ask::SaveAsFileName);
    EXPECT_EQ(a.ask.reason, "count.mal cannot be written: save your changes under another name");
    // Saved under another name, the step goes on: compiled, loaded and stepped.
    a = t.checked(t.session.saveTo((t.dir / "mine.mal").string(), SaveMode::SaveAs));
    EXPECT_FALSE(t.session.mal().hasUnsavedWork(t.host.text));
    EXPECT_EQ(a.redraw.pictures, Refresh::Full);
    EXPECT_EQ(std::tuple(t.session.mal().fileName, t.machine().microCounter),
              std::tuple((t.dir / "mine.mal").string(), 1u));
    // Asked and cancelled, then another command: a later Save As does not step.
    t.open(example);
    t.type(countMal + "// more\n");
    EXPECT_EQ(t.mic().ask.what, Ask::SaveAsFileName);
    t.session.run().setRadix(1);
    EXPECT_EQ(t.checked(t.session.saveTo((t.dir / "mine2.mal").string(), SaveMode::SaveAs)).redraw.pictures,
              Refresh::None);
    EXPECT_EQ(t.machine().microCounter, 0u);
    EXPECT_TRUE(fs::exists(t.dir / "mine.bin"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_EQ(readFile(example), countMal);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
}

TEST_F(SessionTest, AShippedExampleCompilesAndIsNeverWritten) {
    expectCompiledWithoutAWrite(*this, dir / "shipped");
}

// A student's own read-only folder: permissions decide, so as root (which ignores them)
// CTest runs this as a normal user instead.
using StudentFolder = SessionTest;
TEST_F(StudentFolder, AFolderTheUserCannotWriteTakesNoFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores permissions; CTest runs this as nobody";
    fs::create_directories(dir / "course");
    expectCompiledWithoutAWrite(*this, dir / "course");
}

TEST_F(SessionTest, WorkOnNoDiskIsKnown) {
    writeFile(dir / "prog.mal", stepsMal);
    struct Row {
        const char* what;
        std::function<void()> command;
        bool unsaved;
    };
    const Row rows[] = {
        {"an empty new editor", [] {}, false},
        {"text typed into it", [&] { type("H = 1\n"); }, true},
        {"compiled as tmp.mal: still the user's only copy", [&] { mic(); }, true},
        {"named by Save", [&] { session.saveTo((dir / "named.mal").string(), SaveMode::Save); }, false},
        {"changed", [&] { type("H = 2\n"); }, true},
        {"a step saves it", [&] { mic(); }, false},
        {"another file opened", [&] { open(dir / "prog.mal"); }, false},
        {"New with no text",
         [&] {
             host.text.clear();
             session.newProgram();
         },
         false},
    };
    for (const Row& r : rows) {
        r.command();
        EXPECT_EQ(session.mal().hasUnsavedWork(host.text), r.unsaved) << r.what;
    }
    EXPECT_EQ(readFile(dir / "named.mal"), "H = 2\n");
    type("H = 1\n");
    EXPECT_EQ(session.mal().unsavedQuestion(), "The new microprogram has not been saved. Save it?");
    open(dir / "prog.mal");
    type("H = 3\n");
    EXPECT_EQ(session.mal().unsavedQuestion(),
              "The microprogram \"prog.mal\" has changes that are not saved. Save them?");
}

TEST_F(SessionTest, WarningsAndErrorsAreShownAndPlacedInTheEditor) {
    // Loaded with a warning: the report is shown and the notice counts it.
    Outcome a = compileAndLoad(loopMal);
    EXPECT_EQ(a.tell.notice, std::string(hasBeenLoadedNotice) + ", with 1 warning");
    EXPECT_TRUE(session.report().shown());
    ASSERT_EQ(session.report().findings().size(), 1u);
    EXPECT_FALSE(session.report().findings()[0].error);

    // An error and a warning after a two-byte character: spans in the editor's units.
    compileAndLoad("// \xC3\xA9\nH = FOO + 1\nLOOP    H = H + 1; GOTO LOOP\n");
    ASSERT_EQ(session.report().findings().size(), 2u);
    const Finding& error = session.report().findings()[0];
    EXPECT_TRUE(error.error);
    EXPECT_EQ(error.word, (EditorSpan{9, 12}));                           // FOO
    EXPECT_EQ(error.statement, (EditorSpan{5, 16}));                      // its line
    EXPECT_EQ(session.report().findings()[1].word, (EditorSpan{17, 21})); // LOOP
    // A click on a finding's line, or on the source and caret lines under it, selects its
    // word; the report's first line selects nothing.
    EXPECT_EQ(session.report().lineSelection(1), error.word);
    EXPECT_EQ(session.report().lineSelection(3), error.word);
    EXPECT_EQ(session.report().lineSelection(4), session.report().findings()[1].word);
    EXPECT_FALSE(session.report().lineSelection(0));
    // The next compile clears them.
    compileAndLoad(countMal);
    EXPECT_TRUE(session.report().findings().empty());
    EXPECT_FALSE(session.report().shown());
}

TEST_F(SessionTest, TheCheckerFailingShowsWhyAndWhatItSaid) {
    type(countMal);
    checkerRefusal = "The MAL checker quorc failed with exit status 1.";
    Outcome a = session.compileAndLoad();
    ASSERT_EQ(a.ask.what, Ask::Checker);
    EXPECT_TRUE(session.run().busy());
    EXPECT_EQ(session.microStep().redraw.pictures, Refresh::None); // refused while it runs
    a = session.checkerFinished(checkerRefusal, "quorc: cannot write the report\n");
    EXPECT_EQ(a.tell.failure, checkerRefusal);
    EXPECT_TRUE(session.report().shown());
    EXPECT_EQ(session.report().text(), "quorc: cannot write the report\n");
    EXPECT_FALSE(session.run().busy());
    checkerRefusal.clear();
    EXPECT_EQ(checked(session.compileAndLoad()).tell.notice, hasBeenLoadedNotice); // tried again

    // Text typed while the checker runs is compiled by the next request.
    type(stepsMal);
    a = session.microStep();
    ASSERT_EQ(a.ask.what, Ask::Checker);
    type(countMal);
    EXPECT_FALSE(checked(a).failed());
    EXPECT_TRUE(session.mal().needsCompile);
    EXPECT_EQ(checked(session.compileAndLoad()).tell.notice, hasBeenLoadedNotice);
    EXPECT_EQ(session.mal().file.text, countMal);
}

TEST_F(SessionTest, EveryCompileAndResetRestartsTheSubCycles) {
    writeFile(dir / "prog.jvm", ".main\n BIPUSH 1\n.end-main\n");
    compileAndLoad(stepsMal);
    for (auto command : std::vector<std::function<Outcome()>>{[&] { return compileAndLoad(stepsMal); },
                                                              [&] { return open(dir / "data" / "tmp.mal"); },
                                                              [&] { return session.reset(); }}) {
        checked(session.compileAndLoad());
        session.run().subCycle();
        ASSERT_EQ(session.run().phase(), 1);
        EXPECT_TRUE(command().redraw.has(View::Clock));
        EXPECT_EQ(session.run().phase(), 0);
    }
}

TEST(SessionText, TheUsersTypedTextIsShownAsUtf8InTheSystemsMessage) {
    try {
        parseNumber("\xC3\xA8x");
        FAIL();
    } catch (const FatalError& e) {
        const FailureText f = failureText(e);
        EXPECT_EQ(f.caption, "IJVM Error:");
        EXPECT_EQ(f.text, "Errore: il numero èx non è valido. Il programma sarà adesso terminato.");
    }
}

} // namespace

namespace {

// Going back by a microinstruction after steps and after a Run, breakpoints by line that
// stop a Run and survive a new compile while their statement stands, and the counts.
TEST_F(SessionTest, StepBackBreakpointsAndCounts) {
    compileAndLoad(countMal);
    auto regs = [&] {
        return std::vector<int32_t>(machine().registers, machine().registers + RegisterCount);
    };
    std::vector<std::vector<int32_t>> seen{regs()};
    for (int i = 0; i < 3; ++i) {
        mic();
        seen.push_back(regs());
    }
    for (int i = 3; i > 0; --i) {
        session.run().stepBack(Back::Microinstruction);
        EXPECT_EQ(regs(), seen[static_cast<size_t>(i - 1)]);
        EXPECT_EQ(session.run().counts().micro, static_cast<uint64_t>(i - 1));
    }
    EXPECT_EQ(session.run().stepBack(Back::Microinstruction).tell.status,
              "Nothing to go back to: the program starts here");
    mic();
    EXPECT_EQ(regs(), seen[1]);
    // Reset zeroes the standard-input cell with the registers.
    session.run().setStandardInput("9");
    session.reset();
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 0);
    mic();
    // A change of an abandoned future is not made again: input 5 typed after step 2, back
    // to step 1, 7 typed there instead, forward: 7 is read, at step 2 and after.
    mic();
    session.run().setStandardInput("5");
    mic();
    session.run().stepBack(Back::Microinstruction);
    session.run().stepBack(Back::Microinstruction);
    session.run().setStandardInput("7");
    mic();
    mic();
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 7);
    session.run().stepBack(Back::Microinstruction);
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 7);
    session.reset();
    mic();
    // A word the memory viewer writes is part of the history at once.
    EXPECT_TRUE(session.run().writeMemoryWord(2, 258).redraw.has(View::Memory));
    mic();
    session.run().stepBack(Back::Microinstruction);
    EXPECT_EQ(*machine().peekWord(2), 258);
    session.run().stepBack(Back::Microinstruction);
    EXPECT_EQ(machine().peekWord(2), nullptr);
    mic();

    // Line 20 (19 from 0) is "TOS = H + TOS": a Run stops before it, each time round.
    auto run = [&] { return finishRun(checked(session.startRun(RunKind::ToHalt))); };
    EXPECT_FALSE(session.breakpoints().toggle(Source::Microprogram, 19).failed());
    EXPECT_EQ(session.breakpoints().lines(Source::Microprogram), std::set<int>{19});
    EXPECT_EQ(run().tell.status, "Stopped at the breakpoint on MAL line 20");
    EXPECT_EQ(machine().mpc, 7u);
    EXPECT_EQ(machine().registers[TOS], 0);
    run();
    EXPECT_EQ(std::tuple(machine().mpc, machine().registers[TOS]), std::tuple(7u, 5));
    EXPECT_EQ(session.breakpoints().list(), std::vector<std::string>{"MAL line 20: TOS = H + TOS"});
    // A line without a statement takes none.
    EXPECT_EQ(session.breakpoints().toggle(Source::Microprogram, 0).tell.status, "No statement on line 1");

    // Recompiled with a line more at the end, the breakpoint stays; with its statement
    // gone, it goes.
    compileAndLoad(countMal + "\n");
    EXPECT_EQ(session.breakpoints().lines(Source::Microprogram), std::set<int>{19});
    std::string withoutIt = countMal;
    withoutIt.replace(withoutIt.find("        TOS = H + TOS"), 8, "//      ");
    compileAndLoad(withoutIt);
    EXPECT_TRUE(session.breakpoints().lines(Source::Microprogram).empty());

    // After a Run to the halt: back one, forward one, the same state; the counts agree
    // with the machine's own.
    compileAndLoad(countMal);
    run();
    EXPECT_EQ(machine().mpc, Machine::haltAddress);
    const auto halted = regs();
    const uint64_t micro = session.run().counts().micro;
    EXPECT_EQ(micro, machine().microCounter);
    session.run().stepBack(Back::Microinstruction);
    EXPECT_EQ(session.run().counts().micro, micro - 1);
    EXPECT_NE(machine().mpc, Machine::haltAddress);
    mic();
    EXPECT_EQ(regs(), halted);
    EXPECT_EQ(machine().mpc, Machine::haltAddress);

    // A history over its budget with only the user's inputs in it forgets the oldest,
    // and says where it starts, instead of hanging.
    session.run().setHistoryBudget(1);
    compileAndLoad(countMal);
    for (const char* input : {"1", "2", "3"}) {
        mic();
        session.run().setStandardInput(input);
    }
    EXPECT_EQ(session.run().stepBack(Back::Microinstruction).tell.status,
              "Cannot go back: history starts at step 3");
    EXPECT_EQ(session.run().counts().micro, 3u);
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 3);
}

} // namespace

namespace {

TEST_F(SessionTest, TheTimelineAndTheWordsTheLastCommandChanged) {
    // memloop.mal writes 2, 4, .., 10 into words 5 down to 1, then reads them back.
    compileAndLoad(readFile(TARVENO_EXAMPLES_DIR "/memloop.mal"));
    auto regs = [&] {
        return std::vector<int32_t>(machine().registers, machine().registers + RegisterCount);
    };
    auto changed = [&] {
        std::vector<uint32_t> words;
        for (uint32_t w = 0; w < 8; ++w)
            if (session.run().changedByLast(w)) words.push_back(w);
        return words;
    };
    std::vector<std::vector<int32_t>> seen{regs()};
    for (int i = 0; i < 7; ++i) {
        mic();
        seen.push_back(regs());
    }
    EXPECT_EQ(changed(), std::vector<uint32_t>{5}); // "MDR = H + LV; WR" wrote word 5
    mic();
    seen.push_back(regs());
    EXPECT_EQ(changed(), std::vector<uint32_t>{});
    finishRun(checked(session.startRun(RunKind::ToHalt)));
    EXPECT_EQ(changed(), (std::vector<uint32_t>{1, 2, 3, 4}));
    const auto halted = regs();
    const RunController::Timeline end = session.run().timeline();
    EXPECT_EQ(std::tuple(end.first, end.last, end.present), std::tuple(0u, machine().microCounter, end.last));

    // Any step of the timeline is the state stepping reached, back and forward alike, and
    // the words going there changed are marked.
    for (uint64_t step : {3u, 0u, 7u, 5u}) {
        session.run().goToStep(step);
        EXPECT_EQ(regs(), seen[step]) << step;
        EXPECT_EQ(session.run().timeline().present, step);
    }
    EXPECT_EQ(changed(), std::vector<uint32_t>{5}); // from step 7 back to 5: word 5 is gone
    session.run().goToStep(end.last + 100);         // past the end: the last step
    EXPECT_EQ(regs(), halted);
    session.run().goToStep(end.last - 1);
    session.run().stepBack(Back::Microinstruction);
    session.run().goToStep(end.last - 1);
    mic(); // executing on from the middle goes the same way
    EXPECT_EQ(regs(), halted);
    EXPECT_EQ(session.run().timeline().last, end.last);
    // A change of the user's ends the timeline at the present.
    session.run().goToStep(6);
    session.run().writeMemoryWord(7, 1);
    EXPECT_EQ(changed(), std::vector<uint32_t>{7});
    EXPECT_EQ(session.run().timeline().last, 6u);
    session.run().setStandardInput("0"); // the same number again is no change
    EXPECT_EQ(changed(), std::vector<uint32_t>{7});
}

TEST_F(SessionTest, ATestsProgramIsPlacedWithItsInputAndTheSuiteRunsOnWhatIsLoaded) {
    TestProgram test{"arith", "IN", "", ".main\nIN\nOUT\nHALT\n.end-main\n", 42};
    EXPECT_EQ(session.placeTestProgram(test).tell.notice, mustBeLoadedNotice);
    compileAndLoad(readFile(TARVENO_EXAMPLES_DIR "/ijvm.mal"));
    const SuiteRequest r = session.testSuiteRequest("suite.toml");
    ASSERT_EQ(r.arguments.size(), 4u);
    EXPECT_EQ(fs::path(r.arguments[1]).extension(), ".bin"); // the microprogram file loaded
    EXPECT_EQ(
        std::tuple(r.arguments[0], r.arguments[2], r.arguments[3], r.folder),
        std::tuple(std::string("test"), (dir / "suite.toml").string(), std::string("--json"), dir.string()));
    const Outcome o = session.placeTestProgram(test);
    EXPECT_TRUE(o.redraw.has(View::IjvmEditor) && o.redraw.has(View::IjvmImage));
    EXPECT_EQ(o.tell.status, "Placed the test \"IN\" of arith, input 42: step it with F8, or Run");
    EXPECT_EQ(session.ijvm().file.text, *test.source);
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 42);
    finishRun(checked(session.startRun(RunKind::ToHalt)));
    EXPECT_EQ(machine().output.values, std::vector<int32_t>{42});
    // A program with a mistake is not placed: its diagnostics are shown, the last stays.
    test.source = ".main\nFOO\n.end-main\n";
    EXPECT_TRUE(session.placeTestProgram(test).redraw.has(View::Diagnostics));
    EXPECT_EQ(session.ijvm().diagnostics.size(), 1u);
}

} // namespace
