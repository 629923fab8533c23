#include "core/ControlPath.h"

#include <algorithm>

namespace tarveno {

const Mic ControlPath::emptyMic{};

namespace {

// Steps between two looks at the stop request: rare enough to cost nothing, often
// enough to answer within microseconds.
constexpr uint64_t stopPollInterval = 4096;

template <class Done> StopReason runUntil(ControlPath& m, RunLimits limits, bool atLeastOne, Done done) {
    uint64_t executed = 0;
    for (;;) {
        if (!(atLeastOne && executed == 0) && done()) return StopReason::Halted;
        uint64_t chunk = stopPollInterval;
        if (limits.maxSteps) {
            if (executed >= limits.maxSteps) return StopReason::Bound;
            chunk = std::min(chunk, limits.maxSteps - executed);
        }
        if (limits.stop && limits.stop->load(std::memory_order_relaxed)) return StopReason::Stopped;
        // Within a chunk only the address test remains.
        m.microStep();
        ++executed;
        for (uint64_t i = 1; i < chunk; ++i) {
            if (done()) return StopReason::Halted;
            m.microStep();
            ++executed;
        }
    }
}

} // namespace

const ControlPath::Direct& ControlPath::fetchSlow(uint32_t address) {
    const Mic& m = controlStore.lookup(address);
    Direct& d = address < directSize ? direct_[address] : far_;
    d = Direct{&m, m.word, m.nextAddress};
    return d;
}

StopReason ControlPath::run(RunLimits limits) {
    return runUntil(*this, limits, false, [this] { return mpc == haltAddress; });
}

StopReason ControlPath::ijvmStep(RunLimits limits) {
    return runUntil(*this, limits, true, [this] { return mpc == 0 || mpc == haltAddress; });
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
}

} // namespace tarveno
