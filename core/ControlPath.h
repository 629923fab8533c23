#pragma once
// The control side of the machine: the control store, the microsequencer with the JAM
// logic, the three ways of advancing (one microinstruction, one IJVM instruction, run
// to the halt address) and reset.

#include "core/Datapath.h"
#include "core/Memory.h"
#include "core/Mic.h"
#include "ijvm/Tables.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tarveno {

// Why a Run or an IJVM step ended.
enum class StopReason {
    Halted,  // reached its address (112, or 0 for an IJVM step)
    Bound,   // executed the number of microinstructions it was allowed
    Stopped, // a stop was requested
};

// Optional limits of a Run or an IJVM step. With neither, they run exactly until their
// address is reached, however long that takes.
struct RunLimits {
    uint64_t maxSteps = 0;                   // 0: no bound
    const std::atomic<bool>* stop = nullptr; // polled every few thousand microinstructions
};

class ControlPath : public Datapath {
public:
    static constexpr uint32_t haltAddress = 112;

    ControlPath() = default;
    ControlPath(const ControlPath&) = delete; // the machine is owned, never copied
    ControlPath& operator=(const ControlPath&) = delete;

    // Executes exactly one microinstruction.
    inline void microStep();
    // Executes microinstructions, at least one, until MPC is 0 or the halt address.
    StopReason ijvmStep(RunLimits limits = {});
    // Executes microinstructions until MPC is the halt address (tested first).
    StopReason run(RunLimits limits = {});
    // Registers, pending values, MIR and sequencer state to 0; buses, flags, control
    // store and main memory stay.
    void reset();
    // Fills the control store from a microprogram file.
    void loadMicroprogram(const std::string& fileName);

    // The record being executed (the one executed last, after a step).
    const Mic& currentMic() const { return *current_; }

    uint32_t mpc = 0;
    uint32_t previousMpc = 0;
    uint32_t microCounter = 0;
    Memory<uint32_t, Mic> controlStore;

    // Copies of the IJVM assembler's tables; the machine itself does not read them.
    Memory<uint32_t, uint32_t> sourceMap;
    Memory<uint32_t, uint32_t> methodMap;
    List<Method> methods;
    List<SymbolTable> constants;
    List<ErrorTable> errors;

private:
    // Addresses below 512 are the whole microprogram in practice: their records are
    // remembered here after the first lookup (records never move).
    static constexpr uint32_t directSize = 512;
    struct Direct {
        const Mic* mic = nullptr;
        uint32_t word = 0;
        uint32_t next = 0;
    };
    [[gnu::noinline]] const Direct& fetchSlow(uint32_t address);
    Direct direct_[directSize];
    Direct far_; // the record of an address of 512 or more, for one step

    static const Mic emptyMic;
    const Mic* current_ = &emptyMic;
};

[[gnu::always_inline]] inline void ControlPath::microStep() {
    ++microCounter;
    const Direct* d = mpc < directSize && direct_[mpc].mic ? &direct_[mpc] : &fetchSlow(mpc);
    current_ = d->mic; // records never move, so the record itself serves as the copy
    mir = d->word;
    cycle();
    previousMpc = mpc;
    uint32_t next = d->next;
    const uint32_t jam = field(mir, Field::JAM);
    if (jam) {
        if ((jam & 1u) && z) next |= 0x100u;
        if ((jam & 2u) && n) next |= 0x100u;
        if (jam & 4u) next |= static_cast<uint32_t>(registers[MBR]);
    }
    mpc = next;
}

} // namespace tarveno
