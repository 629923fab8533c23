// Main memory's store on its own: dense use (sequential writes and reads, random reads in
// an array) against words written far apart, with the bytes each word costs.

#include "core/Datapath.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace tarveno;

namespace {

constexpr uint32_t words = 1u << 20;

void bytesPerWord(benchmark::State& state, const MainMemory& m) {
    state.counters["bytes_per_word"] = static_cast<double>(m.bytesUsed()) / m.count();
}

// A memory that grows word by word from 0, as a stack or a loaded program does.
void BM_DenseWrite(benchmark::State& state) {
    for (auto _ : state) {
        MainMemory m;
        for (uint32_t a = 0; a < words; ++a)
            m.lookup(a) = static_cast<int32_t>(a);
        benchmark::DoNotOptimize(m.count());
        state.PauseTiming();
        bytesPerWord(state, m);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words));
}
BENCHMARK(BM_DenseWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DenseRead(benchmark::State& state) {
    MainMemory m;
    for (uint32_t a = 0; a < words; ++a)
        m.lookup(a) = static_cast<int32_t>(a);
    for (auto _ : state) {
        int32_t sum = 0;
        for (uint32_t a = 0; a < words; ++a)
            sum += m.read(a);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words));
}
BENCHMARK(BM_DenseRead)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Reads at random places of a 64K-word array: most fall outside the pages used recently.
void BM_ArrayRandomRead(benchmark::State& state) {
    constexpr uint32_t size = 1u << 16;
    MainMemory m;
    for (uint32_t a = 0; a < size; ++a)
        m.lookup(a) = static_cast<int32_t>(a);
    std::mt19937 rng(1);
    std::vector<uint32_t> order(words);
    for (uint32_t& a : order)
        a = rng() & (size - 1);
    for (auto _ : state) {
        int32_t sum = 0;
        for (uint32_t a : order)
            sum += m.read(a);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words));
}
BENCHMARK(BM_ArrayRandomRead)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Words written far apart: each lands alone in its part of the address space.
void BM_ScatteredWrite(benchmark::State& state) {
    for (auto _ : state) {
        MainMemory m;
        for (uint32_t i = 0; i < words; ++i)
            m.lookup(i * 2654435761u) = static_cast<int32_t>(i);
        benchmark::DoNotOptimize(m.count());
        state.PauseTiming();
        bytesPerWord(state, m);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words));
}
BENCHMARK(BM_ScatteredWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
