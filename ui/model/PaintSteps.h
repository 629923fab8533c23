#pragma once
// The readout and drawing steps that show what the machine did, in their order: the full
// refresh after Mic, IJVM, Run, Reset and the radix, and the four sub-cycle phases that
// spread one microinstruction over four presses.

#include "workbench/Session.h"

#include <vector>

namespace tarveno::ui {

enum class PaintStep {
    InstructionBits,   // the 36 bits of the microinstruction executed last
    ClearMarks,        // register readouts and the ALU panel back to black
    BSourceMark,       // the register that drove the B bus
    BLine,             // the B-bus enable line
    CLines,            // the C-bus enable lines
    ShiftAndJmpcMarks, // the shifter and JMPC lines
    NAndZMarks,        // the N and Z lines
    BBusValue,         // the B bus in decimal
    ABFlow,            // the blue flow of the B and A buses (value: pause per row, ms)
    AluText,           // the ALU function and its result
    CBusValue,         // the C bus in decimal
    CFlow,             // the blue flow of the C bus (value: pause per row, ms)
    ClockRepaint,      // the clock picture without marks
    ClockMark,         // the clock marks of a phase (value: 0 to 3, or 4 for all)
    CWriteMarks,       // the registers the C bus wrote
    RegisterValues,    // every value readout in the radix
    SourceSelection,   // the source of the next microinstruction selected in the editor
};

struct Paint {
    PaintStep step;
    int value = 0;
    friend bool operator==(const Paint&, const Paint&) = default;
};

// The steps of a refresh, in order; none for Refresh::None.
std::vector<Paint> paintSteps(Refresh refresh);

} // namespace tarveno::ui
