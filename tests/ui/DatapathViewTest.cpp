#include "ui/model/DatapathView.h"
#include "ui/model/TimelineScale.h"

#include "core/MachineDescription.h"
#include "core/Microinstruction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

std::vector<Point> points(const Polyline& l) {
    return {l.view().begin(), l.view().end()};
}

FlowRect fwd(Rect r, int d) {
    return {r, d, false};
}
FlowRect rev(Rect r, int d) {
    return {r, d, true};
}

// The B-side and C-side stub rows of each register on the flow surface.
const std::map<uint32_t, int> bRows{{B_MDR, 67},  {B_PC, 99},   {B_SP, 156},   {B_LV, 184}, {B_CPP, 212},
                                    {B_TOS, 240}, {B_OPC, 269}, {B_MBRU, 132}, {B_MBR, 124}};
const std::array<int, 9> cRows{40, 68, 97, 159, 186, 214, 242, 270, 301};

} // namespace

// Each step puts its own group back to black and lights what the word selects: one B
// line per B source (none for the codes without one), one C line per written register,
// the shift and JMPC marks by their bits, and the N and Z marks added on top.
TEST(ControlLines, EachStepLightsWhatTheWordSelects) {
    std::vector<Polyline> bLines;
    for (uint32_t code = 0; code < 16; ++code) {
        const LineStep step = bLineStep(makeWord(code, 7, 0x1FF, 0xFF, 7));
        EXPECT_EQ(step.black.size(), 9u) << code;
        EXPECT_EQ(step.red.size(), bRows.count(code)) << code;
        EXPECT_EQ(bEnableLine(code) != nullptr, bRows.count(code) == 1) << code;
        for (const Polyline& l : step.red) {
            EXPECT_EQ(l.points[static_cast<size_t>(l.count - 1)].y, 50) << code; // into the decoder
            EXPECT_EQ(std::count(bLines.begin(), bLines.end(), l), 0) << code;
            bLines.push_back(l);
        }
    }
    EXPECT_EQ(points(bLineStep(B_TOS).red[0]),
              (std::vector<Point>{{169, 242}, {169, 244}, {258, 244}, {258, 50}}));

    const auto cWord = [](uint32_t c) { return makeWord(B_OPC, 7, c, 0xFF, 7); };
    EXPECT_TRUE(cLinesStep(cWord(0)).red.empty());
    EXPECT_EQ(cLinesStep(cWord((1u << MAR) | (1u << H))).red,
              (std::vector<Polyline>{cEnableLine(MAR), cEnableLine(H)}));
    EXPECT_EQ(cLinesStep(cWord(0x1FF)).black, cLinesStep(cWord(0x1FF)).red);
    EXPECT_EQ(points(cEnableLine(H)),
              (std::vector<Point>{{101, 301}, {101, 310}, {51, 310}, {51, 420}, {588, 420}, {588, 355}}));

    // Shifter codes 0 to 3 (3 lights both although the shifter then does nothing); JMPC
    // alone lights mark 4, JAMN and JAMZ nothing.
    const Polyline& right = markLine(2);
    const Polyline& left = markLine(3);
    const std::array<std::vector<Polyline>, 4> shifts{{{}, {right}, {left}, {right, left}}};
    for (uint32_t shifter = 0; shifter < 4; ++shifter) {
        const LineStep step = shiftAndJmpcStep(makeWord(15, 7, 0x1FF, 0x3F | (shifter << 6), 3));
        EXPECT_EQ(step.black.size(), 6u);
        EXPECT_EQ(step.red, shifts[shifter]) << shifter;
    }
    EXPECT_EQ(shiftAndJmpcStep(makeWord(0, 0, 0, 0, 4)).red, std::vector<Polyline>{markLine(4)});
    EXPECT_TRUE(shiftAndJmpcStep(makeWord(0, 0, 0, 0, 3)).red.empty());
    EXPECT_TRUE(nAndZStep(false, false).red.empty());
    EXPECT_EQ(nAndZStep(true, true).red, (std::vector<Polyline>{markLine(0), markLine(1), markLine(5)}));
    EXPECT_EQ(nAndZStep(false, true).red, (std::vector<Polyline>{markLine(1), markLine(5)}));
    EXPECT_TRUE(nAndZStep(true, true).black.empty());
}

TEST(DataFlow, ABFlowRunsFromTheSourceDownTheBBusAndAlwaysFromH) {
    const FlowRect aBus = fwd({131, 310, 6, 11}, 1);
    for (uint32_t code = 0; code < 16; ++code) {
        const auto it = bRows.find(code);
        if (it == bRows.end()) {
            EXPECT_EQ(bFlowRow(code), noBFlowRow);
            EXPECT_EQ(abFlowRects(code, 1), std::vector<FlowRect>{aBus}) << code;
            continue;
        }
        const int y = it->second;
        EXPECT_EQ(abFlowRects(code, 1),
                  (std::vector<FlowRect>{fwd({192, y, 20, 9}, 1), fwd({212, y, 6, 320 - y}, 1), aBus}))
            << code;
    }
    // The full refresh draws without pause.
    for (const FlowRect& f : abFlowRects(B_TOS, 0))
        EXPECT_EQ(f.delayMs, 0);
}

TEST(DataFlow, CFlowRisesToTheTopmostWrittenRegister) {
    const auto buses = [](int y, int d) {
        return std::vector<FlowRect>{fwd({172, 411, 5, 4}, d), rev({62, 415, 115, 8}, d),
                                     rev({62, y, 8, 423 - y}, d)};
    };
    // No register written: the buses up to the MAR row and no stub.
    EXPECT_EQ(cFlowRects(0, 1), buses(40, 1));
    for (int bit = 0; bit < 9; ++bit) {
        std::vector<FlowRect> expected = buses(cRows[static_cast<size_t>(bit)], 0);
        expected.push_back(fwd({70, cRows[static_cast<size_t>(bit)], 27, 8}, 1)); // stubs always pause
        EXPECT_EQ(cFlowRects(1u << bit, 0), expected) << bit;
        EXPECT_EQ(cFlowRow(bit), cRows[static_cast<size_t>(bit)]);
    }
    std::vector<FlowRect> marAndH = buses(40, 1);
    marAndH.push_back(fwd({70, 40, 27, 8}, 1));
    marAndH.push_back(fwd({70, 301, 27, 8}, 1));
    EXPECT_EQ(cFlowRects((1u << MAR) | (1u << H), 1), marAndH);

    const std::vector<FlowRect> all = cFlowRects(0x1FF, 0);
    ASSERT_EQ(all.size(), 12u);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(all[3 + i].rect.y, cRows[i]);
    // Bits above the C field are not registers.
    EXPECT_EQ(cFlowRects(0x200u | (1u << TOS), 1), cFlowRects(1u << TOS, 1));
}

// The phases' marks are drawn apart and the full refresh draws them all; a flow is drawn
// row by row, a reverse rectangle from its bottom row.
TEST(Clock, PhasesAndRows) {
    std::vector<Rect> all;
    for (int phase = 0; phase < 4; ++phase) {
        const auto marks = clockMarkRects(phase);
        EXPECT_FALSE(marks.empty()) << phase;
        all.insert(all.end(), marks.begin(), marks.end());
    }
    EXPECT_EQ(clockMarkRects(4), all);
    EXPECT_TRUE(clockMarkRects(5).empty());

    const auto rows = flowRows({fwd({1, 2, 3, 2}, 1), rev({4, 5, 6, 2}, 0)});
    EXPECT_EQ(rows, (std::vector<FlowRow>{{{1, 2, 3, 1}, 1, true},
                                          {{1, 3, 3, 1}, 1, false},
                                          {{4, 6, 6, 1}, 0, true},
                                          {{4, 5, 6, 1}, 0, false}}));
}

TEST(Timeline, OnePositionAStepOrSpreadOverAMillion) {
    const RunController::Timeline small{0, 345, 12};
    EXPECT_EQ(std::tuple(sliderPosition(small).maximum, sliderPosition(small).value), std::tuple(345, 12));
    EXPECT_EQ(stepAt(small, 0), 0u);
    EXPECT_EQ(stepAt(small, 345), 345u);
    EXPECT_EQ(stepAt(small, 999), 345u);
    EXPECT_EQ(timelineText(small), "step 12 of 345");
    const RunController::Timeline forgotten{100, 300, 150};
    EXPECT_EQ(sliderPosition(forgotten).value, 50);
    EXPECT_EQ(stepAt(forgotten, 50), 150u);
    EXPECT_EQ(timelineText(forgotten), "step 150 of 300 (history from step 100)");
    // Beyond what an int counts, each position stands for the step nearest to it; both ends
    // are reached.
    const RunController::Timeline huge{0, uint64_t{1} << 40, uint64_t{1} << 39};
    EXPECT_EQ(sliderPosition(huge).maximum, 1'000'000);
    EXPECT_EQ(sliderPosition(huge).value, 500'000);
    EXPECT_EQ(stepAt(huge, 0), 0u);
    EXPECT_EQ(stepAt(huge, 1'000'000), uint64_t{1} << 40);
    EXPECT_EQ(sliderPosition({}).maximum, 0);
}
