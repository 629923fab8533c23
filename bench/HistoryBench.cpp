// What going back costs: a Run through a History against the plain Run and a counting
// one, the History's bytes after 100 M microinstructions, a step back and a goTo to a
// random step of such a run, and a Run with breakpoints that are never hit. Four programs:
// bench/countdown.mal (one microinstruction per count, one word of memory), the shipped
// IJVM interpreter running fibonacci.jvm (a small stack, calls and returns), a sweep that
// writes a million words over and over (every state kept holds the 4 MB written since the
// one before), and the sweep over 64 K words of a 20 MB memory.

#include "core/History.h"
#include "workbench/Workbench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <unistd.h>
#include <vector>

using namespace tarveno;

namespace {

constexpr uint64_t hundredMillion = 100'000'000;

// A loaded machine, its microprogram assembled into a file of this process.
std::unique_ptr<Workbench> assembled(const std::string& source) {
    auto bench = std::make_unique<Workbench>();
    const std::string binary = "/tmp/tarveno-history-bench-" + std::to_string(::getpid()) + ".bin";
    bench->compileAndLoad(source, binary, Check::Skip);
    std::remove(binary.c_str());
    return bench;
}

// Counts down from 100 M (the word at 0), to the halt address.
std::unique_ptr<Workbench> countdown() {
    auto bench = assembled(TARVENO_BENCH_DIR "/countdown.mal");
    bench->machine().memoryWord(0) = static_cast<int32_t>(hundredMillion - 4);
    return bench;
}

// fibonacci.jvm of 28 on the shipped interpreter: about 88 M microinstructions.
std::unique_ptr<Workbench> fibonacci() {
    auto bench = assembled(TARVENO_EXAMPLES_DIR "/ijvm.mal");
    bench->openIjvmProgram(TARVENO_EXAMPLES_DIR "/fibonacci.jvm", Workbench::Image::Place);
    bench->machine().memoryWord(machine::standardInputAddress) = 28;
    return bench;
}

// Writes the words of a million-word region over and over (LV is its mask): runs forever.
std::unique_ptr<Workbench> sweep() {
    const std::string source = "/tmp/tarveno-history-bench-" + std::to_string(::getpid()) + ".mal";
    std::FILE* f = std::fopen(source.c_str(), "w");
    std::fputs("main mdr = h = h + 1\n  mar = h and lv; wr; goto main\n", f);
    std::fclose(f);
    auto bench = assembled(source);
    std::remove(source.c_str());
    bench->machine().registers[LV] = (1 << 20) - 1;
    return bench;
}

// 20 MB of main memory (five million words written before the Run, as a program's array),
// and the sweep going on over the first 64 K words of it.
std::unique_ptr<Workbench> bigMemory() {
    auto bench = sweep();
    Machine& m = bench->machine();
    for (uint32_t a = 0; a < 5'000'000; ++a)
        m.memoryWord(a) = static_cast<int32_t>(a);
    m.registers[LV] = (1 << 16) - 1;
    return bench;
}

using Program = std::unique_ptr<Workbench> (*)();

ExecutionCounts started(const Machine& m) {
    ExecutionCounts c;
    c.start(m.registers[PC], m.registers[MBR]);
    return c;
}

// The Run itself, without anything kept or counted.
void BM_Run(benchmark::State& state, Program program) {
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = program();
        state.ResumeTiming();
        bench->machine().run({hundredMillion, nullptr});
        benchmark::DoNotOptimize(bench->machine().registers[TOS]);
    }
}

// Counting what it executes per IJVM opcode, as every Run through a History does.
void BM_RunCounted(benchmark::State& state, Program program) {
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = program();
        ExecutionCounts counts = started(bench->machine());
        state.ResumeTiming();
        bench->machine().run({hundredMillion, nullptr}, counts);
        benchmark::DoNotOptimize(counts.micro);
    }
}

void BM_RunHistory(benchmark::State& state, Program program) {
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = program();
        ExecutionCounts counts = started(bench->machine());
        auto history = std::make_unique<History>();
        state.ResumeTiming();
        history->start(bench->machine(), counts);
        history->run(bench->machine(), counts, {hundredMillion, nullptr});
        state.PauseTiming();
        state.counters["history_MB"] = static_cast<double>(history->bytes()) / (1 << 20);
        state.counters["states"] = static_cast<double>(history->statesKept());
        state.counters["spacing"] = static_cast<double>(history->spacing());
        state.counters["micro"] = static_cast<double>(counts.micro);
        history.reset(); // freed outside the time
        bench.reset();
        state.ResumeTiming();
    }
}

// A run of 100 M microinstructions (or to its end) kept in a History, and the state at its
// end to come back to.
struct Ran {
    std::unique_ptr<Workbench> bench;
    History history;
    ExecutionCounts counts;
    MachineState end;
    ExecutionCounts endCounts;

    explicit Ran(Program program) : bench(program()), counts(started(bench->machine())) {
        history.start(bench->machine(), counts);
        history.run(bench->machine(), counts, {hundredMillion, nullptr});
        end = bench->machine().state();
        endCounts = counts;
    }
    void backToTheEnd() {
        bench->machine().restore(end);
        counts = endCounts;
    }
};

// From the end of the run, one microinstruction back, and the worst step back: to the
// step just before a kept state, from which the most is executed again.
void BM_StepBack(benchmark::State& state, Program program) {
    Ran ran(program);
    const bool worst = state.range(0) == 1;
    const uint64_t present = ran.endCounts.micro;
    const uint64_t spacing = ran.history.spacing();
    // The present is one step after the last step before a multiple of the spacing.
    const uint64_t from = worst ? (present / spacing) * spacing : present;
    for (auto _ : state) {
        state.PauseTiming();
        ran.backToTheEnd();
        if (from != present) ran.history.goTo(ran.bench->machine(), ran.counts, from);
        state.ResumeTiming();
        ran.history.goTo(ran.bench->machine(), ran.counts, from - 1);
    }
    state.counters["spacing"] = static_cast<double>(spacing);
}

// From the end of the run to a random step of it: the median and the longest, in ms.
void BM_GoToRandom(benchmark::State& state, Program program) {
    Ran ran(program);
    std::mt19937_64 rng(2026);
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        ran.backToTheEnd();
        const uint64_t target = rng() % (ran.endCounts.micro + 1);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        ran.history.goTo(ran.bench->machine(), ran.counts, target);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["max_ms"] = ms.back();
}

// Taking the state at the end of the run, as a History keeps it: its cost per byte.
void BM_TakeState(benchmark::State& state, Program program) {
    Ran ran(program);
    size_t bytes = 0;
    for (auto _ : state) {
        MachineState taken = ran.bench->machine().state();
        bytes = taken.bytes();
        benchmark::DoNotOptimize(taken);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

// Ten breakpoints on the highest addresses that hold no statement (so the program never
// reaches them), none set, and no set at all.
void BM_RunBreakpoints(benchmark::State& state, Program program) {
    Breakpoints ten;
    const auto loaded = program();
    for (uint32_t a = Breakpoints::addresses, set = 0; a-- > 0 && set < 10;)
        if (!loaded->machine().controlStore().search(a)) {
            ten.micro.set(a);
            ++set;
        }
    const Breakpoints none;
    const Breakpoints* given[] = {nullptr, &none, &ten};
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = program();
        state.ResumeTiming();
        const StopReason why = bench->machine().run({hundredMillion, nullptr, 0, given[state.range(0)]});
        if (why == StopReason::Breakpoint) {
            state.SkipWithError("a breakpoint was hit");
            break;
        }
    }
}

void timed(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
}

} // namespace

BENCHMARK_CAPTURE(BM_Run, countdown, countdown)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunCounted, countdown, countdown)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunHistory, countdown, countdown)->Apply(timed);
BENCHMARK_CAPTURE(BM_Run, fibonacci, fibonacci)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunCounted, fibonacci, fibonacci)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunHistory, fibonacci, fibonacci)->Apply(timed);
BENCHMARK_CAPTURE(BM_Run, sweep, sweep)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunCounted, sweep, sweep)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunHistory, sweep, sweep)->Apply(timed);
// Argument 0: from the end; 1: the worst step back.
BENCHMARK_CAPTURE(BM_StepBack, countdown, countdown)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StepBack, fibonacci, fibonacci)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StepBack, sweep, sweep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunHistory, bigMemory, bigMemory)->Apply(timed);
BENCHMARK_CAPTURE(BM_StepBack, bigMemory, bigMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GoToRandom, countdown, countdown)->Unit(benchmark::kMillisecond)->Iterations(51);
BENCHMARK_CAPTURE(BM_GoToRandom, fibonacci, fibonacci)->Unit(benchmark::kMillisecond)->Iterations(51);
BENCHMARK_CAPTURE(BM_GoToRandom, sweep, sweep)->Unit(benchmark::kMillisecond)->Iterations(51);
BENCHMARK_CAPTURE(BM_TakeState, sweep, sweep)->Unit(benchmark::kMillisecond);
// Argument 0: no breakpoints given, 1: an empty set, 2: ten never hit.
BENCHMARK_CAPTURE(BM_RunBreakpoints, fibonacci, fibonacci)->Arg(0)->Arg(1)->Arg(2)->Apply(timed);
BENCHMARK_CAPTURE(BM_RunBreakpoints, countdown, countdown)->Arg(0)->Arg(1)->Arg(2)->Apply(timed);
