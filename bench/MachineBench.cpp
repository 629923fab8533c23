// Microinstructions per second of a Run: a 512-entry control store spread over all
// buckets and a main memory of a few thousand cells, with a loop that reads, writes,
// fetches and branches on Z.

#include "core/Machine.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace tarveno;

namespace {

constexpr uint32_t bit(Register r) {
    return 1u << r;
}

void loadLoop(Machine& m) {
    struct Line {
        uint32_t at, w, next;
    };
    // The loop, spread over the whole store; every other address holds a filler.
    const Line loop[] = {
        {5, makeWord(B_SP, 0, bit(SP), 53), 77},                               // SP = SP + 1
        {77, makeWord(B_LV, 0, bit(H), 20), 143},                              // H = LV (the mask)
        {143, makeWord(B_SP, MemRead, bit(MAR) | bit(SP) | bit(PC), 12), 210}, // MAR = SP = PC = H AND SP; rd
        {210, makeWord(B_TOS, 0, bit(H), 20), 333},                            // H = TOS
        {333, makeWord(B_MDR, MemWrite, bit(MDR), 60), 401},                   // MDR = H + MDR; wr
        {401, makeWord(B_TOS, MemFetch, bit(TOS), 53), 469},                   // TOS = TOS + 1; fetch
        {469, makeWord(B_MBRU, 0, bit(OPC), 20, 1), 5},                        // OPC = MBRU; IF Z
        {261, makeWord(B_TOS, 0, bit(TOS), 53), 5},                            // TOS = TOS + 1
    };
    for (const Line& l : loop)
        m.loadMicroinstruction(l.at, Microinstruction{l.w, l.next, "loop"});
    for (uint32_t a = 0; a < 512; ++a)
        m.loadMicroinstruction(a, Microinstruction{0, 0, "filler"});
}

void BM_Run(benchmark::State& state) {
    Machine m;
    loadLoop(m);
    m.reset();
    for (uint32_t a = 0; a < 4096; ++a)
        m.memoryWord(a) = static_cast<int32_t>(a);
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

namespace {

// The same loop on a plain interpreter over flat arrays (no keyed stores, no bounds on
// addresses): the reference that the machine's speed is compared with.
void BM_PlainReference(benchmark::State& state) {
    Machine source;
    loadLoop(source);
    std::vector<uint32_t> words(1024), nexts(1024);
    for (uint32_t a = 0; a < 512; ++a) {
        words[a] = source.controlStore().search(a)->word;
        nexts[a] = source.controlStore().search(a)->nextAddress;
    }
    std::vector<int32_t> memory(4096);
    for (uint32_t a = 0; a < 4096; ++a)
        memory[a] = static_cast<int32_t>(a);
    int32_t r[10] = {};
    r[LV] = 4095;
    uint32_t mpc = 5, pending = 0;
    int32_t pMdr = 0, pMbr = 0;
    const uint64_t steps = 10'000'000;
    for (auto _ : state) {
        for (uint64_t i = 0; i < steps; ++i) {
            const uint32_t w = words[mpc & 1023];
            const uint32_t b = w & 15;
            const int32_t bv = b == B_MBR ? static_cast<int8_t>(r[MBR]) : b < 10 ? r[b] : 0;
            const int32_t av = r[H];
            if (pending & MemFetch) r[MBR] = pMbr;
            if (pending & MemRead) r[MDR] = pMdr;
            uint32_t c = Datapath::shift(Datapath::aluResult((w >> 16) & 63, av, bv), (w >> 22) & 3);
            const uint32_t en = (w >> 7) & 511;
            for (int k = 0; k < 9; ++k)
                if (en >> k & 1) r[k] = static_cast<int32_t>(c);
            pending = (w >> 4) & 7;
            if (pending & MemFetch) {
                uint32_t pc = static_cast<uint32_t>(r[PC]);
                pMbr = (memory[(pc >> 2) & 4095] >> (8 * (3 - (pc & 3)))) & 0xFF;
            }
            if (pending & MemRead)
                pMdr = memory[static_cast<uint32_t>(r[MAR]) & 4095];
            else if (pending & MemWrite)
                memory[static_cast<uint32_t>(r[MAR]) & 4095] = r[MDR];
            uint32_t next = nexts[mpc & 1023];
            const uint32_t jam = (w >> 24) & 7;
            if ((jam & 1) && c == 0) next |= 0x100;
            if ((jam & 2) && static_cast<int32_t>(c) < 0) next |= 0x100;
            if (jam & 4) next |= static_cast<uint32_t>(r[MBR]);
            mpc = next;
        }
        benchmark::DoNotOptimize(r[MDR]);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * steps));
}
BENCHMARK(BM_PlainReference)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

namespace {

// A microprogram that pushes forever, "SP = MAR = SP + 1; wr", so every cycle makes a
// new main-memory word: the cost of a growing memory, a fresh machine each time.
void BM_MemoryFill(benchmark::State& state) {
    const uint64_t steps = 1'000'000;
    for (auto _ : state) {
        Machine m;
        m.loadMicroinstruction(0,
                               Microinstruction{makeWord(B_SP, MemWrite, bit(MAR) | bit(SP), 53), 0, "push"});
        m.run({steps, nullptr});
        benchmark::DoNotOptimize(m.mainMemory.count());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * steps));
}
BENCHMARK(BM_MemoryFill)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
