#pragma once
// How the machine is driven between commands: the loaded flag, the sub-cycle phases, a Run
// or an IJVM step carried on in bounded slices, going back through the history, the counts
// of what was executed, the readout radix, and the changes a user makes to the machine
// between steps (the input typed, a word written), which the history keeps.

#include "core/History.h"
#include "workbench/Outcome.h"

#include <cstdint>
#include <string>

namespace tarveno {

class BreakpointMap;
class Workbench;

// What a Run carries on to: the halt address, or the next IJVM instruction (address 0).
enum class RunKind { ToHalt, IjvmStep };
// How far back: one microinstruction, or to the previous return to address 0.
enum class Back { Microinstruction, IjvmInstruction };

class RunController {
  public:
    // Microinstructions a Run executes per slice when the window does not say: a few
    // milliseconds of work, so the window answers between slices.
    static constexpr uint64_t defaultSlice = 4'000'000;
    // Main memory a Run may grow to before it is stopped: the store's own bytes.
    static constexpr uint64_t defaultMemoryBound = uint64_t{512} << 20;
    // The most lines a trace export writes.
    static constexpr uint64_t maxTraceLines = 1'000'000;

    RunController(Workbench& workbench, CommandGate& gate, const BreakpointMap& breakpoints)
        : workbench_(workbench), gate_(gate), breakpoints_(breakpoints) {}

    bool loaded() const { return loaded_; }
    int phase() const { return phase_; }
    int radix() const { return radix_; }
    bool running() const { return gate_.running; }
    // A Run, or the checker of a compile, is on: other commands are refused meanwhile.
    bool busy() const { return gate_.busy(); }
    // What was executed since the load, the last Reset or the placing.
    const ExecutionCounts& counts() const { return counts_; }

    // The next sub-cycle phase; phase 0 executes the microinstruction.
    Outcome subCycle();
    // The Run started goes on for at most steps microinstructions; at its end, however it
    // ends, the full refresh.
    Outcome slice(uint64_t steps = defaultSlice);
    void stop() {
        if (running()) stopRequested_ = true;
    }
    // Going back; the pictures show the state reached.
    Outcome stepBack(Back how);

    // The steps since the load, the last Reset or the placing, as far back as the history
    // reaches, to the last one executed: going back keeps the steps after the present, and
    // executing on goes the same way until the user changes the machine.
    struct Timeline {
        uint64_t first = 0;
        uint64_t last = 0;
        uint64_t present = 0;
    };
    Timeline timeline() const;
    // Goes to a step of the timeline (one outside it: its nearest end) by the same exact
    // replay as Step Back; the pictures show the state reached.
    Outcome goToStep(uint64_t step);

    // Whether the last command that moved the machine (a step, a Run, going back, a word or
    // the input written) changed the word at wordAddress: its value, a word that came or
    // went. A word a read made, which holds 0, is no change. Not kept for a main memory of
    // more than changesKeptUpTo bytes: then nothing is reported.
    bool changedByLast(uint32_t wordAddress) const;
    static constexpr size_t changesKeptUpTo = size_t{16} << 20;
    // The readout radix by the selector's item: 0 decimal, 1 hexadecimal.
    Outcome setRadix(int index);
    // The memory viewer, on a loaded machine.
    Outcome memory();
    // The input box was left with text: the number goes to the standard-input cell.
    Outcome setStandardInput(const std::string& text);
    // The memory viewer writes a word: the history keeps the change, the views that show
    // memory are told.
    Outcome writeMemoryWord(uint32_t wordAddress, int32_t value);
    // Writes the last microinstructions executed (at most last, as far as the history goes
    // back, and at most maxTraceLines) as CSV, one line each.
    Outcome exportTrace(const std::string& fileName, uint64_t last);

    void setMemoryBound(uint64_t bytes) { memoryBound_ = bytes; }
    // The bytes the history may keep; it starts again under the new budget.
    void setHistoryBudget(size_t bytes) {
        history_ = History(bytes);
        historyMachine_ = nullptr;
    }

    // For the session's commands.
    bool requireLoaded(Outcome& o);
    void setLoaded(bool loaded) { loaded_ = loaded; }
    void restartPhases(Outcome& o);
    // The next sub-cycle starts at phase 0; the clock keeps its marks until it is drawn.
    void resetPhase() { phase_ = 0; }
    // One microinstruction, through the history.
    void microStep();
    void start(RunKind kind);
    // The history and the counts begin again at the machine's present state.
    void startHistory();
    // The machine was changed between steps: the history keeps the change.
    void machineChanged();
    // A command is about to move the machine: its memory now, for changedByLast.
    void noteMemoryBefore();

  private:
    History& history();

    Workbench& workbench_;
    CommandGate& gate_;
    const BreakpointMap& breakpoints_;
    bool loaded_ = false;
    int phase_ = 0;
    int radix_ = 10;
    RunKind kind_ = RunKind::ToHalt;
    bool stopRequested_ = false;
    bool leaveBreakpoint_ = false; // a Run starting on a breakpoint executes it first
    uint64_t memoryBound_ = defaultMemoryBound;
    History history_;
    const Machine* historyMachine_ = nullptr;
    ExecutionCounts counts_;
    MainMemory memoryBefore_; // main memory before the last command that moved the machine
    bool memoryBeforeKept_ = false;
};

} // namespace tarveno
