#include "core/History.h"

#include <algorithm>
#include <iterator>

namespace tarveno {

History::History(size_t budgetBytes, uint64_t spacing)
    : budget_(budgetBytes), spacing_(std::max<uint64_t>(1, spacing)) {}

void History::start(const Machine& machine, const ExecutionCounts& counts) {
    kept_.clear();
    bytes_ = 0;
    last_ = counts.micro;
    keep(machine, counts, true);
}

void History::changed(const Machine& machine, const ExecutionCounts& counts) {
    if (kept_.empty()) return start(machine, counts);
    dropAfter(counts.micro, true);
    last_ = counts.micro;
    keep(machine, counts, true);
}

size_t History::costOf(const Kept& k, const Kept* before) {
    const MachineState& s = k.state;
    const size_t memory = before ? s.memory.bytesSince(before->state.memory) : s.memory.bytesUsed();
    return sizeof(Kept) + memory + s.output.values.capacity() * sizeof(int32_t);
}

void History::keep(const Machine& machine, const ExecutionCounts& counts, bool changed) {
    Kept k{counts.micro, changed, machine.state(), counts, 0};
    k.bytes = costOf(k, kept_.empty() ? nullptr : &kept_.back());
    // A state shares the pages of main memory that were not written since the state before,
    // and holds a list of its regions; what it costs is copied as the machine writes (a
    // page's copy costs far less than a step for each of its bytes). With a step for every
    // byte between states, keeping them stays a small part of a Run, and a program that
    // rewrites all its memory keeps about a byte a step. The first state holds the whole
    // memory as it was: it says nothing of what the states after it cost.
    while (!kept_.empty() && spacing_ < maxSpacing && spacing_ < static_cast<uint64_t>(k.bytes))
        spacing_ *= 2;
    bytes_ += k.bytes;
    kept_.push_back(std::move(k));
    if (bytes_ > budget_) thin();
}

void History::recount() {
    bytes_ = 0;
    for (size_t i = 0; i < kept_.size(); ++i) {
        kept_[i].bytes = costOf(kept_[i], i ? &kept_[i - 1] : nullptr);
        bytes_ += kept_[i].bytes;
    }
}

void History::thin() {
    while (bytes_ > budget_ && kept_.size() > 1) {
        // Every other state that is not a change goes (the first stays), while there are such.
        const bool periodic =
            std::any_of(kept_.begin() + 1, kept_.end(), [](const Kept& k) { return !k.changed; });
        if (periodic && spacing_ < maxSpacing) {
            spacing_ *= 2;
            std::vector<Kept> kept;
            for (size_t i = 0; i < kept_.size(); ++i)
                if (i == 0 || kept_[i].changed || kept_[i].step % spacing_ == 0)
                    kept.push_back(std::move(kept_[i]));
            kept_ = std::move(kept);
            // A state now holds the pages its removed neighbour shared with it.
            recount();
            continue;
        }
        // Only the user's changes are left: the oldest goes, and with it the steps before
        // the next one.
        kept_.erase(kept_.begin());
        recount();
    }
}

void History::dropAfter(uint64_t step, bool inclusive) {
    auto first = std::find_if(kept_.begin(), kept_.end(),
                              [&](const Kept& k) { return inclusive ? k.step >= step : k.step > step; });
    if (first == kept_.begin() && !kept_.empty()) ++first; // the first state stays
    for (auto k = first; k != kept_.end(); ++k)
        bytes_ -= k->bytes;
    kept_.erase(first, kept_.end());
}

void History::dropFutureChanges(uint64_t present) {
    // Nothing kept after the present is the usual case, and a step must not search for it.
    if (kept_.empty() || kept_.back().step <= present) return;
    auto change = std::find_if(kept_.begin(), kept_.end(),
                               [&](const Kept& k) { return k.step > present && k.changed; });
    if (change != kept_.end()) {
        dropAfter(change->step, true);
        last_ = present;
    }
}

const History::Kept& History::nearest(uint64_t step) const {
    auto after = std::upper_bound(kept_.begin(), kept_.end(), step,
                                  [](uint64_t s, const Kept& k) { return s < k.step; });
    return *std::prev(after);
}

template <class Advance>
StopReason History::forward(Machine& machine, ExecutionCounts& counts, RunLimits limits, Advance advance) {
    dropFutureChanges(counts.micro);
    const uint64_t first = counts.micro;
    for (;;) {
        // Up to the next multiple of the spacing, where a state is kept.
        const uint64_t boundary = (counts.micro / spacing_ + 1) * spacing_;
        RunLimits slice = limits;
        slice.maxSteps = boundary - counts.micro;
        if (limits.maxSteps) {
            const uint64_t done = counts.micro - first;
            if (done >= limits.maxSteps) return StopReason::Bound;
            slice.maxSteps = std::min(slice.maxSteps, limits.maxSteps - done);
        }
        const uint64_t before = counts.micro;
        const StopReason why = advance(slice, before == first);
        last_ = std::max(last_, counts.micro);
        if (counts.micro == boundary && (kept_.empty() || kept_.back().step < boundary))
            keep(machine, counts, false);
        if (why != StopReason::Bound || counts.micro != boundary) return why;
    }
}

void History::microStep(Machine& machine, ExecutionCounts& counts) {
    forward(machine, counts, {1, nullptr}, [&](const RunLimits&, bool) {
        machine.microStep(counts);
        return StopReason::Bound;
    });
}

StopReason History::run(Machine& machine, ExecutionCounts& counts, RunLimits limits,
                        const StepObserver& observe) {
    return forward(machine, counts, limits, [&](const RunLimits& slice, bool) {
        return observe ? machine.run(slice, countingFirst(counts, observe)) : machine.run(slice, counts);
    });
}

StopReason History::ijvmStep(Machine& machine, ExecutionCounts& counts, RunLimits limits,
                             const StepObserver& observe) {
    // Only the first slice executes a microinstruction wherever it stands; a later one
    // begins where the step has not ended yet, and goes on as a Run to address 0 would.
    return forward(machine, counts, limits, [&](const RunLimits& slice, bool first) {
        if (!first && (machine.mpc == machine::mainLoopAddress || machine.mpc == Machine::haltAddress))
            return StopReason::Halted;
        return observe ? machine.ijvmStep(slice, countingFirst(counts, observe))
                       : machine.ijvmStep(slice, counts);
    });
}

bool History::goTo(Machine& machine, ExecutionCounts& counts, uint64_t target) {
    if (kept_.empty() || target > std::max(counts.micro, last_) || target < firstStep()) return false;
    if (target == counts.micro) return true;
    const Kept& k = nearest(target);
    machine.restore(k.state);
    counts = k.counts;
    // Exactly the steps between, as they were executed: no breakpoint, and the halt
    // address passed if a Mic went on from it.
    machine.execute(target - k.step, counts);
    return true;
}

uint64_t History::ijvmBack(const ExecutionCounts& counts) {
    return counts.lastReturn < counts.micro ? counts.lastReturn : counts.previousReturn;
}

bool History::replay(Machine& machine, ExecutionCounts& counts, uint64_t first, const StepObserver& observe) {
    const uint64_t present = counts.micro;
    if (!goTo(machine, counts, first)) return false;
    auto next = std::upper_bound(kept_.begin(), kept_.end(), first,
                                 [](uint64_t s, const Kept& k) { return s < k.step; });
    while (counts.micro < present) {
        const uint64_t until = next != kept_.end() && next->step <= present ? next->step : present;
        while (counts.micro < until) {
            machine.microStep(counts);
            observe(machine);
        }
        // A change the user made at that step is made again.
        if (next != kept_.end() && next->step == counts.micro) {
            if (next->changed) {
                machine.restore(next->state);
                counts = next->counts;
            }
            ++next;
        }
    }
    return true;
}

} // namespace tarveno
