#pragma once
// The IJVM instructions this system accepts, with their opcodes. An opcode is the
// control-store address at which the microprogram's dispatch on MBR lands, so a
// microprogram places the code of each instruction there.

#include "ijvm/DiagnosticCode.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tarveno {

// What follows the opcode, and how the operand words are read.
enum class OperandKind {
    None,      // no operand
    Byte,      // BIPUSH: the low 8 bits of a number
    Local8,    // ILOAD, ISTORE: the low 8 bits of a local's index
    Local16,   // the wide forms: a local's index, 16 bits
    Constant,  // LDCW: a constant's pool index, 16 bits
    Increment, // IINC: a local's index and a number, 8 bits each
    Branch,    // a label's distance from the branch's opcode, 16 bits
    Method,    // INVOKEVIRTUAL: the pool index of the callee's entry, 16 bits
};

struct InstructionInfo {
    std::string_view mnemonic; // upper case; the wide forms as "WIDEILOAD", "WIDEISTORE"
    uint8_t opcode;
    int32_t length; // bytes, opcode included
    OperandKind kind;
    DiagnosticCode lookupError; // the diagnostic of a failed operand lookup
    int32_t spanOffset;         // where the operand begins in a conventionally spaced source
};

// Every instruction, in opcode order.
std::span<const InstructionInfo> instructionSet();

// The instruction of an upper-case mnemonic, or nullptr. LDC_W and IF_ICMPEQ name LDCW
// and IFICMPEQ.
const InstructionInfo* findInstruction(std::string_view mnemonic);

} // namespace tarveno
