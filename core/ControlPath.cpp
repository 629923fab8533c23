#include "core/ControlPath.h"

#include <algorithm>

namespace tarveno {

const Mic ControlPath::emptyMic{};

namespace {

// Steps between two looks at the stop request and the memory bound: rare enough to cost
// nothing, often enough to answer within microseconds. Each step makes at most two pages
// of main memory (a fetch and a read or write), so between two looks the store grows by
// at most 2 * 4096 pages and the index doubling and blocks they bring.
constexpr uint64_t stopPollInterval = 4096;

} // namespace

const ControlPath::Direct& ControlPath::fetchSlow(uint32_t address) {
    const Mic& m = controlStore_.lookup(address);
    Direct& d = address < directSize ? direct_[address] : far_;
    d = Direct{&m, m.nextAddress, decode(m.word)};
    return d;
}

void ControlPath::microStep() {
    step(*this, *this, current_);
}

template <class Done, class After>
StopReason ControlPath::runUntil(RunLimits limits, bool atLeastOne, Done done, After after) {
    // The state lives in locals while the loop runs and goes back at every exit, an
    // exception's too: a step that fails in its memory access (the store exhausted)
    // leaves the registers as that step set them, in step with the memory it had written.
    DatapathState d = *this;
    SequencerState s = *this;
    const Mic* current = current_;
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
            if (!(atLeastOne && executed == 0) && done(s.mpc)) return leave(StopReason::Halted);
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
                if (done(s.mpc)) return leave(StopReason::Halted);
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
StopReason ControlPath::observedUntil(RunLimits limits, bool atLeastOne, Done done,
                                      const StepObserver& observe) {
    for (uint64_t executed = 0;; ++executed) {
        if (!(atLeastOne && executed == 0) && done(mpc)) return StopReason::Halted;
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

} // namespace

StopReason ControlPath::run(RunLimits limits, const StepObserver& observe) {
    auto done = [](uint32_t mpc) { return mpc == haltAddress; };
    return observe ? observedUntil(limits, false, done, observe)
                   : runUntil(limits, false, done, nothingAfter);
}

StopReason ControlPath::run(RunLimits limits, DispatchTally& tally) {
    // Counted in locals, which the loop keeps in registers; the tally is written once.
    uint64_t returns = 0;
    int32_t lastPc = tally.lastPc;
    auto count = [&](const SequencerState& s, const DatapathState& d) {
        if (s.mpc == machine::mainLoopAddress) {
            ++returns;
            lastPc = d.registers[PC];
        }
    };
    auto keep = [&] {
        tally.returns += returns;
        tally.lastPc = lastPc;
    };
    try {
        const StopReason why = runUntil(
            limits, false, [](uint32_t mpc) { return mpc == haltAddress; }, count);
        keep();
        return why;
    } catch (...) {
        keep();
        throw;
    }
}

StopReason ControlPath::ijvmStep(RunLimits limits, const StepObserver& observe) {
    auto done = [](uint32_t mpc) { return mpc == machine::mainLoopAddress || mpc == haltAddress; };
    return observe ? observedUntil(limits, true, done, observe) : runUntil(limits, true, done, nothingAfter);
}

void ControlPath::reset() {
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
