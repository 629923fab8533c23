#include "ui/model/Readouts.h"

#include "core/MachineDescription.h"
#include "support/Conversions.h"
#include "ui/model/Places.h"

namespace tarveno::ui {

namespace {

// The readout of each register, by register-file index.
size_t readoutOf(Register r) {
    size_t i = 0;
    while (places::readoutRegisters[i] != r)
        ++i;
    return i;
}

const Microinstruction* executedRecord(const Machine& machine) {
    return machine.controlStore().search(machine.previousMpc);
}

} // namespace

ValueTexts valueTexts(const Machine& machine, int radix) {
    ValueTexts t;
    for (size_t i = 0; i < places::readoutRegisters.size(); ++i)
        t.registers[i] = toRadixText(machine.registers[places::readoutRegisters[i]], radix);
    t.bBus = toRadixText(machine.bBus, radix);
    t.cBus = toRadixText(machine.cBus, radix);
    t.n = decimalText(machine.n);
    t.z = decimalText(machine.z);
    t.mpc = toRadixText(static_cast<int32_t>(machine.mpc), radix);
    return t;
}

std::string busText(int32_t value) {
    return decimalText(value);
}

std::array<char, 36> instructionBits(const Machine& machine) {
    std::array<char, 36> bits;
    bits.fill('0');
    const Microinstruction* record = executedRecord(machine);
    if (!record) return bits;
    for (int k = 0; k < 9; ++k)
        bits[static_cast<size_t>(k)] = (record->nextAddress >> (8 - k)) & 1u ? '1' : '0';
    for (int k = 0; k < 27; ++k)
        bits[static_cast<size_t>(9 + k)] = (record->word >> (26 - k)) & 1u ? '1' : '0';
    return bits;
}

std::string aluCaption(const Machine& machine) {
    const AluFunction* f = findAluFunction(machine.aluFunction);
    return std::string(f ? f->readoutPrefix : std::string_view{}) + decimalText(machine.cBus);
}

std::optional<size_t> bSourceReadout(uint32_t bField) {
    switch (bField) {
    case B_MDR:
    case B_PC:
    case B_SP:
    case B_LV:
    case B_CPP:
    case B_TOS:
    case B_OPC:
        return readoutOf(static_cast<Register>(bField));
    case B_MBRU:
    case B_MBR:
        return readoutOf(MBR);
    default: // MAR, H and the codes that name no register drive nothing marked
        return std::nullopt;
    }
}

std::vector<size_t> cWriteReadouts(uint32_t cField) {
    std::vector<size_t> readouts;
    for (int bit = MAR; bit <= H; ++bit)
        if (cField & (1u << bit)) readouts.push_back(readoutOf(static_cast<Register>(bit)));
    return readouts;
}

uint32_t executedWord(const Machine& machine) {
    const Microinstruction* record = executedRecord(machine);
    return record ? record->word : 0;
}

} // namespace tarveno::ui
