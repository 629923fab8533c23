#include "core/Machine.h"

#include <algorithm>

namespace tarveno {

const Microinstruction Machine::emptyMic{};

namespace {

// Steps between two looks at the stop request and the memory bound: rare enough to cost
// nothing, often enough to answer within microseconds. Each step makes at most two pages
// of main memory (a fetch and a read or write), so between two looks the store grows by
// at most 2 * 4096 pages and the index doubling and blocks they bring.
constexpr uint64_t stopPollInterval = 4096;

} // namespace

const Machine::Direct& Machine::fetchSlow(uint32_t address) {
    const Microinstruction& m = controlStore_.lookup(address);
    Direct& d = address < directSize ? direct_[address] : far_;
    d = Direct{&m, m.nextAddress, decode(m.word)};
    return d;
}

void Machine::microStep() {
    step(*this, *this, current_);
}

template <class Done, class After>
StopReason Machine::runUntil(RunLimits limits, bool atLeastOne, Done done, After after) {
    // The state lives in locals while the loop runs and goes back at every exit, an
    // exception's too: a step that fails in its memory access (the store exhausted)
    // leaves the registers as that step set them, in step with the memory it had written.
    DatapathState d = *this;
    SequencerState s = *this;
    const Microinstruction* current = current_;
    auto writeBack = [&] {
        static_cast<DatapathState&>(*this) = d;
        static_cast<SequencerState&>(*this) = s;
        current_ = current;
    };
    auto leave = [&](StopReason why) {
        writeBack();
        return why;
    };
    uint64_t executed = 0;
    try {
        for (;;) {
            if (!(atLeastOne && executed == 0))
                if (const StopReason why = done(s, d); why != StopReason::Bound) return leave(why);
            uint64_t chunk = stopPollInterval;
            if (limits.maxSteps) {
                if (executed >= limits.maxSteps) return leave(StopReason::Bound);
                chunk = std::min(chunk, limits.maxSteps - executed);
            }
            if (limits.maxMemoryBytes && mainMemory.bytesUsed() > limits.maxMemoryBytes)
                return leave(StopReason::MemoryBound);
            if (limits.stop && limits.stop->load(std::memory_order_relaxed))
                return leave(StopReason::Stopped);
            // Within a chunk only the address test remains.
            step(d, s, current);
            after(s, d);
            ++executed;
            for (uint64_t i = 1; i < chunk; ++i) {
                if (const StopReason why = done(s, d); why != StopReason::Bound) return leave(why);
                step(d, s, current);
                after(s, d);
                ++executed;
            }
        }
    } catch (...) {
        writeBack();
        throw;
    }
}

// The same stops as runUntil, one microinstruction at a time on the machine itself, so
// that the observer sees every state.
template <class Done>
StopReason Machine::observedUntil(RunLimits limits, bool atLeastOne, Done done, const StepObserver& observe) {
    for (uint64_t executed = 0;; ++executed) {
        if (!(atLeastOne && executed == 0))
            if (const StopReason why = done(*this, *this); why != StopReason::Bound) return why;
        if (limits.maxSteps && executed >= limits.maxSteps) return StopReason::Bound;
        if (limits.maxMemoryBytes && mainMemory.bytesUsed() > limits.maxMemoryBytes)
            return StopReason::MemoryBound;
        if (limits.stop && executed % stopPollInterval == 0 && limits.stop->load(std::memory_order_relaxed))
            return StopReason::Stopped;
        microStep();
        observe(*this);
    }
}

namespace {

constexpr auto nothingAfter = [](const SequencerState&, const DatapathState&) {};

// The stop tests of a Run and an IJVM step: Bound for going on, else why it stops. Each
// names the addresses where it can stop (ends), all below Breakpoints::addresses.
struct RunDone {
    static constexpr uint32_t ends[] = {Machine::haltAddress};
    StopReason operator()(const SequencerState& s, const DatapathState&) const {
        return s.mpc == Machine::haltAddress ? StopReason::Halted : StopReason::Bound;
    }
};
struct StepDone {
    static constexpr uint32_t ends[] = {machine::mainLoopAddress, Machine::haltAddress};
    StopReason operator()(const SequencerState& s, const DatapathState&) const {
        return s.mpc == machine::mainLoopAddress || s.mpc == Machine::haltAddress ? StopReason::Halted
                                                                                  : StopReason::Bound;
    }
};
constexpr RunDone runDone;
constexpr StepDone stepDone;

} // namespace

// With breakpoints set, each step looks up one table of the addresses where it may stop:
// a breakpoint's, an end's, and the main loop's when IJVM breakpoints are set; which it
// was is told there, off the path of the steps that go on. Without, the loop is the
// plain one.
template <class Done, class After>
StopReason Machine::runWith(RunLimits limits, bool atLeastOne, Done done, After after) {
    if (!limits.breakpoints || !limits.breakpoints->any()) return runUntil(limits, atLeastOne, done, after);
    const Breakpoints& b = *limits.breakpoints;
    std::array<bool, Breakpoints::addresses> mayStop{};
    for (uint32_t a = 0; a < Breakpoints::addresses; ++a)
        mayStop[a] = b.micro[a];
    for (uint32_t a : Done::ends)
        mayStop[a] = true;
    if (!b.ijvm.empty()) mayStop[machine::mainLoopAddress] = true;
    auto orBreakpoint = [&](const SequencerState& s, const DatapathState& d) {
        if (s.mpc >= Breakpoints::addresses || !mayStop[s.mpc]) [[likely]]
            return StopReason::Bound;
        const StopReason why = done(s, d);
        if (why != StopReason::Bound) return why;
        return b.at(s.mpc, d.registers[PC]) ? StopReason::Breakpoint : StopReason::Bound;
    };
    return runUntil(limits, atLeastOne, orBreakpoint, after);
}

StopReason Machine::run(RunLimits limits, const StepObserver& observe) {
    if (observe) return observedUntil(limits, false, runDone, observe);
    return runWith(limits, false, runDone, nothingAfter);
}

StepObserver countingFirst(ExecutionCounts& counts, const StepObserver& observe) {
    return [&counts, &observe](const Machine& m) {
        counts.afterStep(m.mpc, m);
        observe(m);
    };
}

namespace {

// Counts into counts itself, but for micro, which the loop keeps in a register; written
// back however it ends. (A copy of the whole counts, tables and all, would cost more than
// an IJVM step executes.)
template <class Run> StopReason counting(ExecutionCounts& counts, Run run) {
    uint64_t micro = counts.micro;
    auto count = [&](const SequencerState& s, const DatapathState& d) {
        ++micro;
        if (!ExecutionCounts::endsStep(s.mpc)) [[likely]]
            return;
        counts.micro = micro;
        counts.stepEnded(s.mpc, d);
    };
    try {
        const StopReason why = run(count);
        counts.micro = micro;
        return why;
    } catch (...) {
        counts.micro = micro;
        throw;
    }
}

} // namespace

StopReason Machine::run(RunLimits limits, ExecutionCounts& counts) {
    return counting(counts, [&](auto count) { return runWith(limits, false, runDone, count); });
}

StopReason Machine::ijvmStep(RunLimits limits, ExecutionCounts& counts) {
    return counting(counts, [&](auto count) { return runWith(limits, true, stepDone, count); });
}

void Machine::execute(uint64_t steps, ExecutionCounts& counts) {
    if (steps == 0) return;
    auto never = [](const SequencerState&, const DatapathState&) { return StopReason::Bound; };
    counting(counts, [&](auto count) { return runUntil(RunLimits{steps, nullptr}, false, never, count); });
}

StopReason Machine::ijvmStep(RunLimits limits, const StepObserver& observe) {
    if (observe) return observedUntil(limits, true, stepDone, observe);
    return runWith(limits, true, stepDone, nothingAfter);
}

MachineState Machine::state() const {
    MachineState m{*this, *this, current_, mainMemory, output};
    m.datapath.outputSink = nullptr;
    return m;
}

void Machine::restore(const MachineState& m) {
    OutputRecord* const sink = outputSink;
    static_cast<DatapathState&>(*this) = m.datapath;
    outputSink = sink;
    static_cast<SequencerState&>(*this) = m.sequencer;
    current_ = m.current ? m.current : &emptyMic;
    mainMemory = m.memory;
    output = m.output;
}

void Machine::reset() {
    std::fill(std::begin(registers), std::end(registers), 0);
    pendingMdr = 0;
    pendingMbr = 0;
    mir = 0;
    pendingOps = 0;
    mpc = 0;
    previousMpc = 0;
    microCounter = 0;
    output.clear();
}

} // namespace tarveno
