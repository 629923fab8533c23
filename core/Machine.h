#pragma once
// The control side of the machine: the control store, the microsequencer with the JAM
// logic, the three ways of advancing (one microinstruction, one IJVM instruction, run
// to the halt address) and reset.

#include "core/Datapath.h"
#include "core/Microinstruction.h"
#include "core/SparseStore.h"

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarveno {

// Why a Run or an IJVM step ended.
enum class StopReason {
    Halted,      // reached its address (112, or 0 for an IJVM step)
    Bound,       // executed the number of microinstructions it was allowed
    Stopped,     // a stop was requested
    MemoryBound, // main memory's store passed the bytes it was allowed
    Breakpoint,  // the next microinstruction, or the next IJVM instruction, has a breakpoint
};

// Where a Run or an IJVM step stops before going on: at control-store addresses (before
// the microinstruction there is executed), and at method-area offsets (when the main loop
// at address 0 is about to dispatch the opcode at PC). The first microinstruction of a
// Run or a step is executed wherever it stands, so a Run goes on from a breakpoint.
struct Breakpoints {
    static constexpr uint32_t addresses = 512; // every address a next address can name
    std::bitset<addresses> micro;
    std::vector<bool> ijvm; // by offset; offsets beyond it have none

    bool any() const { return micro.any() || !ijvm.empty(); }
    bool at(uint32_t mpc, int32_t pc) const {
        if (mpc < addresses && micro[mpc]) return true;
        return mpc == 0 && pc >= 0 && static_cast<size_t>(pc) < ijvm.size() && ijvm[static_cast<size_t>(pc)];
    }
    void clear() {
        micro.reset();
        ijvm.clear();
    }
};

// Optional limits of a Run or an IJVM step. With none, they run exactly until their
// address is reached, however long that takes and however much memory it makes.
struct RunLimits {
    uint64_t maxSteps = 0;                   // 0: no bound
    const std::atomic<bool>* stop = nullptr; // polled every few thousand microinstructions
    // Bound on mainMemory.bytesUsed(), 0: none. Looked at where the stop request is, so the
    // store can pass it by what one stretch of microinstructions makes (see runUntil).
    size_t maxMemoryBytes = 0;
    // Where to stop besides the end; none: the loop tests nothing more.
    const Breakpoints* breakpoints = nullptr;
};

// What the machine has executed since it was started on its program (loaded, reset or
// given an IJVM image): microinstructions, and the IJVM instructions its microprogram
// interpreted, each counted from one return to the main loop at address 0 to the next, or
// to the halt address, where the last one ends (the main loop's own microinstruction
// included), and booked under the opcode MBR held when it began. A span that begins with
// PC = -1 only fetches the first opcode and is no instruction, nor is what is executed
// from the halt address on until a return to address 0.
struct ExecutionCounts {
    uint64_t micro = 0;
    uint64_t ijvm = 0;
    std::array<uint64_t, 256> instructions{};        // per opcode
    std::array<uint64_t, 256> microOfInstructions{}; // per opcode, their microinstructions
    // The instruction under way: its opcode, its PC, and micro when it began.
    int32_t spanPc = -1;
    uint8_t spanOpcode = 0;
    uint64_t spanStart = 0;
    // The steps (micro) after which an IJVM step ended last and the time before, 0 for
    // none: a return to the main loop at address 0, or an arrival at the halt address,
    // where a step stops too (a program that has halted goes on a step at a time there).
    uint64_t lastReturn = 0;
    uint64_t previousReturn = 0;
    // The PC the last instruction that ended began at, -1 before any: once the machine has
    // halted, PC has moved past the HALT, maybe into the next method's header.
    int32_t lastPc = -1;
    // The returns to the main loop at address 0 (the steps after which MPC is 0), and PC
    // at the last of them: the byte address of the opcode the main loop then dispatches.
    uint64_t returns = 0;
    int32_t dispatchPc = 0;

    // Zero, with an instruction about to begin at the machine's PC and MBR.
    void start(int32_t pc, int32_t mbr) {
        *this = ExecutionCounts{};
        spanPc = pc;
        spanOpcode = static_cast<uint8_t>(mbr);
    }
    // After each microinstruction, with MPC and the datapath it left.
    void afterStep(uint32_t mpc, const DatapathState& d) {
        ++micro;
        if (endsStep(mpc)) stepEnded(mpc, d);
    }
    // Whether an IJVM step ends where a microinstruction left MPC.
    static bool endsStep(uint32_t mpc) {
        return mpc == machine::mainLoopAddress || mpc == machine::haltAddress;
    }
    // What afterStep does at the end of a step, micro counted. The opcode is the byte the
    // main loop dispatches on: one still being fetched arrives in MBR first.
    void stepEnded(uint32_t mpc, const DatapathState& d) {
        stepEnded(mpc, d.registers[PC],
                  static_cast<uint8_t>(d.pendingOps & MemFetch ? d.pendingMbr : d.registers[MBR]));
    }
    // The same with PC and that opcode given.
    void stepEnded(uint32_t mpc, int32_t pc, uint8_t opcode) {
        if (spanPc >= 0) {
            ++ijvm;
            ++instructions[spanOpcode];
            microOfInstructions[spanOpcode] += micro - spanStart;
            lastPc = spanPc;
        }
        spanPc = mpc == machine::haltAddress ? -1 : pc;
        if (mpc == machine::mainLoopAddress) {
            ++returns;
            dispatchPc = pc;
        }
        spanOpcode = opcode;
        spanStart = micro;
        previousReturn = lastReturn;
        lastReturn = micro;
    }
};

class Machine;
class RunEngine;

// Called after every microinstruction of a Run or an IJVM step that is given one, to
// watch the machine (a trace, a display); a Run without one costs nothing extra.
using StepObserver = std::function<void(const Machine&)>;

// The machine's observed Run counts nothing: this observer counts each step into counts
// first, then hands it to observe (both must outlive it).
StepObserver countingFirst(ExecutionCounts& counts, const StepObserver& observe);

// The microsequencer's own state.
struct SequencerState {
    uint32_t mpc = 0;          // address of the next microinstruction
    uint32_t previousMpc = 0;  // address of the microinstruction executed last
    uint32_t microCounter = 0; // microinstructions executed since the last reset
};

// Everything of a machine that its steps change, for going back: the datapath, the
// sequencer, the record executed last, main memory and the output record.
struct MachineState {
    DatapathState datapath;
    SequencerState sequencer;
    const Microinstruction* current = nullptr;
    MainMemory memory;
    OutputRecord output;

    // Bytes it holds, roughly: what a history of states spends.
    size_t bytes() const {
        return sizeof(MachineState) + memory.bytesUsed() + output.values.capacity() * sizeof(int32_t);
    }
};

class Machine : public Datapath, public SequencerState {
  public:
    static constexpr uint32_t haltAddress = machine::haltAddress;

    Machine();
    ~Machine();
    Machine(const Machine&) = delete; // the machine is owned, never copied
    Machine& operator=(const Machine&) = delete;

    // Executes exactly one microinstruction.
    void microStep();
    void microStep(ExecutionCounts& counts) {
        microStep();
        counts.afterStep(mpc, *this);
    }
    // Executes microinstructions, at least one, until MPC is 0 or the halt address.
    StopReason ijvmStep(RunLimits limits = {}, const StepObserver& observe = {});
    // Executes microinstructions until MPC is the halt address (tested first).
    StopReason run(RunLimits limits = {}, const StepObserver& observe = {});
    // A Run or an IJVM step that counts what it executes, at the speed of a Run: the
    // counts are taken where the main loop and the halt address are reached, not per step.
    StopReason run(RunLimits limits, ExecutionCounts& counts);
    StopReason ijvmStep(RunLimits limits, ExecutionCounts& counts);
    // Exactly steps microinstructions, wherever they lead (the halt address too), counted.
    void execute(uint64_t steps, ExecutionCounts& counts);

    // The state steps change, and putting it back; the control store is not part of it,
    // so a state goes back only into the machine it was taken from.
    MachineState state() const;
    void restore(const MachineState& state);
    // Registers, pending values, MIR and sequencer state to 0, and the output record
    // emptied; buses, flags, control store and main memory stay.
    void reset();
    // Fills the control store from a microprogram file.
    void loadMicroprogram(const std::string& fileName);
    // Places one record as the loader does: the first record of an address stays, and
    // the answer says whether this one was placed.
    bool loadMicroinstruction(uint32_t address, const Microinstruction& mic);

    // The record being executed (the one executed last, after a step).
    const Microinstruction& currentMic() const { return *current_; }

    // The control store is read here and written only by loading, so a record the
    // sequencer has already decoded never changes under it.
    const SparseStore<uint32_t, Microinstruction>& controlStore() const { return controlStore_; }

    // The values the program wrote to the output cell; the state points at it.
    OutputRecord output;

  private:
    friend class RunEngine;

    // A control-store record as the sequencer uses it: the record (records never move,
    // so it serves as the copy being executed), its next address and its decoded word.
    struct Direct {
        const Microinstruction* mic = nullptr;
        uint32_t next = 0;
        Decoded decoded;
    };
    // Addresses below 512 are the whole microprogram in practice: their records are
    // remembered here after the first lookup.
    static constexpr uint32_t directSize = 512;

    const Direct& fetch(uint32_t address) {
        return address < directSize && direct_[address].mic ? direct_[address] : fetchSlow(address);
    }
    [[gnu::noinline]] const Direct& fetchSlow(uint32_t address);

    // One microinstruction on the given state: the single-step path of Mic, sub-cycles,
    // traces and observed Runs, which the Run engine (core/RunEngine.h) is held equal to.
    [[gnu::always_inline]] inline void step(DatapathState& d, SequencerState& s,
                                            const Microinstruction*& current);

    template <class Done>
    StopReason observedUntil(RunLimits limits, bool atLeastOne, Done done, const StepObserver& observe);

    SparseStore<uint32_t, Microinstruction> controlStore_;

    Direct direct_[directSize];
    Direct far_; // the record of an address of 512 or more, for one step

    static const Microinstruction emptyMic;
    const Microinstruction* current_ = &emptyMic;
    std::unique_ptr<RunEngine> engine_;
};

inline void Machine::step(DatapathState& d, SequencerState& s, const Microinstruction*& current) {
    ++s.microCounter;
    const Direct& r = fetch(s.mpc);
    current = r.mic;
    d.mir = r.mic->word;
    d.cycle(r.decoded, mainMemory);
    s.previousMpc = s.mpc;
    uint32_t next = r.next;
    if (r.decoded.jam) {
        if ((r.decoded.jam & 1u) && d.z) next |= 0x100u;
        if ((r.decoded.jam & 2u) && d.n) next |= 0x100u;
        if (r.decoded.jam & 4u) next |= static_cast<uint32_t>(d.registers[MBR]);
    }
    s.mpc = next;
}

} // namespace tarveno
