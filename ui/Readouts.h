#pragma once
// What the readouts over the datapath picture show, computed from the machine and the
// radix: the value texts, the 36 bits of the microinstruction executed last, the ALU
// caption and the colour marks of the register labels. The main window only paints it.

#include "core/ControlPath.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarveno::ui {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb fuchsia{255, 0, 255}; // the register that drove the B bus
inline constexpr Rgb red{255, 0, 0};       // a register written by the C bus
inline constexpr Rgb yellow{255, 255, 0};  // the ALU panel once its function is shown

// The register readouts are the labels Label11 to Label20, in this order of registers.
inline constexpr int firstRegisterLabel = 11;
inline constexpr std::array<Register, 10> registerLabelOrder{MAR, MDR, PC, MBR, SP, LV, CPP, TOS, OPC, H};

// The value texts of the fifteen readouts.
struct ValueTexts {
    std::array<std::string, 10> registers; // Label11 to Label20
    std::string bBus;                      // Label27
    std::string cBus;                      // Label28
    std::string n;                         // Label29, always decimal
    std::string z;                         // Label30, always decimal
    std::string mpc;                       // Label1
};

// radix is 10 or 16.
ValueTexts valueTexts(const ControlPath& machine, int radix);

// A bus value as the sub-cycle display writes it: signed decimal.
std::string busText(int32_t value);

// The digits of L1 to L36: the next address (9 digits) and the control word (27 digits)
// of the record at the previous MPC, most significant first; all "0" when that address
// holds no record.
std::array<char, 36> instructionBits(const ControlPath& machine);

// The caption of Panel2: the function's prefix and the C bus in signed decimal.
std::string aluCaption(const ControlPath& machine);

// The register label (11 to 20) that B source code bField marks, or 0 when it marks none.
int bSourceLabel(uint32_t bField);

// The register labels (11 to 20) that the C field marks, in bit order.
std::vector<int> cWriteLabels(uint32_t cField);

// The control word whose lines the pictures show: the record at the previous MPC (0 when
// there is none).
uint32_t executedWord(const ControlPath& machine);

} // namespace tarveno::ui
