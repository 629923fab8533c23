#pragma once
// What the readouts over the datapath picture show, computed from the machine and the
// radix: the value texts, the 36 bits of the microinstruction executed last, the ALU
// caption and which register readouts are marked. The main window only paints it.

#include "core/Machine.h"
#include "ui/model/Geometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarveno::ui {

// The colours of the marks: a normal register readout and the ALU panel before its
// function is shown, the register that drove the B bus, the registers the C bus wrote,
// the ALU panel once its function is shown.
inline constexpr Rgb unmarked = colour::black;
inline constexpr Rgb bSourceMark = colour::fuchsia;
inline constexpr Rgb cWriteMark = colour::red;
inline constexpr Rgb aluShown = colour::yellow;

// The value texts of the fifteen readouts.
struct ValueTexts {
    std::array<std::string, 10> registers; // in the order of the register readouts
    std::string bBus;
    std::string cBus;
    std::string n; // always decimal
    std::string z; // always decimal
    std::string mpc;
};

// radix is 10 or 16.
ValueTexts valueTexts(const Machine& machine, int radix);

// A bus value as the sub-cycle display writes it: signed decimal.
std::string busText(int32_t value);

// The digits of the 36 bit readouts: the next address (9 digits) and the control word
// (27 digits) of the record at the previous MPC, most significant first; all "0" when that
// address holds no record.
std::array<char, 36> instructionBits(const Machine& machine);

// The ALU panel's caption: the function's prefix and the C bus in signed decimal.
std::string aluCaption(const Machine& machine);

// The register readout (0 to 9, top to bottom) that B source code bField marks; none for
// the codes that drive no marked register.
std::optional<size_t> bSourceReadout(uint32_t bField);

// The register readouts that the C field marks, in bit order.
std::vector<size_t> cWriteReadouts(uint32_t cField);

// The control word whose lines the pictures show: the record at the previous MPC (0 when
// there is none).
uint32_t executedWord(const Machine& machine);

} // namespace tarveno::ui
