#pragma once
// One microinstruction: the 27-bit control word, the next address before the JAM
// modification, and its readable text (at most 69 characters once loaded).

#include "core/MachineDescription.h"

#include <cstdint>
#include <string>

namespace tarveno {

struct Microinstruction {
    uint32_t word = 0;
    uint32_t nextAddress = 0;
    std::string text;

    static constexpr size_t maxText = machine::shownTextLimit;
};

// Field selectors of the control word.
enum class Field : int { B = 0, Mem = 1, C = 2, ALU = 3, JAM = 4 };

// The field of a control word, shifted down to bit 0. Other selectors answer 0.
constexpr uint32_t field(uint32_t word, Field selector) {
    switch (selector) {
    case Field::B:
        return word & 0xFu;
    case Field::Mem:
        return (word >> 4) & 0x7u;
    case Field::C:
        return (word >> 7) & 0x1FFu;
    case Field::ALU:
        return (word >> 16) & 0xFFu;
    case Field::JAM:
        return (word >> 24) & 0x7u;
    }
    return 0;
}

// A control word from its fields (each taken as its width): the inverse of field().
constexpr uint32_t makeWord(uint32_t b, uint32_t mem, uint32_t c, uint32_t alu, uint32_t jam = 0) {
    return (b & 0xFu) | ((mem & 0x7u) << 4) | ((c & 0x1FFu) << 7) | ((alu & 0xFFu) << 16) |
           ((jam & 0x7u) << 24);
}

} // namespace tarveno
