#include "ijvm/Disassembly.h"

#include "ijvm/InstructionSet.h"

namespace tarveno {

namespace {

const InstructionInfo* instructionOf(uint8_t opcode) {
    for (const InstructionInfo& i : instructionSet())
        if (i.opcode == opcode) return &i;
    return nullptr;
}

std::string hexByte(uint8_t b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

// The method whose code holds the byte at offset, or nullptr.
const Method* methodAt(const IjvmProgram& program, uint32_t offset) {
    const uint32_t* pool = program.methodMap.search(offset);
    if (!pool) return nullptr;
    const int32_t number = static_cast<int32_t>(*pool) - program.constants.count();
    const Method* found = nullptr;
    program.methods.forEach([&](const Method& m) {
        if (m.number == number) found = &m;
    });
    return found;
}

std::string nameOr(const List<Symbol>& symbols, int32_t index) {
    std::string name = std::to_string(index);
    symbols.forEach([&](const Symbol& s) {
        if (s.index == index) name = s.name;
    });
    return name;
}

// A label of the method at the method-area offset target, or the offset itself. Label
// values count code bytes from the first method on, as instruction records do; the
// method's first record and its header (from its pool entry) place them in the area.
std::string branchTarget(const IjvmProgram& program, const Method* method, uint32_t target) {
    std::string text = std::to_string(target);
    if (!method || method->code.empty()) return text;
    const int32_t header = program.poolEntry(program.constants.count() + method->number);
    const int64_t base = static_cast<int64_t>(header) + 4 - method->code[0].offset;
    bool named = false;
    method->labels.forEach([&](const Symbol& l) {
        if (!named && base + l.value == static_cast<int64_t>(target)) {
            text = l.name;
            named = true;
        }
    });
    return text;
}

} // namespace

DecodedInstruction decodeInstruction(const IjvmProgram& program, uint32_t offset,
                                     const std::function<uint8_t(uint32_t)>& byteAt) {
    const uint8_t opcode = byteAt(offset);
    const InstructionInfo* info = instructionOf(opcode);
    if (!info) return {"?", {hexByte(opcode)}};

    DecodedInstruction out;
    // The wide forms are written as two words.
    out.mnemonic = info->kind == OperandKind::Local16 ? "WIDE " + std::string(info->mnemonic.substr(4))
                                                      : std::string(info->mnemonic);
    auto byte = [&](uint32_t k) { return byteAt(offset + k); };
    const int32_t u8 = byte(1);
    const int32_t s8 = static_cast<int8_t>(byte(1));
    const int32_t u16 = byte(1) << 8 | byte(2);
    const Method* method = methodAt(program, offset);
    const List<Symbol> none;
    const List<Symbol>& locals = method ? method->locals : none;
    const int32_t constants = program.constants.count();

    switch (info->kind) {
    case OperandKind::None:
        break;
    case OperandKind::Byte:
        out.operands = {std::to_string(s8)};
        break;
    case OperandKind::Local8:
        out.operands = {nameOr(locals, u8)};
        break;
    case OperandKind::Local16:
        out.operands = {nameOr(locals, u16)};
        break;
    case OperandKind::Constant:
        out.operands = {nameOr(program.constants, u16)};
        break;
    case OperandKind::Increment:
        out.operands = {nameOr(locals, u8), std::to_string(static_cast<int8_t>(byte(2)))};
        break;
    case OperandKind::Branch:
        out.operands = {
            branchTarget(program, method, offset + static_cast<uint32_t>(static_cast<int16_t>(u16)))};
        break;
    case OperandKind::Method: {
        std::string name = std::to_string(u16);
        program.methods.forEach([&](const Method& m) {
            if (m.number == u16 - constants) name = m.name;
        });
        out.operands = {name};
        break;
    }
    }
    return out;
}

} // namespace tarveno
