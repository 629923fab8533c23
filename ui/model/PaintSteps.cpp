#include "ui/model/PaintSteps.h"

namespace tarveno::ui {

std::vector<Paint> paintSteps(Refresh refresh) {
    using enum PaintStep;
    switch (refresh) {
    case Refresh::Full:
        // The flows without pause; a register that drove the B bus and was written ends
        // red, since the C-write marks come after the B-source mark.
        return {{InstructionBits},   {ClearMarks},     {BSourceMark},  {BLine},        {CLines},
                {ShiftAndJmpcMarks}, {NAndZMarks},     {BBusValue},    {ABFlow, 0},    {AluText},
                {CBusValue},         {CFlow, 0},       {ClockRepaint}, {ClockMark, 4}, {CWriteMarks},
                {RegisterValues},    {SourceSelection}};
    case Refresh::Phase0:
        return {{InstructionBits}, {ClearMarks},        {BSourceMark},  {BLine},
                {CLines},          {ShiftAndJmpcMarks}, {ClockRepaint}, {ClockMark, 0}};
    case Refresh::Phase1:
        return {{BBusValue}, {ABFlow, 1}, {ClockMark, 1}};
    case Refresh::Phase2:
        return {{AluText}, {ClockMark, 2}};
    case Refresh::Phase3:
        // The register readouts keep their old values until this last phase.
        return {{CBusValue}, {CFlow, 1}, {CWriteMarks}, {ClockMark, 3}, {RegisterValues}, {SourceSelection}};
    case Refresh::None:
        break;
    }
    return {};
}

} // namespace tarveno::ui
