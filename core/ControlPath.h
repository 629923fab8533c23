#pragma once
// The control side of the machine: the control store, the microsequencer with the JAM
// logic, the three ways of advancing (one microinstruction, one IJVM instruction, run
// to the halt address) and reset.

#include "core/Datapath.h"
#include "core/Memory.h"
#include "core/Mic.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tarveno {

// Why a Run or an IJVM step ended.
enum class StopReason {
    Halted,      // reached its address (112, or 0 for an IJVM step)
    Bound,       // executed the number of microinstructions it was allowed
    Stopped,     // a stop was requested
    MemoryBound, // main memory's store passed the bytes it was allowed
};

// Optional limits of a Run or an IJVM step. With none, they run exactly until their
// address is reached, however long that takes and however much memory it makes.
struct RunLimits {
    uint64_t maxSteps = 0;                   // 0: no bound
    const std::atomic<bool>* stop = nullptr; // polled every few thousand microinstructions
    // Bound on mainMemory.bytesUsed(), 0: none. Looked at where the stop request is, so the
    // store can pass it by what one stretch of microinstructions makes (see runUntil).
    size_t maxMemoryBytes = 0;
};

// What a counting Run tallies of the IJVM program its microprogram interprets: the
// returns to the main loop at address 0 (the steps after which MPC is 0, where an IJVM
// step ends), and PC after the last of them: the byte address of the opcode that the
// main loop then dispatches.
struct DispatchTally {
    uint64_t returns = 0;
    int32_t lastPc = 0;
};

class ControlPath;

// Called after every microinstruction of a Run or an IJVM step that is given one, to
// watch the machine (a trace, a display); a Run without one costs nothing extra.
using StepObserver = std::function<void(const ControlPath&)>;

// The microsequencer's own state.
struct SequencerState {
    uint32_t mpc = 0;          // address of the next microinstruction
    uint32_t previousMpc = 0;  // address of the microinstruction executed last
    uint32_t microCounter = 0; // microinstructions executed since the last reset
};

class ControlPath : public Datapath, public SequencerState {
  public:
    static constexpr uint32_t haltAddress = machine::haltAddress;

    ControlPath() { outputSink = &output; }
    ControlPath(const ControlPath&) = delete; // the machine is owned, never copied
    ControlPath& operator=(const ControlPath&) = delete;

    // Executes exactly one microinstruction.
    void microStep();
    // Executes microinstructions, at least one, until MPC is 0 or the halt address.
    StopReason ijvmStep(RunLimits limits = {}, const StepObserver& observe = {});
    // Executes microinstructions until MPC is the halt address (tested first).
    StopReason run(RunLimits limits = {}, const StepObserver& observe = {});
    // The same, adding to tally: a grader counts IJVM instructions at the speed of a Run,
    // where an IJVM step at a time costs twice as much.
    StopReason run(RunLimits limits, DispatchTally& tally);
    // Registers, pending values, MIR and sequencer state to 0, and the output record
    // emptied; buses, flags, control store and main memory stay.
    void reset();
    // Fills the control store from a microprogram file.
    void loadMicroprogram(const std::string& fileName);
    // Places one record as the loader does: the first record of an address stays, and
    // the answer says whether this one was placed.
    bool loadMicroinstruction(uint32_t address, const Mic& mic);

    // The record being executed (the one executed last, after a step).
    const Mic& currentMic() const { return *current_; }

    // The control store is read here and written only by loading, so a record the
    // sequencer has already decoded never changes under it.
    const Memory<uint32_t, Mic>& controlStore() const { return controlStore_; }

    // The values the program wrote to the output cell; the state points at it.
    OutputRecord output;

  private:
    // A control-store record as the sequencer uses it: the record (records never move,
    // so it serves as the copy being executed), its next address and its decoded word.
    struct Direct {
        const Mic* mic = nullptr;
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

    // One microinstruction on the given state; microStep passes the machine's own, the
    // run loop a local copy that the compiler can keep in registers.
    [[gnu::always_inline]] inline void step(DatapathState& d, SequencerState& s, const Mic*& current);

    // After is called with the state after every step.
    template <class Done, class After>
    StopReason runUntil(RunLimits limits, bool atLeastOne, Done done, After after);
    template <class Done>
    StopReason observedUntil(RunLimits limits, bool atLeastOne, Done done, const StepObserver& observe);

    Memory<uint32_t, Mic> controlStore_;

    Direct direct_[directSize];
    Direct far_; // the record of an address of 512 or more, for one step

    static const Mic emptyMic;
    const Mic* current_ = &emptyMic;
};

inline void ControlPath::step(DatapathState& d, SequencerState& s, const Mic*& current) {
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
