// The memory viewer's lines and numbers beyond what the window test reaches, without Qt.

#include "ui/model/MemoryPage.h"
#include "core/Machine.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

// The "IJVM Error:" text of a refused number, or "" when it was accepted.
template <class F> std::string refusal(F&& f) {
    try {
        f();
    } catch (const FatalError& e) {
        return e.userMessage();
    }
    return "";
}

} // namespace

TEST(MemoryPage, LinesAndPagesUpToTheTopWithoutCreatingWords) {
    Machine m;
    m.memoryWord(5) = 0x0102A0FF;
    m.memoryWord(0xFFFFFFFBu) = 65; // the output cell
    EXPECT_EQ(memoryLines(m, 0, 10)[5], "0000000020: 001 002 160 255 ");
    EXPECT_EQ(memoryLines(m, 0, 16)[5], "0x00000014: 0x01 0x02 0xA0 0xFF ");
    for (uint32_t first = 0; first < 1000; first = nextPage(first))
        memoryLines(m, first, 10);
    EXPECT_EQ(previousPage(250), 150u);
    EXPECT_EQ(nextPage(0xFFFFFFF0u), 84u); // no upper bound: it wraps
    // A page stops at the last word instead of wrapping; "Go at -24" shows the input and
    // output cells, words -6 and -5, with negative decimal addresses.
    EXPECT_EQ(memoryLines(m, 0xFFFFFF9Cu, 16).size(), 100u);
    EXPECT_EQ(memoryLines(m, 0xFFFFFF9Cu, 16).back(), "0xFFFFFFFC: ?");
    const auto cells = memoryLines(m, typedWordAddress("-24"), 10);
    EXPECT_EQ(cells,
              (std::vector<std::string>{"-0000000024: ?", "-0000000020: 000 000 000 065 ", "-0000000016: ?",
                                        "-0000000012: ?", "-0000000008: ?", "-0000000004: ?"}));
    EXPECT_EQ(memoryLines(m, 0xFFFFFFFFu, 16), std::vector<std::string>{"0xFFFFFFFC: ?"});
    EXPECT_EQ(memoryLine(0x20000000u, nullptr, 10), "-2147483648: ?");
    EXPECT_EQ(memoryLine(0x1FFFFFFFu, nullptr, 10), "2147483644: ?");
    EXPECT_EQ(memoryLines(m, 0, 10).size(), 100u);
    EXPECT_EQ(m.mainMemory.count(), 2);
}

TEST(MemoryPage, TypedNumbers) {
    EXPECT_EQ(typedWordAddress("-7"), 0xFFFFFFFFu); // toward zero: -1
    EXPECT_EQ(typedWordAddress("0x10"), 4u);
    EXPECT_EQ(wordWrite("-4", "-1"), (MemoryWrite{0xFFFFFFFFu, -1}));
    EXPECT_EQ(byteWrite("0", {"0x7F", "0o1", "0n11", "255"}), (MemoryWrite{0, 0x7F0103FF}));
    // The value boxes are read before the address: with both bad, theirs is the text shown.
    EXPECT_NE(refusal([] { wordWrite("bad1", "bad2"); }).find("bad2"), std::string::npos);
    EXPECT_NE(refusal([] { byteWrite("q", {"1", "2", "x3", "4"}); }).find("x3"), std::string::npos);
}

TEST(MemoryPage, TheWordViewMarksWhatRegistersPointAtAndWhatChanged) {
    Machine m;
    m.registers[SP] = 3;
    m.registers[LV] = 3;
    m.registers[CPP] = 1;
    m.registers[PC] = 9; // byte 9 lies in word 2
    m.memoryWord(3) = -5;
    m.memoryWord(0xFFFFFFFAu) = 7; // the input cell
    const auto lines = memoryWordLines(m, 0, 10, [](uint32_t w) { return w == 3; });
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(lines[0].text, "0: ?");
    EXPECT_EQ(lines[1].text, "1: ?  <- CPP");
    EXPECT_EQ(lines[2].text, "2: ?  <- PC");
    EXPECT_EQ(lines[3].text, "3: -5  <- SP LV");
    EXPECT_EQ(std::tuple(lines[3].marked, lines[3].changed, lines[4].marked, lines[4].changed),
              std::tuple(true, true, false, false));
    EXPECT_EQ(memoryWordLines(m, 0, 16, {})[3].text, "0x00000003: 0xFFFFFFFB  <- SP LV");
    // Word addresses are typed as words: -6 is the input cell, shown as typed.
    const uint32_t cell = typedWordAddress("-6", AddressUnit::Word);
    EXPECT_EQ(memoryWordLines(m, cell, 10, {})[0].text, "-6: 7");
    EXPECT_EQ(memoryWordLines(m, cell, 10, {}).size(), 6u);
    EXPECT_EQ(wordWrite("-6", "9", AddressUnit::Word), (MemoryWrite{cell, 9}));
    EXPECT_EQ(byteWrite("12", {"0", "0", "1", "2"}, AddressUnit::Word), (MemoryWrite{12, 258}));
    m.registers[PC] = -1; // before the first fetch: no word
    EXPECT_EQ(wordMarks(m, 0x3FFFFFFFu), "");
    EXPECT_EQ(m.peekWord(0), nullptr); // viewing made no word
}
