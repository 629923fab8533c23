#include "ijvm/InstructionSet.h"

#include <array>

namespace tarveno {

namespace {

using K = OperandKind;
using D = DiagnosticCode;

constexpr std::array<InstructionInfo, 25> instructions{{
    {"NOP", 0x01, 1, K::None, D::None, 0},
    {"IADD", 0x02, 1, K::None, D::None, 0},
    {"ISUB", 0x05, 1, K::None, D::None, 0},
    {"IAND", 0x08, 1, K::None, D::None, 0},
    {"IOR", 0x0B, 1, K::None, D::None, 0},
    {"DUP", 0x0E, 1, K::None, D::None, 0},
    {"POP", 0x10, 1, K::None, D::None, 0},
    {"SWAP", 0x13, 1, K::None, D::None, 0},
    {"BIPUSH", 0x19, 2, K::Byte, D::None, 0},
    {"ILOAD", 0x1C, 2, K::Local8, D::UnknownVariable, 6},
    {"ISTORE", 0x21, 2, K::Local8, D::UnknownVariable, 7},
    {"WIDEILOAD", 0x28, 3, K::Local16, D::UnknownVariable, 11},
    {"WIDEISTORE", 0x2C, 3, K::Local16, D::UnknownVariable, 12},
    {"LDCW", 0x30, 3, K::Constant, D::UnknownConstant, 5},
    {"IINC", 0x34, 3, K::Increment, D::UnknownVariable, 5},
    {"GOTO", 0x3A, 3, K::Branch, D::UnknownLabel, 5},
    {"IFLT", 0x40, 3, K::Branch, D::UnknownLabel, 5},
    {"IFEQ", 0x44, 3, K::Branch, D::UnknownLabel, 5},
    {"IFICMPEQ", 0x48, 3, K::Branch, D::UnknownLabel, 9},
    {"INVOKEVIRTUAL", 0x52, 3, K::Method, D::UnknownMethod, 14},
    {"IRETURN", 0x68, 1, K::None, D::None, 0},
    {"HALT", 0x70, 1, K::None, D::None, 0},
    {"OUT", 0x71, 1, K::None, D::None, 0},
    {"IN", 0x7C, 1, K::None, D::None, 0},
    {"ERR", 0x84, 1, K::None, D::None, 0},
}};

} // namespace

std::span<const InstructionInfo> instructionSet() {
    return instructions;
}

const InstructionInfo* findInstruction(std::string_view mnemonic) {
    // The textbook's spellings name the same instructions.
    if (mnemonic == "LDC_W") mnemonic = "LDCW";
    if (mnemonic == "IF_ICMPEQ") mnemonic = "IFICMPEQ";
    for (const InstructionInfo& i : instructions)
        if (i.mnemonic == mnemonic) return &i;
    return nullptr;
}

} // namespace tarveno
