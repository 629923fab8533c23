#pragma once
// The Run engine: the control store decoded once into operations, each run by a handler
// specialised on its ALU function and on how it ends (plain, JAMZ, JAMN, rd, wr, fetch, or
// the general case). Handlers follow each other by computed goto under GCC and Clang, by
// a switch over the same handlers elsewhere. The addresses where a Run must look at
// something (the halt address, the main loop for IJVM steps and counts, breakpoints) get a
// hook handler for the length of the Run, so the steps between them test nothing. The
// machine's observable state lives in locals while the engine runs and is written back
// from the last operation executed, however the Run ends.

#include "core/Machine.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>

namespace tarveno {

// What one call of the engine does and where it stops.
struct EngineRequest {
    RunLimits limits;
    bool atLeastOne = false;     // the first microinstruction runs wherever it stands
    bool stopAtMainLoop = false; // an IJVM step: stops on coming back to address 0
    bool stopAtHalt = true;      // stops on reaching the halt address
    ExecutionCounts* counts = nullptr;
};

class RunEngine {
  public:
    static constexpr uint32_t addresses = Breakpoints::addresses;

    explicit RunEngine(Machine& machine);
    ~RunEngine();
    RunEngine(const RunEngine&) = delete;
    RunEngine& operator=(const RunEngine&) = delete;

    // The control store changed: decode it again before the next Run.
    void invalidate() { stale_ = true; }
    StopReason run(const EngineRequest& request);

    struct Operation;

  private:
    void decodeAll();
    void decode(Operation& op, uint32_t address, const Microinstruction* mic);
    void hook(uint32_t address, uint16_t kind);
    void unhookAll();
    void setTargets(Operation& op) const;
    // Without a request, only learns where the handlers are.
    StopReason execute(const EngineRequest* request);

    Machine& machine_;
    std::unique_ptr<Operation[]> ops_; // by address, then the two far ones and the pending far
    std::bitset<addresses> hooked_;
    std::array<uint16_t, addresses> hookKinds_{}; // of the hooked addresses
    bool stale_ = true;
    void* const* labels_ = nullptr; // the handlers, by kind (computed goto only)
};

} // namespace tarveno
