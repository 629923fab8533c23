#pragma once
// The MIC-1 datapath: ten registers, the A, B and C buses, the ALU with its shifter and
// the N and Z flags, main memory and the memory interface with its one-cycle latency.
// The cycle is defined inline: it is the hot path of every Run.

#include "core/MachineDescription.h"
#include "core/Microinstruction.h"
#include "core/SparseStore.h"

#include <cstdint>
#include <vector>

namespace tarveno {

using MainMemory = SparseStore<uint32_t, int32_t>;

// A control word split into its fields once, so that a microinstruction executed
// again and again is not decoded every time.
struct Decoded {
    uint32_t b = 0;
    uint32_t mem = 0;
    uint32_t cEnables = 0;
    uint32_t aluFunction = 0;
    uint32_t shifterCode = 0;
    uint32_t jam = 0;
};

constexpr Decoded decode(uint32_t word) {
    const uint32_t alu = field(word, Field::ALU);
    return Decoded{field(word, Field::B), field(word, Field::Mem), field(word, Field::C),
                   alu & 0x3Fu,           (alu >> 6) & 0x3u,       field(word, Field::JAM)};
}

// The values written to the output cell, in order. A program that writes without end
// must not exhaust the host: only the first `limit` values are kept, while `count` goes
// on counting every write.
struct OutputRecord {
    static constexpr size_t limit = size_t{1} << 20;
    std::vector<int32_t> values;
    uint64_t count = 0;

    void record(int32_t value) {
        if (values.size() < limit) values.push_back(value);
        ++count;
    }
    void clear() {
        values.clear();
        count = 0;
    }
};

// What one cycle reads and writes besides main memory: the buses, the flags, the ALU
// control, the registers, the pending memory results and MIR.
struct DatapathState {
    int32_t aBus = 0;
    int32_t bBus = 0;
    int32_t cBus = 0;
    uint8_t n = 0;
    uint8_t z = 0;
    uint32_t aluFunction = 0;
    uint32_t shifterCode = 0;
    int32_t registers[RegisterCount] = {};
    int32_t pendingMdr = 0;
    int32_t pendingMbr = 0;
    uint32_t mir = 0;
    uint32_t pendingOps = 0;
    // Where a wr to the output cell is recorded (the machine's record); none: nowhere.
    OutputRecord* outputSink = nullptr;

    // The C bus from the A bus, the B bus, the function and the shifter code; sets N and Z.
    inline void alu();
    // The byte fetched and the word read by the previous cycle arrive.
    inline void deliverPending();
    // Every register whose enable bit is set receives the C bus.
    inline void cBusWrite(uint32_t enables);
    // Starts fetch, rd or wr with the registers as the C-bus write left them; a wr to the
    // output cell is also recorded in outputSink.
    inline void memoryStart(uint32_t mem, MainMemory& memory);
    // The fetch, read or write itself. Out of line: inlined, the store's code crowded the
    // run loop and slowed register-only cycles by a quarter.
    [[gnu::noinline]] void memoryAccess(uint32_t mem, MainMemory& memory);
    // One data-path cycle for the control word in mir, decoded as d.
    inline void cycle(const Decoded& d, MainMemory& memory);

    // The pure ALU function table: codes outside it give 0.
    static inline uint32_t aluResult(uint32_t function, uint32_t a, uint32_t b);
    static inline uint32_t shift(uint32_t value, uint32_t code);
};

class Datapath : public DatapathState {
  public:
    static constexpr uint32_t standardInputAddress = machine::standardInputAddress;
    static constexpr uint32_t standardOutputAddress = machine::standardOutputAddress;

    Datapath() = default;

    // One data-path cycle for the control word in mir.
    void cycle() { DatapathState::cycle(decode(mir), mainMemory); }

    // The word at a word address; a cell that does not exist is made, holding 0.
    int32_t& memoryWord(uint32_t address) { return mainMemory.lookup(address); }
    // The word at a word address, or nullptr when the cell does not exist (makes none).
    const int32_t* peekWord(uint32_t address) const { return mainMemory.search(address); }

    MainMemory mainMemory;
};

inline uint32_t DatapathState::aluResult(uint32_t function, uint32_t a, uint32_t b) {
    switch (function) {
    case alu::hAndB:
        return a & b;
    case alu::zero:
        return 0;
    case alu::one:
        return 1;
    case alu::minusOne:
        return 0xFFFFFFFFu;
    case alu::b:
        return b;
    case alu::h:
        return a;
    case alu::notH:
        return ~a;
    case alu::hOrB:
        return a | b;
    case alu::notB:
        return ~b;
    case alu::bPlusOne:
        return b + 1;
    case alu::bMinusOne:
        return b - 1;
    case alu::hPlusOne:
        return a + 1;
    case alu::minusH:
        return 0u - a;
    case alu::hPlusB:
        return a + b;
    case alu::hPlusBPlusOne:
        return a + b + 1;
    case alu::bMinusH:
        return b - a;
    default:
        return 0;
    }
}

inline uint32_t DatapathState::shift(uint32_t value, uint32_t code) {
    switch (code) {
    case 1:
        return static_cast<uint32_t>(static_cast<int32_t>(value) >> 1);
    case 2:
        return value << 8;
    default:
        return value;
    }
}

inline void DatapathState::alu() {
    uint32_t c =
        shift(aluResult(aluFunction, static_cast<uint32_t>(aBus), static_cast<uint32_t>(bBus)), shifterCode);
    cBus = static_cast<int32_t>(c);
    n = cBus < 0 ? 1 : 0;
    z = cBus == 0 ? 1 : 0;
}

inline void DatapathState::deliverPending() {
    if (pendingOps & MemFetch) registers[MBR] = pendingMbr;
    if (pendingOps & MemRead) registers[MDR] = pendingMdr;
    pendingOps = 0;
}

inline void DatapathState::cBusWrite(uint32_t enables) {
    for (enables &= 0x1FFu; enables != 0; enables &= enables - 1)
        registers[__builtin_ctz(enables)] = cBus;
}

inline void DatapathState::memoryStart(uint32_t mem, MainMemory& memory) {
    pendingOps = mem;
    if (mem != 0) memoryAccess(mem, memory);
}

inline void DatapathState::cycle(const Decoded& d, MainMemory& memory) {
    aluFunction = d.aluFunction;
    shifterCode = d.shifterCode;
    if (d.b == B_MBR)
        bBus = static_cast<int8_t>(registers[MBR] & 0xFF);
    else if (d.b < B_MBR)
        bBus = registers[d.b];
    else
        bBus = 0; // codes 11-15 name no register
    aBus = registers[H];
    deliverPending();
    alu();
    cBusWrite(d.cEnables);
    memoryStart(d.mem, memory);
}

} // namespace tarveno
