#pragma once
// The grammar of MAL as this micro-assembler understands it, and the microinstruction
// each statement means:
//
//   statement   = [part] { ";" [part] }
//   part        = assignment | "RD" | "WR" | "FETCH" | goto | if
//   assignment  = dest "=" { dest "=" } expression [ "<<" "8" | ">>" "1" ]
//   dest        = MAR | MDR | PC | SP | LV | CPP | TOS | OPC | H | Z | N   (Z, N: flags only)
//   expression  = "0" | "1" | "-" "1" | "-" "H" | "NOT" "H" | operand
//               | operand ("AND" | "OR" | "+") operand | H "+" B "+" "1" | B "+" H "+" "1"
//               | operand "+" "1" | B "-" "1" | B "-" "H"
//   operand     = H | B,  B = MDR | PC | SP | LV | CPP | TOS | OPC | MBR | MBRU
//   goto        = "GOTO" label | "GOTO" "(" "MBR" ")" | "GOTO" "(" "MBR" "OR" "0X100" ")"
//   if          = "IF" "(" ("Z" | "N") ")" "GOTO" label ";" "ELSE" "GOTO" label
//
// with one ALU operation, one jump and at most one of RD and WR per statement.

#include "core/MachineDescription.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::checker {

// Control-word bits, named as the checker's rules use them.
inline constexpr uint32_t memFetch = controlBit::fetch, memRead = controlBit::read,
                          memWrite = controlBit::write;
inline constexpr uint32_t shiftRight = controlBit::shiftRight, shiftLeft = controlBit::shiftLeft;
inline constexpr uint32_t jamZ = controlBit::jamZ, jamN = controlBit::jamN, jmpc = controlBit::jmpc;

struct Token {
    enum Kind { Delimiter, Word, Number } kind = Word;
    std::string text;
    int32_t column = 0;
};

enum class JumpKind { Next, Label, Mbr, MbrOr, If };

// A register read through the B bus, for the memory-latency warning.
struct RegisterUse {
    std::string name;
    int32_t column = 0;
};

struct Diagnostic {
    int32_t column = 0;
    std::string message;
};

// What one statement means, apart from the addresses its labels stand for.
struct StatementMeaning {
    uint32_t word = 0; // every field but the jump target
    JumpKind jump = JumpKind::Next;
    std::string target; // GOTO label, or the ELSE label of an IF
    int32_t targetColumn = 0;
    std::string thenTarget; // the IF's GOTO label
    int32_t thenColumn = 0;
    int32_t ifColumn = 0;
    bool computes = false;  // has an assignment (an ALU operation)
    bool flagsOnly = false; // its destinations are only Z and N
    int32_t assignmentColumn = 0;
    std::vector<RegisterUse> busReads; // MDR, MBR, MBRU on the B bus
};

struct StatementParse {
    StatementMeaning meaning;
    std::optional<Diagnostic> error; // the first error; parsing stops there
    std::vector<Diagnostic> warnings;
};

// Splits a statement text into tokens as the encoder does, with the column of each
// (text[0] is at column firstColumn). A character that is no blank, delimiter, letter
// or digit is an error.
std::vector<Token> tokenize(std::string_view text, int32_t firstColumn, std::optional<Diagnostic>& error);

// Parses one statement. indentedLabel, when not empty, is the label of an indented
// line, which the micro-assembler leaves at the head of the statement text.
StatementParse parseStatement(std::string_view text, int32_t firstColumn, std::string_view indentedLabel);

// Words of MAL that cannot name a label.
bool isMalWord(std::string_view word);
// The B-bus code of a register, 0 when it has none.
uint32_t busCode(std::string_view name);

// The microinstruction in MAL terms, for messages: "H = H + MAR + 1 << 8; GOTO 4".
std::string describeMicroinstruction(uint32_t word, int32_t next);

// The closest of the candidates to word (at most two edits away, or one for short
// words), or empty.
std::string closestWord(std::string_view word, const std::vector<std::string>& candidates);

} // namespace tarveno::checker
