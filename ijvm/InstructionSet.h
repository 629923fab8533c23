#pragma once
// The IJVM instructions a program may use, with their opcodes. An opcode is the
// control-store address at which the microprogram's dispatch on MBR lands, so a
// microprogram places the code of each instruction there. The standard instructions are
// fixed; a program adds its own by declaring them (".instruction NAME OPCODE [operands]"),
// and carries the set it was assembled with, so that its listing, traces and counts name
// them. Each program has a set of its own: nothing here is shared or changed globally.

#include "ijvm/DiagnosticCode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    std::string mnemonic; // upper case; the wide forms as "WIDEILOAD", "WIDEISTORE"
    uint8_t opcode = 0;
    int32_t length = 1; // bytes, opcode included
    OperandKind kind = OperandKind::None;
    DiagnosticCode lookupError = DiagnosticCode::None; // the diagnostic of a failed operand lookup
    int32_t spanOffset = 0; // where the operand begins in a conventionally spaced source
    bool declared = false;  // declared by the program, not a standard one

    // As a source writes it: "WIDE ILOAD" for the wide forms.
    std::string written() const;
};

class InstructionSet {
  public:
    // The standard instructions only.
    InstructionSet();

    // The instruction of an upper-case mnemonic, or nullptr. LDC_W and IF_ICMPEQ name LDCW
    // and IFICMPEQ.
    const InstructionInfo* find(std::string_view mnemonic) const;
    // The instruction of an opcode, or nullptr.
    const InstructionInfo* at(uint8_t opcode) const;
    // Every instruction in opcode order.
    std::span<const InstructionInfo> all() const { return all_; }

    // Why a declaration is refused.
    enum class Refusal { None, NameTaken, OpcodeTaken, OpcodeReserved };
    struct Declaration {
        Refusal refusal = Refusal::None;
        const InstructionInfo* holder = nullptr; // the instruction of the name or opcode taken
    };
    // Adds an instruction of an upper-case mnemonic. Refused when the name is an
    // instruction (or WIDE, or a spelling of one), when the opcode is one's, and for
    // opcode 0, the main loop's own address.
    Declaration declare(const std::string& mnemonic, uint8_t opcode, OperandKind kind);

    // The operand kind of the words after a declaration's opcode ("", "byte", "var",
    // "var byte", "constant", "label", "method"; any letter case), or none.
    static std::optional<OperandKind> declaredKind(std::span<const std::string_view> words);
    // The words that declare kind, "" for none.
    static std::string_view kindWords(OperandKind kind);

  private:
    void index();

    std::vector<InstructionInfo> all_;
    std::array<int16_t, 256> byOpcode_{};
};

// The standard instructions alone, one set for every program that declares none.
const InstructionSet& standardInstructions();

// The standard instructions, in opcode order.
std::span<const InstructionInfo> instructionSet();

// The standard instruction of an upper-case mnemonic, or nullptr.
const InstructionInfo* findInstruction(std::string_view mnemonic);

} // namespace tarveno
