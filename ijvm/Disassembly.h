#pragma once
// Reading an instruction back from the bytes of a placed program, its operands named
// from the assembler's tables, as a trace of the running program shows it.

#include "ijvm/Program.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarveno {

struct DecodedInstruction {
    // As a source writes it ("WIDE ILOAD"); "?" for a byte that is no opcode.
    std::string mnemonic;
    // Each operand by its name where the tables have one: a local or label of the method
    // that holds the instruction, a constant, a method; otherwise its number (a branch's
    // target as a method-area offset). After "?", the byte as 0xNN. Names are the
    // source's bytes.
    std::vector<std::string> operands;
};

// The instruction whose opcode is at method-area offset `offset`. Its bytes are read
// through byteAt, so that it is the machine's memory that is described.
DecodedInstruction decodeInstruction(const IjvmProgram& program, uint32_t offset,
                                     const std::function<uint8_t(uint32_t)>& byteAt);

} // namespace tarveno
