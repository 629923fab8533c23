#pragma once
// What the datapath and clock pictures draw for the microinstruction executed last:
// the control lines lit red or put back black, the blue data-flow rectangles with their
// direction and pause, and the red clock marks of each sub-cycle phase. The tables are
// the pictures' contract: the drawn diagram places its elements on these coordinates.
// Standard library only; the widgets paint what these functions return.

#include "ui/model/Geometry.h"
#include "ui/model/Places.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarveno::ui {

// One control line of the datapath picture, in picture pixels; at most six points.
struct Polyline {
    std::array<Point, 6> points{};
    int count = 0;

    std::span<const Point> view() const { return {points.data(), static_cast<size_t>(count)}; }
    friend bool operator==(const Polyline&, const Polyline&) = default;
};

// One step on the control lines: first these lines in black, then those in red.
struct LineStep {
    std::vector<Polyline> black;
    std::vector<Polyline> red;
};

// A rectangle of the data flow, filled row by row with a pause of delayMs after each row;
// forward runs top to bottom, reverse bottom to top.
struct FlowRect {
    Rect rect;
    int delayMs = 0;
    bool reverse = false;
    friend bool operator==(const FlowRect&, const FlowRect&) = default;
};

// The pictures' sizes in logical pixels; the flow surface lies over the datapath picture
// shifted by flowOffset (a flow point minus flowOffset is a picture pixel).
inline constexpr int datapathWidth = 793;
inline constexpr int datapathHeight = 496;
inline constexpr int clockWidth = 352;
inline constexpr int clockHeight = 116;
inline constexpr Point flowOffset{places::datapathPicture.rect.x - places::flowSurface.rect.x,
                                  places::datapathPicture.rect.y - places::flowSurface.rect.y};

// The B-bus enable line of a B source code, or nullptr for the codes that have none.
const Polyline* bEnableLine(uint32_t bCode);
// The C-bus enable line of C bit 0 (MAR) to 8 (H).
const Polyline& cEnableLine(int cBit);
// Mark 0 (N), 1 (Z), 2 (shift right), 3 (shift left 8), 4 (JMPC), 5 (N or Z).
inline constexpr int markCount = 6;
const Polyline& markLine(int mark);

// The top flow row of a register's stub on the B side (noBFlowRow: none) and on the C side.
inline constexpr int noBFlowRow = 320;
int bFlowRow(uint32_t bCode);
int cFlowRow(int cBit);

// The steps on the control lines, from the control word of the microinstruction executed
// last (and N, Z for the flag marks, which add red lines without putting any back).
LineStep bLineStep(uint32_t word);
LineStep cLinesStep(uint32_t word);
LineStep shiftAndJmpcStep(uint32_t word);
LineStep nAndZStep(bool n, bool z);

// The data flow of a B field (B and A buses) and of a C field (C bus and the written
// registers' stubs), in drawing order and in flow-surface coordinates.
std::vector<FlowRect> abFlowRects(uint32_t bField, int delayMs);
std::vector<FlowRect> cFlowRects(uint32_t cField, int delayMs);
// The stubs into written registers always pause this long, whatever the bus delay.
inline constexpr int stubDelayMs = 1;

// One row of a flow as it is drawn: a rectangle one pixel high, the pause after it, and
// whether it starts its rectangle (where a late animation stops catching up).
struct FlowRow {
    Rect row;
    int delayMs = 0;
    bool startsRect = false;
    friend bool operator==(const FlowRow&, const FlowRow&) = default;
};
// The rows of the rectangles in drawing order: forward from the top row down, reverse from
// the bottom row up.
std::vector<FlowRow> flowRows(const std::vector<FlowRect>& rects);

// The red marks of clock phase 0 to 3, or of all four for phase 4 (the full refresh);
// no marks for other phases.
std::vector<Rect> clockMarkRects(int phase);

} // namespace tarveno::ui
