// The interpreter the Run engine is measured against: what a careful student writes from
// the machine's description, a flat loop over the fields of a .bin file. The control store
// is two arrays by address; main memory is a table of 4096-word pages made on first use;
// each step decodes its word, drives the buses, computes, writes the C bus, starts memory
// and computes the next address. It prints the registers as `mic1 run` prints them, so a
// script can check that both did the same work.
//
// Usage: tarveno_plain PROGRAM.bin [--mem WORD=VALUE]... [--max-steps N]
//        (runs to address 112, or for N microinstructions; N = 0: no bound)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t pageBits = 12;
constexpr uint32_t pageWords = 1u << pageBits;

// Main memory: every one of the 2^32 words can be used, so pages are made as they are touched.
class Memory {
  public:
    Memory() : pages_(size_t{1} << (32 - pageBits)) {}
    int32_t& word(uint32_t address) {
        std::unique_ptr<int32_t[]>& page = pages_[address >> pageBits];
        if (!page) page = std::make_unique<int32_t[]>(pageWords); // zeroed
        return page[address & (pageWords - 1)];
    }

  private:
    std::vector<std::unique_ptr<int32_t[]>> pages_;
};

int32_t alu(uint32_t function, int32_t a, int32_t b) {
    const uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    switch (function) {
    case 12:
        return a & b;
    case 16:
        return 0;
    case 17:
        return 1;
    case 18:
        return -1;
    case 20:
        return b;
    case 24:
        return a;
    case 26:
        return ~a;
    case 28:
        return a | b;
    case 44:
        return ~b;
    case 53:
        return static_cast<int32_t>(ub + 1);
    case 55:
        return static_cast<int32_t>(ub - 1);
    case 57:
        return static_cast<int32_t>(ua + 1);
    case 59:
        return static_cast<int32_t>(0u - ua);
    case 60:
        return static_cast<int32_t>(ua + ub);
    case 61:
        return static_cast<int32_t>(ua + ub + 1);
    case 63:
        return static_cast<int32_t>(ub - ua);
    default:
        return 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarveno_plain PROGRAM.bin [--mem WORD=VALUE]... [--max-steps N]\n");
        return 2;
    }
    // The control store: 512 addresses; any other address holds an all-zero word.
    std::vector<uint32_t> words(512, 0), nexts(512, 0);
    std::vector<bool> loaded(512, false);
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long address = 0, next = 0, word = 0;
        if (!(fields >> address >> next >> word)) continue;
        if (address < 0 || address >= 512 || loaded[address]) continue; // the first line of an address wins
        loaded[address] = true;
        words[address] = static_cast<uint32_t>(word);
        nexts[address] = static_cast<uint32_t>(next);
    }

    Memory memory;
    uint64_t maxSteps = 100000000;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--mem") && i + 1 < argc) {
            const char* item = argv[++i];
            const char* eq = std::strchr(item, '=');
            if (!eq) return 2;
            memory.word(static_cast<uint32_t>(std::strtoll(item, nullptr, 0))) =
                static_cast<int32_t>(std::strtoll(eq + 1, nullptr, 0));
        } else if (!std::strcmp(argv[i], "--max-steps") && i + 1 < argc) {
            maxSteps = std::strtoull(argv[++i], nullptr, 10);
        } else {
            return 2;
        }
    }

    enum { MAR, MDR, PC, SP, LV, CPP, TOS, OPC, H, MBR };
    int32_t reg[10] = {};
    int32_t pendingMdr = 0, pendingMbr = 0, bBus = 0, cBus = 0;
    uint32_t pending = 0, mpc = 0, function = 0, shifter = 0;
    uint64_t steps = 0;
    while (mpc != 112 && (maxSteps == 0 || steps < maxSteps)) {
        ++steps;
        const uint32_t w = mpc < 512 ? words[mpc] : 0;
        const uint32_t next = mpc < 512 ? nexts[mpc] : 0;
        const uint32_t b = w & 0xF, mem = (w >> 4) & 7, c = (w >> 7) & 0x1FF;
        function = (w >> 16) & 0x3F;
        shifter = (w >> 22) & 3;
        const uint32_t jam = (w >> 24) & 7;
        // B bus and A bus, then the results of the last memory operations arrive.
        bBus = b == 10 ? static_cast<int8_t>(reg[MBR] & 0xFF) : b < 10 ? reg[b] : 0;
        const int32_t aBus = reg[H];
        if (pending & 1) reg[MBR] = pendingMbr;
        if (pending & 2) reg[MDR] = pendingMdr;
        int32_t result = alu(function, aBus, bBus);
        if (shifter == 1) result >>= 1;
        if (shifter == 2) result = static_cast<int32_t>(static_cast<uint32_t>(result) << 8);
        cBus = result;
        for (uint32_t enables = c; enables != 0; enables &= enables - 1) // each enabled register
            reg[__builtin_ctz(enables)] = result;
        pending = mem;
        if (mem & 1) {
            const uint32_t pc = static_cast<uint32_t>(reg[PC]);
            pendingMbr = (static_cast<uint32_t>(memory.word(pc >> 2)) >> (8 * (3 - (pc & 3)))) & 0xFF;
        }
        if (mem & 2)
            pendingMdr = memory.word(static_cast<uint32_t>(reg[MAR]));
        else if (mem & 4)
            memory.word(static_cast<uint32_t>(reg[MAR])) = reg[MDR];
        uint32_t target = next;
        if ((jam & 1) && result == 0) target |= 0x100;
        if ((jam & 2) && result < 0) target |= 0x100;
        if (jam & 4) target |= static_cast<uint32_t>(reg[MBR]);
        mpc = target;
    }
    const char* names[] = {"MAR", "MDR", "PC", "SP", "LV", "CPP", "TOS", "OPC", "H", "MBR"};
    for (int i = 0; i < 10; ++i)
        std::printf("%s%s=%d", i ? " " : "", names[i], i == MBR ? reg[i] & 0xFF : reg[i]);
    std::printf("\nMPC=%u N=%d Z=%d B=%d C=%d ALU=%u SHIFT=%u STEPS=%u\n", mpc, cBus < 0, cBus == 0, bBus,
                cBus, function, shifter, static_cast<uint32_t>(steps));
    return mpc == 112 ? 0 : 3;
}
