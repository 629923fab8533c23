#pragma once
// The codes of the IJVM assembler's diagnostics. Each keeps its number: the number
// selects its message, and the order of the list is the order they were numbered in.

namespace tarveno {

enum class DiagnosticCode : int {
    None = -1, // no diagnostic (an instruction whose operand needs no lookup)
    DuplicateLabel = 0,
    DuplicateConstant = 1,
    DuplicateVariable = 2,
    MethodNotEnded = 3,
    UnknownInstruction = 4,
    NoMain = 5,
    UnknownLabel = 6,
    UnknownConstant = 7,
    UnknownVariable = 8,
    UnknownMethod = 9,
    DuplicateMethod = 10,
    ConstantsNotEnded = 11,
    ParenthesisNotClosed = 13,
    ParenthesisNotOpened = 14,
    VariablesNotEnded = 15,
    InvalidNumber = 16, // a constant's value or a BIPUSH or IINC number that is no number
    // The warnings: an operand the machine will see otherwise than it is written. The
    // program is still placed and runs.
    BipushOutOfRange = 20,     // BIPUSH outside a signed byte
    IincOutOfRange = 21,       // IINC's constant outside a signed byte
    LocalIndexOutOfRange = 22, // a variable's index over 255 without WIDE
    PoolIndexOutOfRange = 23,  // a constant's or method's pool index over 65535
    BranchOutOfRange = 24,     // a jump whose distance does not fit 16 bits
    // A declared instruction (".instruction NAME OPCODE [operands]") that cannot be added.
    InstructionExists = 25,  // its name is an instruction's already
    OpcodeTaken = 26,        // its opcode is an instruction's already (or 0, the main loop's)
    BadOpcode = 27,          // no opcode, or one that is no number from 1 to 255
    BadOperands = 28,        // operand words that name no operand kind
    BadInstructionName = 29, // no name, or one that is no word
};

// The warnings: the program is still placed and runs.
constexpr bool isWarning(DiagnosticCode code) {
    return code >= DiagnosticCode::BipushOutOfRange && code <= DiagnosticCode::BranchOutOfRange;
}

} // namespace tarveno
