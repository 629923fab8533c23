#pragma once
// What the window does between a user's command and the machine, without the window. The
// session composes the parts it holds (the microprogram's document and the checker's
// report, the IJVM program's document, the run controller, the breakpoints) and carries
// out the commands that need several of them: the compile-and-load flow with the checker
// running outside, the file commands, and assembling and placing IJVM programs. Each
// command is one call whose Outcome says what the window must draw, ask and tell; the
// state it shows every time (names, marks) it reads from here.

#include "workbench/BreakpointMap.h"
#include "workbench/CheckerReport.h"
#include "workbench/FileRules.h"
#include "workbench/IjvmDocument.h"
#include "workbench/MalDocument.h"
#include "workbench/Outcome.h"
#include "workbench/RunController.h"
#include "workbench/Workbench.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarveno {

// What the session needs of the host it runs in.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    // The microprogram editor's text: UTF-8, lines ended by "\n".
    virtual std::string editorText() = 0;
};

// The command that waits for the checker: the source it checks and the report it writes.
struct CheckerRequest {
    std::string source;
    std::string report;
};

// How an IJVM program is opened:
//  Unplaced: assembled for the machine, which is reset and not loaded any more; its image
//    stays out of main memory (the IJVM program command of the File menu's hidden item);
//  Placed: assembled and, without diagnostics, placed in main memory to run on the
//    microprogram loaded;
//  OnInterpreter: the shipped interpreter opened, compiled and loaded first, then Placed.
enum class IjvmOpening { Unplaced, Placed, OnInterpreter };

// A test suite run on the microprogram loaded, by the grading's own program: mic1 with these
// arguments, in this folder; it writes its report as JSON.
struct SuiteRequest {
    std::vector<std::string> arguments;
    std::string folder;
};

// A test's IJVM program, placed to be stepped: its file, or the text its suite holds, and
// the number its standard-input cell starts with.
struct TestProgram {
    std::string suite;
    std::string name;
    std::string file;                  // "" for a text of the suite
    std::optional<std::string> source; // UTF-8
    int32_t input = 0;
};

// A name the user gave for the microprogram: asked by Save for an unnamed program, or
// chosen by Save As (after which the next step compiles the file under its new name).
enum class SaveMode { Save, SaveAs };

class Session {
  public:
    Session(SessionHost& host, SessionFiles files);

    // "Compile and Load": compile the editor's text when it changed, then, with a report
    // free of errors, refresh and confirm.
    Outcome compileAndLoad();
    // One microinstruction (compiling first when the text changed), then the full refresh.
    Outcome microStep();
    // Registers and sequencer to 0, the standard-input cell 0, memory kept; a placed IJVM
    // program is put back as it was placed.
    Outcome reset();
    // A Run to the halt address or one IJVM instruction (compiling first when the text
    // changed), carried on by run().slice() until it ends or run().stop() is asked.
    Outcome startRun(RunKind kind);

    // The checker asked for by the last Ask::Checker. When it ends, checkerFinished goes on
    // with the command that asked: failure is "" when the checker ran and wrote its report,
    // otherwise why not, for a message box; errorOutput is what it wrote to its standard
    // error, shown in the report pane when it failed.
    const CheckerRequest& checkerRequest() const { return checkerRequest_; }
    Outcome checkerFinished(const std::string& failure, const std::string& errorOutput = {});

    // The file commands of the microprogram.
    Outcome newProgram();
    Outcome openMicroprogram(const std::string& fileName);
    Outcome save(); // asks for a name while unnamed, or Save As when the file cannot take it
    Outcome saveTo(const std::string& fileName, SaveMode mode);
    // The user changed the editor's text.
    void microprogramEdited() { mal_.edit(); }

    // Asks for an IJVM file to open so, when there is a machine to open it into; with none,
    // Placed offers the shipped interpreter, Unplaced shows the not-loaded notice.
    Outcome askIjvmFile(IjvmOpening how);
    Outcome openIjvm(const std::string& fileName, IjvmOpening how);
    // "Assemble and Place": the IJVM editor's text (UTF-8), assembled from the window's own
    // copy, so the user's file is written only by a save.
    Outcome assembleAndPlace(const std::string& text);
    // The IJVM program skeleton into the IJVM editor.
    Outcome skeleton();

    // Run > Test Suite...: a suite is asked for, with a microprogram loaded.
    Outcome askTestSuite();
    // How to run suiteFile on the microprogram loaded: its microprogram file, which holds
    // exactly what is loaded.
    SuiteRequest testSuiteRequest(const std::string& suiteFile) const;
    // A test's program assembled and placed on the microprogram loaded, its input in the
    // standard-input cell, so that the student can step it; the IJVM editor shows it.
    Outcome placeTestProgram(const TestProgram& test);

    // The source of the microinstruction at MPC, for the editor's selection; none beyond
    // the source map.
    std::optional<EditorSpan> sourceSelection() const;

    const MalDocument& mal() const { return mal_; }
    const CheckerReport& report() const { return report_; }
    IjvmDocument& ijvm() { return ijvm_; }
    RunController& run() { return run_; }
    const RunController& run() const { return run_; }
    BreakpointMap& breakpoints() { return breakpoints_; }
    const Workbench& workbench() const { return workbench_; }

  private:
    using Continuation = std::function<void(Outcome&)>;

    void saveAndCompileIfModified(Outcome& o, Continuation then);
    void compileMicroprogram(Outcome& o, Continuation then);
    // Reads the report and, without errors, loads the microprogram: true when it did.
    bool finishCompile();
    // Writes the editor to the document's file; a file that cannot take it (read-only, or
    // a shipped example) is not touched, and Save As is asked for with the reason.
    bool saveEditor(Outcome& o);
    void writeEditor(const std::string& fileName);
    // The IJVM views are emptied and the standard-input cell zeroed.
    void clearIjvmViews(Outcome& o);
    // Reads, assembles and places an IJVM program file, which the IJVM editor then shows.
    void placeFile(Outcome& o, const std::string& fileName);
    // Assembles fileName (the bytes already read) and places it when it has no
    // diagnostics; otherwise the machine keeps what it holds.
    void assembleIjvm(Outcome& o, const std::string& fileName, const std::string& bytes);
    // Writes the placed image into the machine and keeps its memory for Reset.
    void placeImage();
    Machine& machine() { return workbench_.machine(); }

    SessionHost& host_;
    FileRules files_;
    CommandGate gate_;
    Workbench workbench_;
    MalDocument mal_;
    CheckerReport report_;
    IjvmDocument ijvm_;
    BreakpointMap breakpoints_;
    RunController run_;

    CheckerRequest checkerRequest_;
    Continuation afterCheck_;   // the rest of the command that waits for the checker
    Continuation afterSaveAs_;  // the command that asked for Save As goes on after it
    std::string compiledBytes_; // the file the last compile read
    std::string loadedBinary_;  // the microprogram file of what is loaded
    MainMemory placedMemory_;   // main memory as the IJVM image was placed, for Reset
    // Each New or Open begins another microprogram; the image placed on one is placed again
    // when the same one is compiled again, and not on another.
    uint64_t microprogramSerial_ = 0;
    uint64_t placedOnSerial_ = 0;
};

} // namespace tarveno
