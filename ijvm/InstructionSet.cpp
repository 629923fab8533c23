#include "ijvm/InstructionSet.h"

#include <algorithm>

namespace tarveno {

namespace {

using K = OperandKind;
using D = DiagnosticCode;

struct Standard {
    std::string_view mnemonic;
    uint8_t opcode;
    int32_t length;
    OperandKind kind;
    DiagnosticCode lookupError;
    int32_t spanOffset;
};

constexpr std::array<Standard, 25> standard{{
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

// The operand kinds a program may declare, by the words that declare them.
struct KindWords {
    OperandKind kind;
    std::string_view words;
};
constexpr std::array<KindWords, 7> declarable{{
    {K::None, ""},
    {K::Byte, "byte"},
    {K::Local8, "var"},
    {K::Increment, "var byte"},
    {K::Constant, "constant"},
    {K::Branch, "label"},
    {K::Method, "method"},
}};

int32_t lengthOf(OperandKind kind) {
    switch (kind) {
    case K::None:
        return 1;
    case K::Byte:
    case K::Local8:
        return 2;
    default:
        return 3;
    }
}

DiagnosticCode lookupErrorOf(OperandKind kind) {
    switch (kind) {
    case K::Local8:
    case K::Local16:
    case K::Increment:
        return D::UnknownVariable;
    case K::Constant:
        return D::UnknownConstant;
    case K::Branch:
        return D::UnknownLabel;
    case K::Method:
        return D::UnknownMethod;
    default:
        return D::None;
    }
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string InstructionInfo::written() const {
    if (kind == OperandKind::Local16 && mnemonic.starts_with("WIDE")) return "WIDE " + mnemonic.substr(4);
    return mnemonic;
}

InstructionSet::InstructionSet() {
    all_.reserve(standard.size());
    for (const Standard& s : standard)
        all_.push_back(
            {std::string(s.mnemonic), s.opcode, s.length, s.kind, s.lookupError, s.spanOffset, false});
    index();
}

void InstructionSet::index() {
    byOpcode_.fill(-1);
    for (size_t i = 0; i < all_.size(); ++i)
        byOpcode_[all_[i].opcode] = static_cast<int16_t>(i);
}

const InstructionInfo* InstructionSet::find(std::string_view mnemonic) const {
    // The textbook's spellings name the same instructions.
    if (mnemonic == "LDC_W") mnemonic = "LDCW";
    if (mnemonic == "IF_ICMPEQ") mnemonic = "IFICMPEQ";
    for (const InstructionInfo& i : all_)
        if (i.mnemonic == mnemonic) return &i;
    return nullptr;
}

const InstructionInfo* InstructionSet::at(uint8_t opcode) const {
    const int16_t i = byOpcode_[opcode];
    return i < 0 ? nullptr : &all_[static_cast<size_t>(i)];
}

InstructionSet::Declaration InstructionSet::declare(const std::string& mnemonic, uint8_t opcode,
                                                    OperandKind kind) {
    if (const InstructionInfo* holder = find(mnemonic)) return {Refusal::NameTaken, holder};
    // WIDE is the prefix of the wide forms, read before the instruction it widens.
    if (mnemonic == "WIDE") return {Refusal::NameTaken, nullptr};
    if (opcode == 0) return {Refusal::OpcodeReserved, nullptr};
    if (const InstructionInfo* holder = at(opcode)) return {Refusal::OpcodeTaken, holder};
    InstructionInfo info{mnemonic,
                         opcode,
                         lengthOf(kind),
                         kind,
                         lookupErrorOf(kind),
                         static_cast<int32_t>(mnemonic.size()) + 1,
                         true};
    const auto place = std::upper_bound(all_.begin(), all_.end(), opcode,
                                        [](uint8_t o, const InstructionInfo& i) { return o < i.opcode; });
    all_.insert(place, std::move(info));
    index();
    return {};
}

std::optional<OperandKind> InstructionSet::declaredKind(std::span<const std::string_view> words) {
    std::string joined;
    for (std::string_view w : words) {
        if (!joined.empty()) joined += ' ';
        for (char c : w)
            joined += lower(c);
    }
    for (const KindWords& k : declarable)
        if (k.words == joined) return k.kind;
    return std::nullopt;
}

std::string_view InstructionSet::kindWords(OperandKind kind) {
    for (const KindWords& k : declarable)
        if (k.kind == kind) return k.words;
    return {};
}

const InstructionSet& standardInstructions() {
    static const InstructionSet set;
    return set;
}

std::span<const InstructionInfo> instructionSet() {
    return standardInstructions().all();
}

const InstructionInfo* findInstruction(std::string_view mnemonic) {
    return standardInstructions().find(mnemonic);
}

} // namespace tarveno
