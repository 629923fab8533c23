// The window's session without the window: the loaded flag, the modified mark and the
// sub-cycle phases as tables of commands and what follows each, then Run in slices, the
// failures a command can meet, and the IJVM program.

#include "workbench/Session.h"

#include "checker/MalChecker.h"
#include "core/MachineDescription.h"

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

// The editor's text and the checker, run in the process as the checker program runs it.
struct FakeHost : SessionHost {
    std::string text;
    std::string checkerRefusal; // what runChecker answers instead of running
    int checks = 0;

    std::string runChecker(const std::string& source, const std::string& report) override {
        if (!checkerRefusal.empty()) return checkerRefusal;
        ++checks;
        writeFile(report, formatReport(checkMalFile(source), source));
        return {};
    }
    std::string editorText() override { return text; }
};

class SessionTest : public ::testing::Test {
  protected:
    SessionTest()
        : dir(fs::temp_directory_path() / ("tarveno-session-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          session(host, {(dir / "report").string(), (dir / "tmp.swp").string()}) {
        fs::create_directories(dir);
        previous = fs::current_path();
        fs::current_path(dir); // an unnamed program is tmp.mal in the working folder
    }
    ~SessionTest() override {
        fs::current_path(previous);
        fs::remove_all(dir);
    }

    // What the user types into the editor.
    void type(const std::string& text) {
        host.text = text;
        session.markModified();
    }
    Answer compileAndLoad(const std::string& text) {
        type(text);
        return session.compileAndLoad();
    }
    const ControlPath& machine() const { return session.workbench().machine(); }

    fs::path dir;
    fs::path previous;
    FakeHost host;
    Session session;
};

TEST_F(SessionTest, TheLoadedFlagFollowsTheCompilesAndTheIjvmProgram) {
    writeFile(dir / "prog.mal", countMal);
    writeFile(dir / "prog.jvm", ".main\n BIPUSH 1\n.end-main\n");
    struct Row {
        const char* what;
        std::function<Answer()> command;
        bool loaded;
        std::string_view notice;
    };
    const Row rows[] = {
        {"a good compile", [&] { return compileAndLoad(countMal); }, true, hasBeenLoadedNotice},
        {"an edit, then Mic: compiled, not loaded",
         [&] {
             type(stepsMal);
             return session.mic();
         },
         false, mustBeLoadedNotice},
        {"Compile and Load on the unchanged text", [&] { return session.compileAndLoad(); }, true,
         hasBeenLoadedNotice},
        {"a failed compile", [&] { return compileAndLoad(badMal); }, false, ""},
        {"Compile and Load after it: the old report again", [&] { return session.compileAndLoad(); }, false,
         ""},
        {"Mic without the flag", [&] { return session.mic(); }, false, mustBeLoadedNotice},
        {"a good compile again", [&] { return compileAndLoad(countMal); }, true, hasBeenLoadedNotice},
        {"a file opened: compiled at once, not loaded", [&] { return session.openMicroprogram("prog.mal"); },
         false, ""},
        {"loaded again", [&] { return session.compileAndLoad(); }, true, hasBeenLoadedNotice},
        {"an IJVM program opened", [&] { return session.openIjvmProgram("prog.jvm"); }, false, ""},
    };
    EXPECT_FALSE(session.loaded());
    for (const Row& r : rows) {
        const Answer a = r.command();
        EXPECT_FALSE(a.failed()) << r.what << ": " << a.failure;
        EXPECT_EQ(session.loaded(), r.loaded) << r.what;
        EXPECT_EQ(a.notice, r.notice) << r.what;
    }
    EXPECT_EQ(host.checks, 5); // no compile when the text did not change
}

TEST_F(SessionTest, AFailedCompileKeepsTheMachineAndShowsTheReport) {
    compileAndLoad(stepsMal);
    session.mic();
    const ControlPath* before = &machine();
    const Answer a = compileAndLoad(badMal);
    EXPECT_TRUE(a.reportChanged);
    EXPECT_TRUE(session.reportShown());
    EXPECT_EQ(session.report().substr(0, 1), "E");
    EXPECT_EQ(&machine(), before);
    EXPECT_EQ(machine().registers[H], 1);
    // New hides the report and leaves the machine.
    EXPECT_TRUE(session.newProgram().reportChanged);
    EXPECT_FALSE(session.reportShown());
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
        {"a step compiles and clears it", [&] { session.mic(); }, false},
        {"Save As sets it", [&] { session.saveAs((dir / "other.mal").string()); }, true},
        {"loading a file clears it", [&] { session.openMicroprogram((dir / "prog.mal").string()); }, false},
        {"New sets it", [&] { session.newProgram(); }, true},
    };
    EXPECT_TRUE(session.document().modified); // at start, so the first request compiles
    for (const Row& r : rows) {
        r.command();
        EXPECT_EQ(session.document().modified, r.modified) << r.what;
    }
    EXPECT_EQ(readFile("tmp.mal"), stepsMal + "H = H + 1\n"); // unnamed: tmp.mal, here
    EXPECT_EQ(readFile(dir / "other.mal"), stepsMal + "H = H + 1\n");
    EXPECT_TRUE(session.document().fileName.empty());
    // Save on an unnamed editor asks for a name; given one, it writes there.
    type("H = 1\n");
    EXPECT_EQ(session.save().ask, Ask::SaveFileName);
    session.saveNamed((dir / "named.mal").string());
    EXPECT_EQ(readFile(dir / "named.mal"), "H = 1\n");
    EXPECT_EQ(session.save().ask, Ask::Nothing);
}

TEST_F(SessionTest, FourSubCyclesShowOneMicroinstructionAndOtherStepsRestartThem) {
    // Before any compile: the notice, and the phase stays at its start.
    EXPECT_EQ(session.subCycle().notice, mustBeLoadedNotice);
    EXPECT_EQ(session.phase(), 0);

    compileAndLoad(stepsMal);
    const Refresh phases[] = {Refresh::Phase0, Refresh::Phase1, Refresh::Phase2, Refresh::Phase3,
                              Refresh::Phase0};
    const uint32_t executed[] = {1, 1, 1, 1, 2};
    for (int i = 0; i < 5; ++i) {
        const Answer a = session.subCycle();
        EXPECT_EQ(a.refresh, phases[i]) << i;
        EXPECT_EQ(machine().microCounter, executed[i]) << i;
    }
    // Mic, Reset and Run start the next sub-cycle afresh.
    for (auto command : {&Session::mic, &Session::reset, &Session::startRun}) {
        session.subCycle();
        EXPECT_NE(session.phase(), 0);
        (session.*command)();
        EXPECT_EQ(session.phase(), 0);
        session.stopRun();
        session.runSlice();
    }
}

TEST_F(SessionTest, RunGoesInSlicesUntilItHaltsOrIsStopped) {
    compileAndLoad(loopMal);
    EXPECT_EQ(session.startRun().refresh, Refresh::None);
    ASSERT_TRUE(session.running());
    // A slice that ends by its bound leaves the Run on; other commands are refused meanwhile.
    EXPECT_EQ(session.runSlice(1000).refresh, Refresh::None);
    EXPECT_TRUE(session.running());
    EXPECT_EQ(session.mic().refresh, Refresh::None);
    EXPECT_EQ(machine().microCounter, 1000u);
    session.stopRun();
    EXPECT_EQ(session.runSlice(1000).refresh, Refresh::Full);
    EXPECT_FALSE(session.running());
    EXPECT_EQ(machine().microCounter, 1000u);

    // An IJVM step ends at the next address 0, here one pass of the loop.
    session.startIjvmStep();
    EXPECT_EQ(session.runSlice(1000).refresh, Refresh::Full);
    EXPECT_EQ(machine().microCounter, 1001u);

    // A Run that halts; pressed again at the halt address it executes nothing.
    compileAndLoad(countMal);
    session.startRun();
    while (session.running())
        session.runSlice(7);
    EXPECT_EQ(machine().mpc, machine::haltAddress);
    const uint32_t counter = machine().microCounter;
    session.startRun();
    EXPECT_EQ(session.runSlice().refresh, Refresh::Full);
    EXPECT_EQ(machine().microCounter, counter);
}

TEST_F(SessionTest, FailuresEndTheCommandAndKeepTheText) {
    // A file that cannot be read: its message; the name is taken, the flag cleared.
    compileAndLoad(stepsMal);
    Answer a = session.openMicroprogram("missing.mal");
    EXPECT_EQ(a.failureCaption, "TARVENO");
    EXPECT_NE(a.failure.find("missing.mal"), std::string::npos) << a.failure;
    EXPECT_FALSE(session.loaded());

    // A folder that does not exist: the text stays marked, so the next request tries again.
    session.newProgram();
    type("H = 1\n");
    a = session.saveAs((dir / "no such folder" / "x.mal").string());
    EXPECT_TRUE(a.failed());
    EXPECT_TRUE(session.mic().failed());
    EXPECT_TRUE(session.document().modified);

    // No checker: its reason, no machine replaced, the text compiled again next time.
    session.newProgram();
    type(countMal);
    host.checkerRefusal = "The MAL checker quorc was not found beside tarveno.";
    a = session.compileAndLoad();
    EXPECT_EQ(a.failure, host.checkerRefusal);
    EXPECT_TRUE(session.document().modified);
    host.checkerRefusal.clear();
    EXPECT_EQ(session.compileAndLoad().notice, hasBeenLoadedNotice);

    // The assembler cannot write the microprogram file: its message, the machine kept.
    const ControlPath* before = &machine();
    fs::create_directories(dir / "blocked.bin" / "inside");
    session.saveAs((dir / "blocked.mal").string());
    a = session.compileAndLoad();
    EXPECT_TRUE(a.failed());
    EXPECT_EQ(&machine(), before);
    EXPECT_TRUE(session.document().modified);

    // A bad number in the input box shows its own text under "IJVM Error:".
    a = session.setStandardInput("x25");
    EXPECT_EQ(a.failureCaption, "IJVM Error:");
    EXPECT_NE(a.failure.find("x25"), std::string::npos);
}

TEST_F(SessionTest, TheSourceOfTheNextMicroinstructionIsSelected) {
    compileAndLoad("// one\nH = 1\n  H = H + 1\n");
    const std::string& text = session.document().file.text;
    auto selected = [&] {
        const auto span = session.sourceSelection();
        return span ? text.substr(static_cast<size_t>(span->start),
                                  static_cast<size_t>(span->end - span->start))
                    : std::string("none");
    };
    // A statement's span runs from the end of the one before it.
    EXPECT_EQ(selected(), "// one\nH = 1\n");
    session.mic();
    EXPECT_EQ(selected(), "  H = H + 1\n");
    // Beyond the source map nothing is selected.
    session.workbench().machine().mpc = 600;
    EXPECT_EQ(selected(), "none");
}

TEST_F(SessionTest, AnIjvmProgramNeedsAMachineAndListsItsDiagnostics) {
    const std::string source = ".main\n        BIPUSH 1\n        FOOBAR\n        GOTO nowhere\n.end-main\n";
    writeFile(dir / "prog.jvm", source);
    EXPECT_EQ(session.openIjvmRequest().notice, mustBeLoadedNotice);
    // The skeleton needs none: 23 lines, the input box cleared.
    const Answer skeleton = session.skeleton();
    EXPECT_TRUE(skeleton.ijvmEditorReloaded && skeleton.ijvmViewsCleared);
    EXPECT_EQ(std::count(session.ijvm().file.text.begin(), session.ijvm().file.text.end(), '\n'), 22);

    compileAndLoad(countMal);
    EXPECT_EQ(session.openIjvmRequest().ask, Ask::IjvmFileName);
    session.setStandardInput("9");
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 9);
    const Answer a = session.openIjvmProgram((dir / "prog.jvm").string());
    EXPECT_TRUE(a.ijvmViewsCleared && a.diagnosticsChanged && a.ijvmEditorReloaded);
    EXPECT_EQ(*machine().peekWord(machine::standardInputAddress), 0);
    EXPECT_EQ(readFile(dir / "tmp.swp"), source);
    ASSERT_EQ(session.ijvm().diagnostics.size(), 2u);
    EXPECT_NE(session.ijvm().diagnostics[0].find("FOOBAR"), std::string::npos);
    const auto span = session.selectDiagnostic(1).ijvmSelection;
    ASSERT_TRUE(span);
    EXPECT_EQ(source.substr(static_cast<size_t>(span->start), static_cast<size_t>(span->end - span->start)),
              "nowhere");
    // A row beyond the list shows its fault and selects nothing.
    const Answer beyond = session.selectDiagnostic(5);
    EXPECT_TRUE(beyond.failed());
    EXPECT_FALSE(beyond.ijvmSelection);
}

} // namespace
