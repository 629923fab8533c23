#include "mal/StatementEncoder.h"

#include <gtest/gtest.h>

using namespace tarveno;

namespace {

// Control-word fields, to write the expected words by their parts.
constexpr uint32_t alu(uint32_t code) {
    return code << 16;
}
constexpr uint32_t C_MAR = 0x80, C_MDR = 0x100, C_SP = 0x400, C_TOS = 0x2000, C_OPC = 0x4000, C_H = 0x8000;
constexpr uint32_t SHR = 0x400000, SHL8 = 0x800000, JAMZ = 0x1000000, JMPC = 0x4000000;

} // namespace

TEST(StatementEncoder, EncodesEachStatement) {
    struct Case {
        const char* text;
        uint32_t word;
        int32_t next;
    };
    const Case cases[] = {
        // worked results
        {"H = MBR << 8; GOTO 5;", 0x94800A, 5},
        {"MAR = SP = SP + 1; RD; GOTO 7;", 0x3504A3, 7},
        {"PC = PC + 1; FETCH; GOTO (MBR);", 0x4350212, 0},
        // The IF clause is skipped as a whole: the then label is not read as a jump through MBR.
        {"Z = TOS ; IF ( Z ) GOTO T1 ; ELSE GOTO 9 ;", 0x1140006, 9},
        {"H = H + 1; GOTO 3;", 0x398000, 3},
        // As the assembler hands the resolved text over: one blank before each token.
        {" H = MBR < < 8 ; GOTO 5 ;", 0x94800A, 5},
        {"N = OPC; IF (N) GOTO 3; ELSE GOTO 12;", 0x2140007, 12},
        // operands and functions
        {"H = MBRU;", C_H | alu(0x14) | 9, 0},
        {"TOS = 0;", C_TOS | alu(0x10), 0},
        {"TOS = 7;", C_TOS | alu(0x11), 0},
        {"MDR = -1;", C_MDR | alu(0x12), 0},
        {"H = -H;", C_H | alu(0x3B), 0},
        {"SP = SP - 1;", C_SP | alu(0x37) | 3, 0},
        {"MDR = TOS - H;", C_MDR | alu(0x3F) | 6, 0},
        {"H = H + MDR + 1;", C_H | alu(0x3D) | 1, 0},
        {"TOS = H + TOS;", C_TOS | alu(0x3C) | 6, 0},
        {"OPC = H;", C_OPC | alu(0x18), 0},
        {"H = MDR + TOS;", C_H | alu(0x3C) | 7, 0}, // two B registers OR together
        // Assignment chains set every destination; Z and N are no registers.
        {"MAR = MDR = PC = SP = LV = CPP = TOS = OPC = H = 0;", 0xFF80 | alu(0x10), 0},
        {"Z = TOS;", alu(0x14) | 6, 0},
        {"N = H;", alu(0x18), 0},
        // shifts, logic and memory
        {"H = MBR >> 1;", C_H | alu(0x14) | 10 | SHR, 0},
        {"H = H << 8;", C_H | alu(0x18) | SHL8, 0},
        // SHR and SHL set the shift; the operand before them is no single operand before ';'.
        {"TOS = TOS SHR;", C_TOS | SHR, 0},
        {"TOS = TOS SHL;", C_TOS | SHL8, 0},
        {"TOS = MDR AND H;", C_TOS | alu(0x0C) | 1, 0},
        {"TOS = H OR TOS;", C_TOS | alu(0x1C) | 6, 0},
        {"H = NOT H;", C_H | alu(0x1A), 0},
        {"H = NOT TOS;", C_H | alu(0x2C) | 6, 0}, // NOT B, with the register on the B bus
        {"MAR = SP; RD; WR; FETCH;", C_MAR | alu(0x14) | 3 | 0x70, 0},
        // jumps
        {"GOTO ( MBR OR 0X100 );", JMPC, 256},
        {"GOTO (MBR OR 0x1FF);", JMPC, 256},
        {"GOTO 17;", 0, 17},
        {"GOTO 4; GOTO 6;", 0, 6},             // the later next address wins...
        {"GOTO (MBR); GOTO 6;", JMPC, 6},      // ...a JMPC bit stays set
        {"IF (X) GOTO 1; ELSE GOTO 2;", 0, 2}, // a flag other than Z or N sets nothing
        {"IF (Z) GOTO 1; ELSE GOTO 300;", JAMZ, 300},
        {"GOTO 4294967297;", 0, 1}, // huge numbers wrap rather than overflow
        // unknown and incomplete statements; operators with a missing neighbour add nothing
        {"FOO BAR BAZ;", 0, 0},
        {"", 0, 0},
        {";;;", 0, 0},
        {"- 1;", 0, 0},
        {"< 8;", 0, 0},
        {"H =", C_H, 0},
        {"H = H +", C_H, 0},
        {"H = NOT", C_H, 0},
        {"5", 0, 0},
        {"IF (Z) GOTO 1; ELSE", 0, 0},
        {"GOTO", 0, 0},
        // Once a rule consumed its operands, the rules after it look from the moved cursor:
        // "AND" is not also taken as a single operand between "=" and ";".
        {"H = AND;", C_H | alu(0x0C), 0},
    };
    for (const Case& c : cases) {
        StatementEncoder m(c.text);
        m.encode();
        EXPECT_EQ(m.word(), c.word) << c.text << std::hex << " 0x" << m.word();
        EXPECT_EQ(m.next(), c.next) << c.text;
    }
    // A second encode changes nothing.
    StatementEncoder m("H = H + 1; GOTO 3;");
    m.encode();
    m.encode();
    EXPECT_EQ(m.word(), 0x398000u);
    EXPECT_EQ(m.nextAddress(), 3u);
}
