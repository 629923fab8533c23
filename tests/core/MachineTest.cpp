#include "core/Machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <thread>
#include <utility>

using namespace tarveno;

namespace {

constexpr uint32_t bit(Register r) {
    return 1u << r;
}
constexpr uint32_t shiftRight = 1u << 6, shiftLeft8 = 2u << 6;

// Runs one cycle of a control word on a datapath.
void cycle(Datapath& d, uint32_t w) {
    d.mir = w;
    d.cycle();
}

void place(Machine& m, uint32_t address, uint32_t w, uint32_t next) {
    m.loadMicroinstruction(address, Microinstruction{w, next, "test"});
}

} // namespace

TEST(SparseStore, LookupAddsSearchDoesNotAndListingsAscend) {
    SparseStore<uint32_t, int32_t> mem;
    for (const auto& [key, value] : {std::pair(40u, 4), {20u, 2}, {0u, 9}})
        mem.insert({key, value});
    EXPECT_EQ(*mem.search(20), 2);
    EXPECT_FALSE(mem.missed());
    EXPECT_EQ(mem.search(60), nullptr);
    EXPECT_TRUE(mem.missed());
    EXPECT_EQ(std::as_const(mem).search(61), nullptr); // a view's search makes no cell either
    EXPECT_EQ(std::tuple(mem.count(), mem.contains(7)), std::tuple(3, false));
    EXPECT_EQ(mem.lookup(7), 0);  // a missing key gets an all-zero record...
    EXPECT_TRUE(mem.contains(7)); // ...that exists from then on
    EXPECT_FALSE(mem.missed());
    mem.lookup(7) = 70;
    mem.insert({0, 10}); // a present key takes the new value in place
    EXPECT_EQ(std::tuple(mem.count(), *mem.search(0)), std::tuple(4, 10));

    // Records stay where they are while the store grows by many keys, near and far
    // (the standard-input cell, neighbours on both sides of page boundaries, strided
    // keys), and a listing gives every key once, in ascending order.
    int32_t* seven = &mem.lookup(7);
    std::vector<uint32_t> expected{0, 7, 20, 40};
    for (uint32_t k = 0; k < 20000; ++k) {
        const uint32_t key = 1000 + k * 4096 + (k % 5);
        mem.lookup(key) = static_cast<int32_t>(k);
        expected.push_back(key);
    }
    for (uint32_t key : {0xFFFFFFFAu, 0xFFFFFFFFu, 100000u, 100032u, 100031u, 100064u, 100063u}) {
        mem.lookup(key) = -1;
        expected.push_back(key);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::tuple(seven, *seven), std::tuple(&mem.lookup(7), 70));
    EXPECT_EQ(mem.count(), static_cast<int32_t>(expected.size()));
    std::vector<uint32_t> order;
    mem.forEach([&](uint32_t key, int32_t) { order.push_back(key); });
    EXPECT_EQ(order, expected);
    EXPECT_EQ(std::tuple(*mem.search(1000 + 19999u * 4096 + 4), mem.search(1000 + 4096), *mem.search(100031)),
              std::tuple(19999, nullptr, -1));

    // A copy lists the same records, and each goes its own way after.
    SparseStore<uint32_t, int32_t> copy(mem);
    auto listing = [](const SparseStore<uint32_t, int32_t>& m) {
        std::vector<std::pair<uint32_t, int32_t>> records;
        m.forEach([&](uint32_t key, int32_t value) { records.emplace_back(key, value); });
        return records;
    };
    EXPECT_EQ(listing(copy), listing(mem));
    copy.lookup(7) = 71;
    copy.lookup(100033) = 5;
    EXPECT_EQ(std::tuple(mem.lookup(7), copy.lookup(7), copy.count()), std::tuple(70, 71, mem.count() + 1));
    EXPECT_EQ(std::tuple(*copy.search(100032), *copy.search(1000 + 19999u * 4096 + 4), mem.search(100033)),
              std::tuple(-1, 19999, nullptr));
    SparseStore<uint32_t, int32_t> moved(std::move(copy));
    EXPECT_EQ(std::tuple(moved.lookup(7), moved.count()), std::tuple(71, mem.count() + 1));
}

// What a word costs: little in a memory that grows word by word, a slot's share of the
// index alone far from others. A memory made downwards and walked upwards finds every word
// and makes none. A copy shares the pages: it costs what is written after it.
TEST(SparseStore, BytesPerWordWalksInEitherOrderAndCopiesShare) {
    EXPECT_EQ((SparseStore<uint32_t, int32_t>().bytesUsed()), 0u);
    SparseStore<uint32_t, int32_t> dense, scattered, down;
    const uint32_t n = 100000;
    for (uint32_t a = 0; a < n; ++a) {
        dense.lookup(a) = static_cast<int32_t>(a);
        scattered.lookup(a * 2654435761u) = 1;
        down.lookup(n - 1 - a) = static_cast<int32_t>(n - 1 - a);
    }
    EXPECT_LT(dense.bytesUsed(), n * 6);
    EXPECT_LE(scattered.bytesUsed(), n * 48);
    for (auto* m : {&dense, &down}) {
        int64_t sum = 0;
        for (uint32_t a = 0; a < n; ++a)
            sum += m->read(a) == static_cast<int32_t>(a);
        EXPECT_EQ(std::tuple(sum, m->count()), (std::tuple(int64_t{n}, static_cast<int32_t>(n))));
    }

    const SparseStore<uint32_t, int32_t> first(dense);
    dense.write(5, -5);
    dense.write(n + 40, 1);
    const SparseStore<uint32_t, int32_t> second(dense);
    EXPECT_LE(second.bytesSince(first), (n / 32) * 16 + 2 * 160); // the list and two pages
    EXPECT_EQ(std::tuple(*first.search(5), first.search(n + 40), *second.search(5), *second.search(n + 40)),
              std::tuple(5, nullptr, -5, 1));
}

// Against an ordered map, through inline records, pages made at the third record, copies
// taken now and then and written on both sides, and copies put back.
TEST(SparseStore, AgreesWithAnOrderedMapThroughCopies) {
    std::mt19937 rng(99);
    SparseStore<uint32_t, int32_t> store;
    std::map<uint32_t, int32_t> map;
    std::vector<std::pair<SparseStore<uint32_t, int32_t>, std::map<uint32_t, int32_t>>> copies;
    for (int i = 0; i < 200000; ++i) {
        // Keys near each other, in a few far regions, so regions fill from one record up.
        const uint32_t key = (rng() % 8) * 0x10000000u + rng() % 4096;
        switch (rng() % 8) {
        case 0:
            EXPECT_EQ(store.read(key), map[key]);
            break;
        case 1:
            EXPECT_EQ(store.search(key) ? std::optional(*store.search(key)) : std::nullopt,
                      map.count(key) ? std::optional(map[key]) : std::nullopt);
            break;
        case 2:
            if (rng() % 500 == 0) copies.emplace_back(store, map);
            if (rng() % 2000 == 0 && !copies.empty()) std::tie(store, map) = copies[rng() % copies.size()];
            break;
        default:
            store.write(key, map[key] = static_cast<int32_t>(rng()));
        }
    }
    copies.emplace_back(store, map);
    for (const auto& [copy, expected] : copies) {
        using Listing = std::vector<std::pair<uint32_t, int32_t>>;
        Listing listed;
        copy.forEach([&](uint32_t k, int32_t v) { listed.emplace_back(k, v); });
        EXPECT_EQ(listed, Listing(expected.begin(), expected.end()));
        EXPECT_EQ(copy.count(), static_cast<int32_t>(expected.size()));
    }
}

TEST(Datapath, AluShifterAndFlags) {
    Datapath d;
    d.registers[H] = 0x7FFFFFFF;
    d.registers[OPC] = 1;
    cycle(d, makeWord(B_OPC, 0, bit(OPC), 60));
    EXPECT_EQ(std::tuple(static_cast<uint32_t>(d.registers[OPC]), d.n), std::tuple(0x80000000u, 1));

    d.registers[SP] = -3;
    cycle(d, makeWord(B_SP, 0, bit(SP), 20 | shiftRight));
    EXPECT_EQ(std::tuple(d.registers[SP], d.shifterCode), std::tuple(-2, 1u));
    d.registers[SP] = 0x01234567;
    cycle(d, makeWord(B_SP, 0, bit(SP), 20 | shiftLeft8));
    EXPECT_EQ(d.registers[SP], 0x23456700);
    cycle(d, makeWord(B_SP, 0, bit(SP), 20 | shiftLeft8 | shiftRight));
    EXPECT_EQ(d.registers[SP], 0x23456700);

    cycle(d, makeWord(B_SP, 0, bit(LV), 54)); // not in the table
    EXPECT_EQ(std::tuple(d.registers[LV], d.z, d.aluFunction), std::tuple(0, 1, 54u));

    // The whole table on H = 6, B = 10, with N and Z from each result.
    const std::pair<uint32_t, int32_t> rows[] = {{12, 2},  {16, 0},  {17, 1},   {18, -1}, {20, 10}, {24, 6},
                                                 {26, ~6}, {28, 14}, {44, ~10}, {53, 11}, {55, 9},  {57, 7},
                                                 {59, -6}, {60, 16}, {61, 17},  {63, 4}};
    d.registers[H] = 6;
    d.registers[LV] = 10;
    for (const auto& [code, result] : rows) {
        cycle(d, makeWord(B_LV, 0, 0, code));
        EXPECT_EQ(std::tuple(d.cBus, d.n, d.z), std::tuple(result, result < 0, result == 0)) << code;
    }
}

TEST(Datapath, BusSourcesAndCBusWrite) {
    Datapath d;
    d.registers[MBR] = 0xF0;
    cycle(d, makeWord(B_MBRU, 0, 0, 20));
    EXPECT_EQ(d.bBus, 240);
    cycle(d, makeWord(B_MBR, 0, 0, 20));
    EXPECT_EQ(d.bBus, -16);
    for (uint32_t code = 11; code <= 15; ++code) {
        cycle(d, makeWord(code, 0, 0, 20));
        EXPECT_EQ(d.bBus, 0);
    }
    cycle(d, makeWord(0, 0, 0x1FF, 17)); // all nine enables: the same value everywhere but MBR
    for (int r = MAR; r <= H; ++r)
        EXPECT_EQ(d.registers[r], 1) << r;
    EXPECT_EQ(d.registers[MBR], 0xF0);
}

TEST(Datapath, MemoryLatencyAndByteOrder) {
    Datapath d;
    d.memoryWord(0) = 0x11223344;
    d.memoryWord(1) = static_cast<int32_t>(0xAABBCCDD);
    // PC = 1 by the C bus, fetch in the same cycle: the byte arrives one cycle later.
    d.registers[PC] = 0;
    cycle(d, makeWord(B_PC, MemFetch, bit(PC), 53));
    EXPECT_EQ(d.registers[MBR], 0);
    cycle(d, 0);
    EXPECT_EQ(d.registers[MBR], 0x22);
    for (const auto& [pc, byte] : {std::pair(3, 0x44), {4, 0xAA}}) { // bytes in big-endian order
        d.registers[PC] = pc;
        cycle(d, makeWord(0, MemFetch, 0, 0));
        cycle(d, 0);
        EXPECT_EQ(d.registers[MBR], byte);
    }

    // rd in cycle k: H = MDR in cycle k + 1 sees the old MDR; in k + 2 the new one is on B.
    d.registers[MDR] = 5;
    d.registers[SP] = 1;
    cycle(d, makeWord(B_SP, MemRead, bit(MAR), 20)); // MAR = SP; rd
    cycle(d, makeWord(B_MDR, 0, bit(H), 20));        // H = MDR
    EXPECT_EQ(d.registers[H], 5);
    EXPECT_EQ(d.registers[MDR], static_cast<int32_t>(0xAABBCCDD)); // delivered after the B bus
    cycle(d, makeWord(B_MDR, 0, bit(H), 20));
    EXPECT_EQ(d.registers[H], static_cast<int32_t>(0xAABBCCDD));

    // A register written by the C bus overrides the value delivered in the same cycle.
    cycle(d, makeWord(0, MemRead, 0, 0));
    cycle(d, makeWord(0, 0, bit(MDR), 17));
    EXPECT_EQ(d.registers[MDR], 1);

    // wr takes effect at once; rd with wr reads and does not write.
    d.registers[MAR] = 9;
    d.registers[MDR] = 77;
    cycle(d, makeWord(0, MemWrite, 0, 0));
    EXPECT_EQ(*d.peekWord(9), 77);
    d.registers[MDR] = 88;
    cycle(d, makeWord(0, MemRead | MemWrite, 0, 0));
    EXPECT_EQ(*d.peekWord(9), 77);
    EXPECT_EQ(d.pendingMdr, 77);

    // Reading creates the cell; peeking does not. The standard-input cell is ordinary.
    EXPECT_EQ(d.peekWord(500), nullptr);
    d.registers[MAR] = 500;
    cycle(d, makeWord(0, MemRead, 0, 0));
    ASSERT_NE(d.peekWord(500), nullptr);
    EXPECT_EQ(*d.peekWord(500), 0);
    d.memoryWord(Datapath::standardInputAddress) = 42;
    d.registers[MAR] = -6;
    cycle(d, makeWord(0, MemRead, 0, 0));
    EXPECT_EQ(d.pendingMdr, 42);
}

TEST(Datapath, OutputCellRecordsEveryWriteInOrder) {
    Machine m;
    const auto write = [&](int32_t address, int32_t value, uint32_t mem = MemWrite) {
        m.registers[MAR] = address;
        m.registers[MDR] = value;
        cycle(m, makeWord(0, mem, 0, 0));
    };
    write(-5, 3);
    write(-4, 8); // a neighbour is an ordinary cell
    write(-5, -7);
    write(-5, 9, MemRead | MemWrite); // no write, nothing recorded
    m.registers[MAR] = -5;
    cycle(m, makeWord(0, MemRead, 0, 0)); // reading it records nothing either
    EXPECT_EQ(m.output.values, (std::vector<int32_t>{3, -7}));
    EXPECT_EQ(*m.peekWord(Datapath::standardOutputAddress), -7); // the cell holds the last value

    // A program that writes without end keeps the first values and counts the rest.
    for (size_t i = m.output.count; i < OutputRecord::limit + 5; ++i)
        write(-5, static_cast<int32_t>(i));
    EXPECT_EQ(std::tuple(m.output.values.size(), m.output.count, m.output.values.back()),
              std::tuple(OutputRecord::limit, OutputRecord::limit + 5, int32_t(OutputRecord::limit - 1)));

    m.reset(); // a new run starts with no output; the cell itself stays
    EXPECT_EQ(std::tuple(m.output.values.empty(), m.output.count), std::tuple(true, 0u));
    EXPECT_NE(m.peekWord(Datapath::standardOutputAddress), nullptr);
}

TEST(Machine, JamArithmetic) {
    auto nextAfter = [](uint32_t jam, uint32_t next, uint32_t alu, uint32_t mbr) {
        Machine m;
        place(m, 0, makeWord(0, 0, 0, alu, jam), next);
        m.reset();
        m.registers[MBR] = static_cast<int32_t>(mbr);
        m.microStep();
        EXPECT_EQ(m.previousMpc, 0u);
        EXPECT_EQ(m.microCounter, 1u);
        return m.mpc;
    };
    // JAMZ with Z = 1 and 0, JAMZ and JAMN with N = 1, JAMN with N = 0, JMPC, JMPC with JAMZ.
    EXPECT_EQ(std::vector({nextAfter(1, 0x20, 16, 0), nextAfter(1, 0x20, 17, 0), nextAfter(3, 0x20, 18, 0),
                           nextAfter(2, 0x20, 17, 0), nextAfter(4, 0, 17, 0x60),
                           nextAfter(4, 0x100, 17, 0x60), nextAfter(5, 0x100, 16, 0xFF)}),
              std::vector<uint32_t>({0x120, 0x20, 0x120, 0x20, 0x60, 0x160, 0x1FF}));

    // JMPC sees the byte fetched the step before.
    Machine m;
    m.memoryWord(0) = 0x00420000;
    place(m, 0, makeWord(B_PC, MemFetch, bit(PC), 53), 1); // PC = PC + 1; fetch
    place(m, 1, makeWord(0, 0, 0, 0, 4), 0);               // GOTO (MBR)
    m.reset();
    m.microStep();
    m.microStep();
    EXPECT_EQ(m.mpc, 0x42u);
}

TEST(Machine, StepModesAndReset) {
    Machine m;
    place(m, 0, makeWord(B_TOS, 0, bit(TOS), 53), 1); // TOS = TOS + 1
    place(m, 1, makeWord(B_TOS, 0, bit(TOS), 53), 2);
    place(m, 2, makeWord(0, 0, 0, 0), 0); // back to 0
    place(m, 3, makeWord(0, 0, 0, 0), 112);
    place(m, 112, makeWord(0, 0, 0, 0), 112);
    m.reset();
    EXPECT_EQ(m.ijvmStep(), StopReason::Halted); // from 0, runs the whole instruction
    EXPECT_EQ(std::tuple(m.microCounter, m.registers[TOS], m.mpc), std::tuple(3u, 2, 0u));
    EXPECT_EQ(m.currentMic().text, "test");

    m.mpc = 3;
    EXPECT_EQ(m.run(), StopReason::Halted);
    EXPECT_EQ(std::tuple(m.mpc, m.microCounter), std::tuple(112u, 4u));
    EXPECT_EQ(m.run(), StopReason::Halted); // at 112 nothing runs
    EXPECT_EQ(m.microCounter, 4u);
    EXPECT_EQ(m.ijvmStep(), StopReason::Halted); // at least one step, even at 112
    EXPECT_EQ(m.microCounter, 5u);

    m.memoryWord(77) = 7;
    const int32_t c = m.cBus;
    m.reset();
    EXPECT_EQ(std::tuple(m.mpc, m.previousMpc, m.microCounter, m.registers[TOS], m.cBus, *m.peekWord(77)),
              std::tuple(0u, 0u, 0u, 0, c, 7));
    EXPECT_TRUE((m.controlStore().search(112) != nullptr));

    // A missing address executes an all-zero record, which then exists; far addresses too.
    m.mpc = 300;
    m.registers[MAR] = 5;
    m.microStep();
    EXPECT_EQ(std::tuple(m.mpc, (m.controlStore().search(300) != nullptr), m.registers[MAR]),
              std::tuple(0u, true, 5));
    m.mpc = 0x12345678;
    m.microStep();
    EXPECT_TRUE((m.controlStore().search(0x12345678) != nullptr));
}

TEST(Machine, RunThatNeverHaltsEndsAtItsBoundOrOnRequest) {
    Machine m;
    place(m, 0, makeWord(B_TOS, 0, bit(TOS), 53), 0); // TOS = TOS + 1; GOTO 0 forever
    m.reset();
    EXPECT_EQ(m.run({1000, nullptr}), StopReason::Bound);
    EXPECT_EQ(std::tuple(m.microCounter, m.registers[TOS]), std::tuple(1000u, 1000));
    EXPECT_EQ(m.ijvmStep({5, nullptr}), StopReason::Halted); // back at 0 after one step

    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop = true;
    });
    EXPECT_EQ(m.run({0, &stop}), StopReason::Stopped);
    stopper.join();
    EXPECT_GT(m.microCounter, 1000u);
}

namespace {

constexpr uint32_t stride = 0x9E3779B1u; // odd: a new word every step for 2^32 steps

// "MAR = MDR = H = H + LV; wr" forever at address 1: each step writes its own H into the
// word H, far from the last one.
void placeScatter(Machine& m) {
    place(m, 1, makeWord(B_LV, MemWrite, bit(MAR) | bit(MDR) | bit(H), 60), 1);
    m.reset();
    m.mpc = 1;
    m.registers[LV] = static_cast<int32_t>(stride);
}

// Registers and memory agree: H and MAR are those of the step executed last, and memory
// holds the words of the first `writes` steps, the last of them at writes * stride.
void expectWritten(const Machine& m, uint32_t writes) {
    const int32_t h = static_cast<int32_t>(m.microCounter * stride);
    EXPECT_EQ(std::tuple(m.registers[H], m.registers[MAR], m.mpc), std::tuple(h, h, 1u));
    EXPECT_EQ(m.mainMemory.count(), static_cast<int32_t>(writes));
    const int32_t last = static_cast<int32_t>(writes * stride);
    const int32_t* word = m.peekWord(static_cast<uint32_t>(last));
    EXPECT_TRUE(word && *word == last) << writes;
}

} // namespace

TEST(Machine, RunStopsOnceMainMemoryPassesItsBound) {
    const size_t bound = 200'000;
    // Observed, the run stops after the first step that passes the bound.
    Machine watched;
    placeScatter(watched);
    EXPECT_EQ(watched.run({0, nullptr, bound}, [](const Machine&) {}), StopReason::MemoryBound);
    EXPECT_GT(watched.mainMemory.bytesUsed(), bound);
    expectWritten(watched, watched.microCounter);
    Machine stepped;
    placeScatter(stepped);
    while (stepped.microCounter + 1 < watched.microCounter)
        stepped.microStep();
    EXPECT_LE(stepped.mainMemory.bytesUsed(), bound);

    // Unobserved, Run and IJVM step look at the bound every few thousand steps: the state
    // is that of a whole number of steps, past the first that passed the bound by less
    // than one stretch between looks.
    for (bool ijvm : {false, true}) {
        Machine m;
        placeScatter(m);
        EXPECT_EQ(ijvm ? m.ijvmStep({0, nullptr, bound}) : m.run({0, nullptr, bound}),
                  StopReason::MemoryBound);
        expectWritten(m, m.microCounter);
        EXPECT_GE(m.microCounter, watched.microCounter);
        EXPECT_LT(m.microCounter, watched.microCounter + 4096);
        // A bound of 0 is none; a run already past its bound executes nothing.
        EXPECT_EQ(m.run({10, nullptr, 0}), StopReason::Bound);
        EXPECT_EQ(m.run({10, nullptr, 1}), StopReason::MemoryBound);
        expectWritten(m, m.microCounter);
    }
}

namespace testalloc {
extern int allowedAllocations; // FailingAllocation.cpp
} // namespace testalloc

TEST(Machine, RunThatFailsInMemoryLeavesRegistersAndMemoryInStep) {
    for (bool observed : {false, true}) {
        Machine m;
        placeScatter(m);
        testalloc::allowedAllocations = 8;
        EXPECT_THROW(observed ? m.run({}, [](const Machine&) {}) : m.run(), FatalError);
        EXPECT_EQ(testalloc::allowedAllocations, -1);
        // The failing step set its registers; its word was not written.
        EXPECT_GT(m.microCounter, 1u);
        expectWritten(m, m.microCounter - 1);

        // A record that cannot be made for a far next address (its region fills the control
        // store's index, which must grow): the step had begun.
        Machine far;
        place(far, 0, makeWord(B_TOS, 0, bit(TOS), 53), 0x12345);
        for (uint32_t region = 1; region <= 21; ++region)
            place(far, region * 32, 0, 0);
        far.reset();
        testalloc::allowedAllocations = 0;
        EXPECT_THROW(observed ? far.run({10, nullptr}, [](const Machine&) {}) : far.run({10, nullptr}),
                     FatalError);
        EXPECT_EQ(std::tuple(far.microCounter, far.mpc, far.previousMpc, far.registers[TOS]),
                  std::tuple(2u, 0x12345u, 0u, 1));
    }
}
