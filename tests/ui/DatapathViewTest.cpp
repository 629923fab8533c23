#include "ui/model/DatapathView.h"

#include "core/MachineDescription.h"
#include "core/Mic.h"

#include <gtest/gtest.h>

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

TEST(ControlLines, BLineLightsTheSourceOfEveryBCode) {
    std::vector<Polyline> seen;
    for (uint32_t code = 0; code < 16; ++code) {
        const LineStep step = bLineStep(makeWord(code, 7, 0x1FF, 0xFF, 7));
        EXPECT_EQ(step.black.size(), 9u) << code;
        if (!bRows.count(code)) {
            EXPECT_TRUE(step.red.empty()) << code;
            EXPECT_EQ(bEnableLine(code), nullptr);
            continue;
        }
        ASSERT_EQ(step.red.size(), 1u) << code;
        const Polyline& l = step.red[0];
        // From the register's gate under its box to the decoder's lower edge.
        ASSERT_EQ(l.count, 4);
        EXPECT_EQ(l.points[3].y, 50) << code;
        for (const Polyline& other : seen)
            EXPECT_NE(other, l) << code;
        seen.push_back(l);
    }
    EXPECT_EQ(points(bLineStep(B_TOS).red[0]),
              (std::vector<Point>{{169, 242}, {169, 244}, {258, 244}, {258, 50}}));
}

TEST(ControlLines, CLinesLightEveryWrittenRegister) {
    const auto word = [](uint32_t c) { return makeWord(B_OPC, 7, c, 0xFF, 7); };
    EXPECT_TRUE(cLinesStep(word(0)).red.empty());
    std::vector<Polyline> all;
    for (int bit = 0; bit < 9; ++bit) {
        all.push_back(cEnableLine(bit));
        const LineStep step = cLinesStep(word(1u << bit));
        EXPECT_EQ(step.black.size(), 9u);
        ASSERT_EQ(step.red.size(), 1u) << bit;
        EXPECT_EQ(step.red[0], cEnableLine(bit));
        // Up into the register's bit at the lower edge of the microinstruction register.
        EXPECT_EQ(step.red[0].count, 6);
        EXPECT_EQ(step.red[0].points[5].y, 355);
    }
    EXPECT_EQ(points(cEnableLine(H)),
              (std::vector<Point>{{101, 301}, {101, 310}, {51, 310}, {51, 420}, {588, 420}, {588, 355}}));
    EXPECT_EQ(cLinesStep(word(0x1FF)).red, all);
    const LineStep marAndH = cLinesStep(word((1u << MAR) | (1u << H)));
    EXPECT_EQ(marAndH.red, (std::vector<Polyline>{cEnableLine(MAR), cEnableLine(H)}));
}

TEST(ControlLines, ShiftAndJmpcMarksFollowTheirBits) {
    const Polyline& right = markLine(2);
    const Polyline& left = markLine(3);
    EXPECT_EQ(points(left), (std::vector<Point>{{486, 356}, {486, 382}, {195, 382}}));
    // Shifter codes 0 to 3; code 3 lights both although the shifter then does nothing.
    const std::array<std::vector<Polyline>, 4> expected{{{}, {right}, {left}, {right, left}}};
    for (uint32_t shifter = 0; shifter < 4; ++shifter) {
        const LineStep step = shiftAndJmpcStep(makeWord(15, 7, 0x1FF, 0x3F | (shifter << 6), 3));
        EXPECT_EQ(step.black.size(), 6u);
        EXPECT_EQ(step.red, expected[shifter]) << shifter;
    }
    // JMPC alone lights mark 4; JAMN and JAMZ light nothing.
    EXPECT_EQ(shiftAndJmpcStep(makeWord(0, 0, 0, 0, 4)).red, std::vector<Polyline>{markLine(4)});
    EXPECT_TRUE(shiftAndJmpcStep(makeWord(0, 0, 0, 0, 3)).red.empty());
}

TEST(ControlLines, NAndZMarksAddToTheLitMarks) {
    EXPECT_TRUE(nAndZStep(false, false).red.empty());
    EXPECT_EQ(nAndZStep(true, false).red, (std::vector<Polyline>{markLine(0), markLine(5)}));
    EXPECT_EQ(nAndZStep(false, true).red, (std::vector<Polyline>{markLine(1), markLine(5)}));
    EXPECT_EQ(nAndZStep(true, true).red, (std::vector<Polyline>{markLine(0), markLine(1), markLine(5)}));
    // Drawn right after the shift marks, they put nothing back to black.
    EXPECT_TRUE(nAndZStep(true, true).black.empty());
    // The N and Z lines, the shift lines and the JMPC line are six different lines.
    for (int a = 0; a < markCount; ++a)
        for (int b = a + 1; b < markCount; ++b)
            EXPECT_NE(markLine(a), markLine(b)) << a << " " << b;
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

TEST(Clock, EachPhaseTracesItsPartOfTheCycle) {
    const std::array<std::vector<Rect>, 4> phases{{
        {{91, 30, 5, 54}, {91, 82, 33, 5}},
        {{123, 82, 32, 5}},
        {{153, 82, 38, 5}},
        {{191, 82, 60, 5}, {246, 30, 5, 54}, {246, 30, 23, 5}},
    }};
    std::vector<Rect> all;
    for (int phase = 0; phase < 4; ++phase) {
        EXPECT_EQ(clockMarkRects(phase), phases[static_cast<size_t>(phase)]) << phase;
        all.insert(all.end(), phases[static_cast<size_t>(phase)].begin(),
                   phases[static_cast<size_t>(phase)].end());
    }
    EXPECT_EQ(clockMarkRects(4), all);
    EXPECT_TRUE(clockMarkRects(5).empty());
    EXPECT_TRUE(clockMarkRects(-1).empty());
}
