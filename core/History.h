#pragma once
// Going back in what a machine executed. States are kept every so many microinstructions;
// any earlier step is reached again by restoring the nearest state before it and executing
// forward, which is exact because the machine is deterministic: its only input, the
// standard-input cell, is part of its state. What the user changes between steps (a word
// written, the input typed) is kept as a state of its own, so it is executed through again.
// A state shares with the one before it the pages of main memory not written between them.
// The states kept stay under a budget of bytes: when they pass it, every other one goes
// and the spacing doubles. When only the user's changes are left over the budget, the
// oldest go, and the history then starts later than the first step.

#include "core/Machine.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarveno {

class History {
  public:
    static constexpr size_t defaultBudget = size_t{256} << 20;
    // About 4 ms of a Run: the most a step back executes again while the states are few.
    static constexpr uint64_t defaultSpacing = uint64_t{1} << 20;
    // The spacing never grows past this, so that it never wraps to 0.
    static constexpr uint64_t maxSpacing = uint64_t{1} << 62;

    explicit History(size_t budgetBytes = defaultBudget, uint64_t spacing = defaultSpacing);

    // Forgets everything: the machine as it is now is step 0 (counts.micro must be 0).
    void start(const Machine& machine, const ExecutionCounts& counts);
    // The machine was changed between steps: it goes on from its state now, and what was
    // kept of a future after this step is forgotten.
    void changed(const Machine& machine, const ExecutionCounts& counts);

    // Executing forward, so that the history knows each step. The limits are honoured as
    // by the machine's own Run and IJVM step (maxSteps counts this call's steps), and so is
    // an observer: called after every step, at the cost it has there.
    void microStep(Machine& machine, ExecutionCounts& counts);
    StopReason run(Machine& machine, ExecutionCounts& counts, RunLimits limits,
                   const StepObserver& observe = {});
    StopReason ijvmStep(Machine& machine, ExecutionCounts& counts, RunLimits limits,
                        const StepObserver& observe = {});

    // The machine as it was after step target, from firstStep() to lastStep(), before the
    // present or after it: false, and nothing changed, outside them.
    bool goTo(Machine& machine, ExecutionCounts& counts, uint64_t target);
    // The step one IJVM step back: where the last IJVM step before the present ended (a
    // return to address 0, or an arrival at the halt address), or 0.
    static uint64_t ijvmBack(const ExecutionCounts& counts);
    // Executes again from step first to the present, calling observe after each step
    // after first; the machine ends as it was. False when first is beyond the present.
    bool replay(Machine& machine, ExecutionCounts& counts, uint64_t first, const StepObserver& observe);

    // The earliest step the history still holds: 0 unless the budget made it forget.
    uint64_t firstStep() const { return kept_.empty() ? 0 : kept_.front().step; }
    // The last step executed on the way the present lies on. Going back keeps the steps
    // after the present: executing from there goes the same way, since the machine is
    // deterministic, until a change of the user's takes another (at the present, or one
    // ahead that executing from before it forgets).
    uint64_t lastStep() const { return last_; }
    size_t bytes() const { return bytes_; }
    uint64_t spacing() const { return spacing_; }
    size_t statesKept() const { return kept_.size(); }

  private:
    struct Kept {
        uint64_t step = 0;
        bool changed = false; // the user's change: never thinned out
        MachineState state;
        ExecutionCounts counts;
        size_t bytes = 0; // what it holds that the state before it does not
    };
    static size_t costOf(const Kept& k, const Kept* before);
    // The bytes of every state again, after states went.
    void recount();
    template <class Advance>
    StopReason forward(Machine& machine, ExecutionCounts& counts, RunLimits limits, Advance advance);
    void keep(const Machine& machine, const ExecutionCounts& counts, bool changed);
    // Before executing from the present: a kept change after it is of another future,
    // which ends there.
    void dropFutureChanges(uint64_t present);
    void dropAfter(uint64_t step, bool inclusive);
    // The last kept state at or before step.
    const Kept& nearest(uint64_t step) const;
    void thin();

    std::vector<Kept> kept_; // ascending steps; the first is firstStep()
    size_t budget_;
    uint64_t spacing_;
    size_t bytes_ = 0;
    uint64_t last_ = 0;
};

} // namespace tarveno
