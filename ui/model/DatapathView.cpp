#include "ui/model/DatapathView.h"

#include "core/MachineDescription.h"
#include "core/Microinstruction.h"

#include <bit>
#include <initializer_list>

namespace tarveno::ui {

namespace {

constexpr Polyline line(std::initializer_list<Point> points) {
    Polyline p;
    for (const Point& q : points)
        p.points[static_cast<size_t>(p.count++)] = q;
    return p;
}

// A register's stub rows on the flow surface and its enable lines on the picture.
struct BSourceLine {
    uint32_t code;
    int flowRow;
    Polyline enable;
};

// From the B source's gate on its register box to the decoder's lower edge.
const std::array<BSourceLine, 9> bSources{{
    {B_MDR, 67, line({{169, 70}, {169, 74}, {220, 74}, {220, 50}})},
    {B_PC, 99, line({{169, 100}, {169, 102}, {225, 102}, {225, 50}})},
    {B_SP, 156, line({{169, 159}, {169, 162}, {242, 162}, {242, 50}})},
    {B_LV, 184, line({{169, 186}, {169, 188}, {247, 188}, {247, 50}})},
    {B_CPP, 212, line({{169, 212}, {169, 214}, {253, 214}, {253, 50}})},
    {B_TOS, 240, line({{169, 242}, {169, 244}, {258, 244}, {258, 50}})},
    {B_OPC, 269, line({{169, 270}, {169, 272}, {264, 272}, {264, 50}})},
    {B_MBRU, 132, line({{175, 129}, {175, 131}, {231, 131}, {231, 50}})},
    {B_MBR, 124, line({{163, 129}, {163, 135}, {236, 135}, {236, 50}})},
}};

struct CTargetLine {
    int flowRow;
    Polyline enable;
};

// Indexed by C bit (MAR first): from the register box round the left and bottom edges of
// the picture up to the register's bit in the microinstruction register.
const std::array<CTargetLine, 9> cTargets{{
    {40, line({{100, 44}, {100, 47}, {1, 47}, {1, 476}, {686, 476}, {686, 355}})},
    {68, line({{100, 71}, {100, 78}, {7, 78}, {7, 469}, {672, 469}, {672, 355}})},
    {97, line({{100, 101}, {100, 104}, {14, 104}, {14, 462}, {660, 462}, {660, 355}})},
    {159, line({{100, 159}, {100, 162}, {19, 162}, {19, 456}, {649, 456}, {649, 355}})},
    {186, line({{100, 186}, {100, 188}, {25, 188}, {25, 449}, {637, 449}, {637, 355}})},
    {214, line({{100, 214}, {100, 217}, {32, 217}, {32, 441}, {625, 441}, {625, 355}})},
    {242, line({{101, 242}, {101, 245}, {38, 245}, {38, 434}, {612, 434}, {612, 355}})},
    {270, line({{100, 270}, {100, 274}, {44, 274}, {44, 427}, {599, 427}, {599, 355}})},
    {301, line({{101, 301}, {101, 310}, {51, 310}, {51, 420}, {588, 420}, {588, 355}})},
}};
static_assert(cTargets.size() == H + 1, "one C line per C-bus enable");

const std::array<Polyline, markCount> marks{{
    line({{222, 343}, {277, 343}, {277, 319}}),                         // N into the high bit
    line({{212, 355}, {288, 355}, {288, 319}}),                         // Z into the high bit
    line({{497, 356}, {497, 391}, {195, 391}}),                         // shift right to the shifter
    line({{486, 356}, {486, 382}, {195, 382}}),                         // shift left 8 to the shifter
    line({{335, 111}, {344, 111}, {344, 366}, {447, 366}, {447, 356}}), // JMPC to the O box
    line({{287, 101}, {287, 277}}),                                     // high bit to MPC
}};

enum Mark { MarkN, MarkZ, MarkShiftRight, MarkShiftLeft, MarkJmpc, MarkHighBit };

const BSourceLine* findBSource(uint32_t code) {
    for (const BSourceLine& s : bSources)
        if (s.code == code) return &s;
    return nullptr;
}

} // namespace

const Polyline* bEnableLine(uint32_t bCode) {
    const BSourceLine* s = findBSource(bCode);
    return s ? &s->enable : nullptr;
}

const Polyline& cEnableLine(int cBit) {
    return cTargets.at(static_cast<size_t>(cBit)).enable;
}

const Polyline& markLine(int mark) {
    return marks.at(static_cast<size_t>(mark));
}

int bFlowRow(uint32_t bCode) {
    const BSourceLine* s = findBSource(bCode);
    return s ? s->flowRow : noBFlowRow;
}

int cFlowRow(int cBit) {
    return cTargets.at(static_cast<size_t>(cBit)).flowRow;
}

LineStep bLineStep(uint32_t word) {
    LineStep step;
    for (const BSourceLine& s : bSources)
        step.black.push_back(s.enable);
    if (const Polyline* lit = bEnableLine(field(word, Field::B))) step.red.push_back(*lit);
    return step;
}

LineStep cLinesStep(uint32_t word) {
    LineStep step;
    const uint32_t c = field(word, Field::C);
    for (size_t bit = 0; bit < cTargets.size(); ++bit) {
        step.black.push_back(cTargets[bit].enable);
        if (c & (1u << bit)) step.red.push_back(cTargets[bit].enable);
    }
    return step;
}

LineStep shiftAndJmpcStep(uint32_t word) {
    LineStep step{{marks.begin(), marks.end()}, {}};
    if (word & controlBit::shiftRight) step.red.push_back(marks[MarkShiftRight]);
    if (word & controlBit::shiftLeft) step.red.push_back(marks[MarkShiftLeft]);
    if (word & controlBit::jmpc) step.red.push_back(marks[MarkJmpc]);
    return step;
}

LineStep nAndZStep(bool n, bool z) {
    LineStep step;
    if (n) step.red.push_back(marks[MarkN]);
    if (z) step.red.push_back(marks[MarkZ]);
    if (n || z) step.red.push_back(marks[MarkHighBit]);
    return step;
}

std::vector<FlowRect> abFlowRects(uint32_t bField, int delayMs) {
    std::vector<FlowRect> rects;
    const int y = bFlowRow(bField);
    if (y != noBFlowRow) {
        rects.push_back({{192, y, 20, 9}, delayMs, false});             // register to B bus
        rects.push_back({{212, y, 6, noBFlowRow - y}, delayMs, false}); // down the B bus to the ALU
    }
    rects.push_back({{131, 310, 6, 11}, delayMs, false}); // H on the A bus, always
    return rects;
}

std::vector<FlowRect> cFlowRects(uint32_t cField, int delayMs) {
    cField &= 0x1FFu;
    // The vertical bus reaches the topmost written register; with none written it still
    // rises to the MAR row.
    const int y = cFlowRow(cField == 0 ? MAR : std::countr_zero(cField));

    std::vector<FlowRect> rects{
        {{172, 411, 5, 4}, delayMs, false},   // shifter down onto the C bus
        {{62, 415, 115, 8}, delayMs, true},   // along the bottom, right to left
        {{62, y, 8, 423 - y}, delayMs, true}, // up the C bus
    };
    for (int bit = MAR; bit <= H; ++bit)
        if (cField & (1u << bit)) rects.push_back({{70, cFlowRow(bit), 27, 8}, stubDelayMs, false});
    return rects;
}

std::vector<FlowRow> flowRows(const std::vector<FlowRect>& rects) {
    std::vector<FlowRow> rows;
    for (const FlowRect& f : rects)
        for (int i = 0; i < f.rect.height; ++i) {
            const int y = f.reverse ? f.rect.y + f.rect.height - 1 - i : f.rect.y + i;
            rows.push_back({{f.rect.x, y, f.rect.width, 1}, f.delayMs, i == 0});
        }
    return rows;
}

std::vector<Rect> clockMarkRects(int phase) {
    // Phase 0 traces the falling edge that starts the cycle and the first interval; phase 3
    // the last interval, the rising edge and the start of the next pulse.
    static const std::array<std::vector<Rect>, 4> phases{{
        {{91, 30, 5, 54}, {91, 82, 33, 5}},
        {{123, 82, 32, 5}},
        {{153, 82, 38, 5}},
        {{191, 82, 60, 5}, {246, 30, 5, 54}, {246, 30, 23, 5}},
    }};
    if (phase >= 0 && phase < 4) return phases[static_cast<size_t>(phase)];
    std::vector<Rect> all;
    if (phase == 4)
        for (const auto& p : phases)
            all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace tarveno::ui
