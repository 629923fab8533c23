#pragma once
// What the window does between a user's command and the machine, without the window: the
// microprogram document (file name, encoding, modified mark, unsaved changes, where an
// unnamed program and a microprogram file go), the compile-and-load flow with its loaded
// flag, notices and the checker's findings, the sub-cycle phases, Run in bounded slices,
// the readout radix, and the IJVM program with its editor text and standard input. Each
// command is one call whose Answer says what the window must show or ask; the state it
// shows every time (names, marks) it reads from here. The checker runs outside: a command
// that compiles asks the window to start it and goes on in checkerFinished.

#include "core/History.h"
#include "workbench/EditorFile.h"
#include "workbench/Workbench.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno {

inline constexpr std::string_view mustBeLoadedNotice = "The program must be compiled and loaded into memory";
inline constexpr std::string_view hasBeenLoadedNotice =
    "The program has been compiled and loaded into memory";
// Shown while a Run has gone on for a while, so the user knows how to end it.
inline constexpr std::string_view runningHint = "Running ... press Escape to stop";

// The notice after a Compile and Load: the loaded message, with the checker's warnings
// counted when there are any.
std::string loadedNotice(int warnings);

// A command's failure as the user reads it: a malformed number's own text under "IJVM
// Error:", any other message under the window's caption; UTF-8.
struct FailureText {
    std::string caption;
    std::string text;
};
FailureText failureText(const std::exception& failure);

// What the session needs of the host it runs in.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    // The microprogram editor's text: UTF-8, lines ended by "\n".
    virtual std::string editorText() = 0;
};

// The files the session writes besides the user's own, and where it must not write.
struct SessionFiles {
    std::string report;      // where the checker writes its report (this process's own)
    std::string swapFile;    // the copy of the last IJVM source opened (this process's own)
    std::string unnamedFile; // where an unnamed program is saved and compiled ("tmp.mal")
    std::string cacheFolder; // microprogram files whose source's folder cannot take them
    // The shipped examples: read, compiled and run, never written to, whoever runs the
    // window. Empty: none.
    std::string protectedFolder;
    // The shipped IJVM interpreter microprogram, offered when an IJVM program is opened
    // with no microprogram loaded. Empty: none.
    std::string interpreter;
};

// What the window redraws after a command: nothing, the full refresh, or one sub-cycle
// phase of the microinstruction executed last.
enum class Refresh { None, Full, Phase0, Phase1, Phase2, Phase3 };

// What the window asks its user next: a file name (then it calls saveNamed or
// openIjvmProgram with it), or the memory viewer.
// Checker: start the checker on checkerRequest() and call checkerFinished when it ends.
// SaveAsFileName: the file cannot take the changes; Save As, titled with askReason.
// IjvmProgramToPlace: an IJVM program for placeIjvmProgram. LoadInterpreter: whether to
// load the shipped interpreter (askReason is the question); yes: an IJVM program for
// loadInterpreterAndPlace. IjvmSaveFileName: a name for saveIjvmAs, titled with askReason.
enum class Ask {
    Nothing,
    SaveFileName,
    SaveAsFileName,
    IjvmFileName,
    MemoryViewer,
    Checker,
    IjvmProgramToPlace,
    LoadInterpreter,
    IjvmSaveFileName,
};

// A span of an editor's text in the editor's positions (UTF-16 units), end excluded.
struct EditorSpan {
    int32_t start = 0;
    int32_t end = 0;
    friend bool operator==(const EditorSpan&, const EditorSpan&) = default;
};

struct Answer {
    Refresh refresh = Refresh::None;
    std::string notice; // the notice dialog's message, shown after the refresh
    Ask ask = Ask::Nothing;
    std::string askReason; // one line: why the window asks
    // A message box: the command was abandoned there; what it did before stays done.
    std::string failureCaption;
    std::string failure;
    // What must be shown anew; names and marks are read after every command.
    bool editorReloaded = false;             // the microprogram editor shows document().file.text
    bool reportChanged = false;              // the report pane and the editor's marks: reportShown(),
                                             // report() and findings()
    bool phaseRestarted = false;             // the clock's marks cleared
    bool ijvmEditorReloaded = false;         // the IJVM editor shows ijvm().file.text
    bool ijvmViewsCleared = false;           // the IJVM view lists emptied, the diagnostics hidden, input "0"
    bool diagnosticsChanged = false;         // the diagnostics list shows ijvm().diagnostics
    bool ijvmPlaced = false;                 // an IJVM image was placed anew: its listing changed
    bool breakpointsChanged = false;         // the editors' breakpoint marks and the list
    bool memoryChanged = false;              // main memory was written from outside: the views that show it
    std::string status;                      // one line on what just happened, shown until the next command
    std::optional<EditorSpan> ijvmSelection; // select this in the IJVM editor

    bool failed() const { return !failure.empty(); }
};

// The microprogram editor's document.
struct Document {
    std::string fileName;      // empty until it is opened, saved or compiled
    bool named = false;        // the user gave the name (an unnamed program is compiled as tmp.mal)
    EditorFile file;           // the text last put into the editor, and its file's encoding
    bool modified = true;      // changed since it was last saved for a compile
    bool unsaved = false;      // the user changed it since it was last read or written
    EditorPositions positions; // editor positions of the compiled file's bytes
};

// One finding of the checker's report, placed in the editor.
struct Finding {
    int reportLine = 0;   // the report's line that names it (0-based)
    bool error = true;    // otherwise a warning
    EditorSpan word;      // the reported text: the word at its line and column
    EditorSpan statement; // its whole line
};

// The command that waits for the checker: the source it checks and the report it writes.
struct CheckerRequest {
    std::string source;
    std::string report;
};

// The IJVM program's editor document and diagnostics.
struct IjvmDocument {
    std::string fileName;
    EditorFile file;
    EditorPositions positions;               // editor positions of the placed program's bytes
    std::vector<std::string> diagnostics;    // the messages of the last assembly, for display
    std::vector<EditorSpan> diagnosticSpans; // the text each concerns, in the text assembled
    bool placed = false;                     // an assembled image is in main memory, ready to run
    bool unsaved = false;                    // the user changed the text since it was read or written
    bool edited = false;                     // the user changed the text since it was assembled
    bool differs = false;                    // a program is placed, and the text shown is not its source
};

// Shown by the IJVM window while the source it shows is not the program placed.
inline constexpr std::string_view notPlacedNote =
    "the program shown is not the one placed: Assemble and Place";

class Session {
  public:
    // Microinstructions a Run executes per slice when the window does not say: a few
    // milliseconds of work, so the window answers between slices.
    static constexpr uint64_t defaultSlice = 4'000'000;
    // Main memory a Run may grow to before it is stopped: the store's own bytes.
    static constexpr uint64_t defaultMemoryBound = uint64_t{512} << 20;

    Session(SessionHost& host, SessionFiles files);

    // "Compile and Load": compile the editor's text when it changed, then, with a report
    // free of errors, refresh and confirm; the loaded flag is set.
    Answer compileAndLoad();
    // One microinstruction (compiling first when the text changed), then the full refresh.
    Answer mic();
    // The next sub-cycle phase; phase 0 executes the microinstruction.
    Answer subCycle();
    // Registers and sequencer to 0, the standard-input cell 0, memory kept.
    Answer reset();
    // Run to the halt address, or one IJVM instruction (to the next address 0): started
    // here, carried on by runSlice until it ends or stopRun is asked; then the refresh.
    Answer startRun();
    Answer startIjvmStep();
    Answer runSlice(uint64_t steps = defaultSlice);
    void stopRun();
    bool running() const { return running_ != Running::Nothing; }
    // A Run, or the checker of a compile, is on: other commands are refused meanwhile.
    bool busy() const { return running() || checking_; }
    void setMemoryBound(uint64_t bytes) { memoryBound_ = bytes; }
    // The bytes the going-back history may keep; it starts again under the new budget.
    void setHistoryBudget(size_t bytes) {
        history_ = History(bytes);
        historyMachine_ = nullptr;
    }

    // The checker asked for by the last Ask::Checker. When it ends, checkerFinished goes on
    // with the command that asked: failure is "" when the checker ran and wrote its report,
    // otherwise why not, for a message box; errorOutput is what it wrote to its standard
    // error, shown in the report pane when it failed.
    const CheckerRequest& checkerRequest() const { return checkerRequest_; }
    Answer checkerFinished(const std::string& failure, const std::string& errorOutput = {});
    // The readout radix by the selector's item: 0 decimal, 1 hexadecimal.
    Answer setRadix(int index);
    // The memory viewer, on a loaded machine.
    Answer memory();

    // The file commands.
    Answer newProgram();
    Answer openMicroprogram(const std::string& fileName);
    Answer save();                                 // asks for a name while unnamed
    Answer saveNamed(const std::string& fileName); // Save with the name just given
    Answer saveAs(const std::string& fileName);
    // The user changed the editor's text.
    void markModified() {
        document_.modified = document_.unsaved = true;
        editedDuringCheck_ = checking_;
    }
    // The editor holds work that is on no disk: changes since the file was read or
    // written, or any text while the program has no name of the user's.
    bool hasUnsavedWork();
    // The question asked before such work would be replaced.
    std::string unsavedQuestion() const;

    // The IJVM commands.
    Answer openIjvmRequest(); // asks for a file when there is a machine to open it into
    Answer openIjvmProgram(const std::string& fileName);
    Answer skeleton();
    // The input box was left with text: the number goes to the standard-input cell.
    Answer setStandardInput(const std::string& text);
    // The diagnostics list was clicked on row: its span in the IJVM editor.
    Answer selectDiagnostic(int row);

    // Opening an IJVM program to run it: asks for the file when there is a machine,
    // otherwise offers the shipped interpreter.
    Answer placeIjvmRequest();
    // Assembles the file; without diagnostics its image is placed in main memory and the
    // registers set to run it on the microprogram loaded; Reset puts it back as placed.
    Answer placeIjvmProgram(const std::string& fileName);
    // Opens the shipped interpreter in the microprogram editor, compiles and loads it, then
    // places the IJVM program as placeIjvmProgram does.
    Answer loadInterpreterAndPlace(const std::string& fileName);
    // "Assemble and Place": the IJVM editor's text (UTF-8), assembled from the window's
    // own copy, so the user's file is written only by a save.
    Answer assembleAndPlace(const std::string& text);
    // The IJVM editor's text saved to its file; a name is asked for when it has none or
    // the file cannot take it.
    Answer saveIjvm(const std::string& text);
    Answer saveIjvmAs(const std::string& fileName, const std::string& text);
    void markIjvmModified() {
        ijvm_.unsaved = ijvm_.edited = true;
        ijvm_.differs = ijvm_.placed;
    }
    bool hasUnsavedIjvmWork() const { return ijvm_.unsaved; }
    std::string unsavedIjvmQuestion() const;
    // A span of the placed IJVM program's source bytes in the IJVM editor; none once the
    // editor shows another text (the spans no longer fit it).
    std::optional<EditorSpan> ijvmEditorSpan(int32_t start, int32_t length) const;

    // Going back: one microinstruction, or to the previous return to address 0. The
    // history starts at each load, Reset and placing; the pictures show the state reached.
    Answer stepBack();
    Answer ijvmStepBack();
    // The memory viewer writes a word: the history keeps the change (going back and forth
    // executes through it), and the views that show memory are told.
    Answer writeMemoryWord(uint32_t wordAddress, int32_t value);
    // What was executed since the load, the last Reset or the placing.
    const ExecutionCounts& counts() const { return counts_; }

    // Breakpoints, by 0-based line of the microprogram editor (on the statement there) and
    // of the IJVM editor (before the instruction there). A line keeps its breakpoint over a
    // new compile or assembly while a statement or instruction stands on it.
    Answer toggleBreakpoint(int line);
    Answer toggleIjvmBreakpoint(int line);
    Answer clearBreakpoints();
    const std::set<int>& breakpointLines() const { return breakLines_; }
    const std::set<int>& ijvmBreakpointLines() const { return ijvmBreakLines_; }
    // One line per breakpoint, for a menu: "MAL line 12: H = H + 1", "IJVM line 5: BIPUSH 1".
    std::vector<std::string> breakpointList() const;

    // Writes the last microinstructions executed (at most last, as far as the history goes
    // back, and at most maxTraceLines) as CSV, one line each.
    static constexpr uint64_t maxTraceLines = 1'000'000;
    Answer exportTrace(const std::string& fileName, uint64_t last);

    // The source of the microinstruction at MPC, for the editor's selection; none beyond
    // the source map.
    std::optional<EditorSpan> sourceSelection() const;
    // The findings of the last compile's report, marked in the editor until the next one.
    const std::vector<Finding>& findings() const { return findings_; }
    // The text a click on line of the report selects: the finding it names, if any.
    std::optional<EditorSpan> reportLineSelection(int line) const;

    const Document& document() const { return document_; }
    const IjvmDocument& ijvm() const { return ijvm_; }
    bool reportShown() const { return reportShown_; }
    const std::string& report() const { return report_; }
    bool loaded() const { return loaded_; }
    int phase() const { return phase_; }
    int radix() const { return radix_; }
    Workbench& workbench() { return workbench_; }
    const Workbench& workbench() const { return workbench_; }

  private:
    enum class Running { Nothing, Run, IjvmStep };
    using Continuation = std::function<void(Answer&)>;

    template <class Body> Answer command(Body&& body);
    Answer startRunning(Running what);
    bool requireLoaded(Answer& a);
    void saveAndCompileIfModified(Answer& a, Continuation then);
    void compileMicroprogram(Answer& a, Continuation then);
    // Reads the report and, without errors, loads the microprogram: true when it did.
    bool finishCompile();
    void readFindings();
    bool reportedError() const;
    int reportedWarnings() const;
    std::string microprogramFile(const std::string& source, std::string& note) const;
    bool writableFile(const std::string& fileName) const;
    // A folder of the shipped examples, which is never written to.
    bool isProtected(const std::filesystem::path& folder) const;
    bool saveEditor(Answer& a);
    void writeEditor(const std::string& fileName);
    void restartPhases(Answer& a);
    void clearIjvmViews(Answer& a);
    // Reads, assembles and places an IJVM program file, which the IJVM editor then shows.
    void placeFile(Answer& a, const std::string& fileName);
    // Assembles fileName (the bytes already read) and places it when it has no
    // diagnostics; otherwise the machine keeps what it holds.
    void assembleIjvm(Answer& a, const std::string& fileName, const std::string& bytes);
    // Writes the placed image into the machine and keeps its memory for Reset.
    void placeImage();
    // The diagnostics of program, whose source is bytes, for the lists and the editor.
    void readIjvmDiagnostics(Answer& a, const IjvmProgram& program, const std::string& bytes);
    // The history and the counts begin again at the machine's present state.
    void startHistory();
    // The machine was changed between steps (a word or the input written): the history
    // keeps the change.
    void machineChanged();
    // One microinstruction back, or one IJVM instruction.
    Answer goBack(bool ijvm);
    // The history belongs to the machine there is: a new machine starts it again.
    History& history();
    void placeBreakpoints();
    // What stopped a Run at a breakpoint, for the status line.
    std::string breakpointStatus() const;
    void writeIjvm(const std::string& fileName, const std::string& text);
    ControlPath& machine() { return workbench_.machine(); }

    SessionHost& host_;
    SessionFiles files_;
    Workbench workbench_;
    Document document_;
    IjvmDocument ijvm_;
    bool reportShown_ = false;
    std::string report_;
    bool loaded_ = false;
    int phase_ = 0;
    int radix_ = 10;
    Running running_ = Running::Nothing;
    bool stopRequested_ = false;
    uint64_t memoryBound_ = defaultMemoryBound;
    bool checking_ = false;
    bool editedDuringCheck_ = false; // the text changed after the checked file was written
    CheckerRequest checkerRequest_;
    Continuation afterCheck_;   // the rest of the command that waits for the checker
    std::string compiledBytes_; // the file the last compile read
    std::string compileNote_;   // one line above the report: where the microprogram file went
    std::vector<Finding> findings_;
    MainMemory placedMemory_; // main memory as the IJVM image was placed, for Reset
    // Each New or Open begins another microprogram; the image placed on one is placed again
    // when the same one is compiled again, and not on another.
    uint64_t microprogramSerial_ = 0;
    uint64_t placedOnSerial_ = 0;
    Continuation afterSaveAs_; // the command that asked for Save As goes on after it

    History history_;
    const ControlPath* historyMachine_ = nullptr;
    ExecutionCounts counts_;
    bool leaveBreakpoint_ = false; // a Run starting on a breakpoint executes it first
    std::set<int> breakLines_, ijvmBreakLines_;
    Breakpoints breakpoints_;
    std::string loadedSource_; // the bytes of the microprogram loaded, which its source map spans
    std::string ijvmSource_;   // the bytes of the IJVM program assembled last
};

} // namespace tarveno
