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
};

} // namespace tarveno
