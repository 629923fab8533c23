#pragma once
// The Run engine against the single-step path: two machines with the same random control
// store (missing addresses, next addresses of 512 and more, every field of the word) and
// the same random registers go through the same random pieces, the one by Runs, IJVM steps
// and executes of the engine, with and without counts and breakpoints, the other one
// microinstruction at a time with the stop rules written out below; now and then an
// allocation fails in both at the same point. After each piece everything observable
// must agree. Used by the test (a few seconds) and by bench/soak (as long as asked).

#include "core/Machine.h"
#include "support/FatalError.h"

#include <cstdint>
#include <new>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace testalloc {
extern int allowedAllocations; // FailingAllocation.cpp
} // namespace testalloc

namespace tarveno::differential {

// Why two machines differ, or nothing.
inline std::optional<std::string> difference(const Machine& a, const Machine& b, const ExecutionCounts& ca,
                                             const ExecutionCounts& cb) {
    auto datapath = [](const Machine& m) {
        return std::tuple(std::vector<int32_t>(m.registers, m.registers + RegisterCount), m.mpc,
                          m.previousMpc, m.microCounter, m.aBus, m.bBus, m.cBus, m.n, m.z, m.aluFunction,
                          m.shifterCode, m.pendingMdr, m.pendingMbr, m.pendingOps, m.mir);
    };
    auto record = [](const Machine& m) {
        const Microinstruction& r = m.currentMic();
        return std::tuple(r.word, r.nextAddress, r.text, m.controlStore().count());
    };
    auto memory = [](const Machine& m) {
        std::vector<std::pair<uint32_t, int32_t>> cells;
        m.mainMemory.forEach([&](uint32_t k, int32_t v) { cells.emplace_back(k, v); });
        return cells;
    };
    auto counted = [](const ExecutionCounts& c) {
        return std::tuple(c.micro, c.ijvm, c.instructions, c.microOfInstructions, c.spanPc, c.spanOpcode,
                          c.spanStart, c.lastReturn, c.previousReturn, c.lastPc, c.returns, c.dispatchPc);
    };
    if (datapath(a) != datapath(b)) {
        std::ostringstream s;
        s << "datapath or sequencer: MPC " << a.mpc << " / " << b.mpc << ", steps " << a.microCounter << " / "
          << b.microCounter;
        for (int r = 0; r < RegisterCount; ++r)
            if (a.registers[r] != b.registers[r])
                s << ", " << registerNames[static_cast<size_t>(r)] << " " << a.registers[r] << " / "
                  << b.registers[r];
        return s.str();
    }
    if (record(a) != record(b)) return "current record or control store";
    if (std::tuple(a.output.values, a.output.count) != std::tuple(b.output.values, b.output.count))
        return "output";
    if (memory(a) != memory(b)) return "main memory";
    if (counted(ca) != counted(cb)) return "counts";
    return std::nullopt;
}

// A random word, with the cases the engine treats apart all likely: no memory or one
// operation, one or two destinations, known ALU codes, no shift, JAMZ or JAMN alone.
inline uint32_t randomWord(std::mt19937_64& rng) {
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    const uint32_t memChoices[] = {
        0, 0, 0, 0, MemRead, MemWrite, MemFetch, MemRead | MemWrite, MemFetch | MemRead, MemFetch | MemWrite,
        7};
    const uint32_t mem = memChoices[pick(11)];
    uint32_t c = 0;
    switch (pick(8)) {
    case 0:
        break;
    case 1:
        c = pick(512);
        break;
    case 2:
    case 3:
        c = (1u << pick(9)) | (1u << pick(9));
        break;
    default:
        c = 1u << pick(9);
    }
    const uint32_t function = pick(6) ? aluFunctions[pick(16)].code : pick(64);
    const uint32_t shifter = pick(6) ? 0 : pick(4);
    const uint32_t jamChoices[] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 4, 5, 6, 7};
    const uint32_t jam = jamChoices[pick(14)];
    if (pick(12) == 0) return makeWord(pick(16), MemFetch, c, function, 4); // the main loop's dispatch
    return makeWord(pick(16), mem, c, function | (shifter << 6), jam);
}

inline uint32_t randomNext(std::mt19937_64& rng, const std::vector<uint32_t>& far) {
    const uint32_t pick = static_cast<uint32_t>(rng() % 50);
    if (pick < 6) return machine::mainLoopAddress;
    if (pick < 9) return machine::haltAddress;
    if (pick < 10) return far[rng() % far.size()];
    if (pick < 11) return static_cast<uint32_t>(rng()); // most likely far and missing
    return static_cast<uint32_t>(rng() & 0x1FF);
}

// The same random program and state in both machines.
inline void randomMachines(std::mt19937_64& rng, Machine& a, Machine& b) {
    const std::vector<uint32_t> far{512, 600, 0x1FF + 0x100, 0x12345, 0xFFFFFFFFu};
    auto place = [&](uint32_t address) {
        const Microinstruction mic{randomWord(rng), randomNext(rng, far), std::to_string(address)};
        a.loadMicroinstruction(address, mic);
        b.loadMicroinstruction(address, mic);
    };
    for (uint32_t address = 0; address < Breakpoints::addresses; ++address)
        if (rng() % 24) place(address); // a few stay missing
    for (uint32_t address : far)
        if (rng() % 4) place(address);
    a.reset();
    b.reset();
    for (int r = 0; r < RegisterCount; ++r)
        a.registers[r] = b.registers[r] = static_cast<int32_t>(rng() & (r == MBR ? 0xFF : 0xFFF));
    for (int i = 0; i < 64; ++i) {
        const uint32_t address = static_cast<uint32_t>(rng() & 0xFFF);
        a.memoryWord(address) = b.memoryWord(address) = static_cast<int32_t>(rng());
    }
    a.mpc = b.mpc = static_cast<uint32_t>(rng() & 0x1FF);
}

// What the engine does, one microinstruction at a time: the stops before each step but the
// first of an IJVM step, in the engine's order (the end, then a breakpoint), then the bound.
inline StopReason singleSteps(Machine& m, uint64_t maxSteps, bool atLeastOne, bool stopAtMainLoop,
                              bool stopAtHalt, const Breakpoints* breakpoints, ExecutionCounts* counts) {
    for (uint64_t n = 0;; ++n) {
        if (!(atLeastOne && n == 0)) {
            if ((stopAtHalt && m.mpc == machine::haltAddress) ||
                (stopAtMainLoop && m.mpc == machine::mainLoopAddress))
                return StopReason::Halted;
            if (breakpoints && breakpoints->any() && breakpoints->at(m.mpc, m.registers[PC]))
                return StopReason::Breakpoint;
        }
        if (n >= maxSteps) return StopReason::Bound;
        if (counts) {
            m.microStep(*counts);
        } else {
            m.microStep();
        }
    }
}

// A round: a random machine pair, then pieces random pieces of at most maxPiece steps.
// Answers the first difference, with the piece it followed, or nothing; adds the
// microinstructions executed to *executed.
inline std::optional<std::string> round(uint64_t seed, int pieces, uint64_t maxPiece,
                                        uint64_t* executed = nullptr) {
    std::mt19937_64 rng(seed);
    Machine a, b; // a: the engine, b: single steps
    randomMachines(rng, a, b);
    ExecutionCounts ca, cb;
    ca.start(a.registers[PC], a.registers[MBR]);
    cb = ca;
    for (int piece = 0; piece < pieces; ++piece) {
        const uint64_t steps = 1 + rng() % maxPiece;
        const uint32_t kind = static_cast<uint32_t>(rng() % 9);
        Breakpoints breakpoints;
        if (kind >= 6) {
            for (int i = 0; i < 3; ++i)
                breakpoints.micro.set(rng() % Breakpoints::addresses);
            if (rng() % 2) breakpoints.ijvm.assign(64, false), breakpoints.ijvm[rng() % 64] = true;
        }
        const Breakpoints* given = kind >= 6 ? &breakpoints : nullptr;
        const RunLimits limits{steps, nullptr, 0, given};
        // An allocation that fails, now and then, in both at the same point.
        const int failAt = rng() % 8 ? -1 : static_cast<int>(rng() % (rng() % 2 ? 4 : 40));
        auto guarded = [&](auto&& f) -> std::string {
            testalloc::allowedAllocations = failAt;
            std::string outcome;
            try {
                outcome = std::to_string(static_cast<int>(f()));
            } catch (const FatalError& e) {
                outcome = "fatal: " + e.message();
            } catch (const std::bad_alloc&) {
                outcome = "bad_alloc";
            }
            testalloc::allowedAllocations = -1;
            return outcome;
        };
        std::string byEngine, bySteps;
        const uint32_t before = a.microCounter;
        switch (kind) {
        case 0:
            byEngine = guarded([&] { return a.run(limits); });
            bySteps = guarded([&] { return singleSteps(b, steps, false, false, true, nullptr, nullptr); });
            break;
        case 1:
        case 6:
            byEngine = guarded([&] { return a.run(limits, ca); });
            bySteps = guarded([&] { return singleSteps(b, steps, false, false, true, given, &cb); });
            break;
        case 2:
        case 7:
            byEngine = guarded([&] { return a.ijvmStep(limits, ca); });
            bySteps = guarded([&] { return singleSteps(b, steps, true, true, true, given, &cb); });
            break;
        case 3:
        case 8:
            byEngine = guarded([&] { return a.ijvmStep(limits); });
            bySteps = guarded([&] { return singleSteps(b, steps, true, true, true, given, nullptr); });
            break;
        case 4:
            byEngine = guarded([&] {
                a.execute(steps, ca);
                return StopReason::Bound;
            });
            bySteps = guarded([&] { return singleSteps(b, steps, true, false, false, nullptr, &cb); });
            break;
        default: // both a single step: a piece may begin with a memory result pending
            byEngine = guarded([&] {
                a.microStep(ca);
                return StopReason::Bound;
            });
            bySteps = guarded([&] {
                b.microStep(cb);
                return StopReason::Bound;
            });
        }
        auto where = [&](const std::string& what) {
            std::ostringstream s;
            s << "seed " << seed << ", piece " << piece << " (kind " << kind << ", " << steps
              << " steps, failing allocation " << failAt << "): " << what;
            return s.str();
        };
        if (byEngine != bySteps) return where("ended " + byEngine + ", by single steps " + bySteps);
        if (auto d = difference(a, b, ca, cb)) return where(*d);
        if (executed) *executed += static_cast<uint32_t>(a.microCounter - before);
    }
    return std::nullopt;
}

} // namespace tarveno::differential
