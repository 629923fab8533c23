#include "core/Machine.h"

#include "core/RunEngine.h"

#include <algorithm>

namespace tarveno {

const Microinstruction Machine::emptyMic{};

namespace {

// Steps between two looks at the stop request by an observed Run (the engine has its own,
// the same).
constexpr uint64_t stopPollInterval = 4096;

} // namespace

Machine::Machine() : engine_(std::make_unique<RunEngine>(*this)) {
    outputSink = &output;
}

Machine::~Machine() = default;

const Machine::Direct& Machine::fetchSlow(uint32_t address) {
    const Microinstruction& m = controlStore_.lookup(address);
    Direct& d = address < directSize ? direct_[address] : far_;
    d = Direct{&m, m.nextAddress, decode(m.word)};
    return d;
}

void Machine::microStep() {
    step(*this, *this, current_);
}

// The stops of the engine, one microinstruction at a time on the machine itself, so that
// the observer sees every state.
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

// The stop tests of an observed Run and IJVM step: Bound for going on, else why it stops.
constexpr auto runDone = [](const SequencerState& s, const DatapathState&) {
    return s.mpc == Machine::haltAddress ? StopReason::Halted : StopReason::Bound;
};
constexpr auto stepDone = [](const SequencerState& s, const DatapathState&) {
    return ExecutionCounts::endsStep(s.mpc) ? StopReason::Halted : StopReason::Bound;
};

} // namespace

StopReason Machine::run(RunLimits limits, const StepObserver& observe) {
    if (observe) return observedUntil(limits, false, runDone, observe);
    return engine_->run({limits, false, false, true, nullptr});
}

StepObserver countingFirst(ExecutionCounts& counts, const StepObserver& observe) {
    return [&counts, &observe](const Machine& m) {
        counts.afterStep(m.mpc, m);
        observe(m);
    };
}

StopReason Machine::run(RunLimits limits, ExecutionCounts& counts) {
    return engine_->run({limits, false, false, true, &counts});
}

StopReason Machine::ijvmStep(RunLimits limits, ExecutionCounts& counts) {
    return engine_->run({limits, true, true, true, &counts});
}

void Machine::execute(uint64_t steps, ExecutionCounts& counts) {
    if (steps == 0) return;
    engine_->run({RunLimits{steps, nullptr}, true, false, false, &counts});
}

StopReason Machine::ijvmStep(RunLimits limits, const StepObserver& observe) {
    if (observe) return observedUntil(limits, true, stepDone, observe);
    return engine_->run({limits, true, true, true, nullptr});
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
