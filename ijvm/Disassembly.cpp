#include "ijvm/Disassembly.h"

#include "ijvm/InstructionSet.h"

namespace tarveno {

namespace {

std::string hexByte(uint8_t b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

void put(std::vector<std::string_view>& table, int32_t index, std::string_view name) {
    if (index < 0 || index > 0xFFFF) return;
    if (static_cast<size_t>(index) >= table.size()) table.resize(static_cast<size_t>(index) + 1);
    table[static_cast<size_t>(index)] = name;
}

// The name at index, or the number where there is none.
std::string nameOr(const std::vector<std::string_view>& table, int32_t index, int32_t number) {
    if (index >= 0 && static_cast<size_t>(index) < table.size() && !table[static_cast<size_t>(index)].empty())
        return std::string(table[static_cast<size_t>(index)]);
    return std::to_string(number);
}

} // namespace

std::string DecodedInstruction::text() const {
    std::string out = mnemonic;
    for (const std::string& operand : operands)
        out.append(" ").append(operand);
    return out;
}

Disassembler::Disassembler(const IjvmProgram& program) : program_(program) {
    // The program's own set: the instructions it declares are named as the standard ones.
    for (const InstructionInfo& i : program.instructions.all())
        opcodes_[i.opcode] = &i;
    program.constants.forEach([&](const Symbol& c) { put(constants_, c.index, c.name); });
    program.methods.forEach([&](const Method& m) { put(methods_, m.number, m.name); });
}

void Disassembler::enter(const Method* method) {
    if (entered_ && method == method_) return;
    entered_ = true;
    method_ = method;
    locals_.clear();
    labels_.clear();
    if (!method) return;
    method->locals.forEach([&](const Symbol& l) { put(locals_, l.index, l.name); });
    if (method->code.empty()) return;
    // Label values count code bytes from the first method on, as instruction records do;
    // the method's first record and its header (from its pool entry) place them in the area.
    const int32_t header = program_.poolEntry(program_.constants.count() + method->number);
    const int64_t base = static_cast<int64_t>(header) + 4 - method->code[0].offset;
    method->labels.forEach([&](const Symbol& l) { labels_.try_emplace(base + l.value, l.name); });
}

DecodedInstruction Disassembler::decode(uint32_t offset, const std::function<uint8_t(uint32_t)>& byteAt) {
    const Method* method = nullptr;
    if (const uint32_t* pool = program_.methodMap.search(offset)) {
        const int32_t number = static_cast<int32_t>(*pool) - program_.constants.count();
        program_.methods.forEach([&](const Method& m) {
            if (m.number == number) method = &m;
        });
    }
    return decodeIn(method, offset, byteAt);
}

DecodedInstruction Disassembler::decodeIn(const Method* method, uint32_t offset,
                                          const std::function<uint8_t(uint32_t)>& byteAt) {
    const uint8_t opcode = byteAt(offset);
    const InstructionInfo* info = opcodes_[opcode];
    if (!info) return {"?", {hexByte(opcode)}};
    enter(method);

    DecodedInstruction out;
    out.mnemonic = info->written();
    auto byte = [&](uint32_t k) { return byteAt(offset + k); };
    const int32_t u8 = byte(1);
    const int32_t u16 = byte(1) << 8 | byte(2);
    switch (info->kind) {
    case OperandKind::None:
        break;
    case OperandKind::Byte:
        out.operands = {std::to_string(static_cast<int8_t>(byte(1)))};
        break;
    case OperandKind::Local8:
        out.operands = {nameOr(locals_, u8, u8)};
        break;
    case OperandKind::Local16:
        out.operands = {nameOr(locals_, u16, u16)};
        break;
    case OperandKind::Constant:
        out.operands = {nameOr(constants_, u16, u16)};
        break;
    case OperandKind::Increment:
        out.operands = {nameOr(locals_, u8, u8), std::to_string(static_cast<int8_t>(byte(2)))};
        break;
    case OperandKind::Branch: {
        const uint32_t target = offset + static_cast<uint32_t>(static_cast<int16_t>(u16));
        const auto label = method_ ? labels_.find(target) : labels_.end();
        out.operands = {label != labels_.end() ? std::string(label->second) : std::to_string(target)};
        break;
    }
    case OperandKind::Method: // a method by its pool index
        out.operands = {nameOr(methods_, u16 - program_.constants.count(), u16)};
        break;
    }
    return out;
}

DecodedInstruction decodeInstruction(const IjvmProgram& program, uint32_t offset,
                                     const std::function<uint8_t(uint32_t)>& byteAt) {
    return Disassembler(program).decode(offset, byteAt);
}

} // namespace tarveno
