#pragma once
// The encoder of one MAL statement: turns a statement text into the 27-bit control word
// and the next address of a microinstruction. It does not validate: tokens that match
// no rule add nothing, and it never reports anything.
//
// It expects the text as the micro-assembler hands it over: upper case, labels already
// replaced by decimal addresses, and a jump in every statement. For example
//   StatementEncoder m("H = MBR << 8; GOTO 5;");
//   m.encode();             // m.word() == 0x94800A, m.nextAddress() == 5
// A "GOTO" followed by a word (an unresolved label) is read as a jump through MBR.
//
// Encoding (every rule only sets bits; the last rule that writes the next address wins):
//   C bits 7-15   each register before a "=": MAR MDR PC SP LV CPP TOS OPC H
//   B bits 0-3    operand register: MDR 1, PC 2, SP 3, LV 4, CPP 5, TOS 6, OPC 7,
//                 MBRU 9, MBR 10 (H is the A bus; two B registers OR together)
//   Mem bits 4-6  FETCH 0x10, RD 0x20, WR 0x40
//   ALU bits 16-21  x AND y 0x0C, =0 0x10, =1 0x11, =-1 0x12, =B 0x14, =H 0x18, NOT H 0x1A,
//                 x OR y 0x1C, NOT B 0x2C, B+1 0x35, B-1 0x37, H+1 0x39, =-H 0x3B, x+y 0x3C,
//                 x+y+1 0x3D, B-H 0x3F
//   shift         SHR or ">" bit 22 (arithmetic right by 1), SHL or "<" bit 23 (left by 8)
//   JAM           IF (Z) bit 24, IF (N) bit 25 (next = the else address, the ninth token
//                 after IF), GOTO (MBR) bit 26 with next 0, GOTO (MBR OR x) bit 26 with
//                 next 256, GOTO n next n
//
// The rules are applied to every token in turn (see encode()); a rule that consumes
// operands makes the walk skip them.

#include "support/StringTokenizer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarveno {

class StatementEncoder {
  public:
    // The delimiters of MAL statements.
    static constexpr std::string_view delimiters = "=+-~|&;<>()";

    explicit StatementEncoder(std::string_view statement);

    // Applies the rules once over the whole statement. A second call changes nothing.
    void encode();

    uint32_t word() const { return word_; }
    int32_t next() const { return next_; }
    uint32_t nextAddress() const { return static_cast<uint32_t>(next_); }

    // B-bus code of a register name (0 for H and for anything else).
    static uint32_t bValue(std::string_view name);
    // C-bus enable bit of a register name (0 for anything else, Z and N included).
    static uint32_t cBit(std::string_view name);

  private:
    // The token at k + offset, k being the token before the cursor, without moving the
    // cursor; nullptr when there is none.
    const StringTokenizer::Elem* at(int32_t offset);
    // The walk resumes at k + offset.
    void resumeAt(int32_t offset) { tokens_.skip(offset - 1); }
    void setAlu(uint32_t code) { word_ |= code << 16; }

    void branch(const std::string& t);
    void shiftOperator(const std::string& t);
    void logic(const std::string& t);
    void minus();
    void plus();
    void singleOperand(const StringTokenizer::Elem& e);

    StringTokenizer tokens_;
    uint32_t word_ = 0;
    int32_t next_ = 0;
};

} // namespace tarveno
