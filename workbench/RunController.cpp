#include "workbench/RunController.h"

#include "core/MachineDescription.h"
#include "support/Conversions.h"
#include "support/Encoding.h"
#include "workbench/BreakpointMap.h"
#include "workbench/FileRules.h"
#include "workbench/Trace.h"
#include "workbench/Workbench.h"

#include <algorithm>
#include <filesystem>

namespace tarveno {

namespace {

Refresh phaseRefresh(int phase) {
    static constexpr Refresh phases[4] = {Refresh::Phase0, Refresh::Phase1, Refresh::Phase2, Refresh::Phase3};
    return phases[phase];
}

} // namespace

bool RunController::requireLoaded(Outcome& o) {
    if (loaded_) return true;
    o.tell.notice = mustBeLoadedNotice;
    return false;
}

void RunController::restartPhases(Outcome& o) {
    phase_ = 0;
    o.redraw.add(View::Clock);
}

History& RunController::history() {
    if (historyMachine_ != &workbench_.machine()) startHistory();
    return history_;
}

void RunController::startHistory() {
    Machine& m = workbench_.machine();
    counts_.start(m.registers[PC], m.registers[MBR]);
    history_.start(m, counts_);
    historyMachine_ = &m;
    // A machine just loaded or placed has changed nothing yet.
    noteMemoryBefore();
}

void RunController::noteMemoryBefore() {
    memoryBeforeKept_ = false;
    memoryBefore_ = MainMemory();
    if (!workbench_.hasMachine()) return;
    const MainMemory& now = workbench_.machine().mainMemory;
    if (now.bytesUsed() > changesKeptUpTo) return;
    memoryBefore_ = now;
    memoryBeforeKept_ = true;
}

bool RunController::changedByLast(uint32_t wordAddress) const {
    if (!memoryBeforeKept_ || !workbench_.hasMachine()) return false;
    const int32_t* now = workbench_.machine().peekWord(wordAddress);
    const int32_t* before = memoryBefore_.search(wordAddress);
    return (now ? *now : 0) != (before ? *before : 0);
}

RunController::Timeline RunController::timeline() const {
    if (!workbench_.hasMachine() || historyMachine_ != &workbench_.machine()) return {};
    return {history_.firstStep(), std::max(history_.lastStep(), counts_.micro), counts_.micro};
}

Outcome RunController::goToStep(uint64_t step) {
    return gate_.run([&](Outcome& o) {
        restartPhases(o);
        if (!requireLoaded(o)) return;
        History& h = history();
        const Timeline t = timeline();
        step = std::clamp(step, t.first, t.last);
        if (step == counts_.micro) return;
        noteMemoryBefore();
        h.goTo(workbench_.machine(), counts_, step);
        o.redraw.pictures = Refresh::Full;
    });
}

void RunController::machineChanged() {
    if (!workbench_.hasMachine()) return;
    if (historyMachine_ != &workbench_.machine())
        startHistory();
    else
        history_.changed(workbench_.machine(), counts_);
}

void RunController::microStep() {
    noteMemoryBefore();
    history().microStep(workbench_.machine(), counts_);
}

Outcome RunController::subCycle() {
    return gate_.run([&](Outcome& o) {
        // The whole microinstruction runs at phase 0; the later phases only show it.
        if (phase_ == 0) {
            if (!requireLoaded(o)) return;
            microStep();
        }
        o.redraw.pictures = phaseRefresh(phase_);
        phase_ = (phase_ + 1) % 4;
    });
}

void RunController::start(RunKind kind) {
    noteMemoryBefore();
    kind_ = kind;
    gate_.running = true;
    stopRequested_ = false;
    leaveBreakpoint_ = kind == RunKind::ToHalt;
}

Outcome RunController::slice(uint64_t steps) {
    if (!running()) return {};
    // Ending here, however it ends, gives the window its commands back.
    gate_.running = false;
    Outcome out = gate_.run([&](Outcome& o) {
        if (!stopRequested_) {
            RunLimits limits{steps, nullptr};
            limits.maxMemoryBytes = memoryBound_;
            limits.breakpoints = &breakpoints_.addresses();
            History& h = history();
            Machine& m = workbench_.machine();
            // A Run from a breakpoint goes on: its own microinstruction first.
            if (std::exchange(leaveBreakpoint_, false) && m.mpc != Machine::haltAddress &&
                breakpoints_.addresses().at(m.mpc, m.registers[PC]))
                h.microStep(m, counts_);
            const StopReason why =
                kind_ == RunKind::ToHalt ? h.run(m, counts_, limits) : h.ijvmStep(m, counts_, limits);
            if (why == StopReason::Bound) {
                gate_.running = true;
                return;
            }
            if (why == StopReason::Breakpoint) o.tell.status = breakpoints_.stopStatus();
            if (why == StopReason::MemoryBound)
                o.tell.notice = "Run stopped: main memory passed its bound of " +
                                std::to_string(memoryBound_ >> 20) + " MB.";
        }
        o.redraw.pictures = Refresh::Full;
    });
    // A failure inside the Run leaves the machine as of its last microinstruction: show it.
    if (out.failed() && workbench_.hasMachine()) out.redraw.pictures = Refresh::Full;
    return out;
}

Outcome RunController::stepBack(Back how) {
    return gate_.run([&](Outcome& o) {
        restartPhases(o);
        if (!requireLoaded(o)) return;
        History& h = history();
        if (counts_.micro == 0) {
            o.tell.status = "Nothing to go back to: the program starts here";
            return;
        }
        const uint64_t target = how == Back::IjvmInstruction ? History::ijvmBack(counts_) : counts_.micro - 1;
        // Over its budget the history forgets its oldest steps: it cannot go before them.
        if (target < h.firstStep()) {
            o.tell.status = "Cannot go back: history starts at step " + std::to_string(h.firstStep());
            return;
        }
        noteMemoryBefore();
        h.goTo(workbench_.machine(), counts_, target);
        o.redraw.pictures = Refresh::Full;
    });
}

Outcome RunController::setRadix(int index) {
    return gate_.run([&](Outcome& o) {
        if (index == 0) radix_ = 10;
        if (index == 1) radix_ = 16;
        if (requireLoaded(o)) o.redraw.pictures = Refresh::Full;
    });
}

Outcome RunController::memory() {
    return gate_.run([&](Outcome& o) {
        if (requireLoaded(o)) o.ask.what = Ask::MemoryViewer;
    });
}

Outcome RunController::setStandardInput(const std::string& text) {
    return gate_.run([&](Outcome&) {
        // The number is checked even with no machine yet; it is then stored nowhere.
        const int32_t value = parseNumber(text);
        if (!workbench_.hasMachine()) return;
        // The box is left whenever the focus moves on: the same number again changes
        // nothing, so the steps after the present stay on the timeline.
        const int32_t* cell = workbench_.machine().peekWord(machine::standardInputAddress);
        if ((cell ? *cell : 0) == value) return;
        noteMemoryBefore();
        workbench_.machine().memoryWord(machine::standardInputAddress) = value;
        machineChanged();
    });
}

Outcome RunController::writeMemoryWord(uint32_t wordAddress, int32_t value) {
    return gate_.run([&](Outcome& o) {
        if (!workbench_.hasMachine()) return;
        noteMemoryBefore();
        workbench_.machine().memoryWord(wordAddress) = value;
        machineChanged();
        o.redraw.add(View::Memory);
    });
}

Outcome RunController::exportTrace(const std::string& fileName, uint64_t last) {
    return gate_.run([&](Outcome& o) {
        if (!requireLoaded(o)) return;
        History& h = history();
        // As far back as the history goes, and not more lines than a spreadsheet takes.
        last = std::min({last, counts_.micro - h.firstStep(), maxTraceLines});
        const uint64_t first = counts_.micro - last;
        const std::vector<std::string> statements =
            statementTexts(breakpoints_.microprogramSource(), workbench_.sourceMap());
        std::string csv = traceCsvHeader() + "\n";
        uint64_t step = first;
        h.replay(workbench_.machine(), counts_, first, [&](const Machine& m) {
            const uint32_t a = m.previousMpc;
            csv += traceCsvRow(++step, m, a < statements.size() ? statements[a] : std::string());
            csv += '\n';
        });
        FileRules::write(fileName, csv);
        o.tell.status = "Exported " + std::to_string(last) + " microinstruction" + (last == 1 ? "" : "s") +
                        " to " + displayText(std::filesystem::path(fileName).filename().string());
    });
}

} // namespace tarveno
