#pragma once
// The records of an assembled IJVM program: named numbers, instruction records,
// methods and diagnostics. The assembler fills them; the machine keeps copies.

#include "support/List.h"

#include <cstdint>
#include <string>

namespace tarveno {

// One named number: a constant, a parameter or variable, or a label.
struct Symbol {
    int32_t index = 0;
    std::string name;
    int32_t value = 0;

    // Names compare exactly, case counting, in ascending byte order.
    bool operator==(const Symbol& o) const { return name == o.name; }
    bool operator<(const Symbol& o) const { return name < o.name; }
};

// One instruction as read from the source.
struct InstructionRecord {
    std::string label;
    std::string mnemonic;
    std::string operand;
    std::string operand2;
    int32_t sourcePosition = 0;
    int32_t index = 0;
    int32_t offset = 0;
    int32_t length = 0;
    // Byte offset of the first operand word in the source, for the span of a failed
    // lookup; -1 when not known (the span then assumes one blank after the mnemonic).
    int32_t operandPosition = -1;
};

struct Method {
    std::string name;
    int32_t number = 0;
    int32_t parameters = 1;
    int32_t variables = 0;
    int32_t instructions = 0;
    int32_t length = 0;
    List<InstructionRecord> code;
    List<Symbol> labels;
    List<Symbol> locals;

    bool operator==(const Method& o) const { return name == o.name; }
};

// One diagnostic: its message (Windows-1252 bytes) and the byte span it concerns.
struct Diagnostic {
    std::string message;
    int32_t start = 0;
    int32_t length = 0;
};

} // namespace tarveno
