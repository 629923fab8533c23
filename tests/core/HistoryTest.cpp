// Going back: for random microprograms and step counts, running N, going back K and
// forward K again gives the states of running N - K and N directly, memory included; the
// same by IJVM steps; and breakpoints stop a Run before their microinstruction.

#include "core/History.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace tarveno;

namespace {

// Random control words over all 512 addresses, memory operations among them; an eighth
// of them go back to address 0 and a sixteenth to the halt address, so IJVM steps end
// now and then, both ways.
void randomProgram(Machine& m, std::mt19937& rng) {
    for (uint32_t a = 0; a < 512; ++a) {
        const uint32_t w = rng() & 0x7FFFFFF, pick = rng() % 16;
        const uint32_t next = pick < 2 ? 0 : pick == 2 ? Machine::haltAddress : rng() & 0x1FF;
        m.loadMicroinstruction(a, Microinstruction{w, next, "random"});
    }
    m.reset();
    for (int r = 0; r < RegisterCount; ++r)
        m.registers[r] = static_cast<int32_t>(rng() & 0xFFF);
}

void expectSame(const Machine& a, const Machine& b, const char* when) {
    auto regs = [](const Machine& m) {
        return std::tuple(m.mpc, m.previousMpc, m.currentMic().word, m.aBus, m.bBus, m.cBus, m.n, m.z, m.mir,
                          m.pendingMdr, m.pendingMbr, m.pendingOps, m.output.values,
                          std::vector<int32_t>(m.registers, m.registers + RegisterCount));
    };
    ASSERT_EQ(regs(a), regs(b)) << when;
    ASSERT_EQ(a.mainMemory.count(), b.mainMemory.count()) << when;
    a.mainMemory.forEach([&](uint32_t key, int32_t value) {
        const int32_t* other = b.peekWord(key);
        ASSERT_TRUE(other && *other == value) << when << " at " << key;
    });
}

} // namespace

// A machine with a's program, in the state given.
void sameProgram(const Machine& a, Machine& b, const MachineState& state) {
    for (uint32_t addr = 0; addr < 512; ++addr)
        if (const Microinstruction* mic = a.controlStore().search(addr)) b.loadMicroinstruction(addr, *mic);
    b.restore(state);
}

TEST(History, BackAndForwardAgainGiveTheStatesOfRunningDirectly) {
    std::mt19937 rng(2026);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        Machine a;
        randomProgram(a, rng);
        const MachineState initial = a.state();
        ExecutionCounts ca;
        ca.start(a.registers[PC], a.registers[MBR]);
        const ExecutionCounts initialCounts = ca;
        // The state after step n, by executing from the start.
        auto direct = [&](uint64_t n, ExecutionCounts& counts) {
            auto b = std::make_unique<Machine>();
            sameProgram(a, *b, initial);
            counts = initialCounts;
            b->execute(n, counts);
            return b;
        };

        // Small spacing, and every other round a small budget, so that states are kept,
        // thinned and executed through again.
        const size_t budget = round % 2 ? 4096 : History::defaultBudget;
        History h(budget, 16);
        h.start(a, ca);
        h.run(a, ca, {1 + rng() % 3000, nullptr});
        const uint64_t ran = ca.micro; // a Run ends early at the halt address
        const uint64_t k = rng() % (ran + 1);
        ExecutionCounts cb;
        h.goTo(a, ca, ran - k);
        expectSame(a, *direct(ran - k, cb), "back");
        EXPECT_EQ(std::tuple(ca.micro, ca.ijvm, ca.instructions, ca.microOfInstructions),
                  std::tuple(cb.micro, cb.ijvm, cb.instructions, cb.microOfInstructions));
        // The steps after the present stay within reach: the last one, then back again.
        EXPECT_EQ(h.lastStep(), ran);
        ASSERT_TRUE(h.goTo(a, ca, ran));
        expectSame(a, *direct(ran, cb), "forward to the last step");
        h.goTo(a, ca, ran - k);
        // Forward again, a microinstruction at a time, then by a Run.
        for (uint64_t i = 0; i < k / 2; ++i)
            h.microStep(a, ca);
        expectSame(a, *direct(ran - k + k / 2, cb), "forward by steps");
        const uint64_t before = ca.micro;
        uint64_t seen = 0;
        h.run(a, ca, {k - k / 2, nullptr}, [&](const Machine&) { ++seen; });
        EXPECT_EQ(seen, ca.micro - before);
        expectSame(a, *direct(ca.micro, cb), "forward by an observed Run");
        if (round % 2) {
            EXPECT_LE(h.bytes(), budget + 2 * sizeof(MachineState));
        }

        // By IJVM steps: one back is where the step before the last one ended, at the main
        // loop or at the halt address alike.
        std::vector<uint64_t> ends{ca.micro};
        std::vector<StopReason> whys;
        for (int i = 0; i < 5; ++i) {
            whys.push_back(h.ijvmStep(a, ca, {5000, nullptr}));
            ends.push_back(ca.micro);
        }
        const uint64_t back = History::ijvmBack(ca);
        if (whys[3] == StopReason::Halted && whys[4] == StopReason::Halted) {
            EXPECT_EQ(back, ends[4]);
        }
        h.goTo(a, ca, back);
        expectSame(a, *direct(back, cb), "an IJVM step back");
    }
}

TEST(History, AChangeBetweenStepsIsExecutedThroughAgain) {
    std::mt19937 rng(7);
    Machine a;
    randomProgram(a, rng);
    History h(History::defaultBudget, 8);
    ExecutionCounts c;
    c.start(a.registers[PC], a.registers[MBR]);
    h.start(a, c);
    for (int i = 0; i < 100; ++i) // stepped: the halt address does not end it early
        h.microStep(a, c);
    a.memoryWord(machine::standardInputAddress) = 12345; // the user types a number
    a.registers[H] = 777;
    h.changed(a, c);
    const uint64_t changedAt = c.micro;
    h.run(a, c, {100, nullptr});
    const MachineState present = a.state();
    // Replayed from before the change, every step is seen and the machine ends as it was.
    uint64_t seen = 0;
    ASSERT_TRUE(h.replay(a, c, changedAt - 50, [&](const Machine&) { ++seen; }));
    EXPECT_EQ(seen, c.micro - (changedAt - 50));
    EXPECT_EQ(a.registers[PC], present.datapath.registers[PC]);
    EXPECT_EQ(*a.peekWord(machine::standardInputAddress), 12345);
    // Back to just after the change: the change is there; before it, it is not.
    h.goTo(a, c, changedAt);
    EXPECT_EQ(a.registers[H], 777);
    h.goTo(a, c, changedAt - 1);
    EXPECT_NE(a.registers[H], 777);
    // Forward again over the change: the state the Run left.
    const uint64_t last = h.lastStep();
    ASSERT_TRUE(h.goTo(a, c, last));
    EXPECT_EQ(std::vector<int32_t>(a.registers, a.registers + RegisterCount),
              std::vector<int32_t>(present.datapath.registers, present.datapath.registers + RegisterCount));
    EXPECT_FALSE(h.goTo(a, c, last + 1));
    h.goTo(a, c, changedAt - 1);
    // Executing on from there forgets the change's future: the way ends at the present.
    h.microStep(a, c);
    EXPECT_EQ(h.lastStep(), changedAt);
    h.goTo(a, c, changedAt);
    EXPECT_NE(a.registers[H], 777);
}

TEST(History, BreakpointsStopBeforeTheirMicroinstructionOrInstruction) {
    // "PC = PC + 1" at address 0, then back to it: the main loop sees PC 1, 2, 3...
    Machine m;
    m.loadMicroinstruction(0, Microinstruction{makeWord(B_PC, 0, 1u << PC, 53), 1, "next"});
    m.loadMicroinstruction(1, Microinstruction{makeWord(B_H, 0, 1u << H, 20), 0, "back"});
    m.reset();
    Breakpoints b;
    b.ijvm.assign(8, false);
    b.ijvm[5] = true;
    ExecutionCounts c;
    // At the main loop about to dispatch offset 5.
    EXPECT_EQ(m.run({1000, nullptr, 0, &b}, c), StopReason::Breakpoint);
    EXPECT_EQ(std::tuple(c.micro, m.mpc, m.registers[PC]), std::tuple(10u, 0u, 5));
    // An IJVM step executes one first and goes on, to a microinstruction's breakpoint,
    // before which it stops; a Run standing there stops at once.
    b.micro.set(1);
    EXPECT_EQ(m.ijvmStep({1000, nullptr, 0, &b}, c), StopReason::Breakpoint);
    EXPECT_EQ(std::tuple(c.micro, m.mpc), std::tuple(11u, 1u));
    EXPECT_EQ(m.run({1000, nullptr, 0, &b}, c), StopReason::Breakpoint);
    EXPECT_EQ(c.micro, 11u);
}

TEST(History, OverItsBudgetWithOnlyChangesTheOldestGoAndGoingBeforeThemIsRefused) {
    std::mt19937 rng(3);
    Machine a;
    randomProgram(a, rng);
    // A budget no state fits in: every change keeps one, and none may hang or be lost.
    History h(1, 1);
    ExecutionCounts c;
    c.start(a.registers[PC], a.registers[MBR]);
    h.start(a, c);
    for (int i = 1; i <= 4; ++i) {
        h.microStep(a, c);
        a.memoryWord(100) = i;
        h.changed(a, c);
    }
    EXPECT_EQ(h.statesKept(), 1u);
    EXPECT_EQ(h.firstStep(), 4u);
    EXPECT_LE(h.spacing(), History::maxSpacing);
    EXPECT_FALSE(h.goTo(a, c, 3));
    EXPECT_EQ(c.micro, 4u);
    // Executing on from the latest change, and back to it, still works.
    h.run(a, c, {50, nullptr});
    EXPECT_TRUE(h.goTo(a, c, 4));
    EXPECT_EQ(*a.peekWord(100), 4);
}
