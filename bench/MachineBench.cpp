// Microinstructions per second of a Run: a 512-entry control store spread over all
// buckets and a main memory of a few thousand cells, with a loop that reads, writes,
// fetches and branches on Z.

#include "core/ControlPath.h"

#include <benchmark/benchmark.h>

using namespace tarveno;

namespace {

constexpr uint32_t word(uint32_t b, uint32_t mem, uint32_t c, uint32_t alu, uint32_t jam = 0) {
    return b | (mem << 4) | (c << 7) | (alu << 16) | (jam << 24);
}
constexpr uint32_t bit(Register r) { return 1u << r; }

void loadLoop(ControlPath& m) {
    for (uint32_t a = 0; a < 512; ++a) m.controlStore.insert({a, Mic{0, 0, "filler"}});
    struct Line {
        uint32_t at, w, next;
    };
    // The loop, placed over the whole store; each record replaces a filler in place.
    const Line loop[] = {
        {5, word(B_SP, 0, bit(SP), 53), 77},                         // SP = SP + 1
        {77, word(B_LV, 0, bit(H), 20), 143},                        // H = LV (the mask)
        {143, word(B_SP, MemRead, bit(MAR) | bit(SP) | bit(PC), 12), 210}, // MAR = SP = PC = H AND SP; rd
        {210, word(B_TOS, 0, bit(H), 20), 333},                      // H = TOS
        {333, word(B_MDR, MemWrite, bit(MDR), 60), 401},             // MDR = H + MDR; wr
        {401, word(B_TOS, MemFetch, bit(TOS), 53), 469},             // TOS = TOS + 1; fetch
        {469, word(B_MBRU, 0, bit(OPC), 20, 1), 5},                  // OPC = MBRU; IF Z
        {261, word(B_TOS, 0, bit(TOS), 53), 5},                      // TOS = TOS + 1
    };
    for (const Line& l : loop) {
        Mic& mic = m.controlStore.lookup(l.at);
        mic.word = l.w;
        mic.nextAddress = l.next;
    }
}

void BM_Run(benchmark::State& state) {
    ControlPath m;
    loadLoop(m);
    m.reset();
    for (uint32_t a = 0; a < 4096; ++a) m.memoryWord(a) = static_cast<int32_t>(a);
    m.mpc = 5;
    m.registers[LV] = 4095;
    const uint64_t steps = 10'000'000;
    for (auto _ : state) {
        m.run({steps, nullptr});
        benchmark::DoNotOptimize(m.registers[MDR]);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * steps));
}
BENCHMARK(BM_Run)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
