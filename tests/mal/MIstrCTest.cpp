#include "mal/MIstrC.h"

#include <gtest/gtest.h>

using namespace tarveno;

namespace {

struct Encoded {
    uint32_t word;
    int32_t next;
    bool operator==(const Encoded&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Encoded& e) {
    return os << "word 0x" << std::hex << e.word << std::dec << " next " << e.next;
}

Encoded enc(std::string_view text) {
    MIstrC m(text);
    m.encode();
    return {m.word(), m.next()};
}

uint32_t alu(std::string_view text) {
    return (enc(text).word >> 16) & 0x3F;
}
uint32_t bField(std::string_view text) {
    return enc(text).word & 0xF;
}

} // namespace

TEST(MIstrC, WorkedResults) {
    EXPECT_EQ(enc("H = MBR << 8; GOTO 5;"), (Encoded{0x94800A, 5}));
    EXPECT_EQ(enc("MAR = SP = SP + 1; RD; GOTO 7;"), (Encoded{0x3504A3, 7}));
    EXPECT_EQ(enc("PC = PC + 1; FETCH; GOTO (MBR);"), (Encoded{0x4350212, 0}));
    // The IF clause is skipped as a whole: the then label is not read as a jump through MBR.
    EXPECT_EQ(enc("Z = TOS ; IF ( Z ) GOTO T1 ; ELSE GOTO 9 ;"), (Encoded{0x1140006, 9}));
    EXPECT_EQ(enc("H = H + 1; GOTO 3;"), (Encoded{0x398000, 3}));
    // As the assembler hands the resolved text over: one blank before each token.
    EXPECT_EQ(enc(" H = MBR < < 8 ; GOTO 5 ;"), (Encoded{0x94800A, 5}));
    EXPECT_EQ(enc("N = OPC; IF (N) GOTO 3; ELSE GOTO 12;"), (Encoded{0x2140007, 12}));
}

TEST(MIstrC, OperandsAndFunctions) {
    EXPECT_EQ(bField("H = MBRU;"), 9u);
    EXPECT_EQ(alu("H = MBRU;"), 0x14u);
    EXPECT_EQ(bField("H = MBR;"), 10u);
    EXPECT_EQ(enc("TOS = 0;").word, 0x2000u | (0x10u << 16));
    EXPECT_EQ(alu("TOS = 7;"), 0x11u);
    EXPECT_EQ(alu("MDR = -1;"), 0x12u);
    EXPECT_EQ(alu("H = -H;"), 0x3Bu);
    EXPECT_EQ(enc("SP = SP - 1;").word, 0x400u | 3u | (0x37u << 16));
    EXPECT_EQ(enc("MDR = TOS - H;").word, 0x100u | 6u | (0x3Fu << 16));
    EXPECT_EQ(enc("H = H + MDR + 1;").word, 0x8000u | 1u | (0x3Du << 16));
    EXPECT_EQ(enc("TOS = H + TOS;").word, 0x2000u | 6u | (0x3Cu << 16));
    EXPECT_EQ(enc("OPC = H;").word, 0x4000u | (0x18u << 16));
    EXPECT_EQ(enc("MDR = H + 1;").word, 0x100u | (0x39u << 16));
    EXPECT_EQ(enc("MDR = TOS + 1;").word, 0x100u | 6u | (0x35u << 16));
    // Two B registers in one statement OR together.
    EXPECT_EQ(bField("H = MDR + TOS;"), 7u);
    // Assignment chains set every destination; Z and N are no registers.
    EXPECT_EQ(enc("MAR = MDR = PC = SP = LV = CPP = TOS = OPC = H = 0;").word, 0xFF80u | (0x10u << 16));
    EXPECT_EQ(enc("Z = TOS;").word, 6u | (0x14u << 16));
    EXPECT_EQ(enc("N = H;").word, 0x18u << 16);
}

TEST(MIstrC, ShiftsLogicAndMemory) {
    EXPECT_EQ(enc("H = MBR >> 1;").word, 0x8000u | 10u | (0x14u << 16) | 0x400000u);
    EXPECT_EQ(enc("H = H << 8;").word, 0x8000u | (0x18u << 16) | 0x800000u);
    EXPECT_EQ(enc("TOS = TOS SHR;").word & 0xC00000u, 0x400000u);
    EXPECT_EQ(enc("TOS = TOS SHL;").word & 0xC00000u, 0x800000u);
    EXPECT_EQ(enc("TOS = MDR AND H;").word, 0x2000u | 1u | (0x0Cu << 16));
    EXPECT_EQ(enc("TOS = H OR TOS;").word, 0x2000u | 6u | (0x1Cu << 16));
    EXPECT_EQ(enc("H = NOT H;").word, 0x8000u | (0x1Au << 16));
    // NOT of a B-bus register computes NOT B with the register on the B bus.
    EXPECT_EQ(enc("H = NOT TOS;").word, 0x8000u | 6u | (0x2Cu << 16));
    EXPECT_EQ(enc("MAR = SP; RD; WR; FETCH;").word & 0x70u, 0x70u);
}

TEST(MIstrC, Jumps) {
    EXPECT_EQ(enc("GOTO ( MBR OR 0X100 );"), (Encoded{0x4000000, 256}));
    EXPECT_EQ(enc("GOTO (MBR OR 0x1FF);"), (Encoded{0x4000000, 256}));
    EXPECT_EQ(enc("GOTO 17;"), (Encoded{0, 17}));
    // Two GOTO clauses: the later next address wins, a JMPC bit stays set.
    EXPECT_EQ(enc("GOTO 4; GOTO 6;"), (Encoded{0, 6}));
    EXPECT_EQ(enc("GOTO (MBR); GOTO 6;"), (Encoded{0x4000000, 6}));
    // A flag other than Z or N sets nothing.
    EXPECT_EQ(enc("IF (X) GOTO 1; ELSE GOTO 2;"), (Encoded{0, 2}));
    EXPECT_EQ(enc("IF (Z) GOTO 1; ELSE GOTO 300;"), (Encoded{0x1000000, 300}));
}

TEST(MIstrC, UnknownAndIncompleteStatements) {
    EXPECT_EQ(enc("FOO BAR BAZ;"), (Encoded{0, 0}));
    EXPECT_EQ(enc(""), (Encoded{0, 0}));
    EXPECT_EQ(enc(";;;"), (Encoded{0, 0}));
    // Operators with a missing neighbour add nothing.
    EXPECT_EQ(enc("- 1;"), (Encoded{0, 0}));
    EXPECT_EQ(enc("< 8;"), (Encoded{0, 0}));
    EXPECT_EQ(enc("H ="), (Encoded{0x8000, 0}));
    EXPECT_EQ(enc("H = H +"), (Encoded{0x8000, 0}));
    EXPECT_EQ(enc("H = NOT"), (Encoded{0x8000, 0}));
    EXPECT_EQ(enc("5"), (Encoded{0, 0}));
    EXPECT_EQ(enc("IF (Z) GOTO 1; ELSE"), (Encoded{0, 0}));
    EXPECT_EQ(enc("GOTO"), (Encoded{0, 0}));
    // Once a rule consumed its operands, the rules after it look from the moved cursor:
    // "AND" is not also taken as a single operand between "=" and ";".
    EXPECT_EQ(alu("H = AND;"), 0x0Cu);
    // A second encode changes nothing.
    MIstrC m("H = H + 1; GOTO 3;");
    m.encode();
    m.encode();
    EXPECT_EQ(m.word(), 0x398000u);
    EXPECT_EQ(m.nextAddress(), 3u);
    // Huge numbers wrap rather than overflow.
    EXPECT_EQ(enc("GOTO 4294967297;").next, 1);
}
