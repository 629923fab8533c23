#pragma once
// Reading an instruction back from the bytes of a placed program, its operands named
// from the assembler's tables, as a trace of the running program and the listing of its
// method area show it.

#include "ijvm/Program.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarveno {

struct InstructionInfo;

struct DecodedInstruction {
    // As a source writes it ("WIDE ILOAD"); "?" for a byte that is no opcode.
    std::string mnemonic;
    // Each operand by its name where the tables have one: a local or label of the method
    // that holds the instruction, a constant, a method; otherwise its number (a branch's
    // target as a method-area offset). After "?", the byte as 0xNN. Names are the
    // source's bytes.
    std::vector<std::string> operands;

    // The mnemonic and the operands, one blank between each.
    std::string text() const;
};

// Decodes instructions of one program. The names are gathered from the program's lists
// once (and a method's when an instruction of it is first decoded), so a listing of a
// large method area or a long trace costs one lookup per operand. The program must
// outlive it. Where a list holds two entries for one index, the last wins, except for
// labels, where the first does.
class Disassembler {
  public:
    explicit Disassembler(const IjvmProgram& program);

    // The instruction whose opcode is at method-area offset `offset`, named from the
    // method that holds it. Its bytes are read through byteAt, so that it is the machine's
    // memory that is described.
    DecodedInstruction decode(uint32_t offset, const std::function<uint8_t(uint32_t)>& byteAt);
    // The same, named from the tables of method (nullptr: none, as for the opening call).
    DecodedInstruction decodeIn(const Method* method, uint32_t offset,
                                const std::function<uint8_t(uint32_t)>& byteAt);

  private:
    void enter(const Method* method);

    const IjvmProgram& program_;
    std::array<const InstructionInfo*, 256> opcodes_{};
    std::vector<std::string_view> constants_, methods_, locals_;
    std::unordered_map<int64_t, std::string_view> labels_;
    const Method* method_ = nullptr;
    bool entered_ = false;
};

// One instruction, decoded by a Disassembler of its own.
DecodedInstruction decodeInstruction(const IjvmProgram& program, uint32_t offset,
                                     const std::function<uint8_t(uint32_t)>& byteAt);

} // namespace tarveno
