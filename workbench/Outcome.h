#pragma once
// What a command of the session tells the window, in three small parts: what to draw
// anew, what to ask the user next, and what to tell them. The window reads the state it
// shows every time (names, marks) from the session itself.

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarveno {

inline constexpr std::string_view mustBeLoadedNotice = "The program must be compiled and loaded into memory";
inline constexpr std::string_view hasBeenLoadedNotice =
    "The program has been compiled and loaded into memory";
// Shown while a Run has gone on for a while, so the user knows how to end it.
inline constexpr std::string_view runningHint = "Running ... press Escape to stop";
// Shown by the IJVM window while the source it shows is not the program placed.
inline constexpr std::string_view notPlacedNote =
    "the program shown is not the one placed: Assemble and Place";

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

// A span of an editor's text in the editor's positions (UTF-16 units), end excluded.
struct EditorSpan {
    int32_t start = 0;
    int32_t end = 0;
    friend bool operator==(const EditorSpan&, const EditorSpan&) = default;
};

// The pictures after a command: nothing, the full refresh, or one sub-cycle phase of the
// microinstruction executed last.
enum class Refresh { None, Full, Phase0, Phase1, Phase2, Phase3 };

// The views a command changed; each is read again from the session.
enum class View : uint32_t {
    MalEditor = 1u << 0,   // the microprogram editor's text
    Report = 1u << 1,      // the report pane and the findings marked in the editor
    Clock = 1u << 2,       // the clock's marks cleared: the sub-cycles start again
    IjvmEditor = 1u << 3,  // the IJVM editor's text
    IjvmCleared = 1u << 4, // the IJVM views emptied, the input "0"
    Diagnostics = 1u << 5, // the IJVM diagnostics and their marks
    IjvmImage = 1u << 6,   // an IJVM image was placed anew: its listing
    Breakpoints = 1u << 7, // the editors' breakpoint marks
    Memory = 1u << 8,      // main memory was written from outside the machine
};

struct Redraw {
    Refresh pictures = Refresh::None;
    uint32_t views = 0;

    bool has(View v) const { return (views & static_cast<uint32_t>(v)) != 0; }
    void add(View v) { views |= static_cast<uint32_t>(v); }
};

// What the window asks its user next, and goes on with through the session:
//  SaveFileName, SaveAsFileName: a name for saveTo (SaveAs: the file cannot take the
//    changes, reason says why);
//  IjvmFileName: an IJVM file for openIjvm, Unplaced;
//  IjvmProgramToPlace: an IJVM file for openIjvm, Placed;
//  LoadInterpreter: whether to load the shipped interpreter (reason is the question), then
//    an IJVM file for openIjvm, OnInterpreter;
//  IjvmSaveFileName: a name for the IJVM document's saveAs;
//  MemoryViewer: the memory viewer;
//  Checker: start the checker on checkerRequest() and call checkerFinished when it ends;
//  TestSuiteFile: a test suite to run on the microprogram loaded (testSuiteRequest).
enum class Ask {
    Nothing,
    SaveFileName,
    SaveAsFileName,
    IjvmFileName,
    IjvmProgramToPlace,
    LoadInterpreter,
    IjvmSaveFileName,
    MemoryViewer,
    Checker,
    TestSuiteFile,
};

struct Question {
    Ask what = Ask::Nothing;
    std::string reason; // one line: why the window asks, or the question itself
};

struct Message {
    std::string notice; // the notice dialog's text, shown after the pictures
    std::string status; // one line on what just happened, until the next command
    // A message box: the command was abandoned there; what it did before stays done.
    std::string failureCaption;
    std::string failure;
};

struct Outcome {
    Redraw redraw;
    Question ask;
    Message tell;
    std::optional<EditorSpan> ijvmSelection; // select this in the IJVM editor

    bool failed() const { return !tell.failure.empty(); }
};

// A command ends here with a message for the user, under the window's caption.
struct CommandFailure : std::exception {
    explicit CommandFailure(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

[[noreturn]] void failWith(const std::string& message);

// The commands of the session and its parts go through one gate: while a Run or the
// checker is on, only stopping it acts; a failure is caught at the edge and becomes the
// outcome's message box, with nothing else to draw or ask.
class CommandGate {
  public:
    bool busy() const { return running || checking; }

    template <class Body> Outcome run(Body&& body) {
        Outcome o;
        if (busy()) return o;
        if (beforeEach) beforeEach();
        try {
            body(o);
        } catch (const std::exception& e) {
            failed(o, e);
        }
        return o;
    }
    // A failure as the outcome shows it.
    void failed(Outcome& o, const std::exception& e);

    bool running = false;             // a Run or an IJVM step goes on in slices
    bool checking = false;            // the checker runs for a compile
    std::function<void()> beforeEach; // what every command forgets first
    std::function<void()> onFailure;  // what a failed command undoes
};

} // namespace tarveno
