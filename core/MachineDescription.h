#pragma once
// One description of the machine, read by every layer that names its parts: the
// registers with their C-bus enables and B-bus codes, the ALU functions with their MAL
// forms and readout prefixes, the bits of the control word, and the fixed addresses and
// limits. The datapath computes with these numbers; the assemblers, the checker and the
// front ends name them from here.

#include <array>
#include <cstdint>
#include <string_view>

namespace tarveno {

// The register file, in its order: index i < 9 is written by C-bus enable bit i.
enum Register : int { MAR = 0, MDR, PC, SP, LV, CPP, TOS, OPC, H, MBR, RegisterCount };

// B-bus source codes; 11 to 15 name no register and put 0 on the bus.
enum BSource : uint32_t { B_MAR = 0, B_MDR, B_PC, B_SP, B_LV, B_CPP, B_TOS, B_OPC, B_H, B_MBRU, B_MBR };

// Pending-operation bits (the Mem field of the control word).
enum MemOp : uint32_t { MemFetch = 1, MemRead = 2, MemWrite = 4 };

// The registers as readouts and dumps name them, in register-file order.
inline constexpr std::array<std::string_view, RegisterCount> registerNames{"MAR", "MDR", "PC",  "SP", "LV",
                                                                           "CPP", "TOS", "OPC", "H",  "MBR"};

// The B-bus sources by code; codes 11 to 15 drive no register.
inline constexpr std::array<std::string_view, 16> bSourceNames{"MAR", "MDR", "PC",  "SP",   "LV",  "CPP",
                                                               "TOS", "OPC", "H",   "MBRU", "MBR", "B11",
                                                               "B12", "B13", "B14", "B15"};

// A register name of MAL: the C-bus enable it sets as a destination (0: none) and the
// B-bus code it selects as an operand (0: none; MAR and H are no B operand, H being the
// A input).
struct MalRegister {
    std::string_view name;
    uint32_t cBit;
    uint32_t bCode;
};

inline constexpr std::array<MalRegister, 11> malRegisters{{{"MAR", 0x80, 0},
                                                           {"MDR", 0x100, B_MDR},
                                                           {"PC", 0x200, B_PC},
                                                           {"SP", 0x400, B_SP},
                                                           {"LV", 0x800, B_LV},
                                                           {"CPP", 0x1000, B_CPP},
                                                           {"TOS", 0x2000, B_TOS},
                                                           {"OPC", 0x4000, B_OPC},
                                                           {"H", 0x8000, 0},
                                                           {"MBR", 0, B_MBR},
                                                           {"MBRU", 0, B_MBRU}}};

constexpr const MalRegister* findMalRegister(std::string_view name) {
    for (const MalRegister& r : malRegisters)
        if (r.name == name) return &r;
    return nullptr;
}

// The ALU function codes (the control word's ALU field: F0 F1 ENA ENB INVA INC) the machine
// computes, A being H and B the B bus; any other code gives 0.
namespace alu {
inline constexpr uint32_t hAndB = 12;
inline constexpr uint32_t zero = 16;
inline constexpr uint32_t one = 17;
inline constexpr uint32_t minusOne = 18;
inline constexpr uint32_t b = 20;
inline constexpr uint32_t h = 24;
inline constexpr uint32_t notH = 26;
inline constexpr uint32_t hOrB = 28;
inline constexpr uint32_t notB = 44;
inline constexpr uint32_t bPlusOne = 53;
inline constexpr uint32_t bMinusOne = 55;
inline constexpr uint32_t hPlusOne = 57;
inline constexpr uint32_t minusH = 59;
inline constexpr uint32_t hPlusB = 60;
inline constexpr uint32_t hPlusBPlusOne = 61;
inline constexpr uint32_t bMinusH = 63;
} // namespace alu

// The ALU functions with their MAL forms ("B" for the B operand) and readout prefixes,
// what the ALU panel shows before the result (empty for the constants).
struct AluFunction {
    uint32_t code;
    std::string_view malForm;
    std::string_view readoutPrefix;
};

inline constexpr std::array<AluFunction, 16> aluFunctions{{
    {alu::hAndB, "H AND B", "H AND B = "},
    {alu::zero, "0", ""},
    {alu::one, "1", ""},
    {alu::minusOne, "-1", ""},
    {alu::b, "B", "B = "},
    {alu::h, "H", "H = "},
    {alu::notH, "NOT H", "NOT H = "},
    {alu::hOrB, "H OR B", "H OR B = "},
    {alu::notB, "NOT B", "NOT B = "},
    {alu::bPlusOne, "B + 1", "B + 1 = "},
    {alu::bMinusOne, "B - 1", "B - 1 = "},
    {alu::hPlusOne, "H + 1", "H + 1 = "},
    {alu::minusH, "-H", "-H = "}, // the negation of H, named like the others
    {alu::hPlusB, "H + B", "H + B = "},
    {alu::hPlusBPlusOne, "H + B + 1", "H + B + 1 = "},
    {alu::bMinusH, "B - H", "B - H = "},
}};

constexpr const AluFunction* findAluFunction(uint32_t code) {
    for (const AluFunction& f : aluFunctions)
        if (f.code == code) return &f;
    return nullptr;
}

// Bits of the 27-bit control word.
namespace controlBit {
inline constexpr uint32_t fetch = 0x10;
inline constexpr uint32_t read = 0x20;
inline constexpr uint32_t write = 0x40;
inline constexpr uint32_t cShift = 7; // C enable of register i is bit cShift + i
inline constexpr uint32_t aluShift = 16;
inline constexpr uint32_t shiftRight = 0x400000; // arithmetic right by 1
inline constexpr uint32_t shiftLeft = 0x800000;  // left by 8
inline constexpr uint32_t jamZ = 0x1000000;
inline constexpr uint32_t jamN = 0x2000000;
inline constexpr uint32_t jmpc = 0x4000000;
} // namespace controlBit

// Fixed addresses and limits.
namespace machine {
// Where Run and the IJVM step stop.
inline constexpr uint32_t haltAddress = 112;
// The IJVM step also stops where the main loop starts.
inline constexpr uint32_t mainLoopAddress = 0;
// JAMZ and JAMN set this bit of the next address.
inline constexpr uint32_t highBit = 0x100;
// Control-store addresses with a source selection; also the statements the checker
// accepts.
inline constexpr uint32_t sourceMapSize = 512;
// Characters of a microinstruction's text that the control store keeps.
inline constexpr size_t shownTextLimit = 69;
// The shown text of a microinstruction is its label, ": " and its statement; a statement
// without a label shows this word in the label's place (lower case, unlike any label of
// the folded source), as the micro-assembler has always written it.
inline constexpr std::string_view unlabelledShownLabel = "ek9218a";
// The standard-input cell: word address -6.
inline constexpr uint32_t standardInputAddress = 0xFFFFFFFAu;
// The output cell: word address -5. Every value written there is recorded, in order, as
// the program's output.
inline constexpr uint32_t standardOutputAddress = 0xFFFFFFFBu;
} // namespace machine

} // namespace tarveno
